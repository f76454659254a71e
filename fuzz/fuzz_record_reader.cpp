// Any bytes as a ".31l" file played back: ticks, jumps and steps back in an
// order the input chooses. Nothing may read or write past a buffer, hang, or
// leave the position or the decoded settings out of range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "doc/TubescanDoc.h"
#include "format/RecordFormat.h"

namespace {

// Plays the head link's owner: a played record forgets the awaited reply.
struct PendingReply : DocumentObserver {
    std::optional<bool> ReplyPending() const override { return pending; }
    void OnForgetPendingReply() override { pending = false; }
    bool pending = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    PendingReply link; // outlives the document below
    // A fresh document per input, so no input's state leaks into the next,
    // made in the same storage each time (a new allocation per input, fresh
    // pages behind the sanitizer's quarantine, cost more than the playback);
    // a small picture keeps the runs quick (drawing clips to it anyway, and
    // clearing and drawing a larger one was most of each run).
    // The picture's storage is lent to each document and taken back, for the
    // same reason: allocating it afresh was a tenth of each run.
    alignas(CTubescanDoc) static unsigned char storage[sizeof(CTubescanDoc)];
    static std::vector<std::uint8_t> picture;
    struct Fresh {
        CTubescanDoc* doc;
        ~Fresh() {
            doc->Frame().m_image.swap(picture);
            doc->~CTubescanDoc();
        }
    } fresh{new (storage) CTubescanDoc};
    CTubescanDoc* const doc = fresh.doc;
    doc->AddObserver(&link);
    constexpr int kPicture = 48;
    picture.assign(kPicture * kPicture * 3, 0);
    doc->Frame().m_image.swap(picture);
    doc->Frame().m_imageWidth = doc->Frame().m_imageHeight = kPicture;
    const std::uint8_t control = data[0];
    const std::uint8_t jumps = data[1];
    data += 2;
    size -= 2;

    if (size >= record::kSettingsSize) {
        const auto s = record::DecodeSettings(
            std::span<const std::uint8_t, record::kSettingsSize>(data, record::kSettingsSize));
        if (s.time.size() > 8 || s.millis.size() > 9 || s.date.size() > 11) std::abort();
    }

    doc->PlaybackFile().file.OpenMemory(std::vector<std::uint8_t>(data, data + size));
    doc->PlaybackFile().length = size;
    doc->Run().m_playback = 1;
    doc->Run().m_hold = 0;
    doc->PlaybackFile().seekDragging = (control >> 7) & 1;
    // Enough ticks to play a few records past the end (the file then starts
    // again) without every large input paying for sixty passes of searching.
    const int ticks = 4 + static_cast<int>(std::min<std::size_t>(size / 283, 20));
    for (int t = 0; t < ticks; ++t) {
        link.pending = true; // forgotten only when a record was played
        doc->PlaybackTick();
        if (doc->PlaybackFile().file.Position() > size + 4) std::abort();
        if (doc->Settings().m_rangeIndex < 0 || doc->Settings().m_rangeIndex > 9) std::abort();
        if (!link.pending && (doc->PlaybackFile().recordLength < record::kMinLength ||
                              doc->PlaybackFile().recordLength > record::kMaxLength))
            std::abort();
        if ((jumps >> (t % 8)) & 1) {
            if (control & 1)
                doc->StepBack();
            else
                doc->SeekToRecord((static_cast<std::uint64_t>(t) * 7919u * (control | 1)) %
                                  (size + 16));
        }
    }
    return 0;
}
