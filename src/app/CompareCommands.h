// File > "Compare With Recording...": an earlier recording of the pipe in
// view is analysed again and its figures drawn dashed in the Pipe Condition
// chart beside the current ones. In playback the two recordings are lined up
// first (direction from their survey details, odometer scale and start from
// their profiles); live, where the current survey is not yet whole, the
// earlier one is drawn on its own distances.
#pragma once

#include <span>
#include <vector>

#include "analysis/SurveyAlignment.h"
#include "app/DataFileDialogs.h"

class CommandMap;
class CTubescanDoc;
class PipeConditionPanel;
class QWidget;

// The earlier survey's scans with their distances put on the current one's.
std::vector<analysis::ScanFigures> EarlierOnCurrent(std::span<const analysis::ScanFigures> earlier,
                                                    const analysis::Alignment& alignment);

// Runs the command: a file dialog, the analysis behind a progress dialog,
// the panel's dashed profile, and a message with the alignment found. False
// when nothing was shown.
bool CompareWithRecording(CTubescanDoc& doc, QWidget* parent, PipeConditionPanel& panel,
                          const FileDialogRunner& run = RunFileDialog);

void AddCompareCommand(CommandMap& map, CTubescanDoc& doc, QWidget* parent,
                       PipeConditionPanel& panel);
