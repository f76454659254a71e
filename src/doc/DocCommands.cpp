#include "doc/DocCommands.h"

#include <algorithm>
#include <mutex>

#include "doc/CommandIds.h"
#include "doc/CommandMap.h"
#include "doc/TubescanDoc.h"

namespace {

// Fields the acquisition thread reads while it draws a ping (zoom, colour
// table, orientation, profile mixing, roll correction) change under the ping
// lock, so a ping is drawn with one consistent set of them.
template <typename F> void UnderPingLock(CTubescanDoc& doc, F&& change) {
    std::lock_guard lock(doc.PingMutex());
    change();
}

CommandUi Checked(bool on) {
    return CommandUi{true, on};
}
CommandUi RealTimeChecked(const CTubescanDoc& doc, bool on) {
    return CommandUi{doc.Run().m_playback == 0, on};
}

double ZoomOfItem(int id) {
    if (id == cmd::kZoom300) return 3.0;
    if (id == cmd::kZoom400) return 4.0;
    return 1.0 + 0.25 * (id - cmd::kZoom100);
}

void SetZoom(CTubescanDoc& doc, double zoom) {
    UnderPingLock(doc, [&] { doc.Settings().m_zoom = zoom; });
    doc.ClearImage();
    doc.UpdateAllViews();
}

// A toggle of an int flag with its check mark.
void AddToggle(CommandMap& map, CTubescanDoc& doc, int id, int SonarSettings::*field,
               bool underLock = false) {
    map.Add(id, {[&doc, field, underLock](int) {
                     if (underLock)
                         UnderPingLock(doc,
                                       [&] { doc.Settings().*field = !(doc.Settings().*field); });
                     else
                         doc.Settings().*field = !(doc.Settings().*field);
                 },
                 [&doc, field](int) { return Checked(doc.Settings().*field != 0); }});
}

// A range of items that set one int field to id - first (clamped) and redraw.
void AddChoice(CommandMap& map, CTubescanDoc& doc, int first, int last, int SonarSettings::*field,
               bool redraw) {
    map.AddRange(
        first, last,
        {[&doc, first, last, field, redraw](int id) {
             doc.Settings().*field = std::clamp(id - first, 0, last - first);
             if (redraw) doc.UpdateAllViews();
         },
         [&doc, first, field](int id) { return Checked(doc.Settings().*field == id - first); }});
}

void SetTransducer(CTubescanDoc& doc, int fwdAft, int upDown, int zero) {
    UnderPingLock(doc, [&] {
        if (fwdAft >= 0) doc.Settings().m_xdcrFwdAft = fwdAft;
        if (upDown >= 0) doc.Settings().m_sonarUpDown = upDown;
        if (zero >= 0) doc.Settings().m_zeroUpDown = zero;
        doc.ComputeTrainBearing();
    });
}

} // namespace

double ZoomInStep(double zoom) {
    zoom += zoom >= 2.0 ? 1.0 : 0.25;
    return std::clamp(zoom, kMinZoom, kMaxZoom);
}

double ZoomOutStep(double zoom) {
    zoom -= zoom > 2.0 ? 1.0 : 0.25;
    return std::clamp(zoom, kMinZoom, kMaxZoom);
}

