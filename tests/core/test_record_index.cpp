#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "../support/LinkStand.h"
#include "../support/SurveyFile.h"
#include "DataFileFixture.h"
#include "doc/PlaybackJump.h"
#include "doc/RecordIndex.h"

namespace {

constexpr std::uint32_t kRecords = 4000;
const survey::Shape kShape{.rangeIndex = 4, .orientation = true, .fullCircles = true};

void Put(std::vector<std::uint8_t>& f, const record::Record& r, std::size_t bytes = 512) {
    f.insert(f.end(), r.begin(), r.begin() + static_cast<std::ptrdiff_t>(bytes));
}

// A survey with the damage a real file shows: stray bytes holding a false
// signature, a record cut short, one with an impossible length, and the
// garbled pings the survey generator puts in anyway.
std::vector<std::uint8_t> DamagedSurvey() {
    CTubescanDoc src;
    std::vector<std::uint8_t> f;
    for (std::uint32_t i = 0; i < kRecords; ++i) {
        const auto r = survey::MakeRecord(src, i, kShape);
        if (i == 700) {
            for (int k = 0; k < 300; ++k)
                f.push_back(static_cast<std::uint8_t>(k * 37 + 11));
            const std::uint8_t fake[] = {'3', '1', 'L', 0, 0x01, 0x00}; // length 256: too short
            f.insert(f.end(), std::begin(fake), std::end(fake));
        }
        if (i == 1500) Put(f, r, 200); // the writer stopped mid-record
        if (i == 2300) {
            auto bad = r;
            bad[4] = 0x20; // 8192 bytes: no record is that long
            Put(f, bad);
            continue;
        }
        Put(f, r);
    }
    return f;
}

struct IndexedPlayer : DataDoc {
    LinkStand link{doc};
    std::string path;
    explicit IndexedPlayer(const std::vector<std::uint8_t>& bytes) {
        path = dir.File("survey.31l");
        WriteBytes(path, bytes);
        doc.SetIndexPlayback(true);
        EXPECT_TRUE(doc.OpenPlaybackPath(path));
        EXPECT_NE(doc.PlaybackFile().index, nullptr);
        doc.PlaybackFile().index->Wait();
    }
    const playindex::RecordIndex& Index() const { return *doc.PlaybackIndex(); }
};

} // namespace

TEST(RecordIndex, MatchesWhatSequentialPlaybackReadsThroughDamage) {
    IndexedPlayer p(DamagedSurvey());
    const auto& index = p.Index();
    ASSERT_TRUE(index.Complete());
    EXPECT_EQ(index.Percent(), 100);

    // One pass of ordinary playback, noting every ping it processed.
    std::vector<playindex::IndexEntry> played;
    std::uint64_t last = 0;
    for (;;) {
        p.link.replyPending = true; // forgotten only when a ping was processed
        p.doc.ReadNextRecord();
        if (p.doc.PlaybackFile().file.Position() < last) break; // round to the start
        last = p.doc.PlaybackFile().file.Position();
        if (p.link.replyPending) continue;
        playindex::IndexEntry e;
        e.offset = p.doc.PlaybackFile().file.Position() - 512; // just past the record read
        e.time = analysis::StampSeconds(p.doc.Frame().m_date, p.doc.Frame().m_time,
                                        p.doc.Frame().m_millis);
        e.distance = static_cast<float>(p.doc.Sensors().distance);
        played.push_back(e);
    }
    // The garbled pings (one in 97) and the damaged ones are in neither.
    EXPECT_LT(played.size(), kRecords - kRecords / 97 + 1);
    EXPECT_GT(played.size(), kRecords - kRecords / 97 - 4);
    ASSERT_EQ(index.Records(), played.size());
    for (std::size_t i = 0; i < played.size(); ++i) {
        const auto e = index.Entry(i);
        ASSERT_EQ(e.offset, played[i].offset) << "record " << i;
        ASSERT_EQ(e.time, played[i].time) << "record " << i;
        ASSERT_EQ(e.distance, played[i].distance) << "record " << i;
    }
    EXPECT_NEAR(static_cast<double>(index.Scans()), kRecords / (360.0 / 2.1), 2.0);
    EXPECT_LE(index.MemoryBytes(), 32 * index.Records());
}

