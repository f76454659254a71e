// The main window's menu, tool bar, accelerators and command prompts as plain
// data, so the window is built from one description and the description can
// be checked without a display.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "doc/CommandIds.h"

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