void AddDocumentCommands(CommandMap& map, CTubescanDoc& doc) {
    // --- files ----------------------------------------------------------------
    AddToggle(map, doc, cmd::kAutoSaveFileNames, &SonarSettings::m_autoSaveFileName);

    // --- picture ------------------------------------------------------------
    map.Add(cmd::kClearImage, {[&doc](int) { doc.ClearImage(); }, {}});
    map.Add(cmd::kRestoreImage, {[&doc](int) {
                                     doc.Display().m_recentreImage = 1;
                                     doc.UpdateAllViews();
                                 },
                                 {}});
    map.AddRange(cmd::kZoom50, cmd::kZoom400,
                 {[&doc](int id) { SetZoom(doc, ZoomOfItem(id)); },
                  [&doc](int id) { return Checked(doc.Settings().m_zoom == ZoomOfItem(id)); }});
    map.Add(cmd::kZoomIn, {[&doc](int) { SetZoom(doc, ZoomInStep(doc.Settings().m_zoom)); }, {}});
    map.Add(cmd::kZoomOut, {[&doc](int) { SetZoom(doc, ZoomOutStep(doc.Settings().m_zoom)); }, {}});
    AddToggle(map, doc, cmd::kRangeMarker, &SonarSettings::m_viewRangeMark);
    AddToggle(map, doc, cmd::kDisplayPrd, &SonarSettings::m_displayPRD);
    AddToggle(map, doc, cmd::kUseExternalPrd, &SonarSettings::m_useExtPRD, true);
    map.AddRange(cmd::kColorNormalHigh, cmd::kColorBlue,
                 {[&doc](int id) {
                      UnderPingLock(
                          doc, [&] { doc.Settings().m_colorTable = id - cmd::kColorNormalHigh; });
                      // The new table shows from the next ping's repaint.
                  },
                  [&doc](int id) {
                      return Checked(doc.Settings().m_colorTable == id - cmd::kColorNormalHigh);
                  }});

    // --- drawings -----------------------------------------------------------
    AddChoice(map, doc, cmd::kPointsSmall, cmd::kPointsLarge, &SonarSettings::m_pointSize, true);
    AddChoice(map, doc, cmd::kShapeCircle, cmd::kShapeLast, &SonarSettings::m_pipeShape, true);
    AddChoice(map, doc, cmd::kTextSmall, cmd::kTextLargest, &SonarSettings::m_textSize, true);
    AddChoice(map, doc, cmd::kGridNone, cmd::kGridPolar, &SonarSettings::m_gridType, true);
    AddChoice(map, doc, cmd::kGridSolid, cmd::kGridDashed, &SonarSettings::m_gridStyle, true);
    map.Add(cmd::kMoveShape, {[&doc](int) {
                                  doc.Display().m_moveShapeMode = !doc.Display().m_moveShapeMode;
                                  if (doc.Display().m_moveShapeMode) {
                                      doc.Display().m_textInputMode = 0;
                                      doc.Display().m_measureMode = 0;
                                  }
                                  doc.UpdateAllViews(kViewHintMoveShape);
                              },
                              [&doc](int) {
                                  if (!doc.Settings().m_displayPipeShape)
                                      doc.Display().m_moveShapeMode = 0;
                                  return CommandUi{doc.Settings().m_displayPipeShape != 0,
                                                   doc.Display().m_moveShapeMode != 0};
                              }});
    map.Add(cmd::kDisplayOverlay,
            {[&doc](int) {
                 doc.Display().m_moveShapeMode = 0;
                 doc.Settings().m_displayPipeShape = !doc.Settings().m_displayPipeShape;
                 doc.UpdateAllViews();
             },
             [&doc](int) { return Checked(doc.Settings().m_displayPipeShape == 1); }});
    map.Add(cmd::kTextInput, {[&doc](int) {
                                  doc.Display().m_textInputMode = !doc.Display().m_textInputMode;
                                  if (doc.Display().m_textInputMode)
                                      doc.Display().m_measureMode = 0;
                                  doc.UpdateAllViews();
                              },
                              [&doc](int) { return Checked(doc.Display().m_textInputMode == 1); }});
    map.Add(cmd::kTextDelete, {[&doc](int) {
                                   doc.Display().m_deleteTextRequest = 1;
                                   doc.Display().m_textInputMode = 0;
                                   doc.UpdateAllViews();
                               },
                               {}});
    map.Add(cmd::kMeasureAdd, {[&doc](int) {
                                   doc.Display().m_measureMode = !doc.Display().m_measureMode;
                                   if (doc.Display().m_measureMode)
                                       doc.Display().m_textInputMode = 0;
                                   doc.UpdateAllViews();
                               },
                               [&doc](int) { return Checked(doc.Display().m_measureMode != 0); }});
    map.Add(cmd::kMeasureDelete, {[&doc](int) {
                                      doc.Display().m_deleteLinesRequest = 1;
                                      doc.Display().m_measureMode = 0;
                                      doc.UpdateAllViews();
                                  },
                                  {}});
    map.Add(cmd::kDeleteAllDrawings, {[&doc](int) {
                                          doc.Display().m_deleteTextRequest = 1;
                                          doc.Display().m_textInputMode = 0;
                                          doc.Display().m_deleteLinesRequest = 1;
                                          doc.Display().m_measureMode = 0;
                                          doc.UpdateAllViews();
                                      },
                                      {}});
    map.Add(cmd::kSetDefaultColors, {[&doc](int) {
                                         doc.Settings().m_pointsColor = kDefaultPointsColor;
                                         doc.Settings().m_gridColor = kDefaultGridColor;
                                         doc.Settings().m_bkColor = kDefaultBkColor;
                                         doc.Settings().m_textColor = kDefaultTextColor;
                                         doc.Settings().m_circleColor = kDefaultCircleColor;
                                         doc.Settings().m_lineColor = kDefaultLineColor;
                                     },
                                     {}});

    // --- system -------------------------------------------------------------
    map.Add(cmd::kXdcrFwd,
            {[&doc](int) { SetTransducer(doc, 1, 0, -1); },
             [&doc](int) { return RealTimeChecked(doc, doc.Settings().m_xdcrFwdAft == 1); }});
    map.Add(cmd::kXdcrAft,
            {[&doc](int) { SetTransducer(doc, 0, 1, -1); },
             [&doc](int) { return RealTimeChecked(doc, doc.Settings().m_xdcrFwdAft == 0); }});
    map.Add(cmd::kZeroUp,
            {[&doc](int) { SetTransducer(doc, -1, -1, 0); },
             [&doc](int) { return RealTimeChecked(doc, doc.Settings().m_zeroUpDown == 0); }});
    map.Add(cmd::kZeroDown,
            {[&doc](int) { SetTransducer(doc, -1, -1, 1); },
             [&doc](int) { return RealTimeChecked(doc, doc.Settings().m_zeroUpDown == 1); }});
    map.AddRange(
        cmd::kUnitsMeters, cmd::kUnitsInches,
        {[&doc](int id) {
             doc.Settings().m_units = id - cmd::kUnitsMeters;
             doc.OnParametersChanged();
         },
         [&doc](int id) { return Checked(doc.Settings().m_units == id - cmd::kUnitsMeters); }});
    AddToggle(map, doc, cmd::kRollCorrection, &SonarSettings::m_rollCorrection, true);
    map.AddRange(cmd::kProfileOff, cmd::kProfileHighMix,
                 {[&doc](int id) {
                      static constexpr double kMix[5] = {1.0, 0.0, 0.25, 0.5, 1.0};
                      UnderPingLock(doc, [&] {
                          doc.Settings().m_profileDispMode = id - cmd::kProfileOff;
                          doc.Display().m_profileMix = kMix[id - cmd::kProfileOff];
                      });
                      doc.OnParametersChanged();
                  },
                  [&doc](int id) {
                      return Checked(doc.Settings().m_profileDispMode == id - cmd::kProfileOff);
                  }});
}
