// The one road every sonar-parameter change takes: write the document field
// and the head-command byte, then OnParametersChanged. Shared by the tool bar,
// the function keys, the key-in box, the settings panel and the mini bar.
// Plain C++ so the rules are tested without windows.
#pragma once

#include <string>
#include <string_view>

class CTubescanDoc;

namespace params {

// Step commands (ignored during playback).
void RangeStep(CTubescanDoc& doc, int delta);
void GainStep(CTubescanDoc& doc, int delta); // +1 or -1
void SectorStep(CTubescanDoc& doc, int steps);
void TrainStep(CTubescanDoc& doc, int steps);

// Circle diameter steps of F6 (+) and F5 (-), 0.01 m each; the diameter never
// falls below 0.1 m. Return false when the keys are not active (the pipe-shape
// overlay is not shown), in which case nothing changes.
bool DiameterStep(CTubescanDoc& doc, int direction);

// Spin buttons of the settings panel and the mini bar (delta: + for the up arrow).
void RangeSpin(CTubescanDoc& doc, int delta);
void GainSpin(CTubescanDoc& doc, int delta);
void ProfileSpin(CTubescanDoc& doc, int delta); // works in playback too; up moves towards "Off"
// Mouse release on the mini bar's range spin: adopt its position.
void RangeSpinReleased(CTubescanDoc& doc, int spinPosition);

// The key-in box.
enum class KeyInKind { Range = 0, Gain = 1, Sector = 2, Train = 3 };
// The prompt for a kind; empty when the box may not open now.
std::string KeyInPrompt(const CTubescanDoc& doc, KeyInKind kind);
// Applies typed text (at most 15 characters are read). Returns false when the
// entry was ignored (empty text, or a negative value where that means
// "no change"); OnParametersChanged runs whenever the entry was taken.
bool KeyInEnter(CTubescanDoc& doc, KeyInKind kind, std::string_view text);

// Texts of the two control surfaces.
std::string PanelRangeText(const CTubescanDoc& doc);
std::string MiniBarRangeText(const CTubescanDoc& doc);
std::string GainText(const CTubescanDoc& doc);
std::string SectorText(const CTubescanDoc& doc);
std::string TrainText(const CTubescanDoc& doc);
std::string ProfileModeText(int profileDispMode);
double ProfileMixFor(int profileDispMode);

} // namespace params
