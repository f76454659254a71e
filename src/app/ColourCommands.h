// The colour commands of the menus: each opens the colour dialog on one of
// the document's colours.
#pragma once

#include <cstdint>

class CommandMap;
class CTubescanDoc;
class QWidget;

void AddColourCommands(CommandMap& commands, CTubescanDoc& doc, QWidget* owner);

// The colour dialog: starts on `initial`, offers the program's 16 custom
// colours; returns the chosen colour, or `initial` when cancelled (0x00BBGGRR).
std::uint32_t ChooseColour(QWidget* owner, std::uint32_t initial);
