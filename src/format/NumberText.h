// The C library's atoi/atof reading of settings text, without their undefined
// behaviour: a number too large for its type is clamped to the type's range,
// and the decimal point is always "." whatever the process locale says.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Leading decimal integer after optional white space and sign; 0 when the text
// does not start with a number. Clamped to the range of int.
int TextToInt(std::string_view text);
// Leading floating-point number (decimal or the "inf"/"nan" words are not
// accepted: they read as 0, which is what settings files have always meant by
// garbage). Clamped to the finite range of double.
double TextToDouble(std::string_view text);

// text without any of blanks at either end (by default spaces and tabs).
std::string_view Trim(std::string_view text, std::string_view blanks = " \t");

// printf-style "%.<precision>f" padded on the left to `width`, locale-free.
std::string FormatFixed(double value, int precision, int width = 0);
