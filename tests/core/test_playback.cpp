#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <random>

#include "../support/LinkStand.h"
#include "DataFileFixture.h"
#include "doc/PingBinding.h"
#include "format/RecordFileName.h"
#include "format/RecordReader.h"

namespace {

struct Player : DataDoc {
    LinkStand link{doc};
    std::vector<std::int64_t> percents;
    CountingClock clock;
    std::vector<int>& timerStarts = clock.starts;
    int& timerStops = clock.stops;
    int& barShown = spy.playbackBarShown;

    Player() { doc.PlaybackFile().SetClock(&clock); }
    bool Play(const std::vector<std::uint8_t>& bytes, const std::string& name = "play.31l") {
        WriteBytes(dir.File(name), bytes);
        return doc.OpenPlaybackPath(dir.File(name));
    }
    // Ticks and returns which record each tick showed (-1: none processed).
    std::vector<int> Ticks(int n) {
        std::vector<int> shown;
        for (int i = 0; i < n; ++i) {
            link.replyPending = true; // forgotten only when a ping was read
            doc.PlaybackTick();
            const bool pinged = !link.replyPending;
            if (doc.Run().m_playback == 1 && doc.Run().m_hold == 0)
                percents.push_back(doc.PlaybackFile().Percent());
            shown.push_back(pinged ? ShownRecord(doc) : -1);
        }
        return shown;
    }
    void MarkImage() {
        doc.Frame().m_image[0] = doc.Frame().m_image[1] = doc.Frame().m_image[2] = 0x55;
    }
    bool ImageMarked() const { return doc.Frame().m_image[0] == 0x55; }
};

} // namespace

TEST(PlaybackOpen, ExtensionLengthAndOpenFailures) {
    Player p;
    EXPECT_FALSE(p.Play(TestFile(1), "notes.xyz"));
    EXPECT_EQ(p.messages.back(), "ERROR: Application can not recognize this file type!");
    EXPECT_EQ(p.doc.Run().m_playback, 0);

    EXPECT_FALSE(p.doc.OpenPlaybackPath(p.dir.File("missing.31l")));
    EXPECT_EQ(p.messages.back(), "Error opening file !   \n" + p.dir.File("missing.31l") +
                                     ": No such file or directory");
    EXPECT_FALSE(p.doc.OpenPlaybackPath(p.dir.Dir() + "folder.31l/.."));

    auto bytes = TestFile(1);
    bytes.resize(99);
    EXPECT_FALSE(p.Play(bytes, "short.31l"));
    EXPECT_EQ(p.messages.back(), "File has no data!!!  ");
    EXPECT_FALSE(p.doc.PlaybackFile().file.IsOpen());

    bytes.resize(100);
    ASSERT_TRUE(p.Play(bytes, "DATA.31L"));
    EXPECT_EQ(p.doc.Run().m_playback, 1);
    EXPECT_EQ(p.doc.PlaybackFile().length, 100u);
    EXPECT_EQ(p.doc.PlaybackFile().path, p.dir.File("DATA.31L"));
    EXPECT_EQ(p.doc.Settings().m_readDirectory, p.dir.Dir());
    EXPECT_EQ(p.LastTitle(), "TubescanL - Playback File [" + p.dir.File("DATA.31L") + "] ");
    EXPECT_EQ(record::XyzPathFor(p.doc.PlaybackFile().path), p.dir.File("DATA.xyz"));
    EXPECT_EQ(p.barShown, 1);
    EXPECT_EQ(p.timerStops, 1); // speed 0: the idle loop drives it
    EXPECT_TRUE(p.doc.WantsIdlePlayback());
    // A file with no whole record plays nothing and never crashes; the
    // operator is told once.
    const std::size_t before = p.messages.size();
    EXPECT_EQ(p.Ticks(5), std::vector<int>(5, -1));
    ASSERT_EQ(p.messages.size(), before + 1);
    EXPECT_EQ(p.messages.back(), "File has no data!!!  ");
}

