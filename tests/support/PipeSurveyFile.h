// Recordings made in code from the simulated head's replies in a pipe, the
// distance along the pipe in the records' orientation fields, as the program
// records them. Free of the test framework so the benches write them too.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "doc/RecordBinding.h"
#include "doc/TubescanDoc.h"
#include "format/RecordFormat.h"
#include "sim/HeadModel.h"

namespace pipesurvey {

inline constexpr double kPingPeriod = 0.05; // seconds

inline headproto::HeadCommand Command(int sectorCode, int rangeIndex) {
    headproto::HeadCommand c = headproto::kInitialCommand;
    c[headproto::kCmdSectorWidth] = static_cast<std::uint8_t>(sectorCode);
    c[headproto::kCmdTrain] = 60;
    c[headproto::kCmdStepSize] = 3; // 0.9 degrees
    c[headproto::kCmdRangeCode] = static_cast<std::uint8_t>(headproto::kRangeCodes[rangeIndex]);
    return c;
}

// A recording of `pings` pings of the simulated head in the pipe; every
// `garbledEvery`th record (when not 0) has a garbled distance field, recorded
// the way the program records one (0, its flag cleared). False when the file
// could not be written. The program recording it is set to soundVelocity.
inline bool WriteSurveyFile(const std::string& path, const sim::PipeParams& pipe, int pings,
                            int sectorCode = 120, int rangeIndex = 4, int garbledEvery = 0,
                            double soundVelocity = 1500.0) {
    sim::HeadModel head(pipe);
    const headproto::HeadCommand command = Command(sectorCode, rangeIndex);
    CTubescanDoc d;
    for (std::size_t i = 0; i < command.size(); ++i)
        d.SetCommandByte(static_cast<headproto::CommandByte>(i), command[i]);
    d.Settings().m_xdcrFwdAft = 1; // the head looking forward: bearings not mirrored
    d.Settings().m_enablePRDInput = 1;
    d.Settings().m_soundVelocity = soundVelocity;
    d.SetSensors({.distanceValid = 1});
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = true;
    for (int i = 0; i < pings && ok; ++i) {
        const double t = i * kPingPeriod;
        const auto reply = head.Answer(command, t);
        std::copy_n(reply.begin(), 32, d.Frame().m_reply.header.begin());
        std::copy_n(reply.begin() + 32, 250, d.Frame().m_reply.samples.begin());
        const bool garbled = garbledEvery > 0 && i % garbledEvery == garbledEvery - 1;
        ExternalSensors sensors = d.Sensors();
        sensors.distance = garbled ? 0.0 : head.Distance(t);
        sensors.distanceValid = garbled ? 0 : 1;
        d.SetSensors(sensors);
        const int ms = static_cast<int>(std::lround(t * 1000.0)) + 9 * 3600000;
        char text[16];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", ms / 3600000, ms / 60000 % 60,
                      ms / 1000 % 60);
        d.Frame().m_date = "07-MAR-2026";
        d.Frame().m_time = text;
        d.Frame().m_millis = std::to_string(1000 + ms % 1000).substr(1);
        const record::Record r = record::BuildRecord(d);
        ok = std::fwrite(r.data(), 1, r.size(), f) == r.size();
    }
    return std::fclose(f) == 0 && ok;
}

} // namespace pipesurvey
