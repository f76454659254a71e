#include "doc/DocCommands.h"

#include <algorithm>
#include <mutex>

#include "doc/CommandMap.h"
#include "doc/TubescanDoc.h"

namespace {

// Fields the acquisition thread reads while it draws a ping (zoom, colour
// table, orientation, profile mixing, roll correction) change under the ping
// lock, so a ping is drawn with one consistent set of them.
template <typename F> void UnderPingLock(CTubescanDoc& doc, F&& change) {
    std::lock_guard lock(doc.m_pingMutex);
    change();
}

CommandUi Checked(bool on) {
    return CommandUi{true, on};
}
CommandUi RealTimeChecked(const CTubescanDoc& doc, bool on) {
    return CommandUi{doc.m_playback == 0, on};
}

double ZoomOfItem(int id) {
    if (id == 32788) return 3.0;
    if (id == 32789) return 4.0;
    return 1.0 + 0.25 * (id - 32783);
}

void SetZoom(CTubescanDoc& doc, double zoom) {
    UnderPingLock(doc, [&] { doc.m_zoom = zoom; });
    doc.ClearImage();
    doc.UpdateAllViews();
}

// A toggle of an int flag with its check mark.
void AddToggle(CommandMap& map, CTubescanDoc& doc, int id, int CTubescanDoc::*field,
               bool underLock = false) {
    map.Add(id, {[&doc, field, underLock](int) {
                     if (underLock)
                         UnderPingLock(doc, [&] { doc.*field = !(doc.*field); });
                     else
                         doc.*field = !(doc.*field);
                 },
                 [&doc, field](int) { return Checked(doc.*field != 0); }});
}

// A range of items that set one int field to id - first (clamped) and redraw.
void AddChoice(CommandMap& map, CTubescanDoc& doc, int first, int last, int CTubescanDoc::*field,
               bool redraw) {
    map.AddRange(first, last,
                 {[&doc, first, last, field, redraw](int id) {
                      doc.*field = std::clamp(id - first, 0, last - first);
                      if (redraw) doc.UpdateAllViews();
                  },
                  [&doc, first, field](int id) { return Checked(doc.*field == id - first); }});
}

void SetTransducer(CTubescanDoc& doc, int fwdAft, int upDown, int zero) {
    UnderPingLock(doc, [&] {
        if (fwdAft >= 0) doc.m_xdcrFwdAft = fwdAft;
        if (upDown >= 0) doc.m_sonarUpDown = upDown;
        if (zero >= 0) doc.m_zeroUpDown = zero;
        doc.ComputeTrainBearing();
    });
}

} // namespace

double ZoomInStep(double zoom) {
    zoom += zoom >= 2.0 ? 1.0 : 0.25;
    return std::clamp(zoom, 0.5, 3.0);
}

double ZoomOutStep(double zoom) {
    zoom -= zoom > 2.0 ? 1.0 : 0.25;
    return std::clamp(zoom, 0.5, 3.0);
}

