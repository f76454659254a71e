#include "doc/PlaybackJump.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "doc/RecordIndex.h"
#include "doc/TubescanDoc.h"
#include "format/NumberText.h"

namespace {

std::optional<double> Number(std::string_view t) {
    double v = 0.0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

// A time of day as asked: the thousandths only where there are any, so a
// place a few milliseconds after a whole second is not named by the second.
std::string TimeOfDayText(double seconds) {
    char text[32];
    const long long ms = std::llround(std::fmod(seconds, 86400.0) * 1000.0);
    const int n = std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", ms / 3600000,
                                ms / 60000 % 60, ms / 1000 % 60);
    if (ms % 1000 != 0) std::snprintf(text + n, sizeof text - n, ".%03lld", ms % 1000);
    return text;
}

std::string PlaceText(const GoToTarget& target, units::System system) {
    if (target.isTime) return TimeOfDayText(target.value);
    const units::Quantity q = units::Convert(target.value, units::Kind::Distance, system);
    // Beyond any pipe, two decimals would be hundreds of digits: the number
    // in short, always with its unit.
    if (std::fabs(q.value) < 1e9)
        return units::Text(target.value, units::Kind::Distance, system, 2);
    char text[64];
    std::snprintf(text, sizeof text, "%.6g %s", q.value, q.unit);
    return text;
}

GoToOutcome OutcomeOf(playindex::Found found) {
    switch (found) {
    case playindex::Found::Scan:
        return GoToOutcome::Jumped;
    case playindex::Found::PastEnd:
        return GoToOutcome::PastEnd;
    case playindex::Found::NoValues:
        return GoToOutcome::NoValues;
    case playindex::Found::BeforeStart:
        return GoToOutcome::BeforeStart;
    case playindex::Found::NotYet:
        break;
    }
    return GoToOutcome::StillIndexing;
}

} // namespace

std::optional<GoToTarget> ParseGoToTarget(std::string_view text, units::System system) {
    text = Trim(text);
    if (text.empty()) return std::nullopt;
    if (text.find(':') == std::string_view::npos) {
        const auto v = Number(text);
        if (!v) return std::nullopt;
        return GoToTarget{false, units::ToMetric(*v, units::Kind::Distance, system)};
    }
    // hh:mm or hh:mm:ss(.fff)
    const std::size_t c1 = text.find(':');
    const std::size_t c2 = text.find(':', c1 + 1);
    const auto h = Number(text.substr(0, c1));
    const auto m =
        Number(text.substr(c1 + 1, c2 == std::string_view::npos ? text.npos : c2 - c1 - 1));
    const auto s =
        c2 == std::string_view::npos ? std::optional<double>(0.0) : Number(text.substr(c2 + 1));
    if (!h || !m || !s) return std::nullopt;
    const bool whole = *h == std::floor(*h) && *m == std::floor(*m);
    if (!whole || *h < 0 || *h > 23 || *m < 0 || *m > 59 || *s < 0 || *s >= 60) return std::nullopt;
    return GoToTarget{true, *h * 3600.0 + *m * 60.0 + *s};
}

std::string GoToMessage(const GoToResult& result, const GoToTarget& target, units::System system) {
    const std::string place = PlaceText(target, system);
    switch (result.outcome) {
    case GoToOutcome::Jumped:
        return {};
    case GoToOutcome::NotPlaying:
        return "Go To works in playback: open a recording first.";
    case GoToOutcome::Converting:
        return "The recording is being converted; Go To is available when the conversion ends.";
    case GoToOutcome::StillIndexing:
        return "The recording is still being read (" + std::to_string(result.indexPercent) +
               "%) and " + place + " is not in the part read so far. Please try again shortly.";
    case GoToOutcome::PastEnd:
        return "The recording ends before " + place + ". Playback stays where it was.";
    case GoToOutcome::BeforeStart:
        return "The recording starts after " + place +
               (std::isfinite(result.time) ? ", at " + TimeOfDayText(result.time) : std::string()) +
               ", and does not run into the next day. Playback stays where it was.";
    case GoToOutcome::NoValues:
        return target.isTime
                   ? "The recording carries no readable times. Playback stays where it was."
                   : "The recording carries no distances along the pipe. Playback stays "
                     "where it was.";
    }
    return {};
}

// --- the document's side ---------------------------------------------------------

void CTubescanDoc::StartPlaybackIndex() {
    if (m_run.m_playback == 1) m_play.StartIndex();
}

const playindex::RecordIndex* CTubescanDoc::PlaybackIndex() const {
    return m_play.Index();
}

GoToResult CTubescanDoc::GoToDistance(double metres) {
    const auto* index = PlaybackIndex();
    if (m_run.m_playback != 1 || !m_play.file.IsOpen() || !index) return {};
    return JumpToPlace(index->FindDistance(metres));
}

GoToResult CTubescanDoc::GoToTime(double secondsOfDay) {
    const auto* index = PlaybackIndex();
    if (m_run.m_playback != 1 || !m_play.file.IsOpen() || !index) return {};
    return JumpToPlace(index->FindTime(secondsOfDay));
}

GoToResult CTubescanDoc::JumpToPlace(const playindex::Place& place) {
    GoToResult r;
    r.outcome = OutcomeOf(place.found);
    if (m_outputs.Converting()) r.outcome = GoToOutcome::Converting;
    if (r.outcome != GoToOutcome::Jumped) {
        if (r.outcome == GoToOutcome::BeforeStart) r.time = place.at.time;
        r.indexPercent = m_play.index ? m_play.index->Index().Percent() : 0;
        return r;
    }
    // The operator came to look at this place: playback holds on it, as
    // after a single frame step, until they play on.
    m_play.StopClock();
    m_play.oneFrame = 1;
    m_outputs.RestartSamples();

    // A clean picture of the one scan, drawn by the ordinary playback of its
    // records.
    ClearImage();
    ResetPingHistory();
    m_run.m_pingCount = 0;
    m_play.file.Seek(place.offset);
    while (m_play.file.Position() < place.endOffset) {
        const std::uint64_t before = m_play.file.Position();
        ReadNextRecord();
        ++r.records;
        if (m_play.file.Position() <= before) break; // the end of the file: playback went round
    }
    m_play.playPosition = m_play.file.Position();
    RefreshWindows(false);
    r.distance = place.at.distance;
    r.time = place.at.time;
    return r;
}
