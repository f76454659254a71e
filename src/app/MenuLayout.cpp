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
        Popup("&File",
              {Item("Connect to &Sonar Head", 32804), Item("&Open File to Playback", 32805), Sep(),
               Item("&Record  Start (Stop)", 32806), Item("Set Record Directory...", 32790),
               Item("Convert .31L file to .xyz...", 32956),
               Item("Export Point Cloud (.ply)...", cmd::kExportPointCloud),
               Item("Auto Save File Names", 32817), Sep(), Item("Enable UDP XYZ Output", 32958),
               Item("Enable UDP Range/Bearing Output", 32959), Item("&Save Screen", 32868), Sep(),
               Item("E&xit", 57665)}),
        Popup("&View",
              {Item("Clear Image", 32791), Item("&Hold", 32813), Item("Reverse", 32814),
               Item("Restore Image", 32825), Sep(),
               Popup("&Zoom Factor",
                     {Item("50 %", 32781), Item("75 %", 32782), Item("100 %", 32783),
                      Item("125 %", 32784), Item("150 %", 32785), Item("175 %", 32786),
                      Item("200 %", 32787), Item("300 %", 32788)}),
               Item("Zoom In", 32822), Item("Zoom Out", 32823), Sep(), Item("Range Marker", 32827),
               Item("&Diagnostics", 32799), Item("S&onar Settings", 32824),
               Item("Mini Settings Bar", 32845), Sep(), Item("Back Ground Color", 32882),
               Item("Display Pitch / Roll / Distance", 32927),
               Item("Use External Pitch / Roll Data", 32961), Sep(),
               Item("Pipe &Condition", cmd::kPipeCondition)}),
        Popup("&ColorTable",
              {Item("Normal  &High", 32771), Item("Normal  &Low", 32772), Item("Gr&een", 32773),
               Item("&Grey", 32774), Item("&Reverse Grey", 32775), Item("&Brown / Yellow", 32776),
               Item("Gree&n / Blue", 32777), Item("Green / &Yellow", 32778), Item("Bl&ue", 32779)}),
        Popup("&Points", {Item("Points Color", 32880), Sep(), Item("Small", 32894),
                          Item("Medium", 32895), Item("Large", 32896)}),
        Popup("Pipe &Shape", {Item("&Circle", 32952), Item("Horse &Shoe", 32953), Sep(),
                              Item("&Move Shape...", 32902), Item("Line &Color", 32904),
                              Item("&Pipe Parameter", 32892), Item("&Display Overlay", 32951)}),
        Popup("&Text",
              {Item("Input...", 32885), Item("Delete ", 32905), Sep(), Item("Text Color", 32883),
               Sep(), Item("Small", 32897), Item("Medium", 32898), Item("Large", 32899),
               Item("Larger", 32900), Item("Largest", 32901)}),
        Popup("&Measure",
              {Item("Add...", 32886), Item("Delete", 32907), Sep(), Item("Line Color", 32906)}),
        Popup("&Grid",
              {Item("None", 32828), Item("Rectangle Grid", 32829), Item("Polar Grid", 32830), Sep(),
               Item("Grid Color", 32881), Sep(), Item("Solid Line", 32831),
               Item("Dotted Line", 32832), Item("Dashed Line", 32833)}),
        Popup("&System",
              {Item("&COM Port Setup...", 32796), Item("&IP Address...", 32798), Sep(),
               Item("&Diagnostics...", 32799), Item("Show S&onar Settings...", 32824), Sep(),
               Item("Minimum Range", 32924), Item("Sound Velocity", 32801),
               Popup("Xdcr Fwd / Aft", {Item("Fwd", 32888), Item("Aft", 32889)}),
               Popup("Zero Up/ Down", {Item("Up", 32890), Item("Down", 32891)}),
               Popup("&Options",
                     {Popup("Units",
                            {Item("Meters", 32842), Item("Feet", 32843), Item("Inches", 32844)}),
                      Sep(), Item("Set Default Colors", 32912), Item("Delete All Drawings", 32911),
                      Item("Roll Correction", 32914), Sep(), Item("Calibrate", 32955)}),
               Popup("Profile",
                     {Item("Off", 32850), Item("Points Only", 32851), Item("Low Mix", 32852),
                      Item("Medium Mix", 32853), Item("High Mix", 32854)}),
               Popup("&Help", {Item("Help...", 32847), Item("&About TubescanL...", 57664)})}),
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
        32804, 32805, 32806, 32874, 32875, 32876, 32877, 32870, 32871, 32872, 32873,
        32813, 32825, 32822, 32823, 32951, 32902, 32885, 32886, 32911, 32799, 32847};
    return buttons;
}

const std::array<Accelerator, 10>& AcceleratorTable() {
    static constexpr std::array<Accelerator, 10> table = {{
        {AccelKey::F1, 32875},
        {AccelKey::F2, 32874},
        {AccelKey::F3, 32877},
        {AccelKey::F4, 32876},
        {AccelKey::F5, 32920},
        {AccelKey::F6, 32919},
        {AccelKey::Up, 32941},
        {AccelKey::Down, 32940},
        {AccelKey::Left, 32942},
        {AccelKey::Right, 32943},
    }};
    return table;
}

std::string CommandPrompt(int id) {
    // The prompts the program has always shown, then our own for the tool-bar
    // buttons that had none, so every button explains itself while hovered.
    static const std::map<int, std::string> prompts = {
        {32804, "Real Time Data Acquisition"},
        {32874, "Increase Range"},
        {32875, "Decrease Range"},
        {32876, "Increase Gain"},
        {32877, "Decrease Gain"},
        {32870, "Increase Sector Width"},
        {32871, "Decrease Sector Width"},
        {32873, "Increase Train Angle"},
        {32872, "Decrease Train Angle"},
        {32796, "Choose COM ports"},
        {32955, "Calibrate motor"},
        {32868, "Save screen to an image file"},
        {32805, "Open a sonar data file and play it back"},
        {32806, "Start or stop recording to a sonar data file"},
        {32813, "Hold the scan"},
        {32825, "Restore the picture: 100 %, centred, cleared"},
        {32822, "Zoom in"},
        {32823, "Zoom out"},
        {32951, "Show or hide the pipe shape overlay"},
        {32902, "Move the pipe shape overlay"},
        {32885, "Place a text note"},
        {32886, "Add a measurement line"},
        {32911, "Delete all text notes and measurement lines"},
        {32799, "Show or hide the diagnostics window"},
        {32847, "Hot keys help"},
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
