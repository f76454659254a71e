// Any bytes as a survey-details file: read, and when accepted written out and
// read again, never crashing, and never writing what it would then refuse or
// read back differently.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "survey/SurveyFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const survey::LoadResult first = survey::ParseSurveyJson(bytes, "fuzz.survey.json");
    if (!first.error.empty()) return 0;
    std::string why;
    const auto json = survey::SurveyJson(first.details, why);
    if (!json) std::abort(); // accepted details must be writable
    const survey::LoadResult again = survey::ParseSurveyJson(*json, "again.survey.json");
    if (!again.error.empty()) std::abort();
    for (const survey::KeyRule& rule : survey::SurveyKeyRules())
        if (survey::KeyText(first.details, rule) != survey::KeyText(again.details, rule))
            std::abort();
    if (first.details.otherKeys != again.details.otherKeys) std::abort();
    return 0;
}
