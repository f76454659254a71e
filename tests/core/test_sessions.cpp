// The document's sessions on their own: playback reading a file as values,
// recording appending records, the profile outputs, and the
// converter's loop against interactive playback.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "DataFileFixture.h"
#include "doc/RecordConversion.h"
#include "format/RecordFileName.h"
#include "format/XyzFormat.h"

namespace {

struct Expected {
    std::uint64_t position;
    bool carriesPing;
    std::size_t sampleBytes;
    bool last;
};

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct CollectingSink : ProfileSampleSink {
    std::vector<analysis::ProfileSample> samples;
    int restarts = 0;
    void Add(const analysis::ProfileSample& s) override { samples.push_back(s); }
    void Restart() override { ++restarts; }
};

struct CountingDatagrams : DatagramSink {
    std::vector<std::string> sent;
    void Send(std::string_view bytes) noexcept override { sent.emplace_back(bytes); }
};

} // namespace

TEST(PlaybackSessionNext, HandsOutEveryKindOfRecordAsAValueAndEndsAtTheEnd) {
    // A ping, a record whose return header is not the head's, a record too
    // long for an echo line, a ping again, and a cut-off tail.
    std::vector<std::uint8_t> f;
    Append(f, TestRecord(0));
    auto rejected = TestRecord(1);
    rejected[record::kHeaderOffset] = 'Q';
    Append(f, rejected);
    auto big = TestRecord(2);
    std::vector<std::uint8_t> bigBytes(big.begin(), big.end());
    bigBytes.resize(700, 0xEE);
    bigBytes[4] = 700 >> 8;
    bigBytes[5] = 700 & 0xFF;
    f.insert(f.end(), bigBytes.begin(), bigBytes.end());
    Append(f, TestRecord(3));
    const std::size_t fullLength = f.size();
    Append(f, TestRecord(4));
    f.resize(fullLength + 200);

    TempDir dir;
    WriteBytes(dir.File("s.31l"), f);
    PlaybackSession play;
    ASSERT_EQ(play.Open(dir.File("s.31l")), PlaybackOpen::Opened);
    EXPECT_EQ(play.length, f.size());

    const std::vector<Expected> expected = {
        {0, true, 512 - record::kMinLength, false},
        {512, false, 0, false},
        {1024, true, 0, false},
        {1724, true, 512 - record::kMinLength, false},
    };
    for (const Expected& e : expected) {
        const auto r = play.Next();
        ASSERT_TRUE(r) << "record at " << e.position;
        EXPECT_EQ(r->position, e.position);
        EXPECT_EQ(r->carriesPing, e.carriesPing) << e.position;
        EXPECT_EQ(r->sampleBytes, e.sampleBytes) << e.position;
        EXPECT_EQ(r->last, e.last) << e.position;
        EXPECT_EQ(r->end, e.position + static_cast<std::uint64_t>(r->settings.length));
        if (e.sampleBytes > 0) {
            EXPECT_TRUE(std::equal(r->samples.begin(), r->samples.begin() + 250,
                                   f.begin() + static_cast<std::ptrdiff_t>(e.position) +
                                       record::kSamplesOffset));
        }
    }
    EXPECT_FALSE(play.Next()) << "the cut-off record is not handed out";
    EXPECT_FALSE(play.Next()) << "and asking again changes nothing";

    // A pass that keeps one record for the whole file (the converter's) gets
    // the same: nothing of a ping before stays with a record that has none.
    play.Rewind();
    PlayedRecord kept;
    for (const Expected& e : expected) {
        ASSERT_TRUE(play.Next(kept)) << "record at " << e.position;
        EXPECT_EQ(kept.position, e.position);
        EXPECT_EQ(kept.carriesPing, e.carriesPing) << e.position;
        EXPECT_EQ(kept.sampleBytes, e.sampleBytes) << e.position;
        EXPECT_EQ(kept.last, e.last) << e.position;
        EXPECT_EQ(kept.end, e.position + static_cast<std::uint64_t>(kept.settings.length));
        EXPECT_EQ(kept.settings.time,
                  record::DecodeSettings(std::span<const std::uint8_t, record::kSettingsSize>(
                                             f.data() + e.position, record::kSettingsSize))
                      .time);
        if (e.sampleBytes > 0) {
            EXPECT_TRUE(std::equal(kept.samples.begin(), kept.samples.begin() + 250,
                                   f.begin() + static_cast<std::ptrdiff_t>(e.position) +
                                       record::kSamplesOffset));
        }
    }
    EXPECT_FALSE(play.Next(kept));

    // The date and time texts follow their bytes record by record, also when
    // only the date changes under the same time (midnight, another file).
    std::vector<std::uint8_t> days;
    for (const char* date : {"07-MAR-2026", "08-MAR-2026", "08-MAR-2026", "07-MAR-2026"}) {
        auto r = TestRecord(5);
        std::copy(date, date + 11, r.begin() + record::kDateTimeOffset);
        Append(days, r);
    }
    WriteBytes(dir.File("days.31l"), days);
    PlaybackSession dayByDay;
    ASSERT_EQ(dayByDay.Open(dir.File("days.31l")), PlaybackOpen::Opened);
    for (const char* date : {"07-MAR-2026", "08-MAR-2026", "08-MAR-2026", "07-MAR-2026"}) {
        ASSERT_TRUE(dayByDay.Next(kept));
        EXPECT_EQ(kept.settings.date, date);
        EXPECT_EQ(kept.settings.time, "10:00:05");
    }

    // Percent follows the shown position, not while the slider is dragged.
    play.seekDragging = 1;
    EXPECT_FALSE(play.MarkShown());
    EXPECT_EQ(play.Percent(), 0);
    play.seekDragging = 0;
    play.file.Seek(f.size() / 2);
    EXPECT_FALSE(play.MarkShown());
    EXPECT_EQ(play.Percent(), 50);
    play.file.Seek(f.size() - 2);
    EXPECT_TRUE(play.MarkShown()) << "three bytes from the end count as the end";
    EXPECT_EQ(play.Percent(), 99);
}

