#include "app/XyzCommands.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QProgressDialog>
#include <QScopeGuard>

#include <algorithm>
#include <atomic>

#include "doc/CommandIds.h"
#include "doc/PointCloudOutput.h"
#include "doc/RecordConversion.h"
#include "doc/TubescanDoc.h"

bool ConvertToXyzCommand(CTubescanDoc& doc, QWidget* parent, const FileDialogRunner& run) {
    return doc.StartXyzConversion([&] { return OpenPlaybackFile(doc, parent, run); });
}

bool CanExportPointCloud(const CTubescanDoc& doc) {
    return doc.m_playback == 1 && !doc.m_play.path.empty();
}

bool ExportPointCloudCommand(CTubescanDoc& doc, QWidget* parent, const FileDialogRunner& run,
                             PointCloudOutput::Format format) {
    if (!CanExportPointCloud(doc)) return false;
    const std::string input = doc.m_play.path;
    const bool las = format == PointCloudOutput::Format::Las;
    const char* suffix = las ? "las" : "ply";
    QFileDialog dialog(parent, QStringLiteral("Export Point Cloud"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(las ? QStringLiteral("LAS point cloud (*.las)")
                             : QStringLiteral("Point cloud (*.ply)"));
    dialog.setDefaultSuffix(QString::fromLatin1(suffix));
    dialog.selectFile(
        QFile::decodeName(QByteArray::fromStdString(conversion::PathWithExtension(input, suffix))));
    if (!run(dialog) || dialog.selectedFiles().isEmpty()) return false;
    const std::string output = QFile::encodeName(dialog.selectedFiles().first()).toStdString();

    conversion::Options options;
    options.settings = IniFile::Load(doc.m_iniPath);
    options.replace = true; // the dialog has asked
    PointCloudOutput cloud(format);
    options.points = &cloud;
    // A long survey takes a while: its progress is shown, and Cancel stops
    // the pass and leaves no file.
    QProgressDialog progress(QStringLiteral("Exporting point cloud..."), QStringLiteral("Cancel"),
                             0, 100, parent);
    progress.setWindowTitle(QStringLiteral("Export Point Cloud"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    // The playback on screen waits where it is until the export is done.
    const auto restoreHold = qScopeGuard([&doc, was = doc.m_hold] { doc.m_hold = was; });
    doc.m_hold = 1;
    std::atomic<int> cancelled{0};
    options.stop = &cancelled;
    options.progress = [&](int percent) {
        progress.setValue(std::min(percent, 99));
        QCoreApplication::processEvents();
        if (progress.wasCanceled()) cancelled.store(1);
    };
    const conversion::Result r = conversion::ConvertRecordFile(input, output, options);
    progress.reset();
    if (r.outcome == conversion::Outcome::Interrupted) {
        doc.ShowMessage("The point cloud export was cancelled; nothing was written.");
        return false;
    }
    if (r.outcome != conversion::Outcome::Converted) {
        doc.ShowMessage("The point cloud was not written: " + input + " " + r.detail + ".");
        return false;
    }
    doc.ShowMessage("Point cloud written to " + output + " (" + std::to_string(r.lines) +
                    " points).");
    return true;
}

namespace {

int CommandId(const QAction& action) {
    bool ok = false;
    const int id = action.data().toInt(&ok);
    return ok ? id : 0;
}

} // namespace

bool IsXyzCommand(const QAction& action) {
    switch (CommandId(action)) {
    case cmd::kConvertToXyz:
    case cmd::kUdpXyzOutput:
    case cmd::kUdpPrdOutput:
    case cmd::kUdpAddress:
        return true;
    default:
        return false;
    }
}

void RunXyzCommand(const QAction& action, CTubescanDoc& doc, QWidget* parent) {
    switch (const int id = CommandId(action)) {
    case cmd::kConvertToXyz:
        ConvertToXyzCommand(doc, parent);
        break;
    case cmd::kUdpXyzOutput:
    case cmd::kUdpPrdOutput:
        doc.OnUdpOutputCommand(id);
        break;
    default:
        break;
    }
}

void UpdateXyzCommand(QAction& action, const CTubescanDoc& doc) {
    switch (const int id = CommandId(action)) {
    case cmd::kUdpXyzOutput:
    case cmd::kUdpPrdOutput:
        action.setEnabled(true);
        action.setCheckable(true);
        action.setChecked(doc.IsUdpOutputChecked(id));
        break;
    case cmd::kUdpAddress:
        action.setEnabled(false);
        break;
    default:
        break;
    }
}
