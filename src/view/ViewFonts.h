// Fonts of the picture's texts. The drawing rules give Windows font heights
// for "Arial": a positive height is the whole cell (ascent plus descent, the
// internal leading included), a negative one the character height alone.
// Liberation Sans has Arial's metrics, so the same height gives the same
// text size and line spacing on every machine that has the font.
#pragma once

#include <QFont>

// Pixel size (em height) of a font whose Windows height is `windowsHeight`.
int EmPixelsForWindowsHeight(int windowsHeight);

// Liberation Sans (Arial's metric twin) at a Windows height and weight
// (400 normal, 700 bold). Text is smoothed; lines elsewhere are not.
QFont ArialFont(int windowsHeight, int weight = 400);
