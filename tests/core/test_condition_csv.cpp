// The condition CSV line: one field per figure, whatever the figures hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "analysis/ConditionCsv.h"

TEST(ConditionCsv, FiguresTooLongForAFieldAreLeftEmptyNotGarbage) {
    // An absurd nominal pipe gives diameters and areas of 60 digits and more;
    // such a field is written empty, as a missing figure is.
    struct Case {
        double value;
        const char* field; // what the mean-diameter field reads
    };
    const Case cases[] = {
        {1.25, "1.2500"}, {1e22, "10000000000000000000000.0000"}, {1e60, ""}, {-1e70, ""},
        {1e308, ""},
    };
    for (const Case& c : cases) {
        analysis::ScanFigures f;
        f.meanDiameter = c.value;
        f.debrisArea = 1e200;
        std::string line;
        analysis::BuildConditionCsvLine(line, 3, f);
        SCOPED_TRACE(line);
        EXPECT_EQ(std::count(line.begin(), line.end(), ','), 14);
        EXPECT_TRUE(std::all_of(line.begin(), line.end(),
                                [](char ch) { return ch == '\n' || (ch >= ' ' && ch <= '~'); }));
        // scan, time, distance, points, coverage, centre x, centre y, mean
        std::size_t at = 0;
        for (int i = 0; i < 7; ++i)
            at = line.find(',', at) + 1;
        EXPECT_EQ(line.substr(at, line.find(',', at) - at), c.field);
        EXPECT_EQ(line.substr(line.rfind(',')), ",\n"); // debris area: empty
    }
}
