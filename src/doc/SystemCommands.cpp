#include "doc/SystemCommands.h"

#include <algorithm>
#include <mutex>

#include "doc/CommandMap.h"
#include "doc/TubescanDoc.h"

namespace {

using namespace headproto;

CommandUi RealTimeChecked(const CTubescanDoc& doc, bool on) {
    return CommandUi{doc.Run().m_playback == 0, on};
}

// Sector (0) or polar (1) scanning with that mode's own train and width.
void SwitchScanMode(CTubescanDoc& doc, int mode) {
    doc.SaveModeSettings();
    const bool clear = doc.Settings().m_sectorMode != mode;
    {
        std::lock_guard lock(doc.PingMutex());
        if (mode == 0) {
            doc.SetCommandByte(kCmdTrain, doc.Settings().m_trainSector);
            doc.SetCommandByte(kCmdSectorWidth,
                               std::min<std::uint8_t>(doc.Settings().m_sectorWidthSector, 60));
        } else {
            doc.SetCommandByte(kCmdTrain, doc.Settings().m_trainPolar);
            doc.SetCommandByte(kCmdSectorWidth, doc.Settings().m_sectorWidthPolar);
        }
        doc.Settings().m_sectorMode = mode;
        doc.SetCommandByte(kCmdStepSize, 3);
        doc.ComputeTrainBearing();
        doc.Display().m_recentreImage = 1;
    }
    if (clear) doc.ClearImage();
    doc.OnParametersChanged();
}

void SetSonarUpDown(CTubescanDoc& doc, int upDown) {
    {
        std::lock_guard lock(doc.PingMutex());
        doc.Settings().m_sonarUpDown = upDown;
        doc.ComputeTrainBearing();
    }
    doc.ClearImage();
    doc.OnParametersChanged();
}

} // namespace

void AddSystemCommands(CommandMap& map, CTubescanDoc& doc, std::function<void()> restartHeadLink) {
    map.Add(32811,
            {[&doc](int) { SwitchScanMode(doc, 0); },
             [&doc](int) { return RealTimeChecked(doc, doc.Settings().m_sectorMode == 0); }});
    map.Add(32810,
            {[&doc](int) {
                 if (doc.Run().m_playback == 0) SwitchScanMode(doc, 1);
             },
             [&doc](int) { return RealTimeChecked(doc, doc.Settings().m_sectorMode == 1); }});
    map.Add(32812,
            {[&doc](int) { doc.OnParametersChanged(); },
             [&doc](int) { return RealTimeChecked(doc, doc.Settings().m_sectorMode == 2); }});
    map.Add(32802,
            {[&doc](int) { SetSonarUpDown(doc, 1); },
             [&doc](int) { return RealTimeChecked(doc, doc.Settings().m_sonarUpDown == 1); }});
    map.Add(32803,
            {[&doc](int) { SetSonarUpDown(doc, 0); },
             [&doc](int) { return RealTimeChecked(doc, doc.Settings().m_sonarUpDown == 0); }});

    // The model only decides which commands and lines are offered. The link
    // restarts without reloading the settings file, which would set the model
    // straight back.
    map.AddRange(32866, 32867,
                 {[&doc, restartHeadLink](int id) {
                      const int type = id - 32866;
                      if (doc.Settings().m_sonarType == type) return;
                      doc.Settings().m_sonarType = type;
                      if (doc.Run().m_playback == 0 && restartHeadLink) restartHeadLink();
                  },
                  [&doc](int id) {
                      return RealTimeChecked(doc, doc.Settings().m_sonarType == id - 32866);
                  }});

    map.Add(32922,
            {[&doc](int) { doc.TogglePlayOneFrame(); },
             [&doc](int) {
                 return CommandUi{doc.Run().m_playback == 1, doc.PlaybackFile().oneFrame == 1};
             }});
    map.Add(32864, {[&doc](int) { doc.ToggleRealTimePlaySpeed(); },
                    [&doc](int) {
                        return CommandUi{doc.Run().m_loopTimeMs > 0 && doc.Run().m_playback == 1,
                                         doc.PlaybackFile().realTimeSpeed == 1};
                    }});
    // "Capture Frame" releases Hold: in real time the cycle starts again, in
    // playback the ticks read on. It waits while a resent command is unanswered.
    map.Add(32925, {[&doc, restartHeadLink](int) {
                        if (doc.ReplyPending()) return;
                        if (doc.Run().m_playback != 0 && doc.PlaybackFile().oneFrame != 0) return;
                        doc.Run().m_hold = 0;
                        if (doc.Run().m_playback == 0 && restartHeadLink) restartHeadLink();
                        doc.UpdateAllViews();
                    },
                    {}});
}
