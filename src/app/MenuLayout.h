// The main window's menu, tool bar, accelerators and command prompts as plain
// data, so the window is built from one description and the description can
// be checked without a display.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace cmd {
inline constexpr int kConnect = 32804;
inline constexpr int kOpenPlayback = 32805;
inline constexpr int kRecord = 32806;
inline constexpr int kExit = 57665;
inline constexpr int kAbout = 57664;
inline constexpr int kClearImage = 32791;
inline constexpr int kHold = 32813;
inline constexpr int kReverse = 32814;
inline constexpr int kRestoreImage = 32825;
inline constexpr int kZoom50 = 32781;
inline constexpr int kZoom100 = 32783;
inline constexpr int kZoom300 = 32788;
inline constexpr int kZoom400 = 32789; // handled, but no menu item carries it
inline constexpr int kZoomIn = 32822;
inline constexpr int kZoomOut = 32823;
inline constexpr int kFullScreen = 32932;
inline constexpr int kArrowDown = 32940;
inline constexpr int kArrowUp = 32941;
inline constexpr int kArrowLeft = 32942;
inline constexpr int kArrowRight = 32943;
inline constexpr int kDiameterUp = 32919;
inline constexpr int kDiameterDown = 32920;
inline constexpr int kHotKeysHelp = 32847;
inline constexpr int kSaveScreen = 32868;
inline constexpr int kIpAddress = 32798;
inline constexpr int kDiagnostics = 32799;
inline constexpr int kSoundVelocity = 32801;
inline constexpr int kPipeParameter = 32892;
inline constexpr int kMinimumRange = 32924;
inline constexpr int kComPortSetup = 32796;
inline constexpr int kPipeCondition = 33001;    // the Pipe Condition panel, shown or hidden
inline constexpr int kExportPointCloud = 33002; // the point cloud of the file played back
} // namespace cmd

struct MenuItem {
    enum class Kind { Command, Separator, Popup };
    Kind kind = Kind::Command;
    std::string text; // with its "&" mnemonic
    int id = 0;       // Command only
    std::vector<MenuItem> children;
};

// Menu 129: the top-level popups in order.
const std::vector<MenuItem>& MainMenu();

// Menu 155: the view's context menu (one popup's items).
const std::vector<MenuItem>& ViewContextMenu();

// Every command id of the main menu in menu order (depth first).
std::vector<int> MainMenuCommandIds();

// Tool bar 128: 22 buttons, no separators.
const std::array<int, 22>& ToolBarCommands();

// Accelerator table 138.
enum class AccelKey { F1, F2, F3, F4, F5, F6, Up, Down, Left, Right };
struct Accelerator {
    AccelKey key;
    int id;
};
const std::array<Accelerator, 10>& AcceleratorTable();

// The status-bar prompt of a command (empty when it has none).
std::string CommandPrompt(int id);

// Menu text without its mnemonic marker ("E&xit" -> "Exit", "&&" -> "&").
std::string StripMnemonic(const std::string& text);

// Texts of the application.
inline constexpr const char* kAppTitle = "TubescanL";
inline constexpr const char* kIdlePrompt = "Ready";
