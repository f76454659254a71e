// Finding records in a ".31l" file that may be damaged: a record is only
// taken where its "31L" signature stands, its length is one a record can
// have, and the whole record lies inside the file. Anything else is skipped
// up to the next signature, so one bad stretch costs only itself.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "format/DataFileIo.h"
#include "format/RecordFormat.h"

namespace record {

// Offset of the first "31L" at or after from that ends before end.
std::optional<std::uint64_t> FindSignature(CPlayFile& file, std::uint64_t from, std::uint64_t end);

struct LocatedRecord {
    std::uint64_t position = 0;
    int length = 0;
    // The settings part and the return header, read already.
    std::array<std::uint8_t, kSamplesOffset> start{};
};

// The first usable record at or after from within the first end bytes of
// the file. The file is left positioned just after the return header of the
// record found.
std::optional<LocatedRecord> LocateRecord(CPlayFile& file, std::uint64_t from, std::uint64_t end);

// Whether a located record holds a ping from the head. One that does not has
// a return header that is not the head's: reading goes on one byte after its
// signature, not after its length, since its bytes may hold the next record.
bool CarriesPing(const LocatedRecord& rec);
// Where reading goes on after a located record.
inline std::uint64_t NextSearchFrom(const LocatedRecord& rec) {
    return CarriesPing(rec) ? rec.position + static_cast<std::uint64_t>(rec.length)
                            : rec.position + 1;
}

} // namespace record
