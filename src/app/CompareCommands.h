// File > "Compare With Recording...": an earlier recording of the pipe in
// view is analysed again and its figures drawn dashed in the Pipe Condition
// chart beside the current ones, and the Unrolled dock can show the change of
// the wall since then. In playback the two recordings are lined up first
// (direction from their survey details, odometer scale and start from their
// profiles); live, the survey so far is lined up with it, and again as it
// grows (CompareSession).
#pragma once

#include <functional>
#include <span>
#include <vector>

#include "analysis/SurveyAlignment.h"
#include "app/DataFileDialogs.h"
#include "format/SurveyDetails.h"

class CommandMap;
class CompareSession;
class CTubescanDoc;
class QWidget;

// The earlier survey's scans with their distances put on the current one's.
std::vector<analysis::ScanFigures> EarlierOnCurrent(std::span<const analysis::ScanFigures> earlier,
                                                    const analysis::Alignment& alignment);

// The details of the survey being made live (its direction and nodes).
using LiveDetails = std::function<survey::SurveyDetails()>;

// Runs the command: a file dialog, the analysis behind a progress dialog,
// the earlier survey handed to the session (which the docks follow), and a
// message with the alignment found. False when nothing was shown.
bool CompareWithRecording(CTubescanDoc& doc, QWidget* parent, CompareSession& session,
                          const FileDialogRunner& run = RunFileDialog,
                          const LiveDetails& liveDetails = {});

void AddCompareCommand(CommandMap& map, CTubescanDoc& doc, QWidget* parent, CompareSession& session,
                       LiveDetails liveDetails);
