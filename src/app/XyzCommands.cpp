#include "app/XyzCommands.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <thread>

#include "doc/DataOutcomes.h"
#include "doc/GeoJsonOutput.h"
#include "doc/PointCloudOutput.h"
#include "doc/RecordConversion.h"
#include "doc/TubescanDoc.h"
#include "format/RecordFileName.h"
#include "survey/SurveyFile.h"

// Runs the pass on a thread of its own while the window stays alive: the
// dialog shows how far it has come, and Cancel stops the pass, which then
// leaves no file behind.
conversion::Result ConvertWithProgress(const std::string& input, const std::string& output,
                                       conversion::Options options, QWidget* parent,
                                       const QString& title, const QString& label) {
    QProgressDialog progress(label, QStringLiteral("Cancel"), 0, 100, parent);
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    std::atomic<int> cancelled{0}, percent{0};
    options.stop = &cancelled;
    options.progress = [&percent](int p) { percent.store(p, std::memory_order_relaxed); };
    QObject::connect(&progress, &QProgressDialog::canceled, [&cancelled] { cancelled.store(1); });
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        // cancel() says nothing by signal: the flag is looked at here too.
        if (progress.wasCanceled())
            cancelled.store(1);
        else
            progress.setValue(std::min(percent.load(), 99));
    });
    poll.start(50);
    conversion::Result result;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        result = conversion::ConvertRecordFile(input, output, options);
        done.store(true);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    if (!done.load()) loop.exec();
    worker.join();
    poll.stop();
    progress.reset();
    return result;
}

conversion::Options SettingsOf(const CTubescanDoc& doc) {
    conversion::Options options;
    options.settings = IniFile::Load(doc.SettingsPath());
    return options;
}

bool ConvertToXyzCommand(CTubescanDoc& doc, QWidget* parent, const FileDialogRunner& run) {
    auto dialog = MakePlaybackFileDialog(doc, parent);
    if (!run(*dialog) || dialog->selectedFiles().isEmpty()) return false;
    const std::string input = QFile::encodeName(dialog->selectedFiles().first()).toStdString();
    // The name comes from the full path, never from a cut copy of it.
    const std::string output = record::XyzPathFor(input);
    conversion::Options options = SettingsOf(doc);
    options.replace = true; // the menu's conversion has always written over its .xyz
    const conversion::Result r = ConvertWithProgress(input, output, std::move(options), parent,
                                                     QStringLiteral("Convert .31L file to .xyz"),
                                                     QStringLiteral("Converting to .xyz..."));
    switch (r.outcome) {
    case conversion::Outcome::Converted:
        doc.ShowMessage(ConversionEndMessage(ConversionEnd::Finished, output));
        return true;
    case conversion::Outcome::Interrupted:
        doc.ShowMessage("The conversion to " + output + " was cancelled; nothing was written.");
        return false;
    case conversion::Outcome::OutputFailed:
    case conversion::Outcome::OutputExists:
    case conversion::Outcome::OutputIsInput: {
        // Nothing is left under the .xyz's name: a file that could not be
        // created, or one whose writing failed and was removed.
        static const std::string kCreating = " Error Creating XYZ File!";
        std::string why = r.detail;
        if (why.size() >= kCreating.size() &&
            why.compare(why.size() - kCreating.size(), kCreating.size(), kCreating) == 0)
            why.resize(why.size() - kCreating.size());
        doc.ShowMessage(why);
        doc.ShowMessage("Error Creating XYZ File!");
        return false;
    }
    case conversion::Outcome::NotRecordFileName:
        doc.ShowMessage(PlaybackOpenMessage(PlaybackOpen::NotRecording));
        return false;
    case conversion::Outcome::NoRecords:
        doc.ShowMessage(PlaybackOpenMessage(PlaybackOpen::NoRecords));
        return false;
    case conversion::Outcome::Unreadable:
        doc.ShowMessage(input + " " + r.detail + ".");
        return false;
    }
    return false;
}

bool CanExportPointCloud(const CTubescanDoc& doc) {
    return doc.Run().m_playback == 1 && !doc.PlaybackFile().path.empty();
}

namespace {

// What one export of the played file is called and where it goes.
struct Export {
    QString title, filter;
    const char* suffix;
    QString progress;
    std::string noun; // "point cloud", "map"
};

// A save dialog, then the played file read again from its start in a pass
// of its own, with the settings file's values and the recording's survey
// details (its nodes place the outputs that can be placed).
bool ExportPlayedFile(CTubescanDoc& doc, QWidget* parent, const FileDialogRunner& run,
                      const Export& what, conversion::PointOutput& out) {
    if (!CanExportPointCloud(doc)) return false;
    const std::string input = doc.PlaybackFile().path;
    QFileDialog dialog(parent, what.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(what.filter);
    dialog.setDefaultSuffix(QString::fromLatin1(what.suffix));
    dialog.selectFile(QFile::decodeName(
        QByteArray::fromStdString(conversion::PathWithExtension(input, what.suffix))));
    if (!run(dialog) || dialog.selectedFiles().isEmpty()) return false;
    const std::string output = QFile::encodeName(dialog.selectedFiles().first()).toStdString();

    conversion::Options options = SettingsOf(doc);
    options.replace = true; // the dialog has asked
    options.points = &out;
    const survey::LoadResult details = survey::LoadSurveyFile(survey::SidecarPath(input));
    if (details.present && details.error.empty()) options.survey = &details.details;
    // The playback on screen waits where it is until the export is done.
    const auto restoreHold =
        qScopeGuard([&doc, was = doc.Run().m_hold] { doc.Run().m_hold = was; });
    doc.Run().m_hold = 1;
    // A long survey takes a while: its progress is shown, and Cancel stops
    // the pass and leaves no file.
    const conversion::Result r =
        ConvertWithProgress(input, output, std::move(options), parent, what.title, what.progress);
    if (r.outcome == conversion::Outcome::Interrupted) {
        doc.ShowMessage("The " + what.noun + " export was cancelled; nothing was written.");
        return false;
    }
    if (r.outcome != conversion::Outcome::Converted) {
        doc.ShowMessage("The " + what.noun + " was not written: " + input + " " + r.detail + ".");
        return false;
    }
    std::string noun = what.noun;
    noun[0] = static_cast<char>(noun[0] - 'a' + 'A');
    std::string message =
        noun + " written to " + output + " (" + std::to_string(r.lines) + " points).";
    if (const std::string notes = out.Notes(); !notes.empty()) message += " Note: " + notes + ".";
    doc.ShowMessage(message);
    return true;
}

} // namespace

bool ExportPointCloudCommand(CTubescanDoc& doc, QWidget* parent, const FileDialogRunner& run,
                             PointCloudOutput::Format format) {
    const bool las = format == PointCloudOutput::Format::Las;
    PointCloudOutput cloud(format);
    return ExportPlayedFile(
        doc, parent, run,
        {QStringLiteral("Export Point Cloud"),
         las ? QStringLiteral("LAS point cloud (*.las)") : QStringLiteral("Point cloud (*.ply)"),
         las ? "las" : "ply", QStringLiteral("Exporting point cloud..."), "point cloud"},
        cloud);
}

bool ExportMapCommand(CTubescanDoc& doc, QWidget* parent, const FileDialogRunner& run) {
    GeoJsonOutput map({}, {});
    return ExportPlayedFile(doc, parent, run,
                            {QStringLiteral("Export Map"),
                             QStringLiteral("GeoJSON map (*.geojson)"), "geojson",
                             QStringLiteral("Placing the survey on the map..."), "map"},
                            map);
}
