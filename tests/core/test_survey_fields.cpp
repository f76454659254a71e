// Survey details in the exchange files: hostile text in every field never
// breaks the EN 13508-2 text or a CSV table, and each field reads back with
// a small parser of our own; the name-based project ID and the unit
// conversions against outside references.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>

#include "analysis/Observations.h"
#include "analysis/SurveySummary.h"
#include "format/FieldText.h"
#include "format/NameUuid.h"
#include "format/UnitsText.h"

namespace {

using namespace analysis;

// Fields of one line split at sep, with quote around a field and doubled
// inside it; false when a quote is left open or stray text follows one.
bool SplitLine(const std::string& line, char sep, char quote, std::vector<std::string>& out) {
    out.clear();
    std::string field;
    std::size_t i = 0;
    for (;;) {
        field.clear();
        if (i < line.size() && line[i] == quote) {
            for (++i;; ++i) {
                if (i >= line.size()) return false;
                if (line[i] == quote && i + 1 < line.size() && line[i + 1] == quote) {
                    field += quote, ++i;
                } else if (line[i] == quote) {
                    ++i;
                    break;
                } else {
                    field += line[i];
                }
            }
            if (i < line.size() && line[i] != sep) return false;
        } else {
            while (i < line.size() && line[i] != sep)
                field += line[i++];
        }
        out.push_back(field);
        if (i >= line.size()) return true;
        ++i;                               // the separator
        if (i == line.size()) return true; // a line closed by its separator
    }
}

std::vector<std::string> Lines(const std::string& text, const char* end) {
    std::vector<std::string> out;
    for (std::size_t at = 0, next; at < text.size(); at = next + std::strlen(end)) {
        next = text.find(end, at);
        if (next == std::string::npos) next = text.size();
        out.push_back(text.substr(at, next - at));
    }
    return out;
}

// The EN 13508-2 text read as its #A lines declare it: the #B01 codes with
// their values, the observation lines' first fields.
struct En13508File {
    std::map<std::string, std::string> header;
    std::vector<std::string> chainages;
    bool closed = false;
};

En13508File ReadEn13508(const std::string& text) {
    En13508File f;
    char sep = 0, quote = 0;
    const auto lines = Lines(text, "\r\n");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        EXPECT_EQ(l.find_first_of(std::string("\n\r\t\x0b\x1a\x1b", 6)), std::string::npos) << l;
        if (l.rfind("#A4=", 0) == 0) sep = l.at(4);
        if (l.rfind("#A6=", 0) == 0) quote = l.at(4);
        if (l == "#Z") {
            f.closed = i + 1 == lines.size(); // and the last line
            break;
        }
        std::vector<std::string> fields;
        if (l.rfind("#B01=", 0) == 0) {
            std::vector<std::string> values;
            EXPECT_TRUE(SplitLine(l.substr(5), sep, quote, fields));
            EXPECT_TRUE(i + 1 < lines.size() && SplitLine(lines[i + 1], sep, quote, values));
            EXPECT_EQ(fields.size(), values.size());
            for (std::size_t k = 0; k < fields.size() && k < values.size(); ++k)
                f.header[fields[k]] = values[k];
            ++i;
        } else if (!l.empty() && l[0] != '#') {
            EXPECT_TRUE(SplitLine(l, sep, quote, fields)) << l;
            EXPECT_EQ(fields.size(), 9u) << l;
            f.chainages.push_back(fields.at(0));
        }
    }
    return f;
}

// Text the way the files must hold it: ISO-8859-1, control bytes as spaces.
std::string Latin1(const std::string& utf8) {
    return fieldtext::Field(utf8, {'\n', '\0', true, false, false});
}

} // namespace

