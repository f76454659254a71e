// Recordings made in code: a pipe survey of N pings written as the program
// records them, with the variations a converted survey has to survive.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "doc/RecordBinding.h"
#include "doc/TubescanDoc.h"
#include "format/RecordFormat.h"

namespace survey {

struct Shape {
    int rangeIndex = 4;       // 0..9, or -1 to step through all ten ranges
    bool orientation = false; // orientation sensor values in the records
    int zeroUpDown = 0;
    int xdcrFwdAft = 0;
    bool oddDates = false; // year-since-1900 dates and fraction milliseconds
    // The head turns clockwise without end (a full circle every 171.4 pings)
    // rather than sweeping 540 degrees and jumping back.
    bool fullCircles = false;
};

// Record i of a survey: the head sweeps the full circle in 0.3-degree steps
// while the wall distance wanders, so every range and bearing gets used.
inline record::Record MakeRecord(CTubescanDoc& d, std::uint32_t i, const Shape& shape) {
    using namespace headproto;
    const int rangeIndex = shape.rangeIndex >= 0 ? shape.rangeIndex : static_cast<int>(i / 7 % 10);
    d.SetCommandByte(kCmdRangeCode, static_cast<std::uint8_t>(kRangeCodes[rangeIndex]));
    d.SetCommandByte(kCmdGain, static_cast<std::uint8_t>(i % 41));
    d.Settings().m_xdcrFwdAft = shape.xdcrFwdAft;
    d.Settings().m_zeroUpDown = shape.zeroUpDown;
    d.Run().m_scanDirection = static_cast<int>(i / 600 % 2);
    d.Run().m_trainBearing = static_cast<int>(i % 121) * 3;
    d.Run().m_pingPeriod = 25.0 + i % 10;
    d.Settings().m_enablePRDInput = shape.orientation ? 1 : 0;
    d.SetSensors({.pitch = -3.5 + (i % 70) * 0.1,
                  .roll = 12.25 - (i % 50) * 0.5,
                  .distance = 100.0 + i * 0.0125,
                  .pitchValid = 1,
                  .rollValid = 1,
                  .distanceValid = 1});

    char text[32];
    const std::uint32_t ms = i * 37;
    std::snprintf(text, sizeof text, "%02u-MAR-2026", 1 + ms / 86400000 % 28);
    d.Frame().m_date = text;
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", ms / 3600000 % 24, ms / 60000 % 60,
                  ms / 1000 % 60);
    d.Frame().m_time = text;
    std::snprintf(text, sizeof text, "%03u", ms % 1000);
    d.Frame().m_millis = text;

    headproto::ReturnHeader h;
    h.signature[1] = i % 97 == 5 ? 'Q' : 'M'; // now and then a ping the head garbled
    h.headPosition = static_cast<int>(i * 7 % (shape.fullCircles ? 1200 : 1800));
    h.scanDirection = static_cast<int>(i / 600 % 2);
    h.rangeCode = d.Command()[kCmdRangeCode];
    h.profileRange = 40 + static_cast<int>((i * 131) % 900); // 0.5 mm units
    h.rollRaw = static_cast<std::uint16_t>(0x8000 | ((i * 13) % 600));
    h.pitchRaw = static_cast<std::uint16_t>(0x8000 | (16384 - (i * 7) % 300));
    d.Frame().m_reply.header = headproto::EncodeReturnHeader(h);
    for (std::size_t k = 0; k < 250; ++k)
        d.Frame().m_reply.samples[k] = static_cast<std::uint8_t>((k * 3 + i) % 200);

    record::Record r = record::BuildRecord(d);
    if (shape.oddDates) {
        if (i % 3 == 1) std::memcpy(&r[8], "07-MAR-19126", 12); // years since 1900
        if (i % 4 == 2) std::memcpy(&r[29], ".12\0", 4);        // fraction of a second
        if (i % 5 == 3) std::memcpy(&r[29], " 7 ", 3);          // spaces for zeros
    }
    return r;
}

// Writes count records; returns false when the file could not be written.
inline bool WriteFile(const std::string& path, std::uint32_t count, const Shape& shape) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    CTubescanDoc d;
    bool ok = true;
    for (std::uint32_t i = 0; i < count && ok; ++i) {
        const auto r = MakeRecord(d, i, shape);
        ok = std::fwrite(r.data(), 1, r.size(), f) == r.size();
    }
    return std::fclose(f) == 0 && ok;
}

// 600 records with orientation, record 300's distance glitched to 1e9 m (a
// reading no carrier can reach, as a damaged odometer gives).
inline bool WriteFarGlitchFile(const std::string& path) {
    if (!WriteFile(path, 600, {.orientation = true})) return false;
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    if (!f) return false;
    const float far = 1.0e9f;
    const bool ok =
        std::fseek(f, 300 * 512 + 109, SEEK_SET) == 0 && std::fwrite(&far, sizeof far, 1, f) == 1;
    return std::fclose(f) == 0 && ok;
}

} // namespace survey
