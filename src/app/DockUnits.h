// How the pipe-condition docks write lengths along and across the pipe: one
// place, so the docks all follow the survey's units the same way.
#pragma once

#include <QString>

// "12.35 m"; "n/a" when not finite.
QString DockLength(double metres, int decimals);
// The unit of the docks' length axes, as an axis title carries it.
QString DockLengthUnit();
// A value with its unit text appended; "n/a" when not finite.
QString DockNumber(double value, int decimals, const char* unit);
