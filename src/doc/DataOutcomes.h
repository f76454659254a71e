// What opening a recording for playback and converting one came to, as
// values: the program acts on these and makes its messages from them.
#pragma once

#include <string>

enum class PlaybackOpen {
    Opened,
    NotRecording, // the name is not a ".31l" name
    Unreadable,   // the file could not be opened
    NoRecords,    // too short to hold a record
};

enum class ConversionEnd {
    Finished,    // the whole file was converted and the .xyz closed cleanly
    WriteFailed, // the .xyz could not be written completely
    CutShort,    // the playback was replaced or stopped before its end
};

// The operator's message for a refused playback file (empty for Opened).
std::string PlaybackOpenMessage(PlaybackOpen outcome);
// The operator's message for the end of a conversion to xyzPath.
std::string ConversionEndMessage(ConversionEnd outcome, const std::string& xyzPath);
