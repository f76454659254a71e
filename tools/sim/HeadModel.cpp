#include "sim/HeadModel.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kInvertSag = 0.1524; // depth of a horse-shoe's invert arc

double Wrap180(double a) {
    a = std::fmod(a, 360.0);
    if (a > 180.0) a -= 360.0;
    if (a <= -180.0) a += 360.0;
    return a;
}

double Wrap360(double a) {
    a = std::fmod(a, 360.0);
    if (a < 0.0) a += 360.0;
    return a;
}

// Digits of |v| rounded to `decimals` places, zero-padded to `intDigits`
// before the point, with an explicit sign; the field saturates instead of
// growing. Independent of the process locale.
std::string SignedField(double v, int intDigits, int decimals) {
    const double scale = std::pow(10.0, decimals);
    const double limit = std::pow(10.0, intDigits + decimals) - 1.0;
    long long n = std::llround(std::min(std::fabs(v) * scale, limit));
    std::string digits(static_cast<std::size_t>(intDigits + decimals), '0');
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        *it = static_cast<char>('0' + n % 10);
        n /= 10;
    }
    std::string out(1, v < 0.0 && std::fabs(v) * scale >= 0.5 ? '-' : '+');
    out += digits.substr(0, static_cast<std::size_t>(intDigits));
    out += '.';
    out += digits.substr(static_cast<std::size_t>(intDigits));
    return out;
}

} // namespace

int AngleToPosition(double degrees) {
    const int counts = static_cast<int>(std::lround(Wrap360(degrees) / 0.3)) % 1200;
    return (counts + 600) % 1200;
}

std::uint16_t AttitudeWord(double degrees) {
    long v = std::lround(degrees / 0.025);
    v = std::clamp(v, -8191L, 8190L);
    if (v < 0) v += 16384;
    return static_cast<std::uint16_t>(0x8000u | (static_cast<unsigned>(v) & 0x3FFFu));
}

std::string OrientationRecord(double pitch, double roll, double distance) {
    std::string r = "$PRD,P";
    r += SignedField(pitch, 2, 1);
    r += ",ROL,";
    r += SignedField(roll, 3, 1);
    r += ",DST,";
    r += SignedField(distance, 4, 2);
    r += "\r\n";
    return r;
}

HeadModel::HeadModel(const PipeParams& params)
    : m_p(params), m_ovality(params.ovality), m_debrisHeight(params.debrisHeight),
      m_rng(params.seed) {
    MoveTo(params.startAt);
    BuildOutline();
}

void HeadModel::MoveTo(double d) {
    auto at = [d](const std::vector<Stretch>& stretches, double otherwise) {
        for (const Stretch& s : stretches)
            if (d >= std::min(s.from, s.to) && d <= std::max(s.from, s.to)) return s.value;
        return otherwise;
    };
    const double ovality = at(m_p.ovalStretches, m_p.ovality);
    const double debris = at(m_p.debrisStretches, m_p.debrisHeight);
    const double layer = at(m_p.layerStretches, 0.0);
    if (ovality == m_ovality && debris == m_debrisHeight && layer == m_layer) return;
    m_ovality = ovality;
    m_debrisHeight = debris;
    m_layer = layer;
    BuildOutline();
}

