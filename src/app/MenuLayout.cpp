#include "app/MenuLayout.h"

#include <map>

namespace {

MenuItem Item(const char* text, int id) {
    return MenuItem{MenuItem::Kind::Command, text, id, {}};
}
MenuItem Sep() {
    return MenuItem{MenuItem::Kind::Separator, {}, 0, {}};
}
MenuItem Popup(const char* text, std::vector<MenuItem> children) {
    return MenuItem{MenuItem::Kind::Popup, text, 0, std::move(children)};
}

std::vector<MenuItem> BuildMainMenu() {
    return {
        Popup("&File", {Item("Connect to &Sonar Head", cmd::kConnect),
                        Item("&Open File to Playback", cmd::kOpenPlayback), Sep(),
                        Item("&Record  Start (Stop)", cmd::kRecord),
                        Item("Set Record Directory...", cmd::kSetRecordDirectory),
                        Item("Survey &Details...", cmd::kSurveyDetails),
                        Item("Compare With Recording...", cmd::kCompareRecording),
                        Item("Convert .31L file to .xyz...", cmd::kConvertToXyz),
                        Item("Export Point Cloud (.ply)...", cmd::kExportPointCloud),
                        Item("Export Point Cloud (.las)...", cmd::kExportLasCloud),
                        Item("Export Map (.geojson)...", cmd::kExportGeoJson),
                        Item("Auto Save File Names", cmd::kAutoSaveFileNames), Sep(),
                        Item("Enable UDP XYZ Output", cmd::kUdpXyzOutput),
                        Item("Enable UDP Range/Bearing Output", cmd::kUdpPrdOutput),
                        Item("&Save Screen", cmd::kSaveScreen), Sep(), Item("E&xit", cmd::kExit)}),
        Popup("&View",
              {Item("Clear Image", cmd::kClearImage),
               Item("&Hold", cmd::kHold),
               Item("Reverse", cmd::kReverse),
               Item("Restore Image", cmd::kRestoreImage),
               Item("&Go To...", cmd::kGoTo),
               Sep(),
               Popup("&Zoom Factor", {Item("50 %", cmd::kZoom50), Item("75 %", cmd::kZoom75),
                                      Item("100 %", cmd::kZoom100), Item("125 %", cmd::kZoom125),
                                      Item("150 %", cmd::kZoom150), Item("175 %", cmd::kZoom175),
                                      Item("200 %", cmd::kZoom200), Item("300 %", cmd::kZoom300)}),
               Item("Zoom In", cmd::kZoomIn),
               Item("Zoom Out", cmd::kZoomOut),
               Sep(),
               Item("Range Marker", cmd::kRangeMarker),
               Item("&Diagnostics", cmd::kDiagnostics),
               Item("S&onar Settings", cmd::kSonarSettings),
               Item("Mini Settings Bar", cmd::kMiniSettingsBar),
               Sep(),
               Item("Back Ground Color", cmd::kBackgroundColor),
               Item("Display Pitch / Roll / Distance", cmd::kDisplayPrd),
               Item("Use External Pitch / Roll Data", cmd::kUseExternalPrd),
               Sep(),
               Item("Pipe &Condition", cmd::kPipeCondition),
               Item("&Unrolled", cmd::kUnrolled),
               Item("Pipe &3D", cmd::kPipe3D),
               Item("Reset Layout", cmd::kResetLayout)}),
        Popup("&ColorTable",
              {Item("Normal  &High", cmd::kColorNormalHigh),
               Item("Normal  &Low", cmd::kColorNormalLow), Item("Gr&een", cmd::kColorGreen),
               Item("&Grey", cmd::kColorGrey), Item("&Reverse Grey", cmd::kColorReverseGrey),
               Item("&Brown / Yellow", cmd::kColorBrownYellow),
               Item("Gree&n / Blue", cmd::kColorGreenBlue),
               Item("Green / &Yellow", cmd::kColorGreenYellow), Item("Bl&ue", cmd::kColorBlue)}),
        Popup("&Points",
              {Item("Points Color", cmd::kPointsColor), Sep(), Item("Small", cmd::kPointsSmall),
               Item("Medium", cmd::kPointsMedium), Item("Large", cmd::kPointsLarge)}),
        Popup("Pipe &Shape",
              {Item("&Circle", cmd::kShapeCircle), Item("Horse &Shoe", cmd::kShapeHorseShoe), Sep(),
               Item("&Move Shape...", cmd::kMoveShape), Item("Line &Color", cmd::kLineColor),
               Item("&Pipe Parameter", cmd::kPipeParameter),
               Item("&Display Overlay", cmd::kDisplayOverlay)}),
        Popup("&Text", {Item("Input...", cmd::kTextInput), Item("Delete ", cmd::kTextDelete), Sep(),
                        Item("Text Color", cmd::kTextColor), Sep(), Item("Small", cmd::kTextSmall),
                        Item("Medium", cmd::kTextMedium), Item("Large", cmd::kTextLarge),
                        Item("Larger", cmd::kTextLarger), Item("Largest", cmd::kTextLargest)}),
        Popup("&Measure", {Item("Add...", cmd::kMeasureAdd), Item("Delete", cmd::kMeasureDelete),
                           Sep(), Item("Line Color", cmd::kMeasureLineColor)}),
        Popup("&Grid",
              {Item("None", cmd::kGridNone), Item("Rectangle Grid", cmd::kGridRectangle),
               Item("Polar Grid", cmd::kGridPolar), Sep(), Item("Grid Color", cmd::kGridColor),
               Sep(), Item("Solid Line", cmd::kGridSolid), Item("Dotted Line", cmd::kGridDotted),
               Item("Dashed Line", cmd::kGridDashed)}),
        Popup("&System",
              {Item("&COM Port Setup...", cmd::kComPortSetup),
               Item("&IP Address...", cmd::kIpAddress), Sep(),
               Item("&Diagnostics...", cmd::kDiagnostics),
               Item("Show S&onar Settings...", cmd::kSonarSettings), Sep(),
               Item("Minimum Range", cmd::kMinimumRange),
               Item("Sound Velocity", cmd::kSoundVelocity),
               Popup("Xdcr Fwd / Aft", {Item("Fwd", cmd::kXdcrFwd), Item("Aft", cmd::kXdcrAft)}),
               Popup("Zero Up/ Down", {Item("Up", cmd::kZeroUp), Item("Down", cmd::kZeroDown)}),
               Popup("&Options", {Popup("Units", {Item("Meters", cmd::kUnitsMeters),
                                                  Item("Feet", cmd::kUnitsFeet),
                                                  Item("Inches", cmd::kUnitsInches)}),
                                  Sep(), Item("Set Default Colors", cmd::kSetDefaultColors),
                                  Item("Delete All Drawings", cmd::kDeleteAllDrawings),
                                  Item("Roll Correction", cmd::kRollCorrection), Sep(),
                                  Item("Calibrate", cmd::kCalibrate),
                                  Item("Range Calibration...", cmd::kRangeCalibration)}),
               Popup("Profile",
                     {Item("Off", cmd::kProfileOff), Item("Points Only", cmd::kProfilePointsOnly),
                      Item("Low Mix", cmd::kProfileLowMix),
                      Item("Medium Mix", cmd::kProfileMediumMix),
                      Item("High Mix", cmd::kProfileHighMix)}),
               Popup("&Help",
                     {Item("Help...", cmd::kHelp), Item("&About TubescanL...", cmd::kAbout)})}),
    };
}

void CollectIds(const std::vector<MenuItem>& items, std::vector<int>& out) {
    for (const auto& item : items) {
        if (item.kind == MenuItem::Kind::Command)
            out.push_back(item.id);
        else if (item.kind == MenuItem::Kind::Popup)
            CollectIds(item.children, out);
    }
}

} // namespace

