// Any bytes as the head's TCP stream, cut into reads where the input says:
// the reply assembler finds the records, and each one goes through the live
// ping path as the acquisition thread runs it, drawing included. Nothing may
// read or write outside a buffer, hang, or hand on a record that neither
// starts with the record frame nor carries the record's own length fields.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "doc/TubescanDoc.h"
#include "link/AcquisitionBuffers.h"
#include "link/LivePing.h"
#include "link/ReplyAssembler.h"

namespace {

bool Framed(const ReplyAssembler::Record& r) {
    if (r[0] == 'I' && r[2] == 'X') return true;
    return headproto::SevenBitPair(r[10], r[11]) == static_cast<int>(headproto::kEchoSampleCount) &&
           r[headproto::kReturnRecordSize - 1] == 0xFC;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One document for the run (its image and tables are large); the live
    // state a ping carries over is reset for every input.
    static CTubescanDoc* doc = [] {
        auto* d = new CTubescanDoc;
        d->Frame().m_image.assign(static_cast<std::size_t>(kImageSize) * kImageSize * 3, 0);
        d->Frame().m_imageWidth = d->Frame().m_imageHeight = kImageSize;
        return d;
    }();
    static AcquisitionBuffers* work = new AcquisitionBuffers;
    if (size < 3) return 0;
    doc->Link().m_replyPending = 0;
    doc->Frame().m_restartLines = 1;
    doc->Settings().m_zoom = 0.5 + (data[0] % 12) * 0.5;
    doc->Settings().m_sonarUpDown = data[1] & 1;
    doc->Settings().m_zeroUpDown = (data[1] >> 1) & 1;
    doc->Settings().m_rollCorrection = (data[1] >> 2) & 1;
    doc->Settings().m_profileDispMode = (data[1] >> 3) % 5;
    const std::size_t cut = 1 + data[2];
    data += 3;
    size -= 3;

    ReplyAssembler assembler;
    ReplyAssembler::Record record;
    for (std::size_t at = 0; at < size; at += cut) {
        const std::size_t n = size - at < cut ? size - at : cut;
        assembler.Append(std::span(data + at, n));
        while (assembler.Next(record)) {
            if (!Framed(record)) std::abort();
            std::copy(record.begin(), record.end(), work->m_input.begin());
            doc->Link().m_replyPending = 0;
            ProcessLivePing(*doc, *work);
        }
        if (assembler.Pending() >= headproto::kReturnRecordSize) std::abort(); // undrained
    }
    return 0;
}
