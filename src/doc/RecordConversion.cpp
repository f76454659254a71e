#include "doc/RecordConversion.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "analysis/SoundSpeed.h"
#include "doc/ConditionOutput.h"
#include "doc/TubescanDoc.h"
#include "format/NumberText.h"
#include "format/RecordFileName.h"

namespace conversion {

namespace fs = std::filesystem;

std::string CsvPathFor(const std::string& input) {
    if (input.size() < 3) return "csv";
    return input.substr(0, input.size() - 3) + "csv";
}

namespace {

Result Failed(Outcome outcome, std::string detail) {
    Result r;
    r.outcome = outcome;
    r.detail = std::move(detail);
    return r;
}

std::string Joined(const std::vector<std::string>& messages) {
    std::string all;
    for (const auto& m : messages) {
        if (m == "Conversion Complete!") continue;
        if (!all.empty()) all += " ";
        all += m;
    }
    return all;
}

// Removes the temporary file whatever happens to the conversion.
class TemporaryFile {
  public:
    explicit TemporaryFile(std::string path) : m_path(std::move(path)) {}
    ~TemporaryFile() {
        if (!m_kept) {
            std::error_code ec;
            fs::remove(m_path, ec);
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::string& Path() const { return m_path; }
    void Keep() { m_kept = true; }

  private:
    std::string m_path;
    bool m_kept = false;
};

// Why the output's name must not be written over; empty when it is free or a
// regular file. The link itself is looked at, never what it points to.
std::string NotReplaceable(const std::string& output) {
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(output, ec);
    if (ec || !fs::exists(st) || fs::is_regular_file(st)) return {};
    const char* what = fs::is_symlink(st)     ? "a symbolic link"
                       : fs::is_directory(st) ? "a folder"
                                              : "a device or other special file";
    return output + " is " + what + "; only a regular file is ever replaced";
}

void CountStoredSpeed(StoredSpeeds& stored, const record::RecordSettings& settings, double used) {
    const std::optional<double> speed = record::StoredSoundVelocity(settings);
    if (!speed || !analysis::IsAcceptedSoundSpeed(*speed)) {
        ++stored.unreadable;
        return;
    }
    ++stored.readable;
    if (analysis::SpeedsDiffer(used, *speed) && stored.differing++ == 0)
        stored.firstDiffering = *speed;
}

} // namespace

std::string StoredSpeedsNote(const StoredSpeeds& s, double used, bool brief) {
    std::string note;
    if (s.differing > 0)
        note = brief
                   ? "the records say " + FormatFixed(s.firstDiffering, 1) +
                         " m/s; their ranges were scaled at " + FormatFixed(used, 1) + " m/s"
                   : "the ranges were turned into metres at " + FormatFixed(used, 1) +
                         " m/s; the recording says it was made at " +
                         FormatFixed(s.firstDiffering, 1) + " m/s (" + std::to_string(s.differing) +
                         " of " + std::to_string(s.readable + s.unreadable) + " records)";
    if (s.unreadable > 0)
        note += (note.empty() ? "" : "; ") + std::to_string(s.unreadable) +
                (brief ? " records without a readable speed"
                       : " records carry no readable speed of sound (left as they were)");
    return note;
}

PassContext PassContextOf(const CTubescanDoc& doc) {
    PassContext pass;
    pass.settings = &doc.Settings();
    pass.pipe = NominalPipeOf(doc);
    pass.pitchFromSensor = [&doc] {
        return doc.RecordedOrientationInput() && doc.Sensors().pitchValid;
    };
    return pass;
}

Result ConvertRecordFile(const std::string& input, const std::string& output,
                         const Options& options) {
    if (!record::HasRecordFileName(input))
        return Failed(Outcome::NotRecordFileName, "not a \".31l\" data file name");

    std::error_code ec;
    const fs::file_status status = fs::status(input, ec);
    if (ec || !fs::exists(status))
        return Failed(Outcome::Unreadable, "cannot be read: " + std::string(std::strerror(ENOENT)));
    // A pipe or device under a data-file name would block or never end.
    if (fs::is_directory(status)) return Failed(Outcome::Unreadable, "is a folder");
    if (!fs::is_regular_file(status)) return Failed(Outcome::Unreadable, "is not a regular file");
    if (::access(input.c_str(), R_OK) != 0)
        return Failed(Outcome::Unreadable, "cannot be read: " + std::string(std::strerror(errno)));

    // Only a regular file is ever replaced: a device, a folder or a symbolic
    // link under the output's name stays as it is, --force or not.
    if (const std::string why = options.analyseOnly ? std::string() : NotReplaceable(output);
        !why.empty())
        return Failed(Outcome::OutputFailed, why);
    if (!options.analyseOnly && fs::exists(output, ec) && fs::equivalent(input, output, ec))
        return Failed(Outcome::OutputIsInput, "the output " + output + " is the input itself");
    // Nor any other recording, --force or not: a text or a drawing under a
    // recording's name is a slip of the keyboard that would cost a survey.
    if (!options.analyseOnly && record::HasRecordFileName(output))
        return Failed(Outcome::OutputIsInput,
                      output + " is a recording's name; no output is ever written as one");
    if (!options.analyseOnly && !options.replace && fs::exists(output, ec))
        return Failed(Outcome::OutputExists, output + " exists (--force replaces it)");

    CTubescanDoc doc;
    doc.LoadSettings(options.settings);
    if (options.soundVelocity) doc.Settings().m_soundVelocity = *options.soundVelocity;
    const double speedUsed = doc.Settings().m_soundVelocity;
    StoredSpeeds stored;
    // What the document would tell an operator becomes part of the outcome.
    struct Messages : DocumentObserver {
        std::vector<std::string> list;
        bool OnMessage(const std::string& m) override {
            list.push_back(m);
            return true;
        }
    } messages;
    doc.AddObserver(&messages);

    switch (doc.OpenPlayback(input)) {
    case PlaybackOpen::Opened:
        break;
    case PlaybackOpen::NotRecording:
        return Failed(Outcome::NotRecordFileName, "not a \".31l\" data file name");
    case PlaybackOpen::NoRecords:
        return Failed(Outcome::NoRecords, "has no records (shorter than 100 bytes)");
    case PlaybackOpen::Unreadable:
        return Failed(Outcome::Unreadable, "cannot be read: " + Joined(messages.list));
    }

    // The points go to the .xyz, or, when another output is asked for, to
    // it instead; a tap sees them either way.
    TemporaryFile temporary(output + ".part" + std::to_string(::getpid()));
    int error = 0;
    const PassContext pass = PassContextOf(doc);
    std::uint64_t tapped = 0;
    if (options.analyseOnly) {
        temporary.Keep(); // nothing of this pass's to remove
        doc.Outputs().SetSampleSink(std::make_shared<FunctionSampleSink>(
            [&options, &tapped](const analysis::ProfileSample& s) {
                ++tapped;
                if (options.tap) options.tap(s);
            }));
    } else if (options.points) {
        if (options.survey) options.points->SetDetails(*options.survey);
        if (!options.points->Create(temporary.Path(), pass, &error)) {
            // Details the output cannot use are its reason, not the disk.
            const std::string refusal = options.points->Refusal();
            return Failed(Outcome::OutputFailed, !refusal.empty()
                                                     ? "cannot write " + output + ": " + refusal
                                                     : FileErrorReport(output, error));
        }
        doc.Outputs().SetSampleSink(
            std::make_shared<FunctionSampleSink>([&options](const analysis::ProfileSample& s) {
                options.points->Add(s);
                if (options.tap) options.tap(s);
            }));
    } else {
        if (!doc.Outputs().StartXyz(temporary.Path(), &error))
            return Failed(Outcome::OutputFailed,
                          FileErrorReport(temporary.Path(), error) + " Error Creating XYZ File!");
        if (options.tap)
            doc.Outputs().SetSampleSink(std::make_shared<FunctionSampleSink>(options.tap));
    }

    // One pass through the file, record by record, without drawing.
    const auto stopped = [&options] {
        return options.stop && options.stop->load(std::memory_order_relaxed) != 0;
    };
    const std::uint64_t length = doc.PlaybackFile().length;
    int lastPercent = -1;
    std::uint64_t count = 0;
    PlayedRecord record;
    while (doc.PlaybackFile().Next(record)) {
        if ((count++ & 63) == 0 && stopped()) {
            doc.Outputs().CloseXyz();
            return Failed(Outcome::Interrupted, "interrupted; no output written");
        }
        CountStoredSpeed(stored, record.settings, speedUsed);
        doc.PlayRecord(record, PingDrawing::PointsOnly);
        if (options.progress) {
            const int percent = static_cast<int>(
                std::min<std::uint64_t>(100, doc.PlaybackFile().file.Position() * 100 / length));
            if (percent != lastPercent) options.progress(percent);
            lastPercent = percent;
        }
        if (record.last) break;
    }
    if (options.analyseOnly) {
        if (stopped()) return Failed(Outcome::Interrupted, "interrupted");
        if (tapped == 0) return Failed(Outcome::NoRecords, "has no usable records");
        Result result;
        result.stored = stored;
        result.lines = tapped;
        if (length > doc.PlaybackFile().filePosition + 3)
            result.cutTail = length - doc.PlaybackFile().filePosition;
        return result;
    }
    if (options.points) options.points->NoteStoredSpeeds(stored);
    const bool written = options.points ? options.points->Finish() : doc.Outputs().FinishXyz();
    if (!written) {
        // A point the format cannot hold, else the system's own reason where
        // there is one (a full disk, a quota).
        const std::string refusal = options.points ? options.points->Refusal() : std::string();
        const int why =
            options.points ? options.points->WriteError() : doc.Outputs().Xyz().WriteError();
        return Failed(Outcome::OutputFailed,
                      "cannot write " + output + ": " +
                          (!refusal.empty() ? refusal
                           : why != 0       ? std::string(std::strerror(why))
                                            : std::string("disk full or removed?")));
    }

    // A report takes a while to draw after the last record.
    if (stopped()) return Failed(Outcome::Interrupted, "interrupted; no output written");

    Result result;
    result.stored = stored;
    result.lines = options.points ? options.points->Points() : doc.Outputs().Xyz().LinesWritten();
    // The same slack a record's end may leave before the file's as the
    // playback allows.
    if (length > doc.PlaybackFile().filePosition + 3)
        result.cutTail = length - doc.PlaybackFile().filePosition;
    if (result.lines == 0) return Failed(Outcome::NoRecords, "has no usable records");

    if (!options.replace && fs::exists(fs::symlink_status(output, ec)))
        return Failed(Outcome::OutputExists, output + " appeared during the conversion");
    if (const std::string why = NotReplaceable(output); !why.empty())
        return Failed(Outcome::OutputFailed, why);
    if (std::string why; options.points && !options.points->Commit(&why))
        return Failed(Outcome::OutputFailed, why);
    fs::rename(temporary.Path(), output, ec);
    if (ec) return Failed(Outcome::OutputFailed, "cannot create " + output + ": " + ec.message());
    temporary.Keep();
    return result;
}

} // namespace conversion
