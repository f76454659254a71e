// Any bytes as the settings part of a ".31l" record, decoded on their own
// and put into a fresh document: every text within its field, the range
// inside its table, the orientation values either usable or dropped, and the
// record written back from the document decodes to the same settings.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

#include "doc/RecordBinding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::array<std::uint8_t, record::kSettingsSize> bytes{};
    std::copy_n(data, std::min(size, bytes.size()), bytes.begin());
    const record::RecordSettings s = record::DecodeSettings(bytes);
    if (s.time.size() > 8 || s.millis.size() > 9 || s.date.size() > 11) std::abort();

    // A fresh document per input, made in the same storage each time: a new
    // 17 KB allocation per input (fresh pages behind the sanitizer's
    // quarantine) cost more than everything else the input does.
    alignas(CTubescanDoc) static unsigned char storage[sizeof(CTubescanDoc)];
    struct Fresh {
        CTubescanDoc* doc;
        ~Fresh() { doc->~CTubescanDoc(); }
    } fresh{new (storage) CTubescanDoc};
    CTubescanDoc* const doc = fresh.doc;
    doc->Run().m_playback = 1;
    record::ApplySettings(*doc, s);
    if (doc->Settings().m_rangeIndex < 0 || doc->Settings().m_rangeIndex > 9) std::abort();
    for (double v : {doc->Sensors().pitch, doc->Sensors().roll, doc->Sensors().distance})
        if (!std::isfinite(v)) std::abort();

    // What the document took from the record goes back out unchanged.
    const record::Record again = record::BuildRecord(*doc);
    const record::RecordSettings back = record::DecodeSettings(
        std::span<const std::uint8_t, record::kSettingsSize>(again.data(), record::kSettingsSize));
    if (back.rangeCode != s.rangeCode || back.gain != s.gain || back.pulseLength != s.pulseLength ||
        back.absorption != s.absorption || back.sectorWidth != s.sectorWidth)
        std::abort();
    return 0;
}