void AddDocumentCommands(CommandMap& map, CTubescanDoc& doc) {
    // --- files ----------------------------------------------------------------
    AddToggle(map, doc, 32817, &CTubescanDoc::m_autoSaveFileName);

    // --- picture ------------------------------------------------------------
    map.Add(32791, {[&doc](int) { doc.ClearImage(); }, {}});
    map.Add(32825, {[&doc](int) {
                        doc.m_recentreImage = 1;
                        doc.UpdateAllViews();
                    },
                    {}});
    map.AddRange(32781, 32789,
                 {[&doc](int id) { SetZoom(doc, ZoomOfItem(id)); },
                  [&doc](int id) { return Checked(doc.m_zoom == ZoomOfItem(id)); }});
    map.Add(32822, {[&doc](int) { SetZoom(doc, ZoomInStep(doc.m_zoom)); }, {}});
    map.Add(32823, {[&doc](int) { SetZoom(doc, ZoomOutStep(doc.m_zoom)); }, {}});
    AddToggle(map, doc, 32827, &CTubescanDoc::m_viewRangeMark);
    AddToggle(map, doc, 32927, &CTubescanDoc::m_displayPRD);
    AddToggle(map, doc, 32961, &CTubescanDoc::m_useExtPRD, true);
    map.AddRange(32771, 32779,
                 {[&doc](int id) {
                      UnderPingLock(doc, [&] { doc.m_colorTable = id - 32771; });
                      // The new table shows from the next ping's repaint.
                  },
                  [&doc](int id) { return Checked(doc.m_colorTable == id - 32771); }});

    // --- drawings -----------------------------------------------------------
    AddChoice(map, doc, 32894, 32896, &CTubescanDoc::m_pointSize, true);
    AddChoice(map, doc, 32952, 32954, &CTubescanDoc::m_pipeShape, true);
    AddChoice(map, doc, 32897, 32901, &CTubescanDoc::m_textSize, true);
    AddChoice(map, doc, 32828, 32830, &CTubescanDoc::m_gridType, true);
    AddChoice(map, doc, 32831, 32833, &CTubescanDoc::m_gridStyle, true);
    map.Add(32902, {[&doc](int) {
                        doc.m_moveShapeMode = !doc.m_moveShapeMode;
                        if (doc.m_moveShapeMode) {
                            doc.m_textInputMode = 0;
                            doc.m_measureMode = 0;
                        }
                        doc.UpdateAllViews(kViewHintMoveShape);
                    },
                    [&doc](int) {
                        if (!doc.m_displayPipeShape) doc.m_moveShapeMode = 0;
                        return CommandUi{doc.m_displayPipeShape != 0, doc.m_moveShapeMode != 0};
                    }});
    map.Add(32951, {[&doc](int) {
                        doc.m_moveShapeMode = 0;
                        doc.m_displayPipeShape = !doc.m_displayPipeShape;
                        doc.UpdateAllViews();
                    },
                    [&doc](int) { return Checked(doc.m_displayPipeShape == 1); }});
    map.Add(32885, {[&doc](int) {
                        doc.m_textInputMode = !doc.m_textInputMode;
                        if (doc.m_textInputMode) doc.m_measureMode = 0;
                        doc.UpdateAllViews();
                    },
                    [&doc](int) { return Checked(doc.m_textInputMode == 1); }});
    map.Add(32905, {[&doc](int) {
                        doc.m_deleteTextRequest = 1;
                        doc.m_textInputMode = 0;
                        doc.UpdateAllViews();
                    },
                    {}});
    map.Add(32886, {[&doc](int) {
                        doc.m_measureMode = !doc.m_measureMode;
                        if (doc.m_measureMode) doc.m_textInputMode = 0;
                        doc.UpdateAllViews();
                    },
                    [&doc](int) { return Checked(doc.m_measureMode != 0); }});
    map.Add(32907, {[&doc](int) {
                        doc.m_deleteLinesRequest = 1;
                        doc.m_measureMode = 0;
                        doc.UpdateAllViews();
                    },
                    {}});
    map.Add(32911, {[&doc](int) {
                        doc.m_deleteTextRequest = 1;
                        doc.m_textInputMode = 0;
                        doc.m_deleteLinesRequest = 1;
                        doc.m_measureMode = 0;
                        doc.UpdateAllViews();
                    },
                    {}});
    map.Add(32912, {[&doc](int) {
                        doc.m_pointsColor = kDefaultPointsColor;
                        doc.m_gridColor = kDefaultGridColor;
                        doc.m_bkColor = kDefaultBkColor;
                        doc.m_textColor = kDefaultTextColor;
                        doc.m_circleColor = kDefaultCircleColor;
                        doc.m_lineColor = kDefaultLineColor;
                    },
                    {}});

    // --- system -------------------------------------------------------------
    map.Add(32888, {[&doc](int) { SetTransducer(doc, 1, 0, -1); },
                    [&doc](int) { return RealTimeChecked(doc, doc.m_xdcrFwdAft == 1); }});
    map.Add(32889, {[&doc](int) { SetTransducer(doc, 0, 1, -1); },
                    [&doc](int) { return RealTimeChecked(doc, doc.m_xdcrFwdAft == 0); }});
    map.Add(32890, {[&doc](int) { SetTransducer(doc, -1, -1, 0); },
                    [&doc](int) { return RealTimeChecked(doc, doc.m_zeroUpDown == 0); }});
    map.Add(32891, {[&doc](int) { SetTransducer(doc, -1, -1, 1); },
                    [&doc](int) { return RealTimeChecked(doc, doc.m_zeroUpDown == 1); }});
    map.AddRange(32842, 32844,
                 {[&doc](int id) {
                      doc.m_units = id - 32842;
                      doc.OnParametersChanged();
                  },
                  [&doc](int id) { return Checked(doc.m_units == id - 32842); }});
    AddToggle(map, doc, 32914, &CTubescanDoc::m_rollCorrection, true);
    map.AddRange(32850, 32854,
                 {[&doc](int id) {
                      static constexpr double kMix[5] = {1.0, 0.0, 0.25, 0.5, 1.0};
                      UnderPingLock(doc, [&] {
                          doc.m_profileDispMode = id - 32850;
                          doc.m_profileMix = kMix[id - 32850];
                      });
                      doc.OnParametersChanged();
                  },
                  [&doc](int id) { return Checked(doc.m_profileDispMode == id - 32850); }});
}