TEST(PlaybackOpen, StopsARecordingAndSavesSettingsFirst) {
    Player p;
    ASSERT_TRUE(p.doc.OpenRecordFile(p.dir.File("rec.31l")));
    p.doc.Settings().m_playbackSpeed = 20;
    p.doc.BeginOpenPlayback();
    EXPECT_EQ(p.timerStops, 1);
    EXPECT_NE(p.dir.Read("TubescanL.INI").find("Playback Speed=20"), std::string::npos);
    ASSERT_TRUE(p.Play(TestFile(2)));
    EXPECT_EQ(p.doc.Recorder().Active(), false);
    EXPECT_FALSE(p.doc.Recorder().Active());
    EXPECT_EQ(p.timerStarts, std::vector<int>{20});
    // A cancelled dialog lets the running playback go on at its pace.
    p.doc.CancelOpenPlayback();
    EXPECT_EQ(p.timerStarts, (std::vector<int>{20, 20}));
}

TEST(PlaybackTicks, ThreeRecordsLoopAndClearAfterTheThird) {
    Player p;
    ASSERT_TRUE(p.Play(TestFile(3)));
    p.MarkImage();
    EXPECT_EQ(p.Ticks(2), (std::vector<int>{0, 1}));
    EXPECT_TRUE(p.ImageMarked());
    EXPECT_EQ(p.doc.Run().m_pingCount, 2);
    EXPECT_EQ(p.Ticks(1), std::vector<int>{2});
    EXPECT_FALSE(p.ImageMarked()) << "the image is cleared once the third record has been read";
    EXPECT_EQ(p.doc.Run().m_pingCount, 0);
    EXPECT_EQ(p.Ticks(1), std::vector<int>{0}) << "the fourth tick shows the first record again";
    EXPECT_EQ(p.percents, (std::vector<std::int64_t>{33, 66, 100, 33}));
    EXPECT_FALSE(p.doc.ReplyPending());
    // Held: ticks read nothing.
    p.doc.Run().m_hold = 1;
    EXPECT_EQ(p.Ticks(2), (std::vector<int>{-1, -1}));
}

TEST(PlaybackTicks, PlayedPingsGoThroughPingProcessing) {
    Player p;
    ASSERT_TRUE(p.Play(TestFile(4)));
    p.Ticks(2);
    // Record 1: head position 610 and profile range 101, from its header.
    EXPECT_EQ(p.doc.Frame().m_headPosition, 610);
    EXPECT_EQ(p.doc.Frame().m_profileRange, 101);
    EXPECT_EQ(p.doc.Frame().m_replySignature, "IMX");
    EXPECT_EQ(p.doc.Frame().m_lines[2][0], 3);
    EXPECT_EQ(p.doc.Frame().m_lines[1][0], 0);
    EXPECT_EQ(p.doc.Frame().m_millis, "007");
}

TEST(PlaybackTicks, PlaybackReproducesTheLivePings) {
    // The same pings processed as they arrive and recorded, then played back:
    // decoded fields, line history and picture must match ping for ping.
    struct Seen {
        int position, profile;
        double beam;
        EchoLines lines;
        std::vector<std::uint8_t> image;
    };
    auto see = [](const CTubescanDoc& d) {
        return Seen{d.Frame().m_headPosition, d.Frame().m_profileRange, d.Frame().m_beamAngle,
                    d.Frame().m_lines, d.Frame().m_image};
    };
    DataDoc live;
    ASSERT_TRUE(live.doc.OpenRecordFile(live.dir.File("live.31l")));
    std::vector<Seen> liveSeen;
    for (int i = 0; i < 6; ++i) {
        const record::Record r = TestRecord(i);
        std::memcpy(live.doc.Frame().m_reply.header.data(), &r[228], 32);
        std::memcpy(live.doc.Frame().m_reply.samples.data(), &r[260], 252);
        live.doc.AppendRecord();
        PingWorkspace ws = DocumentWorkspace(live.doc);
        ASSERT_TRUE(ProcessPing(live.doc, ws));
        liveSeen.push_back(see(live.doc));
    }
    live.doc.StopRecording();
    const auto& last = liveSeen.back().image;
    ASSERT_TRUE(std::any_of(last.begin(), last.end(), [](std::uint8_t b) { return b != 0; }))
        << "the live pings drew nothing, so the comparison would prove nothing";

    Player p;
    ASSERT_TRUE(p.doc.OpenPlaybackPath(live.dir.File("live.31l")));
    for (int i = 0; i < 5; ++i) { // the sixth read starts the file again and clears
        p.doc.PlaybackTick();
        const Seen played = see(p.doc);
        EXPECT_EQ(played.position, liveSeen[i].position) << "ping " << i;
        EXPECT_EQ(played.profile, liveSeen[i].profile) << "ping " << i;
        EXPECT_EQ(played.beam, liveSeen[i].beam) << "ping " << i;
        EXPECT_EQ(played.lines, liveSeen[i].lines) << "ping " << i;
        EXPECT_TRUE(played.image == liveSeen[i].image) << "picture differs at ping " << i;
    }
}

