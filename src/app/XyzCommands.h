// The File menu's conversions: "Convert .31L file to .xyz..." (32956) and
// the point-cloud exports. Each runs the converter's own pass on a worker
// thread behind a progress dialog that can cancel.
#pragma once

#include "app/DataFileDialogs.h"
#include "doc/PointCloudOutput.h"
#include "doc/RecordConversion.h"

#include <QString>

class CTubescanDoc;
class QWidget;

// Command 32956: the open dialog of a data file, then FILE.31l becomes
// FILE.xyz (replaced when there) in a pass of its own, with the settings
// file's values; the playback is not touched. Says what came of it in a
// message; true when the .xyz was written.
bool ConvertToXyzCommand(CTubescanDoc& doc, QWidget* parent,
                         const FileDialogRunner& run = RunFileDialog);

// "Export Point Cloud (.ply)..." and "(.las)..." of the file being played
// back: a save dialog (FILE.ply or FILE.las beside it by default), then the
// file is read again from its start, with the settings file's values, in a
// pass of its own, so the playback on screen is left where it is. Says what
// came of it in a message; true when the cloud was written.
bool ExportPointCloudCommand(CTubescanDoc& doc, QWidget* parent,
                             const FileDialogRunner& run = RunFileDialog,
                             PointCloudOutput::Format format = PointCloudOutput::Format::Ply);
// "Export Map (.geojson)..." of the file being played back: the same, the
// survey's axis and findings placed by the nodes' coordinates of its
// FILE.survey.json (a message says why when it has none).
bool ExportMapCommand(CTubescanDoc& doc, QWidget* parent,
                      const FileDialogRunner& run = RunFileDialog);
// Whether the export can run: a file is being played back.
bool CanExportPointCloud(const CTubescanDoc& doc);

// Runs a pass on a thread of its own behind a progress dialog whose Cancel
// stops it (the pass then leaves no file behind).
conversion::Result ConvertWithProgress(const std::string& input, const std::string& output,
                                       conversion::Options options, QWidget* parent,
                                       const QString& title, const QString& label);
// A pass's options with the program's settings file.
conversion::Options SettingsOf(const CTubescanDoc& doc);
