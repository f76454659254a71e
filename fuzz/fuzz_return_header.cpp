// Any bytes as a return header, decoded with fresh settings and running
// values per input, then processed into a small image: decoded or rejected,
// every derived value finite and in range, every pixel write inside the image.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ping/PingProcessor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TrigTables trig;
    static const CSonarBitmap colours;
    if (size < 1) return 0;
    PingSettings settings;
    settings.playback = data[0] & 1;
    settings.sonarUpDown = (data[0] >> 1) & 1;
    settings.zeroUpDown = (data[0] >> 2) & 1;
    settings.xdcrFwdAft = (data[0] >> 3) & 1;
    settings.rollCorrection = (data[0] >> 4) & 1;
    settings.profileDispMode = (data[0] >> 5) & 1;
    settings.pointSize = (data[0] >> 6) & 3;
    settings.imageRadius = 40;
    ++data;
    --size;
    headproto::ReturnHeaderBytes bytes{};
    std::copy_n(data, std::min(size, bytes.size()), bytes.begin());

    PingRunning running;
    const DecodedReturn ping = DecodeReturn(bytes, settings, running);
    if (!ping.accepted) return 0;
    // Head positions beyond one turn are wrapped only once, so the angle may
    // lie far outside 0..360 (either sign with an inverted head); whoever
    // looks it up in a table must reduce it first. It must stay finite.
    if (!std::isfinite(ping.beamAngle) || std::fabs(ping.beamAngle) > 2400.0) std::abort();
    if (ping.pitch < -90.0 || ping.pitch > 90.0 || ping.roll < -90.0 || ping.roll > 90.0)
        std::abort();
    if (ping.rangeIndex < 0 || ping.rangeIndex > 9) std::abort();
    // Whatever the head packed, the encoder packs back to the same fields.
    if (!(headproto::DecodeReturnHeaderFields(headproto::EncodeReturnHeader(ping.header)) ==
          ping.header))
        std::abort();

    // The samples after the header, drawn into an image sized to the picture.
    EchoLine samples{};
    if (size > bytes.size())
        std::copy_n(data + bytes.size(), std::min(size - bytes.size(), samples.size()),
                    samples.begin());
    EchoLines lines{};
    ProfileHistory profile{};
    int restart = 1;
    PointOffset offset;
    PingHistory history{lines, profile, restart, offset};
    std::vector<std::uint8_t> image(80 * 80 * 3);
    const ImageView view{image.data(), image.size(), 80, 80};
    const ProfilePoint point = ProcessPing(ping, settings, samples, history, trig, colours, &view);
    if (!std::isfinite(point.distance) || !std::isfinite(point.bearing)) std::abort();
    return 0;
}
