#include "app/CompareCommands.h"

#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

#include "analysis/SurveyComparison.h"
#include "app/CompareSession.h"
#include "app/XyzCommands.h"
#include "doc/CommandIds.h"
#include "doc/CommandMap.h"
#include "doc/ConditionOutput.h"
#include "doc/TubescanDoc.h"
#include "survey/SurveyFile.h"

namespace {

// Every scan's figures of a recording, by the pass every output uses; empty
// when it was cancelled or could not be read (said to the operator).
// With wall, its unrolled cells too.
std::vector<analysis::ScanFigures> FiguresOf(CTubescanDoc& doc, const std::string& input,
                                             QWidget* parent, const QString& label,
                                             analysis::UnrolledByDistance* wall = nullptr) {
    std::vector<analysis::ScanFigures> scans;
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        doc.ShowMessage("No temporary folder for the comparison: nothing is compared.");
        return scans;
    }
    ConditionCsvOutput table;
    table.OnScan([&scans](const analysis::ScanFigures& f) { scans.push_back(f); });
    if (wall) table.OnRow([wall](const analysis::UnrolledRow& row) { wall->Add(row); });
    conversion::Options options = SettingsOf(doc);
    options.points = &table;
    options.replace = true;
    const std::string output =
        QFile::encodeName(scratch.filePath(QStringLiteral("figures.csv"))).toStdString();
    const conversion::Result r = ConvertWithProgress(
        input, output, std::move(options), parent, QStringLiteral("Compare With Recording"), label);
    if (r.outcome == conversion::Outcome::Interrupted) return {};
    if (r.outcome != conversion::Outcome::Converted) {
        doc.ShowMessage("The recording cannot be compared: " + input + " " + r.detail + ".");
        return {};
    }
    if (scans.empty()) doc.ShowMessage(input + " holds no complete scan: nothing is compared.");
    return scans;
}

survey::SurveyDetails DetailsOf(const std::string& recording) {
    return survey::LoadSurveyFile(survey::SidecarPath(recording)).details;
}

} // namespace

std::vector<analysis::ScanFigures> EarlierOnCurrent(std::span<const analysis::ScanFigures> earlier,
                                                    const analysis::Alignment& alignment) {
    std::vector<analysis::ScanFigures> out(earlier.begin(), earlier.end());
    for (analysis::ScanFigures& f : out)
        f.distance = alignment.ToNewer(f.distance);
    return out;
}

bool CompareWithRecording(CTubescanDoc& doc, QWidget* parent, CompareSession& session,
                          const FileDialogRunner& run, const LiveDetails& liveDetails) {
    auto dialog = MakePlaybackFileDialog(doc, parent);
    dialog->setWindowTitle(QStringLiteral("Compare With Recording"));
    if (!run(*dialog) || dialog->selectedFiles().isEmpty()) return false;
    const std::string earlierPath =
        QFile::encodeName(dialog->selectedFiles().first()).toStdString();
    EarlierSurvey earlier;
    earlier.wall = std::make_shared<analysis::UnrolledByDistance>();
    earlier.scans =
        FiguresOf(doc, earlierPath, parent, QStringLiteral("Analysing the earlier recording..."),
                  earlier.wall.get());
    if (earlier.scans.empty()) return false;

    const bool played = doc.Run().m_playback == 1 && !doc.PlaybackFile().path.empty();
    if (!played) {
        const survey::SurveyDetails now = liveDetails ? liveDetails() : survey::SurveyDetails{};
        const bool aligning = session.ShowLive(std::move(earlier),
                                               analysis::DirectionOf(DetailsOf(earlierPath), now));
        doc.ShowMessage("The earlier recording " + earlierPath + " is drawn dashed" +
                        (aligning
                             ? ", lined up with the survey so far and again every " +
                                   std::to_string(static_cast<int>(CompareSession::kRealignEvery)) +
                                   " m as it goes on (the Unrolled dock says how well)."
                             : " on its own distances until this survey has scans to line it up "
                               "with; from then on it is lined up as the survey goes on."));
        return true;
    }
    const std::string currentPath = doc.PlaybackFile().path;
    const std::vector<analysis::ScanFigures> current =
        FiguresOf(doc, currentPath, parent, QStringLiteral("Analysing the played recording..."));
    if (current.empty()) return false;
    analysis::CompareOptions how;
    const analysis::Comparison c = analysis::CompareSurveys(
        earlier.scans, current,
        analysis::DirectionOf(DetailsOf(earlierPath), DetailsOf(currentPath)), how);
    if (!std::isfinite(c.alignment.correlation)) {
        doc.ShowMessage("The two recordings cannot be lined up: too little of either is measured "
                        "along the pipe.");
        return false;
    }
    const analysis::Alignment& a = c.alignment;
    session.ShowPlayed(std::move(earlier), a);
    const std::string why =
        a.uncertain ? " (uncertain, " + analysis::UncertainWhy(a) + ": check by eye)" : "";
    char text[400];
    std::snprintf(text, sizeof text,
                  "The earlier recording is drawn dashed, lined up with this one: %s, scale "
                  "%.4f, offset %+.2f m, correlation %.3f%s. %zu stretches changed over their "
                  "detection limit (tubescan-convert --compare lists them).",
                  a.reversed ? "made the other way" : "made the same way", a.scale, a.offset,
                  a.correlation, why.c_str(), c.stretches.size());
    doc.ShowMessage(earlierPath + ": " + text);
    return true;
}

void AddCompareCommand(CommandMap& map, CTubescanDoc& doc, QWidget* parent, CompareSession& session,
                       LiveDetails liveDetails) {
    QPointer<CompareSession> guard(&session);
    map.Add(cmd::kCompareRecording,
            {[&doc, parent, guard, liveDetails = std::move(liveDetails)](int) {
                 if (guard) CompareWithRecording(doc, parent, *guard, RunFileDialog, liveDetails);
             },
             {}});
}