// Files unlike a plain recording: records of the longest length, records
// of the shortest (many more of them than a 512-byte guess), and records
// most of which hold no ping. The index keeps within 32 bytes a record it
// holds for each, however its lists grew.
TEST(RecordIndex, StaysWithin32BytesARecordOnUnusualFiles) {
    CTubescanDoc src;
    const auto withLength = [](record::Record r, int length) {
        r[4] = static_cast<std::uint8_t>(length >> 8);
        r[5] = static_cast<std::uint8_t>(length & 0xFF);
        return r;
    };
    std::vector<std::uint8_t> longest, shortest, fewPings;
    for (std::uint32_t i = 0; i < 3000; ++i) {
        Put(longest, withLength(survey::MakeRecord(src, i, kShape), record::kMaxLength));
        longest.resize(longest.size() + record::kMaxLength - 512, 0);
    }
    for (std::uint32_t i = 0; i < 26000; ++i)
        Put(shortest, withLength(survey::MakeRecord(src, i, kShape), record::kMinLength),
            record::kMinLength);
    for (std::uint32_t i = 0; i < 20000; ++i) {
        auto r = survey::MakeRecord(src, i, kShape);
        if (i % 10 != 0) r[record::kHeaderOffset] = 'x'; // not the head's reply
        Put(fewPings, r);
    }
    TempDir dir;
    const struct {
        const char* name;
        const std::vector<std::uint8_t>& bytes;
        std::size_t pings;
    } files[] = {
        {"longest", longest, 3000}, {"shortest", shortest, 26000}, {"few pings", fewPings, 2000}};
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        WriteBytes(dir.File("u.31l"), f.bytes);
        playindex::RecordIndex index;
        const std::atomic<bool> stop{false};
        ASSERT_TRUE(playindex::BuildIndex(dir.File("u.31l"), index, stop));
        // The shape's garbled pings (one in 97) are no pings.
        EXPECT_GT(index.Records(), f.pings - f.pings / 90);
        EXPECT_LE(index.Records(), f.pings);
        const double perRecord =
            static_cast<double>(index.MemoryBytes()) / static_cast<double>(index.Records());
        EXPECT_LE(perRecord, 32.0);
        std::printf("index of %s records: %.1f bytes a record\n", f.name, perRecord);
    }
}

