// What a crew says about a survey: which pipe, between which nodes, who
// measured it and how its scale was checked. Kept beside the recording as
// FILE.survey.json (the file itself is read and written by
// survey/SurveyFile.h, which needs Qt's JSON); this is the plain value every
// output takes, so the converter's outputs and the report need no Qt for it.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace survey {

inline constexpr const char* kSurveyFormat = "tubescan-survey/1";

// Easting, northing and invert elevation of a node, in the units of `crs`.
struct NodeCoordinates {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

// A check of the range scale in a ring or pipe of certified inside diameter.
struct Calibration {
    std::string date;                // "YYYY-MM-DD" of the check
    std::string time;                // "HH:MM:SS"
    double certifiedDiameterM = 0.0; // certified_diameter_m
    double measuredDiameterM = 0.0;  // measured_diameter_m
    double errorPct = 0.0;           // error_pct: (measured - certified) / certified, %
    double spreadPct = 0.0;          // spread_pct: standard deviation between revolutions, %
    int revolutions = 0;             // revolutions
    double speedBeforeMps = 0.0;     // speed_before_mps
    double speedAfterMps = 0.0;      // speed_after_mps: the speed that makes the mean exact
    double accuracyLimitPct = 0.5;   // accuracy_limit_pct
    double spreadLimitPct = 0.12;    // spread_limit_pct
    bool pass = false;               // pass
};

// Every key of the sidecar. Text fields are empty when not given; numbers and
// flags are unset. The JSON key of each is its name here in snake_case (the
// comment says where it differs).
struct SurveyDetails {
    // Pipe and nodes.
    std::string pipeReference; // pipe_reference
    std::string startNode;     // start_node: the node the survey starts at
    std::string finishNode;    // finish_node
    std::string direction;     // "downstream", "upstream" or empty
    // Place and people.
    std::string location; // street
    std::string town;
    std::string district;
    std::string owner;
    std::string inspector;
    std::string certificate;
    // Inspection.
    std::string purpose;
    std::optional<bool> preCleaned; // pre_cleaned
    std::string weather;
    std::string flowControl; // flow_control
    std::string remarks;
    // The pipe.
    std::string shape; // "circular", "egg", "horseshoe", "rectangular", "other" or empty
    std::optional<double> heightMm; // height_mm
    std::optional<double> widthMm;  // width_mm
    std::string material;
    std::string lining;
    std::optional<double> unitLengthM;      // unit_length_m
    std::optional<double> startNodeDepthM;  // start_node_depth_m
    std::optional<double> finishNodeDepthM; // finish_node_depth_m
    std::optional<int> yearLaid;            // year_laid
    // Measurement.
    std::optional<double> waterTemperatureC; // water_temperature_c
    std::string units;                       // "metric", "imperial" or empty
    std::optional<Calibration> calibration;
    // Where the pipe lies.
    std::optional<NodeCoordinates> startNodeCoordinates;  // start_node_coordinates
    std::optional<NodeCoordinates> finishNodeCoordinates; // finish_node_coordinates
    std::string crs;                                      // "EPSG:25832", or a WKT string

    // Keys this version does not know, each with its value as compact JSON
    // text, written back unchanged when the file is rewritten.
    std::map<std::string, std::string> otherKeys;
};

// --- The rules every way in shares ------------------------------------------
// The file, the converter's --set and the program's dialog accept exactly the
// same values: one table says each key's type, limits and label, so a value
// the dialog takes is one the file keeps and the converter reads back.

enum class KeyType { Text, Choice, Flag, Number, Integer, Coordinates };

struct KeyRule {
    const char* key;   // the JSON name
    const char* label; // what the dialog calls it
    KeyType type;
    bool needed = false;      // a deliverable needs it (pipe, nodes, direction, inspector)
    std::size_t maxChars = 0; // Text: at most this many characters
    bool multiline = false;   // Text: line breaks allowed (remarks only)
    const char* const* choices = nullptr; // Choice: the values, ended by nullptr
    double low = 0.0;                     // Number, Integer: the closed range accepted
    double high = 0.0;
    const char* unit = "";                                                // shown beside the field
    std::string SurveyDetails::*text = nullptr;                           // Text, Choice
    std::optional<bool> SurveyDetails::*flag = nullptr;                   // Flag
    std::optional<double> SurveyDetails::*number = nullptr;               // Number
    std::optional<int> SurveyDetails::*integer = nullptr;                 // Integer
    std::optional<NodeCoordinates> SurveyDetails::*coordinates = nullptr; // Coordinates
};

// Every key a crew fills, in the dialog's order (format and calibration are
// the program's own and are not in it).
std::span<const KeyRule> SurveyKeyRules();
const KeyRule* FindSurveyKey(std::string_view key);

// Coordinates are kept within this magnitude in any unit: beyond it they are
// not a place on any map.
inline constexpr double kMaxCoordinate = 1e9;

// Why a text value is refused for the key (empty: accepted). Counts
// characters, not bytes; refuses invalid UTF-8 and control characters (line
// breaks only where the key allows them) and, for a choice, anything not
// among its values. Empty text is always accepted: the key is then unset.
std::string CheckText(const KeyRule& rule, std::string_view value);
// Why a number is refused for the key (empty: accepted): outside the key's
// range, not finite, or not whole for an integer key.
std::string CheckNumber(const KeyRule& rule, double value);
std::string CheckCoordinates(const NodeCoordinates& c);
// The first value in details a rule refuses, as `key: reason` (empty: none).
std::string CheckDetails(const SurveyDetails& details);

// The keys marked needed that are empty, in table order.
std::vector<const KeyRule*> MissingNeeded(const SurveyDetails& details);

// A key's value as the dialog and --set write it ("" when unset; a flag as
// "true"/"false"; coordinates as "x,y,z"), and back. SetKeyText stores text
// into details if the rule accepts it (surrounding blanks aside; empty text
// unsets the key) and otherwise returns why and leaves details alone.
std::string KeyText(const SurveyDetails& details, const KeyRule& rule);
std::string SetKeyText(SurveyDetails& details, const KeyRule& rule, std::string_view text);

// Whether bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view bytes);
// The offset of the first byte that is not, or npos.
std::size_t InvalidUtf8At(std::string_view bytes);

// FILE.31l -> FILE.survey.json: the recording's path with its last four
// characters (".31l", any case) replaced; any other name gets
// ".survey.json" added.
std::string SidecarPath(const std::string& recordingPath);

// Whether a survey is reported in feet and inches.
inline bool IsImperial(const SurveyDetails& d) {
    return d.units == "imperial";
}

} // namespace survey