const std::vector<MenuItem>& MainMenu() {
    static const std::vector<MenuItem> menu = BuildMainMenu();
    return menu;
}

const std::vector<MenuItem>& ViewContextMenu() {
    static const std::vector<MenuItem> menu = {
        Item("Connect to &Sonar Head", 32804),
        Item("&Open File to Playback", 32805),
        Item("&Record  Start (Stop)", 32806),
        Sep(),
        Popup("&Zoom Factor", {Item("50 %", 32781), Item("75 %", 32782), Item("100 %", 32783),
                               Item("125 %", 32784), Item("150 %", 32785), Item("175 %", 32786),
                               Item("200 %", 32787), Item("300 %", 32788)}),
        Item("&Diagnostics", 32799),
        Item("S&onar Settings", 32824),
        Sep(),
        Item("Clear Image", 32791),
        Item("&Hold", 32813),
        Item("Reverse", 32814),
        Item("Restore Image", 32825),
        Sep(),
        Item("E&xit", 57665),
    };
    return menu;
}

std::vector<int> MainMenuCommandIds() {
    std::vector<int> ids;
    CollectIds(MainMenu(), ids);
    return ids;
}

const std::array<int, 22>& ToolBarCommands() {
    static constexpr std::array<int, 22> buttons = {
        cmd::kConnect,      cmd::kOpenPlayback, cmd::kRecord,     cmd::kRangeUp,
        cmd::kRangeDown,    cmd::kGainUp,       cmd::kGainDown,   cmd::kSectorUp,
        cmd::kSectorDown,   cmd::kTrainDown,    cmd::kTrainUp,    cmd::kHold,
        cmd::kRestoreImage, cmd::kZoomIn,       cmd::kZoomOut,    cmd::kDisplayOverlay,
        cmd::kMoveShape,    cmd::kTextInput,    cmd::kMeasureAdd, cmd::kDeleteAllDrawings,
        cmd::kDiagnostics,  cmd::kHelp};
    return buttons;
}

