#include "view/StatusLayout.h"

#include "format/HeadProtocol.h"
#include "format/NumberText.h"

namespace {

constexpr double kMetresPerFoot = 0.3048;

bool InFeet(int units) {
    return units == 1 || units == 2;
}

PlacedText Text(int x, int y, std::string text, COLORREF colour, COLORREF background,
                StatusFont font) {
    return {x, y, std::move(text), colour, background, font};
}

// Returns the text colour in force after the range marks.
COLORREF RangeMarks(const StatusInput& in, StatusPicture& out) {
    if (!in.viewRangeMark) return kYellowOlive;
    const int index = DrawingRangeIndex(in.rangeIndex);
    const double range = headproto::kRangeTable[static_cast<std::size_t>(index)];
    const bool feet = InFeet(in.units);
    // Ranges in feet have always been read as metres x 3.
    const double shown = feet ? range * 3.0 : range;
    const std::string unit = feet ? " ft" : " m";
    const auto large = StatusFont::Large;
    out.texts.push_back(
        Text(5, 5, FormatFixed(shown, index == 0 ? 3 : 2) + unit, kYellowOlive, in.bkColor, large));
    out.texts.push_back(Text(5, 35, "2.25 MHz", kYellowOlive, in.bkColor, large));
    if (in.gridType == 1 || in.gridType == 2)
        out.texts.push_back(Text(100, 8, "(" + FormatFixed(shown / 5.0, 3) + unit + "/div)",
                                 kOrange, in.bkColor, large));
    out.texts.push_back(
        Text(100, 35, "(" + std::to_string(in.gain) + " dB)", kOrange, in.bkColor, large));
    return kOrange;
}

void LinkStatus(const StatusInput& in, LinkBlink& blink, StatusPicture& out) {
    const int w2 = in.clientWidth / 2;
    std::string text;
    int x0 = 0;
    int w = 172;
    if (in.playback == 0 && in.linkState != 1) {
        if (blink.showAddress == 0) {
            text = "No Connection";
            x0 = w2 - 60;
        } else {
            text = "IP: " + in.ipAddress;
            x0 = w2 - 65;
        }
    } else if (in.replyPending) {
        text = "No Data at IP: " + in.ipAddress;
        x0 = w2 - 85;
        w = 270;
    } else {
        blink.blinkCount = 0;
    }
    const bool showable = !text.empty() && !in.busyWithMouse;
    if (showable && in.statusBlink) {
        const int h = in.clientHeight;
        LinkStatusBox box;
        box.left = x0 - 26;
        box.top = h - 28;
        box.right = x0 + w;
        box.bottom = h - 1;
        box.innerLeft = x0 - 25;
        box.innerTop = h - 27;
        box.innerRight = x0 + w - 2;
        box.innerBottom = h - 2;
        box.text = Text(x0, h - 27, text, kNearWhite, kStatusRed, StatusFont::Large);
        out.linkBox = box;
        ++blink.blinkCount;
    }
    // Every shown frame swaps "No Connection" and the address.
    if (showable && blink.blinkCount == 1) {
        blink.blinkCount = 0;
        blink.showAddress = blink.showAddress ? 0 : 1;
    }
}

std::string Dotted(const char* word, int pingCount) {
    const int k = (pingCount % 7 + 7) % 7;
    return word + std::string(static_cast<std::size_t>(k), '.');
}

void OperatingStatus(const StatusInput& in, COLORREF current, StatusPicture& out) {
    const int w = in.clientWidth;
    int hold = in.hold;
    if (in.xyzConverting && in.playback) {
        out.clearHold = true;
        hold = 0;
        out.texts.push_back(Text(w / 2 - 160, 2, "XYZ File converting.....  Please wait !",
                                 kYellowOlive, in.bkColor, StatusFont::Large));
    }
    if (hold) {
        out.texts.push_back(Text(w - 90, 5, "Held", current, in.bkColor, StatusFont::Large));
        return;
    }
    const auto small = StatusFont::Small;
    if (in.playback && in.recording)
        out.texts.push_back(Text(w - 150, 5, Dotted("File Copying", in.pingCount), kStatusGreen,
                                 in.bkColor, small));
    else if (in.playback)
        out.texts.push_back(Text(w - 150, 5, Dotted("File Playing", in.pingCount), kYellowOlive,
                                 in.bkColor, small));
    else if (in.recording)
        out.texts.push_back(
            Text(w - 150, 5, Dotted("Recording", in.pingCount), kStatusGreen, in.bkColor, small));
    else
        out.texts.push_back(Text(w - 175, 5, "Not " + Dotted("Recording", in.pingCount), kStatusRed,
                                 in.bkColor, small));
    if (in.recording)
        out.texts.push_back(Text(w - 150, 30, std::to_string(in.recordBytes / 1024) + " K Bytes",
                                 kYellowOlive, in.bkColor, small));
}

void ShapeSize(const StatusInput& in, StatusPicture& out) {
    if (!in.displayPipeShape) return;
    const auto size = [&](double metres) {
        if (in.units == 1) return FormatFixed(metres / kMetresPerFoot, 2) + " '";
        if (in.units == 2) return FormatFixed(metres * 12.0 / kMetresPerFoot, 1) + " ''";
        return FormatFixed(metres, 2) + " m";
    };
    const int y = in.clientHeight - 50;
    if (in.pipeShape == 0)
        out.texts.push_back(Text(in.clientWidth / 2 - 80, y,
                                 "Circle Diameter: " + size(in.circleDiameter), in.textColor,
                                 in.bkColor, StatusFont::Small));
    else if (in.pipeShape == 1)
        out.texts.push_back(
            Text(in.clientWidth / 2 - 90, y,
                 "Width: " + size(in.horseShoeWidth) + ", Height: " + size(in.horseShoeHeight),
                 in.textColor, in.bkColor, StatusFont::Small));
}

} // namespace

StatusPicture ComposeStatusTexts(const StatusInput& in, LinkBlink& blink) {
    StatusPicture out;
    const COLORREF current = RangeMarks(in, out);
    LinkStatus(in, blink, out);
    OperatingStatus(in, current, out);
    ShapeSize(in, out);
    return out;
}
