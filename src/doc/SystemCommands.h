// Document commands that no menu of the main window carries but other parts
// of the program can run by id: the scan modes 32810 (polar), 32811 (sector)
// and 32812, the head mounted up 32802 / down 32803, the head model 32866 /
// 32867, "Play One Frame" 32922, "RealTime Play Speed" 32864 and "Capture
// Frame" 32925. Plain C++: restarting the link is handed in, so the rules are
// tested without a socket.
#pragma once

#include <functional>

class CommandMap;
class CTubescanDoc;

// restartHeadLink: start the head link's request cycle anew (real time only;
// the caller's function need not check).
void AddSystemCommands(CommandMap& commands, CTubescanDoc& doc,
                       std::function<void()> restartHeadLink);
