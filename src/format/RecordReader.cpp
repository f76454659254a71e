#include "format/RecordReader.h"

#include <algorithm>
#include <cstring>

namespace record {

std::optional<std::uint64_t> FindSignature(CPlayFile& file, std::uint64_t from, std::uint64_t end) {
    if (end < 3) return std::nullopt;
    const std::uint64_t last = end - 3; // the last place a whole signature fits
    // Scans what the file holds buffered a stretch at a time, looking for the
    // first byte and then checking the two after it; after a failed match the
    // search goes on just after that first byte, so "331L" is found at its
    // second byte. A signature cut by the end of the buffer is checked byte
    // by byte, which reads the next stretch in.
    for (std::uint64_t at = from; at <= last;) {
        const auto bytes = file.BufferedFrom(at);
        if (bytes.empty()) return std::nullopt;
        const std::size_t span =
            static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), last - at + 1));
        const auto* first =
            static_cast<const std::uint8_t*>(std::memchr(bytes.data(), kSignature[0], span));
        if (first == nullptr) {
            at += span;
            continue;
        }
        const std::size_t offset = static_cast<std::size_t>(first - bytes.data());
        const std::uint64_t found = at + offset;
        const bool whole = offset + 2 < bytes.size();
        const bool match = whole ? first[1] == kSignature[1] && first[2] == kSignature[2]
                                 : file.ByteAt(found + 1) == kSignature[1] &&
                                       file.ByteAt(found + 2) == kSignature[2];
        if (match) return found;
        at = found + 1;
    }
    return std::nullopt;
}

std::optional<LocatedRecord> LocateRecord(CPlayFile& file, std::uint64_t from, std::uint64_t end) {
    LocatedRecord rec;
    std::uint64_t at = from;
    for (;;) {
        const auto found = FindSignature(file, at, end);
        if (!found) return std::nullopt;
        at = *found;
        file.Seek(at);
        if (file.Read(rec.start.data(), rec.start.size()) == rec.start.size()) {
            const int length = BigEndian16(&rec.start[4]);
            const bool sane = length >= kMinLength && length <= kMaxLength;
            if (sane && at + static_cast<std::uint64_t>(length) <= end) {
                rec.position = at;
                rec.length = length;
                return rec;
            }
        }
        ++at;
    }
}

bool CarriesPing(const LocatedRecord& rec) {
    const std::uint8_t* header = rec.start.data() + kHeaderOffset;
    return headproto::SignatureDataPoints(header[0], header[1], header[2]).has_value();
}

} // namespace record
