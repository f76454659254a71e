// Reading and writing FILE.survey.json (UTF-8 JSON through Qt Core's
// QJsonDocument). Io floor: the converter and the program share it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "format/SurveyDetails.h"

namespace survey {

// The outcome of reading a sidecar. A missing file is not an error: present
// is false and details are empty. A file that cannot be used (not JSON, wrong
// types, over 1 MiB, invalid UTF-8) gives an error naming the file and, where
// one is to blame, the key; details are then empty too.
struct LoadResult {
    bool present = false;
    SurveyDetails details;
    std::string error;
};

LoadResult LoadSurveyFile(const std::string& path);

// A sidecar is a page of text; anything larger is not one.
inline constexpr std::size_t kMaxSurveyFileBytes = 1u << 20;
// Objects and arrays nested deeper than this (in keys the program keeps but
// does not know) are refused before the JSON parser sees them.
inline constexpr int kMaxSurveyNesting = 64;

// The bytes of a sidecar, as LoadSurveyFile reads them; `name` is the file
// the messages name. present is always true.
LoadResult ParseSurveyJson(std::string_view bytes, const std::string& name);

// Writes the details whole, through a temporary file beside it and a rename,
// so the file is never half-written; unknown keys are kept. False with the
// reason in why.
bool SaveSurveyFile(const std::string& path, const SurveyDetails& details, std::string& why);

// The text SaveSurveyFile writes (indented UTF-8 JSON), or nothing when a
// rule refuses the details (why says which).
std::optional<std::string> SurveyJson(const SurveyDetails& details, std::string& why);

// One KEY=VALUE of the converter's --set, with the same type checks as the
// file (coordinates as "x,y,z"). Returns the reason it was refused, or empty.
std::string SetSurveyKey(SurveyDetails& details, std::string_view key, std::string_view value);

} // namespace survey
