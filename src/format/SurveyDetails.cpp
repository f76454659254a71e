#include "format/SurveyDetails.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "format/NumberText.h"

namespace survey {

namespace {

using D = SurveyDetails;

constexpr const char* kDirections[] = {"downstream", "upstream", nullptr};
constexpr const char* kShapes[] = {"circular", "egg", "horseshoe", "rectangular", "other", nullptr};
constexpr const char* kUnits[] = {"metric", "imperial", nullptr};

// References are short codes; names fit a line of the report; remarks are a
// paragraph; a CRS may be a whole WKT definition.
constexpr std::size_t kReference = 64;
constexpr std::size_t kName = 100;
constexpr std::size_t kRemarks = 2000;
constexpr std::size_t kCrs = 8192;

KeyRule Text(const char* key, const char* label, std::string D::*member, std::size_t maxChars,
             bool needed = false) {
    KeyRule r{key, label, KeyType::Text};
    r.text = member;
    r.maxChars = maxChars;
    r.needed = needed;
    return r;
}
KeyRule Choice(const char* key, const char* label, std::string D::*member,
               const char* const* choices, bool needed = false) {
    KeyRule r{key, label, KeyType::Choice};
    r.text = member;
    r.choices = choices;
    r.needed = needed;
    return r;
}
KeyRule Number(const char* key, const char* label, std::optional<double> D::*member, double low,
               double high, const char* unit) {
    KeyRule r{key, label, KeyType::Number};
    r.number = member;
    r.low = low;
    r.high = high;
    r.unit = unit;
    return r;
}

const std::vector<KeyRule>& Rules() {
    static const std::vector<KeyRule> rules = [] {
        std::vector<KeyRule> v;
        v.push_back(Text("pipe_reference", "Pipe reference", &D::pipeReference, kReference, true));
        v.push_back(Text("start_node", "Start node", &D::startNode, kReference, true));
        v.push_back(Text("finish_node", "Finish node", &D::finishNode, kReference, true));
        v.push_back(Choice("direction", "Direction", &D::direction, kDirections, true));
        v.push_back(Text("location", "Location (street)", &D::location, kName));
        v.push_back(Text("town", "Town", &D::town, kName));
        v.push_back(Text("district", "District", &D::district, kName));
        v.push_back(Text("owner", "Owner", &D::owner, kName));
        v.push_back(Text("inspector", "Inspector", &D::inspector, kName, true));
        v.push_back(Text("certificate", "Certificate", &D::certificate, kName));
        v.push_back(Text("purpose", "Purpose", &D::purpose, kName));
        KeyRule cleaned{"pre_cleaned", "Pre-cleaned", KeyType::Flag};
        cleaned.flag = &D::preCleaned;
        v.push_back(cleaned);
        v.push_back(Text("weather", "Weather", &D::weather, kName));
        v.push_back(Text("flow_control", "Flow control", &D::flowControl, kName));
        KeyRule remarks = Text("remarks", "Remarks", &D::remarks, kRemarks);
        remarks.multiline = true;
        v.push_back(remarks);
        v.push_back(Choice("shape", "Shape", &D::shape, kShapes));
        v.push_back(Number("height_mm", "Height", &D::heightMm, 50, 10000, "mm"));
        v.push_back(Number("width_mm", "Width", &D::widthMm, 50, 10000, "mm"));
        v.push_back(Text("material", "Material", &D::material, kName));
        v.push_back(Text("lining", "Lining", &D::lining, kName));
        v.push_back(Number("unit_length_m", "Unit length", &D::unitLengthM, 0.1, 100, "m"));
        v.push_back(
            Number("start_node_depth_m", "Start node depth", &D::startNodeDepthM, 0, 100, "m"));
        v.push_back(
            Number("finish_node_depth_m", "Finish node depth", &D::finishNodeDepthM, 0, 100, "m"));
        KeyRule year{"year_laid", "Year laid", KeyType::Integer};
        year.integer = &D::yearLaid;
        year.low = 1800;
        year.high = 2100;
        v.push_back(year);
        // The fresh-water speed-of-sound equation holds from 0 to 40 degrees.
        v.push_back(Number("water_temperature_c", "Water temperature", &D::waterTemperatureC, 0, 40,
                           "\u00B0C"));
        v.push_back(Choice("units", "Units", &D::units, kUnits));
        KeyRule start{"start_node_coordinates", "Start node x, y, z", KeyType::Coordinates};
        start.coordinates = &D::startNodeCoordinates;
        v.push_back(start);
        KeyRule finish{"finish_node_coordinates", "Finish node x, y, z", KeyType::Coordinates};
        finish.coordinates = &D::finishNodeCoordinates;
        v.push_back(finish);
        v.push_back(Text("crs", "Coordinate system", &D::crs, kCrs));
        return v;
    }();
    return rules;
}

// Blanks around a typed value, line ends included (a value pasted with its
// line), through the program's one Trim.
std::string_view Trimmed(std::string_view s) {
    return Trim(s, " \t\r\n");
}

// A decimal number filling the whole text, nothing else ("1e3" and "-0.5"
// are numbers; "12 m", "0x10", "nan" and "inf" are not).
std::optional<double> ParseDecimal(std::string_view s) {
    s = Trimmed(s);
    if (s.empty()) return std::nullopt;
    double v = 0.0;
    const auto [end, ec] =
        std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::string Figure(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

std::string RangeText(const KeyRule& rule) {
    return "from " + Figure(rule.low) + " to " + Figure(rule.high) +
           (rule.unit[0] ? std::string(" ") + rule.unit : std::string());
}

std::size_t CountChars(std::string_view utf8) {
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

} // namespace

std::span<const KeyRule> SurveyKeyRules() {
    return Rules();
}

const KeyRule* FindSurveyKey(std::string_view key) {
    for (const KeyRule& r : Rules())
        if (key == r.key) return &r;
    return nullptr;
}

bool IsValidUtf8(std::string_view bytes) {
    return InvalidUtf8At(bytes) == std::string_view::npos;
}

std::size_t InvalidUtf8At(std::string_view bytes) {
    const auto* begin = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* p = begin;
    const auto* end = p + bytes.size();
    while (p < end) {
        const unsigned c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more = 0;
        unsigned cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            cp = c & 0x07;
        } else {
            return static_cast<std::size_t>(p - begin);
        }
        if (end - p <= more) return static_cast<std::size_t>(p - begin);
        for (int i = 1; i <= more; ++i) {
            if ((p[i] & 0xC0) != 0x80) return static_cast<std::size_t>(p - begin);
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if ((more == 2 && cp < 0x800) || (more == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return static_cast<std::size_t>(p - begin);
        p += more + 1;
    }
    return std::string_view::npos;
}

std::string CheckText(const KeyRule& rule, std::string_view value) {
    if (value.empty()) return {};
    if (!IsValidUtf8(value)) return "is not valid UTF-8";
    if (rule.type == KeyType::Choice) {
        std::string list;
        for (const char* const* c = rule.choices; *c; ++c) {
            if (value == *c) return {};
            list += list.empty() ? "" : ", ";
            list += std::string("\"") + *c + "\"";
        }
        return "must be one of " + list;
    }
    for (const char c : value) {
        const auto u = static_cast<unsigned char>(c);
        if (u == '\n' || u == '\r' || u == '\t') {
            if (!rule.multiline && u != '\t') return "must be one line";
        } else if (u < 0x20 || u == 0x7F) {
            return "holds a control character";
        }
    }
    if (rule.maxChars && CountChars(value) > rule.maxChars)
        return "is longer than " + std::to_string(rule.maxChars) + " characters";
    return {};
}

std::string CheckNumber(const KeyRule& rule, double value) {
    if (!std::isfinite(value) || value < rule.low || value > rule.high)
        return "must be a number " + RangeText(rule);
    if (rule.type == KeyType::Integer && value != std::floor(value))
        return "must be a whole number " + RangeText(rule);
    return {};
}

std::string CheckCoordinates(const NodeCoordinates& c) {
    for (const double v : {c.x, c.y, c.z})
        if (!std::isfinite(v) || std::fabs(v) > kMaxCoordinate)
            return "must be three numbers x, y, z within " + Figure(kMaxCoordinate);
    return {};
}

std::string CheckDetails(const SurveyDetails& d) {
    for (const KeyRule& r : Rules()) {
        std::string why;
        switch (r.type) {
        case KeyType::Text:
        case KeyType::Choice:
            why = CheckText(r, d.*r.text);
            break;
        case KeyType::Flag:
            break;
        case KeyType::Number:
            if (d.*r.number) why = CheckNumber(r, *(d.*r.number));
            break;
        case KeyType::Integer:
            if (d.*r.integer) why = CheckNumber(r, *(d.*r.integer));
            break;
        case KeyType::Coordinates:
            if (d.*r.coordinates) why = CheckCoordinates(*(d.*r.coordinates));
            break;
        }
        if (!why.empty()) return std::string(r.key) + ": " + why;
    }
    return {};
}

std::vector<const KeyRule*> MissingNeeded(const SurveyDetails& d) {
    std::vector<const KeyRule*> missing;
    for (const KeyRule& r : Rules())
        if (r.needed && KeyText(d, r).empty()) missing.push_back(&r);
    return missing;
}

std::string KeyText(const SurveyDetails& d, const KeyRule& r) {
    switch (r.type) {
    case KeyType::Text:
    case KeyType::Choice:
        return d.*r.text;
    case KeyType::Flag:
        return d.*r.flag ? (*(d.*r.flag) ? "true" : "false") : "";
    case KeyType::Number:
        return d.*r.number ? Figure(*(d.*r.number)) : "";
    case KeyType::Integer:
        return d.*r.integer ? std::to_string(*(d.*r.integer)) : "";
    case KeyType::Coordinates:
        if (!(d.*r.coordinates)) return "";
        const NodeCoordinates& c = *(d.*r.coordinates);
        return Figure(c.x) + "," + Figure(c.y) + "," + Figure(c.z);
    }
    return "";
}

std::string SetKeyText(SurveyDetails& d, const KeyRule& r, std::string_view text) {
    // A multi-line remark keeps its inner line breaks; only the ends are trimmed.
    const std::string_view value = Trimmed(text);
    switch (r.type) {
    case KeyType::Text:
    case KeyType::Choice: {
        std::string why = CheckText(r, value);
        if (!why.empty()) return why;
        d.*r.text = std::string(value);
        return {};
    }
    case KeyType::Flag:
        if (value.empty()) {
            d.*r.flag = std::nullopt;
        } else if (value == "true" || value == "yes" || value == "1") {
            d.*r.flag = true;
        } else if (value == "false" || value == "no" || value == "0") {
            d.*r.flag = false;
        } else {
            return "must be true or false";
        }
        return {};
    case KeyType::Number:
    case KeyType::Integer: {
        if (value.empty()) {
            if (r.type == KeyType::Number)
                d.*r.number = std::nullopt;
            else
                d.*r.integer = std::nullopt;
            return {};
        }
        const std::optional<double> v = ParseDecimal(value);
        if (!v) return "must be a number " + RangeText(r);
        std::string why = CheckNumber(r, *v);
        if (!why.empty()) return why;
        if (r.type == KeyType::Number)
            d.*r.number = *v;
        else
            d.*r.integer = static_cast<int>(*v);
        return {};
    }
    case KeyType::Coordinates: {
        if (value.empty()) {
            d.*r.coordinates = std::nullopt;
            return {};
        }
        double xyz[3] = {};
        std::string_view rest = value;
        for (int i = 0; i < 3; ++i) {
            const std::size_t comma = i < 2 ? rest.find(',') : std::string_view::npos;
            if (i < 2 && comma == std::string_view::npos) return "must be three numbers x,y,z";
            const std::optional<double> v = ParseDecimal(rest.substr(0, comma));
            if (!v) return "must be three numbers x,y,z";
            xyz[i] = *v;
            rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        }
        const NodeCoordinates c{xyz[0], xyz[1], xyz[2]};
        std::string why = CheckCoordinates(c);
        if (!why.empty()) return why;
        d.*r.coordinates = c;
        return {};
    }
    }
    return "is not a key the program knows";
}

std::string SidecarPath(const std::string& recordingPath) {
    const std::size_t n = recordingPath.size();
    if (n >= 4 && recordingPath[n - 4] == '.' && recordingPath[n - 3] == '3' &&
        recordingPath[n - 2] == '1' && (recordingPath[n - 1] == 'l' || recordingPath[n - 1] == 'L'))
        return recordingPath.substr(0, n - 4) + ".survey.json";
    return recordingPath + ".survey.json";
}

} // namespace survey