void HeadModel::BuildOutline() {
    m_outline.clear();
    const double sx = 1.0 + m_ovality;
    const double sy = 1.0 - m_ovality;
    double bottom = 0.0, top = 0.0;
    if (m_p.shape == PipeShape::Circle) {
        const double r = m_p.diameter / 2.0;
        for (int i = 0; i < 720; ++i) {
            const double a = i * 0.5 * kPi / 180.0;
            m_outline.push_back({r * std::sin(a), r * std::cos(a)});
        }
        bottom = -r;
        top = r;
    } else {
        // Crown: half circle of the width; straight walls; a shallow invert arc.
        const double w = m_p.diameter;
        const double r = w / 2.0;
        const double h = std::max(m_p.height > 0.0 ? m_p.height : w, r + kInvertSag);
        const double y3 = -(h - r - kInvertSag);
        const double rho = w * w / (8.0 * kInvertSag) + kInvertSag / 2.0;
        const double cy = y3 - kInvertSag + rho;
        for (int i = 0; i <= 180; ++i) { // crown, left to right over the top
            const double a = (-90.0 + i) * kPi / 180.0;
            m_outline.push_back({r * std::sin(a), r * std::cos(a)});
        }
        for (int i = 1; i < 20; ++i)
            m_outline.push_back({r, -(-y3) * i / 20.0});
        const double half = std::asin(std::min(1.0, r / rho));
        for (int i = 0; i <= 60; ++i) { // invert, right to left
            const double a = half - 2.0 * half * i / 60.0;
            m_outline.push_back({rho * std::sin(a), cy - rho * std::cos(a)});
        }
        for (int i = 19; i > 0; --i)
            m_outline.push_back({-r, -(-y3) * i / 20.0});
        bottom = y3 - kInvertSag;
        top = r;
    }
    for (auto& p : m_outline) {
        p.x *= sx;
        p.y *= sy;
        if (m_debrisHeight > 0.0 && p.y < 0.0 && std::fabs(p.x) < m_p.debrisWidth / 2.0) {
            const double c = std::cos(kPi * p.x / m_p.debrisWidth);
            p.y += m_debrisHeight * c * c;
        }
    }
    bottom *= sy;
    top *= sy;
    // Sediment settles flat: everything below its surface is cut off.
    if (m_layer > 0.0)
        for (auto& p : m_outline)
            p.y = std::max(p.y, bottom + m_layer);
    m_waterY = m_p.waterLevel >= 1.0 ? 1e9 : bottom + m_p.waterLevel * (top - bottom);
}

double HeadModel::SurfaceRange(double beamDegrees, bool* isWater) const {
    const double a = beamDegrees * kPi / 180.0;
    // A pitched scan plane cuts the pipe obliquely: per metre of range the
    // beam climbs only cos(pitch) in the pipe's cross-section.
    const double dx = std::sin(a), dy = std::cos(a) * std::cos(m_tilt * kPi / 180.0);
    const double hx = m_p.offsetX, hy = m_p.offsetY;
    double best = -1.0;
    bool water = false;
    const std::size_t n = m_outline.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Point& p = m_outline[i];
        const Point& q = m_outline[(i + 1) % n];
        const double ex = q.x - p.x, ey = q.y - p.y;
        const double den = dx * ey - dy * ex;
        if (std::fabs(den) < 1e-12) continue;
        const double wx = p.x - hx, wy = p.y - hy;
        const double t = (wx * ey - wy * ex) / den;
        const double u = (wx * dy - wy * dx) / den;
        if (t > 1e-9 && u >= 0.0 && u <= 1.0 && (best < 0.0 || t < best)) best = t;
    }
    // The head looks up at the water surface from below.
    if (hy < m_waterY && dy > 1e-9) {
        const double t = (m_waterY - hy) / dy;
        if (best < 0.0 || t < best) {
            best = t;
            water = true;
        }
    }
    if (isWater) *isWater = water;
    return best;
}

double HeadModel::Pitch(double t) const {
    double pitch =
        m_p.swayPeriod > 0.0 ? m_p.swayPitch * std::sin(2.0 * kPi * t / m_p.swayPeriod) : 0.0;
    const double d = Position(t);
    for (const Stretch& s : m_p.pitchStretches)
        if (d >= std::min(s.from, s.to) && d <= std::max(s.from, s.to)) return pitch + s.value;
    return pitch;
}

double HeadModel::Roll(double t) const {
    return m_p.swayPeriod > 0.0 ? m_p.swayRoll * std::sin(2.0 * kPi * t / m_p.swayPeriod + 1.1)
                                : 0.0;
}

void HeadModel::Step(const headproto::HeadCommand& c) {
    if (c[headproto::kCmdFlags] & headproto::kFlagReverse) m_direction ^= 1;
    const int stepCode = std::max<int>(1, c[headproto::kCmdStepSize]);
    const double step = stepCode * 0.3;
    const double sector = std::min<int>(c[headproto::kCmdSectorWidth], 120) * 3.0;
    const double train = (static_cast<int>(c[headproto::kCmdTrain]) - 60) * 3.0;
    const double sign = m_direction ? 1.0 : -1.0;
    if (sector >= 360.0) {
        m_angle = Wrap360(m_angle + sign * step);
        return;
    }
    // Sweep within the sector and turn at its edges; a head left outside a
    // new sector comes back to its nearer edge.
    const double half = sector / 2.0;
    double rel = Wrap180(m_angle - train) + sign * step;
    if (rel > half) {
        rel = half;
        m_direction = 0;
    } else if (rel < -half) {
        rel = -half;
        m_direction = 1;
    }
    m_angle = Wrap360(train + rel);
}

