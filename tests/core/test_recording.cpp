#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <future>

#include <fcntl.h>
#include <sys/stat.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "DataFileFixture.h"
#include "doc/DataFiles.h"

namespace {

// Every byte of a recorded file is whole records, each equal to one of the
// expected records in order.
void ExpectWholeRecords(const std::vector<std::uint8_t>& bytes, std::size_t atLeast) {
    ASSERT_EQ(bytes.size() % 512, 0u) << "the file ends in a piece of a record";
    ASSERT_GE(bytes.size() / 512, atLeast);
    for (std::size_t i = 0; i < bytes.size() / 512; ++i) {
        const auto expected = TestRecord(static_cast<int>(i));
        ASSERT_TRUE(std::equal(expected.begin(), expected.end(), bytes.begin() + i * 512))
            << "record " << i;
    }
}

// Puts test record i into the document as the current ping.
void LoadPing(CTubescanDoc& doc, int i) {
    const auto r = TestRecord(i);
    std::memcpy(doc.Frame().m_reply.header.data(), &r[228], 32);
    std::memcpy(doc.Frame().m_reply.samples.data(), &r[260], 250);
    doc.Frame().m_date = "07-MAR-2026";
    char t[16];
    std::snprintf(t, sizeof t, "10:00:%02d", i % 100);
    doc.Frame().m_time = t;
    std::snprintf(t, sizeof t, "%03d", (i * 7) % 1000);
    doc.Frame().m_millis = t;
    doc.Run().m_trainBearing = 360;
    doc.Run().m_scanDirection = 1;
}

} // namespace

TEST(Recording, StartStopTitlesAndTheRecordCommand) {
    DataDoc d;
    int chooserCalls = 0;
    std::string choice = d.dir.File("one.31l");
    auto chooser = [&] {
        ++chooserCalls;
        return choice;
    };
    d.doc.ToggleRecording(chooser);
    EXPECT_EQ(d.doc.Recorder().Active(), true);
    EXPECT_EQ(d.doc.Recorder().m_path, d.dir.File("one.31l"));
    EXPECT_EQ(d.LastTitle(), "TubescanL - Record to File [" + d.dir.File("one.31l") + "] ");
    LoadPing(d.doc, 0);
    d.doc.AppendRecord();
    d.doc.ToggleRecording(chooser);
    EXPECT_EQ(chooserCalls, 1);
    EXPECT_EQ(d.doc.Recorder().Active(), false);
    EXPECT_EQ(d.LastTitle(), "TubescanL - Real Time ");
    ExpectWholeRecords(ReadBytes(d.dir.File("one.31l")), 1);
    // Not recording: nothing is appended.
    d.doc.AppendRecord();
    EXPECT_EQ(ReadBytes(d.dir.File("one.31l")).size(), 512u);

    // A cancelled dialog starts nothing.
    choice.clear();
    d.doc.ToggleRecording(chooser);
    EXPECT_EQ(d.doc.Recorder().Active(), false);

    // A relative name is recorded under its full path.
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(d.dir.Dir());
    EXPECT_TRUE(d.doc.OpenRecordFile("rel.31l"));
    std::filesystem::current_path(cwd);
    EXPECT_EQ(d.doc.Recorder().m_path, d.dir.File("rel.31l"));
}

TEST(Recording, CreateFailureAndDialogChecks) {
    DataDoc d;
    EXPECT_FALSE(d.doc.OpenRecordFile(d.dir.File("no/such/folder/x.31l")));
    ASSERT_GE(d.messages.size(), 2u);
    EXPECT_NE(d.messages[d.messages.size() - 2].find("no/such/folder/x.31l"), std::string::npos);
    EXPECT_EQ(d.messages.back(), "Error Opening File!");
    EXPECT_EQ(d.doc.Recorder().Active(), false);

    d.doc.Settings().m_writeDirectory = d.dir.Dir();
    d.doc.Frame().m_autoFileName = "07MAR2026-090503";
    EXPECT_EQ(d.doc.ProposedRecordPath(), d.dir.File("07MAR2026-090503.31l"));
    EXPECT_EQ(d.doc.Recorder().m_path, d.dir.File("07MAR2026-090503.31l"));
    d.doc.Frame().m_autoFileName.clear();
    EXPECT_NE(d.doc.ProposedRecordPath(), d.dir.File(".31l")) << "never a nameless file";

    EXPECT_EQ(d.doc.AcceptRecordPath(""), "");
    EXPECT_EQ(d.doc.Recorder().m_path, "");

    d.doc.PlaybackFile().path = d.dir.File("played.31l");
    EXPECT_EQ(d.doc.AcceptRecordPath(d.dir.Dir() + "./played.31l"), "");
    EXPECT_EQ(d.messages.back(), "Can't write in this file ...\nThis file is used as playback!   ");

    std::filesystem::create_directories(d.dir.File("sub"));
    EXPECT_EQ(d.doc.AcceptRecordPath(d.dir.File("sub/new.31l")), d.dir.File("sub/new.31l"));
    EXPECT_EQ(d.doc.Settings().m_writeDirectory, d.dir.File("sub") + "/");

    ASSERT_TRUE(d.doc.OpenRecordFile(d.dir.File("sub/rec.31l")));
    EXPECT_EQ(d.doc.AcceptRecordPath(d.dir.File("sub/other.31l")), "");
    EXPECT_EQ(d.messages.back(), "Data is already being saved to file.   ");
}

