// Any bytes as what a poll read from the orientation input: parsed without
// reading past them, and every field either valid or 0.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "doc/ComPorts.h"
#include "doc/TubescanDoc.h"
#include "format/OrientationRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CTubescanDoc doc;
    static double clock = 0.0;
    std::size_t end = 0;
    const auto newest = orientation::ParseNewestOrientationRecord(std::span(data, size), &end);
    if (end > size) std::abort();
    const auto record = orientation::ParseOrientationBuffer(std::span(data, size));
    for (const auto& r : {record, newest}) {
        if (!r) continue;
        for (const orientation::Field& f : {r->pitch, r->roll, r->distance})
            if (!f.valid && f.value != 0.0) std::abort();
        if (r->pitch.valid && !orientation::PitchUsable(r->pitch.value)) std::abort();
        if (r->roll.valid && !orientation::RollUsable(r->roll.value)) std::abort();
        ApplyOrientationRecord(doc, *r, clock += 0.1);
        TakeOrientationAt(doc, clock + 0.05);
    }
    return 0;
}