double HeadModel::ReceiveOffset(const headproto::HeadCommand& c) const {
    // Receive delay of the head's sampling for each range code, microseconds.
    double delay = 0.0;
    switch (c[headproto::kCmdRangeCode]) {
    case 2:
    case 4:
    case 6:
    case 8:
        delay = 21.3;
        break;
    case 10:
        delay = 27.3;
        break;
    case 20:
        delay = 32.6;
        break;
    case 30:
        delay = 34.3;
        break;
    case 40:
    case 50:
    case 60:
        delay = 40.0;
        break;
    default:
        break;
    }
    return std::max(0.0, (c[headproto::kCmdPulseLength] + delay - 10.0) * 1e-6 * kHeadSpeed / 2.0);
}

HeadModel::Record HeadModel::Answer(const headproto::HeadCommand& c, double t) {
    MoveTo(Position(t));
    m_tilt = Pitch(t);
    Step(c);
    Record r{};
    headproto::ReturnHeader header;
    header.headPosition = AngleToPosition(m_angle);
    header.scanDirection = m_direction;
    header.rangeCode = c[headproto::kCmdRangeCode];

    const int index = headproto::RangeCodeToIndex(c[headproto::kCmdRangeCode]);
    const double range = headproto::kRangeTable[static_cast<std::size_t>(index)];
    const double minRange = c[headproto::kCmdProfileMinRange] / 100.0;
    bool water = false;
    // The head times the echo and reports it as if sound travelled at
    // 1500 m/s, whatever the water: slower water reads long.
    const double trueSurface = SurfaceRange(m_angle, &water);
    const double surface =
        trueSurface > 0.0 ? trueSurface * kHeadSpeed / m_p.soundVelocity : trueSurface;
    // The head starts sampling after its pulse and receive delay: its
    // profile range and its samples count from there, not from the face.
    const double blind = ReceiveOffset(c);
    int profile = 0;
    if (surface >= minRange && surface <= range && surface > blind)
        profile = std::min(16383, static_cast<int>(std::lround((surface - blind) * 2000.0)));
    header.profileRange = profile;
    header.rollRaw = AttitudeWord(Roll(t));
    header.pitchRaw = AttitudeWord(Pitch(t));
    const headproto::ReturnHeaderBytes bytes = headproto::EncodeReturnHeader(header);
    std::copy(bytes.begin(), bytes.end(), r.begin());

    // Echo: noise, a peak at the surface as wide as the pulse, cell and beam
    // footprint make it, weaker returns from behind a wall (none from the air
    // above the water line), all attenuated by absorption over both ways.
    const double gain = std::min<int>(c[headproto::kCmdGain], 40);
    const double pulse = kHeadSpeed * c[headproto::kCmdPulseLength] * 1e-6 / 2.0;
    const double cell = range / static_cast<double>(headproto::kEchoSampleCount);
    const double absorption = c[headproto::kCmdAbsorption] / 100.0; // dB per metre
    std::uniform_real_distribution<double> noise(0.0, m_p.noise * (1.0 + gain / 20.0));
    const double peak = 110.0 + 3.5 * gain;
    for (std::size_t i = 0; i < headproto::kEchoSampleCount; ++i) {
        const double ri = blind + (static_cast<double>(i) + 0.5) * cell;
        double v = noise(m_rng);
        if (surface > 0.0) {
            const double sigma =
                std::sqrt(pulse * pulse / 4.0 + cell * cell + 0.0002 * surface * surface);
            const double loss = std::pow(10.0, -absorption * 2.0 * surface / 20.0);
            const double d = ri - surface;
            v += (water ? 1.1 : 1.0) * peak * loss * std::exp(-d * d / (2.0 * sigma * sigma));
            if (!water && d > 0.0) v += 0.35 * peak * loss * std::exp(-d / (0.04 + pulse));
        }
        r[headproto::kReturnHeaderSize + i] =
            static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
    }
    r[headproto::kReturnRecordSize - 1] = 0xFC;
    return r;
}

} // namespace sim
