// The point cloud's own pieces: the echo level carried with each profile
// point, the PLY file's count and failure reporting, and the LAS file the
// same whether its scans are analysed in the pass or on a thread.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "../support/PipeSurvey.h"
#include "TempDir.h"
#include "doc/PingBinding.h"
#include "doc/PointCloudOutput.h"
#include "format/LasWriter.h"
#include "format/PlyWriter.h"

namespace {

void Ping(CTubescanDoc& doc, PingWorkspace& ws, int profileRange, std::uint8_t offset) {
    auto& h = doc.Frame().m_reply.header;
    h.fill(0);
    h[0] = 'I', h[1] = 'M', h[2] = 'X', h[3] = 16;
    h[6] = 0x40;
    h[7] = 10;
    h[8] = static_cast<std::uint8_t>(profileRange & 0x7F);
    h[9] = static_cast<std::uint8_t>(profileRange >> 7);
    for (std::size_t i = 0; i < doc.Frame().m_reply.samples.size(); ++i)
        doc.Frame().m_reply.samples[i] =
            static_cast<std::uint8_t>(i < 250 ? (i + offset) % 256 : 0);
    ASSERT_TRUE(ProcessPing(doc, ws, PingDrawing::PointsOnly));
}

} // namespace

TEST(PointCloud, EchoLevelIsTheOldestLinesSampleAtTheOldestRange) {
    CTubescanDoc doc;
    doc.SetCommandByte(headproto::kCmdRangeCode, 10);
    doc.Settings().m_range = 1.0;
    PingWorkspace ws = DocumentWorkspace(doc);
    const double spacing = RangeTimingForCode(10).sampleSpacing;
    const auto rangeUnits = [&](int sample) { return static_cast<int>(sample * spacing / 0.0005); };

    // The point handed on is two pings old: its echo must come from that
    // ping's line (offset 0), not from the newest one.
    Ping(doc, ws, rangeUnits(100), 0);
    Ping(doc, ws, rangeUnits(10), 50);
    Ping(doc, ws, rangeUnits(10), 70);
    EXPECT_EQ(doc.Frame().m_profileEcho, 100);
    Ping(doc, ws, 0, 90); // now the oldest is the second ping: sample 10 + 50
    EXPECT_EQ(doc.Frame().m_profileEcho, 60);
    Ping(doc, ws, rangeUnits(10), 0);
    EXPECT_EQ(doc.Frame().m_profileEcho, 80);
    // No wall found (the fourth ping), and a wall beyond the samples, have
    // no echo level.
    Ping(doc, ws, rangeUnits(400), 0);
    EXPECT_EQ(doc.Frame().m_profileEcho, 0);
    Ping(doc, ws, 16383, 0);
    Ping(doc, ws, 16383, 0);
    EXPECT_EQ(doc.Frame().m_profileEcho, 0);
}

TEST(PointCloud, PlyHeaderCountsTheVerticesAndFailedWritesAreReported) {
    TempDir d;
    ply::PlyFileWriter w;
    ASSERT_TRUE(w.Create(d.File("a.ply")));
    for (std::uint32_t i = 0; i < 5000; ++i) // more than one buffer
        w.Add({0.5f, -0.25f, 1.0f + i, i / 100, static_cast<std::uint8_t>(i)});
    ASSERT_TRUE(w.Finish());
    const std::string file = d.Read("a.ply");
    const std::string header = ply::Header(5000);
    ASSERT_EQ(file.size(), header.size() + 5000 * ply::kVertexBytes);
    EXPECT_EQ(file.compare(0, header.size(), header), 0);
    EXPECT_NE(header.find("element vertex 0000005000\n"), std::string::npos);
    // The last vertex, little-endian.
    const char* last = file.data() + file.size() - ply::kVertexBytes;
    float z;
    std::uint32_t scan;
    std::memcpy(&z, last + 8, 4);
    std::memcpy(&scan, last + 12, 4);
    EXPECT_EQ(z, 5000.0f);
    EXPECT_EQ(scan, 49u);
    EXPECT_EQ(static_cast<std::uint8_t>(last[16]), 4999 % 256);

    ply::PlyFileWriter full;
    ASSERT_TRUE(full.Create("/dev/full"));
    for (int i = 0; i < 10000; ++i)
        full.Add({});
    EXPECT_FALSE(full.Finish());
}

