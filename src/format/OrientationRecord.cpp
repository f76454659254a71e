#include "format/OrientationRecord.h"

#include <algorithm>
#include <cmath>

namespace orientation {

namespace {

bool IsDigit(std::uint8_t c) {
    return c >= '0' && c <= '9';
}

// "sign, intDigits digits, '.', fracDigits digits" starting at `at` of the
// record. The value is the integer of all digits divided by a power of ten:
// both are exact, so the division rounds once, like reading the text would.
Field ParseField(std::span<const std::uint8_t, kRecordLength> r, std::size_t at, int intDigits,
                 int fracDigits) {
    const std::uint8_t sign = r[at];
    if (sign != '+' && sign != '-') return {};
    long digits = 0;
    std::size_t p = at + 1;
    for (int i = 0; i < intDigits; ++i, ++p) {
        if (!IsDigit(r[p])) return {};
        digits = digits * 10 + (r[p] - '0');
    }
    if (r[p++] != '.') return {};
    double scale = 1.0;
    for (int i = 0; i < fracDigits; ++i, ++p) {
        if (!IsDigit(r[p])) return {};
        digits = digits * 10 + (r[p] - '0');
        scale *= 10.0;
    }
    const double value = static_cast<double>(digits) / scale;
    return Field{sign == '-' ? -value : value, true};
}

// The three fields, an angle out of its range taken as no reading (a
// garbled "+99.9" pitch or "+999.9" roll is still made of digits).
Record ParseRecord(std::span<const std::uint8_t, kRecordLength> r) {
    Record out;
    out.pitch = ParseField(r, 6, 2, 1);
    out.roll = ParseField(r, 16, 3, 1);
    out.distance = ParseField(r, 27, 4, 2);
    if (!PitchUsable(out.pitch.value)) out.pitch = {};
    if (!RollUsable(out.roll.value)) out.roll = {};
    if (!DistanceUsable(out.distance.value)) out.distance = {};
    return out;
}

} // namespace

std::optional<Record> ParseOrientationBuffer(std::span<const std::uint8_t> bytes) {
    const auto dollar = std::find(bytes.begin(), bytes.end(), std::uint8_t{'$'});
    if (dollar == bytes.end()) return std::nullopt;
    const auto start = static_cast<std::size_t>(dollar - bytes.begin());
    // Only bytes that were really read count: a "$" near the end of the read
    // starts a record whose rest has not arrived.
    if (bytes.size() - start < kRecordLength) return std::nullopt;
    const std::span<const std::uint8_t, kRecordLength> r =
        bytes.subspan(start).first<kRecordLength>();
    if (std::find(r.begin(), r.end(), std::uint8_t{0}) != r.end()) return std::nullopt;

    return ParseRecord(r);
}

std::optional<Record> ParseNewestOrientationRecord(std::span<const std::uint8_t> bytes,
                                                   std::size_t* end) {
    if (bytes.size() < kRecordLength) return std::nullopt;
    for (std::size_t start = bytes.size() - kRecordLength + 1; start-- > 0;) {
        if (bytes[start] != '$') continue;
        if (end) *end = start + kRecordLength;
        const std::span<const std::uint8_t, kRecordLength> r =
            bytes.subspan(start).first<kRecordLength>();
        if (std::find(r.begin(), r.end(), std::uint8_t{0}) != r.end()) return std::nullopt;
        return ParseRecord(r);
    }
    return std::nullopt;
}

namespace {

// The sensor reads in centimetres, and a poll's reply can arrive a little
// early or late: a step within this of what the carrier can do is travel.
constexpr double kStepSlack = 0.05;

void Push(double seconds, double value, int& count, double& t0, double& v0, double& t1,
          double& v1) {
    t0 = t1;
    v0 = v1;
    t1 = seconds;
    v1 = value;
    count = std::min(count + 1, 2);
}

bool StepPossible(double fromT, double fromV, double t, double v, double topSpeed) {
    const double elapsed = std::max(0.0, t - fromT);
    return std::abs(v - fromV) <= topSpeed * elapsed + kStepSlack;
}

} // namespace

bool Track::Add(double seconds, const Record& record, double topSpeed) {
    if (!std::isfinite(seconds)) return true;
    const Field* fields[3] = {&record.pitch, &record.roll, &record.distance};
    bool distanceTaken = true;
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        if (!fields[i]->valid) continue;
        if (i == Distance) {
            distanceTaken = TakeDistance(seconds, fields[i]->value, topSpeed);
            continue;
        }
        Readings& r = m_fields[i];
        Push(seconds, fields[i]->value, r.count, r.t0, r.v0, r.t1, r.v1);
    }
    return distanceTaken;
}

bool Track::TakeDistance(double seconds, double value, double topSpeed) {
    if (!(topSpeed > 0.0) || !std::isfinite(topSpeed)) topSpeed = kDefaultCarrierTopSpeed;
    Readings& r = m_fields[Distance];
    if (r.count == 0 || StepPossible(r.t1, r.v1, seconds, value, topSpeed)) {
        Push(seconds, value, r.count, r.t0, r.v0, r.t1, r.v1);
        m_jump = {};
        return true;
    }
    // A glitch comes and goes; a counter set to a new value stays there and
    // moves on from it at the carrier's pace.
    if (m_jump.active && StepPossible(m_jump.t, m_jump.v, seconds, value, topSpeed)) {
        m_jump.t = seconds;
        m_jump.v = value;
        if (seconds - m_jump.since >= kRelevelSeconds) {
            // Start afresh: running from the old level to the new one would
            // pass through distances the head never was at.
            r = Readings{seconds, value, seconds, value, 1};
            m_jump = {};
            return true;
        }
    } else {
        m_jump = {seconds, seconds, value, true};
    }
    return false;
}

Field Track::At(double seconds, Which which) const {
    const Readings& r = m_fields[static_cast<std::size_t>(which)];
    if (r.count == 0) return {};
    const double interval = r.t1 - r.t0;
    if (r.count < 2 || !(interval > 0.0) || !std::isfinite(seconds)) return {r.v1, true};
    // Carrying a value on past the newest reading overshoots whenever the
    // head stops or a reading's noise is taken for a turn (a 10 degree step
    // read 20, a stopped head read 4 cm on and then went back). The angles
    // are held at their newest reading; the distance, which must move with
    // the pings to place them along the pipe, runs over the interval after
    // the newest reading from the one before to it.
    const double from = which == Distance ? r.t1 : r.t0;
    const double u = std::clamp((seconds - from) / interval, 0.0, 1.0);
    return {r.v0 + (r.v1 - r.v0) * u, true};
}

Field Track::Newest(Which which) const {
    const Readings& r = m_fields[static_cast<std::size_t>(which)];
    if (r.count == 0) return {};
    return {r.v1, true};
}

} // namespace orientation