TEST(SurveyFields, HostileDetailsReadBackFromTheEn13508TextAndTheInspectionTable) {
    // Every text field carries separators, quotes, a block mark, line breaks,
    // control bytes, a formula and characters beyond ISO-8859-1.
    const std::string hostile[] = {"#Z",
                                   "#C=I;J",
                                   "a;b\"c\"",
                                   "line\r\nbreak",
                                   "tab\tvt\x0bsub\x1a"
                                   "esc\x1b",
                                   "=1+2",
                                   "Łódź €5",
                                   "Ωμέγα",
                                   "stra\xdf"
                                   "e",
                                   "-minus",
                                   "@at",
                                   "  padded  "};
    InspectionHeader h;
    h.recording = "#Z.31l";
    h.startTime = 1772874303.0; // 2026-03-07 09:05:03
    h.origin = 120.0;
    h.descending = true;
    h.lengthSurveyed = 30.48;
    survey::SurveyDetails& d = h.details;
    std::vector<std::string*> texts = {
        &d.pipeReference, &d.startNode,   &d.finishNode, &d.location,    &d.town,
        &d.district,      &d.owner,       &d.inspector,  &d.certificate, &d.purpose,
        &d.weather,       &d.flowControl, &d.material,   &d.lining,      &d.remarks};
    for (std::size_t i = 0; i < texts.size(); ++i)
        *texts[i] = hostile[i % std::size(hostile)] + std::to_string(i);
    d.direction = "upstream";
    d.shape = "egg";
    d.heightMm = 600;
    d.widthMm = 400;
    d.unitLengthM = 2.5;
    d.startNodeDepthM = 3.25;
    d.finishNodeDepthM = 2.75;
    d.yearLaid = 1968;
    d.preCleaned = true;

    std::vector<Observation> obs(3);
    obs[0].start = 119.0, obs[0].finish = 117.5; // 1.00 and 2.50 m from the start node
    obs[1].start = obs[1].finish = 110.0;
    obs[2].start = obs[2].finish = 120.0; // at the node itself: no "-0.00"
    bool lossy = false;
    const std::string text = En13508Text(obs, h, &lossy);
    EXPECT_TRUE(lossy);
    const En13508File f = ReadEn13508(text);
    EXPECT_TRUE(f.closed);
    const std::pair<const char*, std::string*> coded[] = {
        {"AAA", &d.pipeReference}, {"AAD", &d.startNode},   {"AAF", &d.finishNode},
        {"AAJ", &d.location},      {"AAN", &d.town},        {"AAO", &d.district},
        {"AAM", &d.owner},         {"ABH", &d.inspector},   {"ABP", &d.purpose},
        {"ADA", &d.weather},       {"ADC", &d.flowControl}, {"ACD", &d.material},
        {"ACE", &d.lining}};
    for (const auto& [code, value] : coded)
        EXPECT_EQ(f.header.count(code) ? f.header.at(code) : "(none)", Latin1(*value)) << code;
    EXPECT_EQ(Latin1("Łódź €5"), "L\xf3"
                                 "dz EUR5");
    EXPECT_EQ(f.header.at("AAK"), "U");
    EXPECT_EQ(f.header.at("ABF"), "2026-03-07");
    EXPECT_EQ(f.header.at("ABG"), "09:05");
    EXPECT_EQ(f.header.at("ACA"), "C");
    EXPECT_EQ(f.header.at("ACB"), "600");
    EXPECT_EQ(f.header.at("ACC"), "400");
    EXPECT_EQ(f.header.at("ACG"), "2.50");
    EXPECT_EQ(f.header.at("ACH"), "3.25");
    EXPECT_EQ(f.header.at("ACI"), "2.75");
    EXPECT_EQ(f.header.at("ACN"), "1968");
    EXPECT_EQ(f.header.at("ACM"), "Y");
    const std::string& remark = f.header.at("ADE");
    EXPECT_EQ(remark.rfind(Latin1(d.remarks), 0), 0u) << remark;
    EXPECT_NE(remark.find("#Z.31l"), std::string::npos);
    EXPECT_EQ(f.chainages, (std::vector<std::string>{"1.00", "2.50", "10.00", "0.00"}));
    // No line but the markers' own begins with '#'.
    for (const std::string& l : Lines(text, "\r\n")) {
        if (l.empty() || l[0] != '#') continue;
        EXPECT_TRUE(l.rfind("#A", 0) == 0 || l.rfind("#B01=", 0) == 0 || l.rfind("#C=", 0) == 0 ||
                    l == "#Z")
            << l;
    }

    // The inspection table: one header, one row of exactly its fields, in
    // UTF-8, no field a spreadsheet would run.
    for (const bool imperial : {false, true}) {
        const auto csv = Lines(InspectionCsv(h, imperial), "\n");
        ASSERT_EQ(csv.size(), 2u); // the header and one row
        std::vector<std::string> names, row;
        ASSERT_TRUE(SplitLine(csv[0], ',', '"', names));
        ASSERT_TRUE(SplitLine(csv[1], ',', '"', row));
        ASSERT_EQ(row.size(), names.size());
        ASSERT_EQ(names.size(), 25u);
        std::map<std::string, std::string> at;
        for (std::size_t i = 0; i < names.size(); ++i)
            at[names[i]] = row[i];
        for (const std::string& v : row)
            EXPECT_TRUE(v.empty() || std::string("=+-@").find(v[0]) == std::string::npos) << v;
        EXPECT_EQ(at["Surveyed_By"], fieldtext::Field(d.inspector, {'\n', '\0', false, true}));
        EXPECT_EQ(at["City"], fieldtext::Field(d.town, {'\n', '\0', false, true}));
        EXPECT_EQ(at["Upstream_MH"], fieldtext::Field(d.finishNode, {'\n', '\0', false, true}));
        EXPECT_EQ(at["Downstream_MH"], fieldtext::Field(d.startNode, {'\n', '\0', false, true}));
        EXPECT_EQ(at["Direction"], "U");
        EXPECT_EQ(at["IsImperial"], imperial ? "1" : "0");
        EXPECT_EQ(at["Date"], "2026-03-07");
        EXPECT_DOUBLE_EQ(std::stod(at["Height"]),
                         imperial ? std::round(600 / 25.4 * 10) / 10 : 600);
        EXPECT_DOUBLE_EQ(std::stod(at["Length_Surveyed"]), imperial ? 100.0 : 30.48);
    }

    // The batch summary: the header's columns, then the pipe and nodes.
    SurveySummary summary;
    const auto line = Lines(summary.Line("=cmd|' /C calc'!A0,\"x\".31l", d), "\n");
    std::vector<std::string> fields, header;
    ASSERT_TRUE(SplitLine(line.at(0), ',', '"', fields));
    ASSERT_TRUE(SplitLine(kSummaryCsvHeader, ',', '"', header));
    ASSERT_EQ(fields.size(), header.size());
    EXPECT_EQ(fields[0], "'=cmd|' /C calc'!A0,\"x\".31l");
    EXPECT_EQ(fields[header.size() - 4],
              fieldtext::Field(d.pipeReference, {'\n', '\0', false, true}));
    EXPECT_EQ(fields.back(), "upstream");
}