// The pass with the analysis in it is the one a batch takes; it must write
// the file the threaded pass writes, every scan (the last, unfinished one
// too) analysed and numbered alike. Enough scans to fill the thread's queue.
TEST(PointCloud, LasAnalysedInThePassIsTheFileAnalysedOnItsOwnThread) {
    sim::PipeParams pipe;
    pipe.travelSpeed = 0.25 / (400 * pipesurvey::kPingPeriod);
    pipe.ovalStretches = {{0.5, 1.5, 0.06}};
    pipe.debrisStretches = {{2.0, 3.0, 0.12}};
    TempDir d;
    pipesurvey::WriteSurvey(d.File("s.31l"), pipe, 400 * 14 + 150);
    const auto convert = [&](conversion::PointOutput& out, const std::string& name) {
        conversion::Options options;
        options.settings = IniFile::FromText("[System Settings]\r\n");
        options.points = &out;
        const auto r = conversion::ConvertRecordFile(d.File("s.31l"), d.File(name), options);
        EXPECT_EQ(r.outcome, conversion::Outcome::Converted) << name << ": " << r.detail;
        return d.Read(name);
    };
    PointCloudOutput threaded(PointCloudOutput::Format::Las, PointCloudOutput::Analysis::OwnThread);
    PointCloudOutput inPass(PointCloudOutput::Format::Las, PointCloudOutput::Analysis::InPass);
    PointCloudOutput ply(PointCloudOutput::Format::Ply, PointCloudOutput::Analysis::InPass);
    const std::string a = convert(threaded, "a.las"), b = convert(inPass, "b.las");
    convert(ply, "c.ply");

    std::uint32_t offset = 0;
    ASSERT_GT(a.size(), 100u);
    std::memcpy(&offset, a.data() + 96, 4);
    ASSERT_EQ(a.size(), offset + ply.Points() * las::kPointBytes);
    // Past the day of writing in the header, byte for byte.
    EXPECT_TRUE(a.size() == b.size() && a.compare(94, a.npos, b, 94, b.npos) == 0);

    std::uint32_t lastScan = 0;
    std::size_t withDeviation = 0;
    for (std::size_t p = offset; p + las::kPointBytes <= b.size(); p += las::kPointBytes) {
        std::uint32_t scan;
        double deviation;
        std::memcpy(&scan, b.data() + p + 30, 4);
        std::memcpy(&deviation, b.data() + p + 43, 8);
        EXPECT_GE(scan, lastScan);
        lastScan = scan;
        withDeviation += std::isfinite(deviation) ? 1 : 0;
    }
    EXPECT_EQ(lastScan, 15u); // 14 turns and the part-turn after them
    EXPECT_GT(withDeviation, ply.Points() * 9 / 10);
}

// With survey details both clouds say what they show: the PLY header's
// comments name the pipe, nodes and date; the LAS header names the program,
// dates itself by the recording, and carries one project ID per survey.
TEST(PointCloud, SurveyDetailsInThePlyCommentsAndTheLasHeader) {
    sim::PipeParams pipe;
    TempDir d;
    pipesurvey::WriteSurvey(d.File("s.31l"), pipe, 900); // recorded 07-MAR-2026
    survey::SurveyDetails details;
    details.pipeReference = "P-17\nx";
    details.startNode = "MH\u00C6\u00F6\u0141";
    details.finishNode = "MH5";
    const auto convert = [&](PointCloudOutput::Format format, const survey::SurveyDetails& s,
                             const std::string& name) {
        PointCloudOutput out(format, PointCloudOutput::Analysis::InPass);
        conversion::Options options;
        options.settings = IniFile::FromText("[System Settings]\r\n");
        options.points = &out;
        options.survey = &s;
        const auto r = conversion::ConvertRecordFile(d.File("s.31l"), d.File(name), options);
        EXPECT_EQ(r.outcome, conversion::Outcome::Converted) << name << ": " << r.detail;
        return d.Read(name);
    };
    const std::string ply = convert(PointCloudOutput::Format::Ply, details, "s.ply");
    const std::string head = ply.substr(0, ply.find("end_header\n"));
    EXPECT_NE(head.find("\ncomment pipe P-17 x\n"), std::string::npos) << head;
    EXPECT_NE(head.find("\ncomment nodes MHAEoL to MH5\n"), std::string::npos) << head;
    EXPECT_NE(head.find("\ncomment date 2026-03-07 "), std::string::npos) << head;

    const std::string a = convert(PointCloudOutput::Format::Las, details, "a.las");
    const std::string b = convert(PointCloudOutput::Format::Las, details, "b.las");
    details.finishNode = "MH6";
    const std::string c = convert(PointCloudOutput::Format::Las, details, "c.las");
    const std::string none = convert(PointCloudOutput::Format::Las, {}, "n.las");
    ASSERT_TRUE(a.size() > 375 && c.size() > 375 && none.size() > 375);
    EXPECT_EQ(a, b); // one survey, one file: the ID and the date are the survey's
    EXPECT_NE(a.substr(8, 16), c.substr(8, 16));
    EXPECT_EQ(none.substr(8, 16), std::string(16, '\0'));
    EXPECT_EQ(static_cast<std::uint8_t>(a[15]) >> 4, 5); // a version 5 UUID
    const std::string version = "TubescanL " TUBESCAN_VERSION;
    EXPECT_EQ(a.compare(26, version.size(), version), 0) << a.substr(26, 32);
    EXPECT_EQ(a.compare(58, version.size() + 1, version + '\0'), 0) << a.substr(58, 32);
    std::uint16_t day = 0, year = 0;
    std::memcpy(&day, a.data() + 90, 2);
    std::memcpy(&year, a.data() + 92, 2);
    EXPECT_EQ(year, 2026);
    EXPECT_EQ(day, 31 + 28 + 7);
}