TEST(PlaybackSeek, InsideARecordResumesAtTheNextOne) {
    Player p;
    ASSERT_TRUE(p.Play(TestFile(4)));
    p.doc.SeekToRecord(512 + 100);
    EXPECT_EQ(p.doc.PlaybackFile().file.Position(), 1024u);
    EXPECT_EQ(p.Ticks(1), std::vector<int>{2});
    p.doc.SeekToRecord(1024);
    EXPECT_EQ(p.Ticks(1), std::vector<int>{2}) << "a signature at the offset itself is taken";
    // Beyond the last signature: the file starts again.
    p.doc.SeekToRecord(3 * 512 + 1);
    EXPECT_EQ(p.doc.PlaybackFile().file.Position(), 4u * 512u);
    EXPECT_EQ(p.Ticks(2), (std::vector<int>{-1, 0}));
    // A byte "3" just before the signature does not hide it.
    auto bytes = TestFile(2);
    bytes[511] = '3';
    ASSERT_TRUE(p.Play(bytes, "three.31l"));
    p.doc.SeekToRecord(511);
    EXPECT_EQ(p.doc.PlaybackFile().file.Position(), 512u);
    // Not in playback: nothing moves.
    p.doc.Run().m_playback = 0;
    p.doc.SeekToRecord(0);
    EXPECT_EQ(p.doc.PlaybackFile().file.Position(), 512u);
}

TEST(PlaybackSeek, StepBackAndFrameCommands) {
    Player p;
    ASSERT_TRUE(p.Play(TestFile(4)));
    EXPECT_EQ(p.Ticks(1), std::vector<int>{0});
    EXPECT_FALSE(p.doc.StepBack()) << "nothing before the first record";
    EXPECT_EQ(p.Ticks(1), std::vector<int>{1});
    ASSERT_TRUE(p.doc.StepBack());
    EXPECT_EQ(p.doc.PlaybackFile().playPosition, 0u);
    EXPECT_EQ(p.Ticks(1), std::vector<int>{0});

    // Frame forward / back: timers stopped, single-frame mode, one tick each.
    const int stopsBefore = p.timerStops;
    p.doc.StepFrameForward();
    EXPECT_EQ(ShownRecord(p.doc), 1);
    EXPECT_EQ(p.doc.PlaybackFile().oneFrame, 1);
    EXPECT_FALSE(p.doc.WantsIdlePlayback());
    p.doc.StepFrameForward();
    EXPECT_EQ(ShownRecord(p.doc), 2);
    p.doc.StepFrameBack();
    EXPECT_EQ(ShownRecord(p.doc), 1);
    p.doc.StepFrameBack();
    EXPECT_EQ(ShownRecord(p.doc), 0);
    const int count = p.doc.Run().m_pingCount;
    p.doc.StepFrameBack(); // at the first record: no tick
    EXPECT_EQ(p.doc.Run().m_pingCount, count);
    EXPECT_EQ(p.timerStops - stopsBefore, 5);
}