TEST(SurveyFields, NameUuidAndUnitsAgreeWithOutsideReferences) {
    // FIPS 180 examples: one block, and a message whose padding needs two.
    EXPECT_EQ(
        nameuuid::Text(*reinterpret_cast<const nameuuid::Uuid*>(nameuuid::Sha1("abc").data())),
        "a9993e36-4706-816a-ba3e-25717850c26c");
    const auto two = nameuuid::Sha1("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq");
    EXPECT_EQ(two[0], 0x84);
    EXPECT_EQ(two[19], 0xf1);
    // A name-based UUID as other implementations give it (DNS namespace).
    const nameuuid::Uuid dns = {0x6b, 0xa7, 0xb8, 0x10, 0x9d, 0xad, 0x11, 0xd1,
                                0x80, 0xb4, 0x00, 0xc0, 0x4f, 0xd4, 0x30, 0xc8};
    EXPECT_EQ(nameuuid::Text(nameuuid::UuidV5(dns, "python.org")),
              "886313e1-3b8a-5372-9b90-0c9aee199e5d");

    using units::Kind;
    using units::System;
    EXPECT_EQ(units::Text(30.48, Kind::Distance, System::Imperial), "100.00 ft");
    EXPECT_EQ(units::Text(0.3048, Kind::Size, System::Imperial), "12.00 in");
    EXPECT_EQ(units::Text(0.09290304, Kind::Area, System::Imperial), "1.000 ft\u00B2");
    EXPECT_EQ(units::Text(0.028316846592, Kind::Volume, System::Imperial), "1.000 ft\u00B3");
    EXPECT_EQ(units::Text(1.2346, Kind::Distance, System::Metric), "1.235 m");
    EXPECT_EQ(units::Text(-0.0001, Kind::Distance, System::Metric), "0.000 m");
    EXPECT_DOUBLE_EQ(units::ToMetric(12.0, Kind::Size, System::Imperial), 0.3048);
    // The deviation scales: centimetres or inches; an axis label's own decimals.
    EXPECT_EQ(units::Text(0.04, Kind::Deviation, System::Metric), "4.0 cm");
    EXPECT_EQ(units::Text(0.0254, Kind::Deviation, System::Imperial), "1.00 in");
    EXPECT_DOUBLE_EQ(units::ToMetric(2.0, Kind::Deviation, System::Imperial), 0.0508);
    EXPECT_EQ(units::Text(3.048, Kind::Distance, System::Imperial, 1), "10.0 ft");
    EXPECT_EQ(units::Text(-0.004, Kind::Distance, System::Metric, 2), "0.00 m");
    // A survey's own units outweigh the Units setting (0 m, 1 ft, 2 in),
    // which decides only without them.
    EXPECT_EQ(units::SystemOf("imperial", 0), System::Imperial);
    EXPECT_EQ(units::SystemOf("metric", 1), System::Metric);
    EXPECT_EQ(units::SystemOf("", 0), System::Metric);
    EXPECT_EQ(units::SystemOf("", 1), System::Imperial);
    EXPECT_EQ(units::SystemOf("", 2), System::Imperial);
}