TEST(Recording, CommandLineName) {
    EXPECT_EQ(StartupRecordPath("survey.run1"), "survey.31l");
    EXPECT_EQ(StartupRecordPath("./survey.run1"), "./survey.31l");
    EXPECT_EQ(StartupRecordPath("runs.v2/survey.a.b"), "runs.v2/survey.31l");
    EXPECT_EQ(StartupRecordPath("/data/pipe7"), "/data/pipe7.31l");

    DataDoc d;
    std::vector<std::string> questions;
    bool answer = false;
    const auto ask = [&](const std::string& q) {
        questions.push_back(q);
        return answer;
    };
    d.doc.StartRecordingFromCommandLine(d.dir.File("survey.run1"), ask);
    EXPECT_TRUE(questions.empty());
    EXPECT_EQ(d.doc.Recorder().Active(), true);
    LoadPing(d.doc, 0);
    d.doc.AppendRecord();
    d.doc.StopRecording();

    // It exists now: asked, and No leaves it alone.
    d.doc.StartRecordingFromCommandLine(d.dir.File("survey.run2"), ask);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0],
              d.dir.File("survey.31l") + " already exists !\nDo you want to replace it?   ");
    EXPECT_EQ(d.doc.Recorder().Active(), false);
    EXPECT_EQ(ReadBytes(d.dir.File("survey.31l")).size(), 512u);
    answer = true;
    d.doc.StartRecordingFromCommandLine(d.dir.File("survey"), ask);
    EXPECT_EQ(d.doc.Recorder().Active(), true);
    EXPECT_TRUE(ReadBytes(d.dir.File("survey.31l")).empty()) << "replaced";
}

namespace {

// Runs `open` against the FIFO at path; when it is still waiting after a few
// seconds, the FIFO's other end is opened so the test can end, and it fails.
template <typename F> auto WithinSeconds(const std::string& fifo, F open) {
    auto result = std::async(std::launch::async, open);
    if (result.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
        ADD_FAILURE() << "blocked opening the FIFO " << fifo;
        const int other = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
        result.wait();
        ::close(other);
    }
    return result.get();
}

} // namespace

// A FIFO (or any file that is not a regular file) named as the recording or
// the file to play is refused with the reason, never opened and waited on:
// the window's thread would hang in open() and ignore SIGTERM.
TEST(Recording, AFifoIsRefusedNotWaitedOn) {
    DataDoc d;
    const std::string fifo = d.dir.File("rec.31l");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    std::vector<std::string> questions;
    WithinSeconds(fifo, [&] {
        d.doc.StartRecordingFromCommandLine(d.dir.File("rec.run"), [&](const std::string& q) {
            questions.push_back(q);
            return true;
        });
        return 0;
    });
    EXPECT_TRUE(questions.empty()) << "a FIFO is not a recording to replace";
    EXPECT_FALSE(d.doc.Recorder().Active());
    ASSERT_FALSE(d.messages.empty());
    EXPECT_NE(d.messages.end()[-2].find("FIFO"), std::string::npos) << d.messages.end()[-2];

    EXPECT_FALSE(WithinSeconds(fifo, [&] { return d.doc.OpenRecordFile(fifo); }));
    EXPECT_FALSE(d.doc.Recorder().Active());

    d.messages.clear();
    EXPECT_FALSE(WithinSeconds(fifo, [&] { return d.doc.OpenPlaybackPath(fifo); }));
    EXPECT_EQ(d.doc.Run().m_playback, 0);
    ASSERT_EQ(d.messages.size(), 1u);
    EXPECT_EQ(d.messages[0].rfind("Error opening file !   \n" + fifo + ": ", 0), 0u)
        << d.messages[0];
    EXPECT_NE(d.messages[0].find("FIFO"), std::string::npos) << d.messages[0];

    struct stat st {};
    ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "left as it was";
}

TEST(Recording, ClosingTheDataFilesStopsTheRecording) {
    DataDoc d;
    ASSERT_TRUE(d.doc.OpenRecordFile(d.dir.File("a.31l")));
    d.doc.CloseDataFiles();
    EXPECT_EQ(d.doc.Recorder().Active(), false)
        << "the record command must not show a recording to nowhere";
    ASSERT_TRUE(d.doc.OpenRecordFile(d.dir.File("b.31l")));
    d.doc.OnCloseDocument();
    EXPECT_FALSE(d.doc.Recorder().Active());
}