TEST(PlaybackSeek, StepBackUsesTheWholePosition) {
    // A position beyond 4 GiB: the low 32 bits alone would say "before the
    // start" (or land somewhere else entirely).
    CTubescanDoc doc;
    std::vector<std::uint8_t> none(16);
    doc.PlaybackFile().file.OpenMemory(none);
    doc.PlaybackFile().recordLength = 512;
    doc.PlaybackFile().file.Seek((1ull << 32) + 512);
    ASSERT_TRUE(doc.StepBack());
    EXPECT_EQ(doc.PlaybackFile().playPosition, (1ull << 32) - 512);
    EXPECT_EQ(doc.PlaybackFile().file.Position(), (1ull << 32) - 512);
}

TEST(PlaybackSpeed, TimerAndIdleSelection) {
    Player p;
    ASSERT_TRUE(p.Play(TestFile(2)));
    EXPECT_EQ(p.doc.ChangePlaybackSpeed(+1), 0) << "the up arrow cannot go below 0 ms";
    EXPECT_EQ(p.doc.ChangePlaybackSpeed(-10), 10);
    EXPECT_EQ(p.doc.ChangePlaybackSpeed(+1), 9);
    p.doc.PlaybackFile().oneFrame = 1;
    EXPECT_EQ(p.doc.ChangePlaybackSpeed(-1000), 50);
    EXPECT_EQ(p.doc.PlaybackFile().oneFrame, 0);
    EXPECT_EQ(p.timerStarts, (std::vector<int>{10, 9, 50}));
    EXPECT_FALSE(p.doc.WantsIdlePlayback());
    p.doc.ChangePlaybackSpeed(50);
    EXPECT_EQ(p.doc.Settings().m_playbackSpeed, 0);
    EXPECT_TRUE(p.doc.WantsIdlePlayback());
    p.doc.Run().m_hold = 1;
    EXPECT_FALSE(p.doc.WantsIdlePlayback());
    p.doc.Run().m_hold = 0;

    p.timerStarts.clear();
    p.doc.Settings().m_playbackSpeed = 25;
    p.doc.TogglePlayOneFrame();
    EXPECT_EQ(p.doc.PlaybackFile().oneFrame, 1);
    p.doc.TogglePlayOneFrame();
    EXPECT_EQ(p.timerStarts, std::vector<int>{25});

    // Loop time: a third of the time between ticks, after the first tick.
    p.doc.PlaybackTick();
    p.doc.PlaybackTick();
    EXPECT_GE(p.doc.Run().m_loopTime, 0.0);
    EXPECT_EQ(p.doc.Run().m_loopTimeMs, static_cast<int>(p.doc.Run().m_loopTime));
}

TEST(PlaybackCopy, RecordingDuringPlaybackDuplicatesRecords) {
    Player p;
    const auto original = TestFile(3);
    ASSERT_TRUE(p.Play(original));
    ASSERT_TRUE(p.doc.OpenRecordFile(p.dir.File("copy.31l")));
    EXPECT_EQ(p.LastTitle(), "TubescanL - Copy to File [" + p.dir.File("copy.31l") + "] ");
    p.Ticks(6);
    p.doc.StopRecording();
    EXPECT_EQ(p.LastTitle(), "TubescanL - Playback File [" + p.dir.File("play.31l") + "] ");
    auto twice = original;
    twice.insert(twice.end(), original.begin(), original.end());
    EXPECT_EQ(ReadBytes(p.dir.File("copy.31l")), twice);
}