TEST(RecordingSession, AppendsWholeRecordsUntilStoppedAndThenNothing) {
    TempDir dir;
    RecordingSession rec;
    ASSERT_FALSE(rec.Start(dir.File("a.31l")));
    EXPECT_TRUE(rec.Active());
    EXPECT_FALSE(rec.Append(TestRecord(0)));
    EXPECT_FALSE(rec.Append(TestRecord(1)));
    EXPECT_EQ(rec.Bytes(), 2u * record::kRecordSize);

    rec.Stop();
    EXPECT_FALSE(rec.Active());
    EXPECT_FALSE(rec.Append(TestRecord(2))) << "nothing to report when nothing is recorded";
    EXPECT_EQ(ReadAll(dir.File("a.31l")).size(), 2u * record::kRecordSize);
}

TEST(ProfileOutputsEmit, LinesOnlyWhileConvertingDatagramsAsChosenSamplesToTheSink) {
    TempDir dir;
    ProfileOutputs out;
    auto udp = std::make_shared<CountingDatagrams>();
    out.Udp().Reset(udp);
    auto sink = std::make_shared<CollectingSink>();
    const std::string date = "07-MAR-2026", time = "09:05:03", millis = "007";
    const PointStamp stamp{date, time, millis};
    const xyz::ProfilePoint p = xyz::ComputeProfilePoint(250, 90, 1.0, 1.0, 1500.0, 2.5);

    out.Emit(p, stamp, true, UdpChoice{});
    EXPECT_FALSE(out.XyzOpen()) << "no file before a conversion";
    ASSERT_TRUE(out.StartXyz(dir.File("a.xyz")));
    EXPECT_TRUE(out.Converting());
    out.Emit(p, stamp, false, UdpChoice{}); // not in playback: no line
    out.Emit(p, stamp, true, UdpChoice{true, false});
    out.Emit(p, stamp, true, UdpChoice{false, true, 1.5, -2.0});
    EXPECT_TRUE(out.FinishXyz());
    EXPECT_EQ(out.End(), ConversionEnd::Finished);
    EXPECT_FALSE(out.Converting());
    out.Emit(p, stamp, true, UdpChoice{});

    std::string line;
    xyz::BuildXyzFileLine(line, "07-MAR-2026\t09:05:03.007", p);
    const auto written = ReadAll(dir.File("a.xyz"));
    EXPECT_EQ(std::string(written.begin(), written.end()), line + line);
    ASSERT_EQ(udp->sent.size(), 2u);
    EXPECT_EQ(udp->sent[0].rfind("07-MAR-2026,09:05:03.007,", 0), 0u);
    EXPECT_NE(udp->sent[1], udp->sent[0]) << "the PRD datagram is its own text";
    out.CloseUdp();
    out.Emit(p, stamp, true, UdpChoice{true, true});
    EXPECT_EQ(udp->sent.size(), 2u) << "no socket, no datagram";

    // The sink: samples from the document's points, a restart on a jump,
    // nothing once it is removed.
    CTubescanDoc doc;
    doc.Outputs().SetSampleSink(sink);
    EXPECT_TRUE(doc.Outputs().WantsSamples());
    doc.EmitProfilePoint(250, 90);
    doc.Outputs().RestartSamples();
    doc.Outputs().SetSampleSink(nullptr);
    EXPECT_FALSE(doc.Outputs().WantsSamples());
    doc.EmitProfilePoint(250, 90);
    ASSERT_EQ(sink->samples.size(), 1u);
    EXPECT_FLOAT_EQ(sink->samples[0].x, p.x);
    EXPECT_EQ(sink->restarts, 1);
}

