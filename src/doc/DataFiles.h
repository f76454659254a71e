// Path rules of the data files, shared by recording, playback and the
// dialogs that choose them.
#pragma once

#include <string>

class CTubescanDoc;

// Absolute, normalised form of a path (unchanged if that fails).
std::string FullPath(const std::string& path);
// The folder part of a path, with its trailing "/" (empty if none).
std::string DirectoryOf(const std::string& path);
// The record file for a name given on the command line: the name cut before
// the first "." of its file-name part, then ".31l".
std::string StartupRecordPath(const std::string& name);
// "TubescanL - Playback File [path] " in playback, else "TubescanL - Real Time ".
std::string RealTimeOrPlaybackTitle(const CTubescanDoc& doc);