TEST(PlaybackCopy, CopyKeepsRecordedOrientationWhateverTheOperatorSetting) {
    CTubescanDoc src;
    src.Settings().m_enablePRDInput = 1;
    src.SetSensors({.distance = 42.5, .distanceValid = 1});
    src.Frame().m_reply.header[0] = 'I';
    src.Frame().m_reply.header[1] = 'M';
    src.Frame().m_reply.header[2] = 'X';
    src.Frame().m_reply.header[7] = src.Command()[headproto::kCmdRangeCode];
    std::vector<std::uint8_t> bytes;
    Append(bytes, record::BuildRecord(src));
    Player p;
    p.doc.Settings().m_enablePRDInput = 0;
    ASSERT_TRUE(p.Play(bytes));
    ASSERT_TRUE(p.doc.OpenRecordFile(p.dir.File("copy.31l")));
    p.doc.PlaybackTick();
    const auto copy = ReadBytes(p.dir.File("copy.31l"));
    ASSERT_EQ(copy.size(), 512u);
    EXPECT_EQ(copy[34], 1);
    EXPECT_EQ(copy[100], 4);
    EXPECT_TRUE(std::equal(copy.begin() + 100, copy.begin() + 113, bytes.begin() + 100));
}

TEST(PlaybackHostile, DamagedRecordsAreSkippedToTheNextSignature) {
    std::vector<std::uint8_t> f;
    Append(f, TestRecord(0));
    for (int i = 0; i < 37; ++i)
        f.push_back(static_cast<std::uint8_t>(i * 11)); // stray bytes
    auto shortLen = TestRecord(1);
    shortLen[4] = 0;
    shortLen[5] = 100; // below 260
    Append(f, shortLen);
    Append(f, TestRecord(2));
    auto longLen = TestRecord(3);
    longLen[4] = 0x10;
    longLen[5] = 0x71; // 4209: beyond the side buffer
    Append(f, longLen);
    auto rejected = TestRecord(4);
    rejected[228] = 'Z'; // not a head's return header
    Append(f, rejected);
    Append(f, TestRecord(5));
    auto cut = TestRecord(6);
    f.insert(f.end(), cut.begin(), cut.begin() + 300); // truncated tail

    Player p;
    ASSERT_TRUE(p.Play(f));
    p.MarkImage();
    std::vector<int> shown;
    for (int v : p.Ticks(15)) // five ticks a pass: one meets the rejected header, one the tail
        if (v >= 0) shown.push_back(v);
    EXPECT_EQ(shown, (std::vector<int>{0, 2, 5, 0, 2, 5, 0, 2, 5}));
    EXPECT_EQ(p.doc.Frame().m_replySignature, "IMX");
    EXPECT_FALSE(p.ImageMarked()) << "a pass over the file still ends with a clear";
}

TEST(PlaybackHostile, LongRecordsUseTheSideBufferAndKeepTheirNeighbours) {
    std::vector<std::uint8_t> f;
    Append(f, TestRecord(0));
    auto big = TestRecord(1);
    std::vector<std::uint8_t> bigBytes(big.begin(), big.end());
    bigBytes.resize(700, 0xEE);
    bigBytes[4] = 700 >> 8;
    bigBytes[5] = 700 & 0xFF;
    f.insert(f.end(), bigBytes.begin(), bigBytes.end());
    Append(f, TestRecord(2));
    Player p;
    ASSERT_TRUE(p.Play(f));
    EXPECT_EQ(p.Ticks(1), std::vector<int>{0});
    const auto samplesOfFirst = p.doc.Frame().m_reply.samples;
    EXPECT_EQ(p.Ticks(1), std::vector<int>{1});
    EXPECT_EQ(p.doc.PlaybackFile().recordLength, 700);
    EXPECT_EQ(p.doc.Frame().m_reply.samples, samplesOfFirst) << "drawn with the samples before it";
    EXPECT_EQ(p.doc.PlaybackFile().file.Position(), 512u + 700u)
        << "its tail is passed over, nothing of the next record is taken";
    EXPECT_EQ(p.Ticks(1), std::vector<int>{2}) << "the record after it is read whole";
}