const std::array<Accelerator, 10>& AcceleratorTable() {
    static constexpr std::array<Accelerator, 10> table = {{
        {AccelKey::F1, cmd::kRangeDown},
        {AccelKey::F2, cmd::kRangeUp},
        {AccelKey::F3, cmd::kGainDown},
        {AccelKey::F4, cmd::kGainUp},
        {AccelKey::F5, cmd::kDiameterDown},
        {AccelKey::F6, cmd::kDiameterUp},
        {AccelKey::Up, cmd::kArrowUp},
        {AccelKey::Down, cmd::kArrowDown},
        {AccelKey::Left, cmd::kArrowLeft},
        {AccelKey::Right, cmd::kArrowRight},
    }};
    return table;
}

std::string CommandPrompt(int id) {
    // The prompts the program has always shown, then our own for the tool-bar
    // buttons that had none, so every button explains itself while hovered.
    static const std::map<int, std::string> prompts = {
        {cmd::kConnect, "Real Time Data Acquisition"},
        {cmd::kRangeUp, "Increase Range"},
        {cmd::kRangeDown, "Decrease Range"},
        {cmd::kGainUp, "Increase Gain"},
        {cmd::kGainDown, "Decrease Gain"},
        {cmd::kSectorUp, "Increase Sector Width"},
        {cmd::kSectorDown, "Decrease Sector Width"},
        {cmd::kTrainUp, "Increase Train Angle"},
        {cmd::kTrainDown, "Decrease Train Angle"},
        {cmd::kComPortSetup, "Choose COM ports"},
        {cmd::kCalibrate, "Calibrate motor"},
        {cmd::kRangeCalibration, "Check the range scale in a ring of certified diameter"},
        {cmd::kSaveScreen, "Save screen to an image file"},
        {cmd::kOpenPlayback, "Open a sonar data file and play it back"},
        {cmd::kRecord, "Start or stop recording to a sonar data file"},
        {cmd::kSurveyDetails, "Which pipe, between which nodes, who surveyed it"},
        {cmd::kCompareRecording, "Show an earlier recording of this pipe beside it"},
        {cmd::kHold, "Hold the scan"},
        {cmd::kRestoreImage, "Restore the picture: 100 %, centred, cleared"},
        {cmd::kZoomIn, "Zoom in"},
        {cmd::kZoomOut, "Zoom out"},
        {cmd::kDisplayOverlay, "Show or hide the pipe shape overlay"},
        {cmd::kMoveShape, "Move the pipe shape overlay"},
        {cmd::kTextInput, "Place a text note"},
        {cmd::kMeasureAdd, "Add a measurement line"},
        {cmd::kDeleteAllDrawings, "Delete all text notes and measurement lines"},
        {cmd::kDiagnostics, "Show or hide the diagnostics window"},
        {cmd::kHelp, "Hot keys help"},
    };
    const auto it = prompts.find(id);
    return it == prompts.end() ? std::string{} : it->second;
}

std::string StripMnemonic(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += text[i];
    }
    return out;
}
