// Converting one ".31l" recording to its ".xyz" text without the program's
// windows: a fresh document with the program's settings reads the file record
// by record and puts each through the very step interactive playback uses
// (PlayRecord: settings, ping processing, the point emitted), so the lines
// are the program's lines to the byte.
#pragma once

#include <atomic>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "analysis/PipeCondition.h"
#include "analysis/ProfileSample.h"
#include "doc/SonarSettings.h"
#include "format/IniFile.h"
#include "format/RecordFileName.h"
#include "format/SurveyDetails.h"

namespace analysis {
struct ScanFigures;
}

class CTubescanDoc;

namespace conversion {

// What the records of a pass say of the speed of sound they were taken with
// (bytes 46-47), against the speed the pass turned their ranges into metres
// with. Only ever told: the speed used is the pass's own.
struct StoredSpeeds {
    std::uint64_t readable = 0;   // records with a stored speed of 1400 to 1600 m/s
    std::uint64_t unreadable = 0; // none stored, or one outside 1400 to 1600 m/s
    std::uint64_t differing = 0;  // readable, and more than 0.1 % from the speed used
    double firstDiffering = NAN;  // m/s, the first of those
};

// What an output learns of the pass it is fed by; it stays valid until the
// output's Finish.
struct PassContext {
    // The settings the records are played with: playback sets each
    // record's range and gain in them before its points are handed out.
    const SonarSettings* settings = nullptr;
    analysis::NominalPipe pipe; // the settings' nominal pipe
    // Whether the ping in hand took its pitch from the orientation sensor.
    std::function<bool()> pitchFromSensor;
};

// The context of a pass played by doc.
PassContext PassContextOf(const CTubescanDoc& doc);

// An output other than the .xyz lines, fed every profile point of the pass.
class PointOutput {
  public:
    virtual ~PointOutput() = default;
    // Creates path for the pass described by pass; false with errno's
    // value in *error when it cannot.
    virtual bool Create(const std::string& path, const PassContext& pass, int* error) = 0;
    virtual void Add(const analysis::ProfileSample& sample) = 0;
    // Writes what is left and closes; false when any write failed.
    virtual bool Finish() = 0;
    virtual std::uint64_t Points() const = 0;
    // Why Finish failed when the cause was the points, not the disk: a point
    // the format cannot hold. Empty otherwise.
    virtual std::string Refusal() const { return {}; }
    // errno's value of the write that failed, once Finish has said false;
    // 0 when the output failed for another reason or cannot tell.
    virtual int WriteError() const { return 0; }
    // An output that analyses every scan anyway hands each scan's figures
    // to onScan as it works them out (in the scans' order, perhaps on a
    // thread of its own) and says true; one that analyses nothing says false.
    using ScanHook = std::function<void(const analysis::ScanFigures&)>;
    virtual bool OnScan(ScanHook) { return false; }
    // Told, before Finish, what the records said of their speed of sound.
    virtual void NoteStoredSpeeds(const StoredSpeeds&) {}
    // Puts in place any file written beside the output, once the output
    // itself is about to be: a conversion that fails leaves no half of a
    // pair and keeps the earlier one. False, with why, when it cannot.
    virtual bool Commit(std::string* why) {
        (void)why;
        return true;
    }
    // What the operator should hear about a pass that nothing stopped (text
    // that had to be changed to fit a file, say), once; empty when nothing.
    virtual std::string Notes() const { return {}; }

    // The survey the recording belongs to, named in every output that has
    // room for it; empty details (the default) leave the outputs as they
    // are without them. Set before Create.
    void SetDetails(const survey::SurveyDetails& details) { m_details = details; }
    const survey::SurveyDetails& Details() const { return m_details; }

  private:
    survey::SurveyDetails m_details;
};

// The same with "csv": where the pipe-condition table goes.
std::string CsvPathFor(const std::string& input);
// The recording name rules, where the converter's callers look for them.
using record::HasRecordFileName;
using record::PathWithExtension;
using record::XyzPathFor;

enum class Outcome {
    Converted,
    NotRecordFileName, // the name does not end in ".31l"
    Unreadable,        // the file cannot be opened or read
    NoRecords,         // too short, or not one usable record in it
    OutputExists,      // the .xyz is there and replacing was not asked for
    OutputIsInput,     // the output path names the input file, or is a .31l name
    OutputFailed,      // the .xyz could not be created or written
    Interrupted,       // *stop was set; nothing was left behind
};

struct Result {
    Outcome outcome = Outcome::Converted;
    std::uint64_t lines = 0;
    std::string detail; // what went wrong, for the operator
    // Bytes after the last whole record that make no record (a recording
    // cut short): left out, and worth telling.
    std::uint64_t cutTail = 0;
    StoredSpeeds stored;
};

struct Options {
    IniFile settings; // the program's settings file (empty: its defaults)
    bool replace = false;
    // Progress in percent of the file, called when it changes.
    std::function<void(int)> progress;
    // When set, the pass writes this output instead of the .xyz lines.
    PointOutput* points = nullptr;
    // Also handed every profile point of the pass, whatever the output.
    std::function<void(const analysis::ProfileSample&)> tap;
    // The pass only hands its points to tap: no output is created, looked
    // at or replaced (the figures of a recording whose output is already
    // there), and points is not used.
    bool analyseOnly = false;
    // Checked between records: when it holds anything but 0 the pass stops
    // and its temporary file is removed (a signal handler sets it).
    const std::atomic<int>* stop = nullptr;
    // The speed of sound, m/s, to turn every record's ranges into metres
    // with instead of the settings' (a survey corrected afterwards).
    std::optional<double> soundVelocity;
    // The survey details of the recording (nullptr: none), handed to the
    // output before the pass.
    const survey::SurveyDetails* survey = nullptr;
};

// One line for the operator when the records disagree with the speed used
// or carry a speed that cannot be read; empty when there is nothing to say.
// Brief: short enough for a line of the report.
std::string StoredSpeedsNote(const StoredSpeeds& stored, double speedUsed, bool brief = false);

// Converts input to output. The .xyz is written beside the output under a
// temporary name and renamed into place only when it is complete, so an
// interrupted run never leaves a partial file that looks finished.
Result ConvertRecordFile(const std::string& input, const std::string& output,
                         const Options& options);

} // namespace conversion