TEST(PlaybackHostile, RandomBytesNeverCrashOrHang) {
    std::mt19937 rng(1234);
    for (int round = 0; round < 20; ++round) {
        std::vector<std::uint8_t> f(100 + rng() % 6000);
        for (auto& b : f)
            b = static_cast<std::uint8_t>(rng());
        // Sprinkle signatures with random lengths, so records get located.
        for (int k = 0; k < 8 && f.size() > 300; ++k) {
            const std::size_t at = rng() % (f.size() - 6);
            f[at] = '3';
            f[at + 1] = '1';
            f[at + 2] = 'L';
            f[at + 4] = static_cast<std::uint8_t>(rng() % 20);
        }
        Player p;
        ASSERT_TRUE(p.Play(f));
        for (int t = 0; t < 60; ++t) {
            p.doc.PlaybackTick();
            if (t % 7 == 0) p.doc.SeekToRecord(rng() % (f.size() + 50));
            if (t % 11 == 0) p.doc.StepBack();
            ASSERT_LE(p.doc.PlaybackFile().playPosition, f.size());
        }
    }
}

// The signature search scans the buffered bytes a stretch at a time; it must
// find exactly what a byte-by-byte scan finds, also where a signature or a
// near miss ("31" then no "L", "331L") is cut by the end of the 64 KiB read
// buffer of a file, and where the search end falls inside a signature.
TEST(PlaybackSearch, FindsWhatAByteByByteScanFinds) {
    constexpr std::uint64_t kBuffer = 64 * 1024;
    std::vector<std::uint8_t> bytes(3 * kBuffer + 100, 'x');
    const auto put = [&](std::uint64_t at, const char* text) {
        std::memcpy(bytes.data() + at, text, std::strlen(text));
    };
    put(10, "331L");             // found at its second byte
    put(40, "31");               // near miss
    put(kBuffer - 2, "31L");     // cut after "31" by the buffer's end
    put(kBuffer + 20, "3");      // a lone first byte
    put(2 * kBuffer - 1, "31L"); // cut after "3"
    put(2 * kBuffer + 500, "31x");
    put(3 * kBuffer - 3, "31"); // near miss cut by the buffer's end
    put(3 * kBuffer - 1, "Q");
    put(bytes.size() - 3, "31L"); // ends at the file's end
    const auto reference = [&](std::uint64_t from,
                               std::uint64_t end) -> std::optional<std::uint64_t> {
        for (std::uint64_t at = from; end >= 3 && at <= end - 3 && at + 2 < bytes.size(); ++at)
            if (bytes[at] == '3' && bytes[at + 1] == '1' && bytes[at + 2] == 'L') return at;
        return std::nullopt;
    };

    TempDir dir;
    WriteBytes(dir.File("search.31l"), bytes);
    CPlayFile onDisk;
    ASSERT_TRUE(onDisk.Open(dir.File("search.31l")));
    CPlayFile inMemory;
    inMemory.OpenMemory(bytes);

    const std::uint64_t size = bytes.size();
    const std::vector<std::uint64_t> froms = {0,
                                              11,
                                              12,
                                              kBuffer - 3,
                                              kBuffer - 2,
                                              kBuffer - 1,
                                              kBuffer,
                                              kBuffer + 1,
                                              2 * kBuffer - 2,
                                              2 * kBuffer,
                                              3 * kBuffer - 4,
                                              size - 3,
                                              size - 2,
                                              size + 5};
    const std::vector<std::uint64_t> ends = {
        0,        2,    13,       kBuffer, kBuffer + 1, 2 * kBuffer + 1, 2 * kBuffer + 2,
        size - 1, size, size + 64};
    int found = 0;
    for (const std::uint64_t from : froms) {
        for (const std::uint64_t end : ends) {
            const auto want = reference(from, end);
            found += want.has_value() ? 1 : 0;
            // Searches in a different order each time, so a buffer left
            // anywhere by the last search is covered.
            for (CPlayFile* file : {&onDisk, &inMemory}) {
                EXPECT_EQ(record::FindSignature(*file, from, end), want)
                    << "from " << from << " end " << end << (file == &onDisk ? " file" : " memory");
            }
        }
    }
    EXPECT_GT(found, 20); // the table does reach the signatures
}