TEST(RecordingFailure, AFullDiskStopsRecordingAndKeepsWholeRecords) {
    // The child records under a file-size limit of three and a bit records:
    // the fourth write fails part-way.
    TempDir dir;
    const std::string path = dir.File("full.31l");
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim{3 * 512 + 100, 3 * 512 + 100};
        setrlimit(RLIMIT_FSIZE, &lim);
        CTubescanDoc doc;
        DocumentSpy spy(doc);
        if (!doc.OpenRecordFile(path)) _exit(10);
        for (int i = 0; i < 6; ++i) {
            LoadPing(doc, i);
            doc.AppendRecord();
        }
        if (doc.Recorder().Active()) _exit(11);
        const std::string message = spy.messages.empty() ? std::string() : spy.messages.back();
        if (message.find(path) == std::string::npos) _exit(12);
        if (message.find("3 records") == std::string::npos) _exit(13);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const auto bytes = ReadBytes(path);
    EXPECT_EQ(bytes.size(), 3u * 512u);
    ExpectWholeRecords(bytes, 3);
}

TEST(RecordingFailure, ARemovedFileIsWrittenBackAndRecordingStops) {
    DataDoc d;
    const std::string path = d.dir.File("gone.31l");
    ASSERT_TRUE(d.doc.OpenRecordFile(path));
    for (int i = 0; i < 2; ++i) {
        LoadPing(d.doc, i);
        d.doc.AppendRecord();
    }
    ASSERT_EQ(::unlink(path.c_str()), 0);
    LoadPing(d.doc, 2);
    d.doc.AppendRecord();
    EXPECT_EQ(d.doc.Recorder().Active(), false);
    ASSERT_FALSE(d.messages.empty());
    EXPECT_NE(d.messages.back().find(path), std::string::npos);
    EXPECT_NE(d.messages.back().find("removed"), std::string::npos);
    ExpectWholeRecords(ReadBytes(path), 2);
    EXPECT_EQ(ReadBytes(path).size(), 1024u);
}

TEST(RecordingFailure, ARemovedFolderIsMadeAgainOrTheRecordsGoElsewhereAndTheMessageSaysWhere) {
    DataDoc d;
    const std::string folder = d.dir.File("survey");
    const std::string path = folder + "/run.31l";
    // Removed folder, parent writable: the folder is made again.
    std::filesystem::create_directory(folder);
    ASSERT_TRUE(d.doc.OpenRecordFile(path));
    LoadPing(d.doc, 0);
    d.doc.AppendRecord();
    std::filesystem::remove_all(folder);
    LoadPing(d.doc, 1);
    d.doc.AppendRecord();
    EXPECT_EQ(d.doc.Recorder().Active(), false);
    ExpectWholeRecords(ReadBytes(path), 1);
    EXPECT_NE(d.messages.back().find("kept in " + path), std::string::npos) << d.messages.back();

    // The folder cannot be made again (its parent is now a file): the
    // records land in the user's data folder, and the message says so.
    const std::string blocker = d.dir.File("blocked");
    std::filesystem::create_directory(blocker);
    const std::string path2 = blocker + "/run.31l";
    ASSERT_TRUE(d.doc.OpenRecordFile(path2));
    LoadPing(d.doc, 0);
    d.doc.AppendRecord();
    std::filesystem::remove_all(blocker);
    std::FILE* f = std::fopen(blocker.c_str(), "w");
    ASSERT_TRUE(f);
    std::fclose(f);
    const std::string data = d.dir.File("xdg-data");
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    LoadPing(d.doc, 1);
    d.doc.AppendRecord();
    ::unsetenv("XDG_DATA_HOME");
    const std::string landed = data + "/TubescanL/run.31l";
    ExpectWholeRecords(ReadBytes(landed), 1);
    EXPECT_NE(d.messages.back().find("kept in " + landed), std::string::npos) << d.messages.back();
}

TEST(RecordingFailure, KilledWhileRecordingLeavesWholeRecords) {
    TempDir dir;
    const std::string path = dir.File("killed.31l");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        close(ready[0]);
        CTubescanDoc doc;
        if (!doc.OpenRecordFile(path)) _exit(10);
        // Bounded, in case the kill never came; it comes long before.
        for (int i = 0; i < 200000; ++i) {
            LoadPing(doc, i);
            doc.AppendRecord();
            if (i == 20) {
                const char c = 'r';
                if (write(ready[1], &c, 1) != 1) _exit(11);
            }
        }
        _exit(12);
    }
    close(ready[1]);
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    close(ready[0]);
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status));
    // Everything appended before the kill is in the file without any flush.
    ExpectWholeRecords(ReadBytes(path), 21);
}
