#include "format/RecordReader.h"

#include <cstring>

namespace record {

std::optional<std::uint64_t> FindSignature(CPlayFile& file, std::uint64_t from, std::uint64_t end) {
    // One byte at a time, restarting just after the first byte of a failed
    // match, so "331L" is found at its second byte.
    for (std::uint64_t at = from; end >= 3 && at <= end - 3; ++at) {
        if (file.ByteAt(at) != kSignature[0]) continue;
        if (file.ByteAt(at + 1) == kSignature[1] && file.ByteAt(at + 2) == kSignature[2]) return at;
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