TEST(ConversionLoop, WritesTheSameBytesAsInteractivePlaybackEvenForADamagedFile) {
    // A clean file and a damaged copy of it: flipped bytes and a cut tail.
    std::vector<std::uint8_t> clean;
    for (int i = 0; i < 300; ++i)
        Append(clean, TestRecord(i));
    std::vector<std::uint8_t> damaged = clean;
    std::mt19937 rng(11);
    for (int i = 0; i < 400; ++i)
        damaged[rng() % damaged.size()] = static_cast<std::uint8_t>(rng());
    damaged.resize(damaged.size() - 100);

    for (const auto* bytes : {&clean, &damaged}) {
        DataDoc d;
        const std::string input = d.dir.File("run.31l");
        WriteBytes(input, *bytes);

        // Interactive playback, its points written to an .xyz, from the
        // start of the file until it starts again.
        ASSERT_TRUE(d.doc.OpenPlaybackPath(input));
        ASSERT_TRUE(d.doc.Outputs().StartXyz(d.dir.File("played.xyz")));
        bool round = false;
        for (int tick = 0; !round && tick < 100000; ++tick) {
            d.doc.PlaybackTick();
            round = d.doc.PlaybackFile().filePosition == 0;
        }
        ASSERT_TRUE(round);
        ASSERT_TRUE(d.doc.Outputs().FinishXyz());

        conversion::Options options;
        options.settings = IniFile::Load(d.dir.File("TubescanL.INI"));
        int lastPercent = -1;
        options.progress = [&](int p) {
            EXPECT_GT(p, lastPercent);
            lastPercent = p;
        };
        const auto r = conversion::ConvertRecordFile(input, d.dir.File("converted.xyz"), options);
        ASSERT_EQ(r.outcome, conversion::Outcome::Converted) << r.detail;
        EXPECT_GE(lastPercent, 99);
        const auto played = ReadAll(d.dir.File("played.xyz"));
        EXPECT_GT(played.size(), 0u);
        EXPECT_EQ(ReadAll(d.dir.File("converted.xyz")), played);
        EXPECT_EQ(r.lines,
                  static_cast<std::uint64_t>(std::count(played.begin(), played.end(), '\n')));
        // No output goes under a recording's name, even asked to replace.
        const std::string other = d.dir.File("other.31L");
        WriteBytes(other, clean);
        options.replace = true;
        options.progress = nullptr;
        EXPECT_EQ(conversion::ConvertRecordFile(input, other, options).outcome,
                  conversion::Outcome::OutputIsInput);
        EXPECT_EQ(ReadAll(other), clean);
    }
}
