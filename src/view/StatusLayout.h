// The texts the view writes over the picture: range marks (upper left), the
// link status message (bottom centre), the operating status (upper right) and
// the pipe shape's size (bottom). Pure text and position rules; the status
// text layer paints what this returns.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "view/GridGeometry.h"

inline constexpr COLORREF kYellowOlive = 0x0000C8C8; // RGB(200, 200, 0)
inline constexpr COLORREF kOrange = 0x000096FF;      // RGB(255, 150, 0)
inline constexpr COLORREF kStatusGreen = 0x0000FA00; // RGB(0, 250, 0)
inline constexpr COLORREF kStatusRed = 0x000000FA;   // RGB(250, 0, 0)
inline constexpr COLORREF kNearWhite = 0x00FAFAFA;   // RGB(250, 250, 250)

// The two fonts of the status texts, by their cell heights.
enum class StatusFont { Large = 24, Small = 20 };

// One text with the top-left corner of its cell at (x, y), on an opaque box
// of `background`.
struct PlacedText {
    int x = 0, y = 0;
    std::string text;
    COLORREF colour = 0;
    COLORREF background = 0;
    StatusFont font = StatusFont::Large;
};

// The link status box: a near-white frame, a red inside, the text on it.
struct LinkStatusBox {
    int left = 0, top = 0, right = 0, bottom = 0; // the frame, right/bottom exclusive
    int innerLeft = 0, innerTop = 0, innerRight = 0, innerBottom = 0; // the red inside
    PlacedText text;
};

// Which message the link status shows on alternate shown frames; the view
// keeps it and a repaint that redraws all resets it.
struct LinkBlink {
    int blinkCount = 0;
    int showAddress = 0;
};

struct StatusInput {
    int clientWidth = 0, clientHeight = 0;
    COLORREF bkColor = 0;
    COLORREF textColor = 0;
    // Range marks.
    int viewRangeMark = 0;
    int units = 0;
    int rangeIndex = 0;
    int gridType = 0;
    int gain = 0;
    // Link status.
    int playback = 0;
    int linkState = 0;
    int replyPending = 0;
    int statusBlink = 0;
    std::string ipAddress;
    bool busyWithMouse = false; // dragging, typing a note, measuring or moving the shape
    // Operating status.
    int hold = 0;
    int recording = 0;
    int xyzConverting = 0;
    int pingCount = 0;
    std::uint64_t recordBytes = 0;
    // Shape size.
    int displayPipeShape = 0;
    int pipeShape = 0;
    double circleDiameter = 0.0;
    double horseShoeWidth = 0.0;
    double horseShoeHeight = 0.0;
};

struct StatusPicture {
    std::vector<PlacedText> texts; // in drawing order
    std::optional<LinkStatusBox> linkBox;
    // A running XYZ conversion forces the hold off on every repaint.
    bool clearHold = false;
};

// `blink` is advanced as the shown frames alternate the message.
StatusPicture ComposeStatusTexts(const StatusInput& in, LinkBlink& blink);
