// Any bytes as the head's TCP stream, cut into reads where the input says and
// with the partial record dropped where the input says (the command is sent
// again): the reply assembler finds the records and each one's header is
// decoded. Nothing may read or write outside a buffer, hang, hand on a
// record that neither starts with the record frame nor carries the record's
// own length fields, or lose count of a byte: every byte appended is handed
// on in a record, counted as discarded or still pending. What the live path
// does with one record is fuzz_live_ping's; a header's decoding and the ping
// drawn from it fuzz_return_header's.
//
// Input: byte 0 the read size less one; byte 1 every how many reads the
// partial record is dropped (0: never); then the stream, of which the first
// kMaxStream bytes are read: a few records with noise and damage between
// them reach every way the assembler realigns, and a longer stream only
// repeats them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "format/HeadProtocol.h"
#include "link/ReplyAssembler.h"

namespace {

constexpr std::size_t kMaxStream = 4 * headproto::kReturnRecordSize;

bool Framed(const ReplyAssembler::Record& r) {
    if (r[0] == 'I' && r[2] == 'X') return true;
    return headproto::SevenBitPair(r[10], r[11]) == static_cast<int>(headproto::kEchoSampleCount) &&
           r[headproto::kReturnRecordSize - 1] == 0xFC;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t cut = 1 + data[0];
    const std::size_t dropEvery = data[1];
    data += 2;
    size = std::min(size - 2, kMaxStream);

    ReplyAssembler assembler;
    ReplyAssembler::Record record;
    std::uint64_t handedOn = 0, reads = 0;
    for (std::size_t at = 0; at < size; at += cut) {
        const std::size_t n = size - at < cut ? size - at : cut;
        assembler.Append(std::span(data + at, n));
        while (assembler.Next(record)) {
            if (!Framed(record)) std::abort();
            handedOn += record.size();
            const headproto::ReturnHeader header = headproto::DecodeReturnHeaderFields(
                std::span<const std::uint8_t, headproto::kReturnHeaderSize>(
                    record.data(), headproto::kReturnHeaderSize));
            // Whatever a header holds, its fields pack and read back the same.
            if (!(headproto::DecodeReturnHeaderFields(headproto::EncodeReturnHeader(header)) ==
                  header))
                std::abort();
        }
        if (assembler.Pending() >= headproto::kReturnRecordSize) std::abort(); // undrained
        if (dropEvery > 0 && ++reads % dropEvery == 0) assembler.Discard();
        if (handedOn + assembler.DiscardedBytes() + assembler.Pending() != at + n) std::abort();
    }
    return 0;
}
