#include "app/DataCommands.h"

#include "app/DataFileDialogs.h"
#include "app/XyzCommands.h"
#include "doc/CommandIds.h"
#include "doc/CommandMap.h"
#include "doc/TubescanDoc.h"

void AddDataCommands(CommandMap& map, CTubescanDoc& doc, QWidget* owner,
                     std::function<void()> recordingStarted) {
    map.Add(cmd::kRecord, {[&doc, owner, recordingStarted](int) {
                               const bool was = doc.Recorder().Active();
                               ToggleRecordingCommand(doc, owner);
                               if (!was && doc.Recorder().Active() && recordingStarted)
                                   recordingStarted();
                           },
                           [&doc](int) {
                               return CommandUi{true, doc.Recorder().Active()};
                           }});
    map.Add(cmd::kSetRecordDirectory,
            {[&doc, owner](int) { PickRecordDirectory(doc, owner); }, {}});
    map.Add(cmd::kOpenPlayback, {[&doc, owner](int) {
                                     doc.Run().m_hold = 0;
                                     OpenPlaybackFile(doc, owner);
                                 },
                                 {}});

    map.Add(cmd::kConvertToXyz, {[&doc, owner](int) { ConvertToXyzCommand(doc, owner); }, {}});
    map.Add(cmd::kExportPointCloud, {[&doc, owner](int) { ExportPointCloudCommand(doc, owner); },
                                     [&doc](int) {
                                         return CommandUi{CanExportPointCloud(doc), std::nullopt};
                                     }});
    map.Add(cmd::kExportLasCloud, {[&doc, owner](int) {
                                       ExportPointCloudCommand(doc, owner, RunFileDialog,
                                                               PointCloudOutput::Format::Las);
                                   },
                                   [&doc](int) {
                                       return CommandUi{CanExportPointCloud(doc), std::nullopt};
                                   }});
    map.Add(cmd::kExportGeoJson, {[&doc, owner](int) { ExportMapCommand(doc, owner); },
                                  [&doc](int) {
                                      return CommandUi{CanExportPointCloud(doc), std::nullopt};
                                  }});
    map.AddRange(cmd::kUdpXyzOutput, cmd::kUdpPrdOutput,
                 {[&doc](int id) { doc.OnUdpOutputCommand(id); },
                  [&doc](int id) {
                      return CommandUi{true, doc.IsUdpOutputChecked(id)};
                  }});
}