TEST(RecordIndex, GoToDistanceTimeAndPastTheEnd) {
    IndexedPlayer p(DamagedSurvey());
    struct Case {
        const char* entry;
        bool jumps, firstScan;
    };
    // Survey record i lies at 100 + i / 80 metres and i * 37 ms after midnight.
    const Case cases[] = {
        {"120", true, false},       {"137.5", true, false}, {"00:01:00", true, false},
        {"0:02:10.5", true, false}, {"90", true, true},     {"150.1", false, false},
        {"00:03:00", false, false}, {"5000", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        const auto target = ParseGoToTarget(c.entry, units::System::Metric);
        ASSERT_TRUE(target);
        p.doc.PlaybackFile().file.Seek(1234);
        const auto image = p.doc.Frame().m_image;
        const auto r =
            target->isTime ? p.doc.GoToTime(target->value) : p.doc.GoToDistance(target->value);
        if (!c.jumps) {
            EXPECT_EQ(r.outcome, GoToOutcome::PastEnd);
            EXPECT_NE(GoToMessage(r, *target, units::System::Metric).find("ends before"),
                      std::string::npos);
            EXPECT_EQ(p.doc.PlaybackFile().file.Position(), 1234u) << "nothing moves";
            EXPECT_TRUE(p.doc.Frame().m_image == image);
            continue;
        }
        ASSERT_EQ(r.outcome, GoToOutcome::Jumped);
        EXPECT_TRUE(GoToMessage(r, *target, units::System::Metric).empty());
        EXPECT_EQ(p.doc.PlaybackFile().oneFrame, 1) << "playback holds on the place";
        // The drawn scan is whole and holds the place: it starts at or before
        // it, the last record drawn is at or after it, and it turned the
        // head through a full circle.
        const double start = target->isTime ? std::fmod(r.time, 86400.0) : r.distance;
        const double end =
            target->isTime
                ? std::fmod(analysis::StampSeconds(p.doc.Frame().m_date, p.doc.Frame().m_time,
                                                   p.doc.Frame().m_millis),
                            86400.0)
                : p.doc.Sensors().distance;
        if (c.firstScan)
            EXPECT_EQ(r.distance, 100.0);
        else
            EXPECT_LE(start, target->value);
        EXPECT_GE(end, target->value);
        EXPECT_GE(r.records, 168u);
        EXPECT_LE(r.records, 174u);
        EXPECT_GE(p.doc.Run().m_pingCount, 166);
    }
}

// The messages name the place as it was asked: a far distance in short with
// its unit, a time with its thousandths, and a time before a recording that
// does not run past midnight as before its start, not as the next day.
TEST(RecordIndex, GoToMessagesNameThePlaceAsAsked) {
    CTubescanDoc src;
    std::vector<std::uint8_t> f;
    for (std::uint32_t i = 1000; i < 4000; ++i) // 00:00:37.000 to 00:02:27.963
        Put(f, survey::MakeRecord(src, i, kShape));
    IndexedPlayer p(f);
    const auto ask = [&p](const char* entry, int units = 0) {
        const auto target = ParseGoToTarget(entry, units::SystemOf("", units));
        EXPECT_TRUE(target) << entry;
        const auto r =
            target->isTime ? p.doc.GoToTime(target->value) : p.doc.GoToDistance(target->value);
        return std::make_pair(r.outcome, GoToMessage(r, *target, units::SystemOf("", units)));
    };
    auto [outcome, msg] = ask("1e308");
    EXPECT_EQ(outcome, GoToOutcome::PastEnd);
    EXPECT_EQ(msg, "The recording ends before 1e+308 m. Playback stays where it was.");
    std::tie(outcome, msg) = ask("1e300", 1);
    EXPECT_NE(msg.find(" 1e+300 ft."), std::string::npos) << msg;
    std::tie(outcome, msg) = ask("150.1");
    EXPECT_NE(msg.find(" 150.10 m."), std::string::npos) << msg;

    std::tie(outcome, msg) = ask("00:02:27.970");
    EXPECT_EQ(outcome, GoToOutcome::PastEnd);
    EXPECT_NE(msg.find("ends before 00:02:27.970."), std::string::npos) << msg;
    std::tie(outcome, msg) = ask("00:02:27.960");
    EXPECT_EQ(outcome, GoToOutcome::Jumped) << msg;

    std::tie(outcome, msg) = ask("00:00:10");
    EXPECT_EQ(outcome, GoToOutcome::BeforeStart);
    EXPECT_NE(msg.find("starts after 00:00:10, at 00:00:37"), std::string::npos) << msg;
    EXPECT_EQ(msg.find("ends before"), std::string::npos) << msg;
}

TEST(RecordIndex, GoToBeforeAnyFileOrIndexSaysSo) {
    DataDoc d;
    EXPECT_EQ(d.doc.GoToDistance(10.0).outcome, GoToOutcome::NotPlaying);
    const auto msg = GoToMessage({}, {false, 10.0}, units::System::Metric);
    EXPECT_NE(msg.find("open a recording"), std::string::npos);
}

TEST(GoToEntry, DistancesInTheDisplayUnitAndTimesOfDay) {
    struct Case {
        const char* text;
        int units;
        bool ok, isTime;
        double value;
    };
    const Case cases[] = {
        {"237.4", 0, true, false, 237.4},
        {" 100 ", 1, true, false, 30.48},
        {"14:03", 0, true, true, 50580.0},
        {"14:03:22.5", 0, true, true, 50602.5},
        {"23:59:59", 2, true, true, 86399.0},
        {"24:00", 0, false, false, 0},
        {"12:60", 0, false, false, 0},
        {"abc", 0, false, false, 0},
        {"", 0, false, false, 0},
        {"12.5m", 0, false, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto t = ParseGoToTarget(c.text, units::SystemOf("", c.units));
        ASSERT_EQ(t.has_value(), c.ok);
        if (!t) continue;
        EXPECT_EQ(t->isTime, c.isTime);
        EXPECT_NEAR(t->value, c.value, 1e-9);
    }
}
