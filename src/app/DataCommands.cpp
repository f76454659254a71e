#include "app/DataCommands.h"

#include "app/DataFileDialogs.h"
#include "app/MenuLayout.h"
#include "app/XyzCommands.h"
#include "doc/CommandMap.h"
#include "doc/TubescanDoc.h"

void AddDataCommands(CommandMap& map, CTubescanDoc& doc, QWidget* owner) {
    map.Add(32806, {[&doc, owner](int) { ToggleRecordingCommand(doc, owner); },
                    [&doc](int) {
                        return CommandUi{true, doc.m_recording == 1};
                    }});
    map.Add(32790, {[&doc, owner](int) { PickRecordDirectory(doc, owner); }, {}});
    map.Add(32805, {[&doc, owner](int) {
                        doc.m_hold = 0;
                        OpenPlaybackFile(doc, owner);
                    },
                    {}});

    map.Add(kIdConvertToXyz, {[&doc, owner](int) { ConvertToXyzCommand(doc, owner); }, {}});
    map.Add(cmd::kExportPointCloud, {[&doc, owner](int) { ExportPointCloudCommand(doc, owner); },
                                     [&doc](int) {
                                         return CommandUi{CanExportPointCloud(doc), false};
                                     }});
    map.AddRange(kIdUdpXyzOutput, kIdUdpPrdOutput,
                 {[&doc](int id) { doc.OnUdpOutputCommand(id); },
                  [&doc](int id) {
                      return CommandUi{true, doc.IsUdpOutputChecked(id)};
                  }});
}
