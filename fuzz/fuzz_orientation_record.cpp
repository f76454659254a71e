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
    const auto record = orientation::ParseOrientationBuffer(std::span(data, size));
    if (!record) return 0;
    for (const orientation::Field& f : {record->pitch, record->roll, record->distance})
        if (!f.valid && f.value != 0.0) std::abort();
    ApplyOrientationRecord(doc, *record);
    return 0;
}
