// Any bytes as the start of the head's TCP stream: the first record the reply
// assembler finds in them goes through the live ping path as the acquisition
// thread runs it, drawing included. The unit fuzz_reply_stream repeats for
// every record of a long stream, so the fuzzer spends its time on varied
// single pings. Nothing may read or write outside a buffer, and the record
// handed on must be framed.
//
// Input: byte 0 the zoom, byte 1 the display flags (as fuzz_reply_stream),
// then at most two records' worth of stream bytes.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "doc/TubescanDoc.h"
#include "link/AcquisitionBuffers.h"
#include "link/LivePing.h"
#include "link/ReplyAssembler.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CTubescanDoc* doc = [] {
        auto* d = new CTubescanDoc;
        d->Frame().m_image.assign(static_cast<std::size_t>(kImageSize) * kImageSize * 3, 0);
        d->Frame().m_imageWidth = d->Frame().m_imageHeight = kImageSize;
        return d;
    }();
    static AcquisitionBuffers* work = new AcquisitionBuffers;
    if (size < 2) return 0;
    doc->Frame().m_restartLines = 1;
    doc->Settings().m_zoom = 0.5 + (data[0] % 12) * 0.5;
    doc->Settings().m_sonarUpDown = data[1] & 1;
    doc->Settings().m_zeroUpDown = (data[1] >> 1) & 1;
    doc->Settings().m_rollCorrection = (data[1] >> 2) & 1;
    doc->Settings().m_profileDispMode = (data[1] >> 3) % 5;
    const std::size_t n = std::min(size - 2, 2 * headproto::kReturnRecordSize);

    ReplyAssembler assembler;
    assembler.Append(std::span(data + 2, n));
    ReplyAssembler::Record record;
    if (!assembler.Next(record)) return 0;
    const bool framed = (record[0] == 'I' && record[2] == 'X') ||
                        (headproto::SevenBitPair(record[10], record[11]) ==
                             static_cast<int>(headproto::kEchoSampleCount) &&
                         record[headproto::kReturnRecordSize - 1] == 0xFC);
    if (!framed) std::abort();
    std::copy(record.begin(), record.end(), work->m_input.begin());
    static const std::atomic<int> replyPending{0}; // the head link's: nothing awaited
    ProcessLivePing(*doc, *work, replyPending);
    return 0;
}
