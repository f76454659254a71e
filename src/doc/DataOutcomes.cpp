#include "doc/DataOutcomes.h"

std::string PlaybackOpenMessage(PlaybackOpen outcome) {
    switch (outcome) {
    case PlaybackOpen::Opened:
        return {};
    case PlaybackOpen::NotRecording:
        return "ERROR: Application can not recognize this file type!";
    case PlaybackOpen::Unreadable:
        return "Error opening file !   ";
    case PlaybackOpen::NoRecords:
        return "File has no data!!!  ";
    }
    return {};
}

std::string ConversionEndMessage(ConversionEnd outcome, const std::string& xyzPath) {
    switch (outcome) {
    case ConversionEnd::Finished:
        return "Conversion Complete!";
    case ConversionEnd::WriteFailed:
        return "Error Writing XYZ File!\n" + xyzPath + " is incomplete.";
    case ConversionEnd::CutShort:
        return "Conversion to " + xyzPath + " stopped before the end of its data file.";
    }
    return {};
}
