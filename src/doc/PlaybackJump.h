// Going to a place in the playback file: a distance along the pipe or a time
// of day. Every view that names a place (the Go To dialog, the condition
// plot and its findings, the pipe's map and 3D view) calls the document's
// GoToDistance / GoToTime and shows the outcome's message when there is one.
#pragma once

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "format/UnitsText.h"

enum class GoToOutcome {
    Jumped,        // the scan is drawn; playback holds there
    NotPlaying,    // no playback file is open
    Converting,    // a conversion is reading the file
    StillIndexing, // the place is not in the part of the file read so far
    PastEnd,       // the recording ends before the place
    NoValues,      // the recording carries no distances (or no times)
    BeforeStart,   // the time of day is before the recording starts (time: its start)
};

struct GoToResult {
    GoToOutcome outcome = GoToOutcome::NotPlaying;
    // Where the drawn scan begins (Jumped): metres (NaN when the records
    // carry none) and seconds as analysis::StampSeconds gives them.
    double distance = std::numeric_limits<double>::quiet_NaN();
    double time = std::numeric_limits<double>::quiet_NaN();
    std::size_t records = 0; // records drawn
    int indexPercent = 0;    // how much of the file had been read (StillIndexing)
};

// What the entry of the Go To dialog asks for.
struct GoToTarget {
    bool isTime = false;
    double value = 0.0; // metres, or seconds after midnight
};

// "237.4" is a distance along the pipe in the survey's units (feet for an
// imperial survey, else metres); "14:03" or "14:03:22.5" is a time of day.
// Anything else: nullopt.
std::optional<GoToTarget> ParseGoToTarget(std::string_view text, units::System system);

// The operator's message for an outcome other than Jumped; the place is
// written back as asked (target in the same units).
std::string GoToMessage(const GoToResult& result, const GoToTarget& target, units::System system);
