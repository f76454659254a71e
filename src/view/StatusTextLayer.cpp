#include "view/StatusTextLayer.h"

#include <QPainter>

#include "doc/TubescanDoc.h"
#include "view/StatusLayout.h"
#include "view/TubescanView.h"
#include "view/ViewFonts.h"
#include "view/ViewText.h"

namespace {

void Draw(QPainter& painter, const PlacedText& t, const QFont& large, const QFont& small) {
    DrawTextOnBox(painter, t.x, t.y, QString::fromStdString(t.text),
                  t.font == StatusFont::Large ? large : small, ColourFromColorRef(t.colour),
                  ColourFromColorRef(t.background));
}

} // namespace

void DrawStatusTextLayer(QPainter& painter, CTubescanView& view) {
    CTubescanDoc* doc = view.Document();
    if (!doc) return;
    StatusInput in;
    in.clientWidth = view.ClientWidth();
    in.clientHeight = view.ClientHeight();
    in.bkColor = doc->Settings().m_bkColor;
    in.textColor = doc->Settings().m_textColor;
    in.viewRangeMark = doc->Settings().m_viewRangeMark;
    in.units = doc->Settings().m_units;
    in.rangeIndex = doc->Settings().m_rangeIndex;
    in.gridType = doc->Settings().m_gridType;
    in.gain = doc->Settings().m_gain;
    in.playback = doc->Run().m_playback;
    in.linkState = static_cast<int>(doc->HeadLinkState());
    in.replyPending = doc->ReplyPending() ? 1 : 0;
    in.statusBlink = view.StatusBlink();
    in.ipAddress = doc->Settings().m_ipAddress;
    in.busyWithMouse = view.ImageDragging() || doc->Display().m_textInputMode ||
                       doc->Display().m_measureMode || doc->Display().m_moveShapeMode;
    in.hold = doc->Run().m_hold;
    in.recording = doc->Recorder().Active() ? 1 : 0;
    in.xyzConverting = doc->Outputs().Converting() ? 1 : 0;
    in.recordBytes = doc->Recorder().Bytes();
    in.displayPipeShape = doc->Settings().m_displayPipeShape;
    in.pipeShape = doc->Settings().m_pipeShape;
    in.circleDiameter = doc->Settings().m_circleDiameter;
    in.horseShoeWidth = doc->Settings().m_horseShoeWidth;
    in.horseShoeHeight = doc->Settings().m_horseShoeHeight;
    in.pingCount = doc->Readout().pingCount;

    LinkBlink blink{view.BlinkCount(), view.ShowAddress()};
    const StatusPicture status = ComposeStatusTexts(in, blink);
    view.SetLinkBlink(blink.blinkCount, blink.showAddress);
    if (status.clearHold) doc->Run().m_hold = 0;

    const QFont large = ArialFont(static_cast<int>(StatusFont::Large));
    const QFont small = ArialFont(static_cast<int>(StatusFont::Small));
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const PlacedText& t : status.texts)
        Draw(painter, t, large, small);
    if (status.linkBox) {
        const LinkStatusBox& b = *status.linkBox;
        painter.fillRect(QRect(QPoint(b.left, b.top), QPoint(b.right - 1, b.bottom - 1)),
                         ColourFromColorRef(kNearWhite));
        painter.fillRect(
            QRect(QPoint(b.innerLeft, b.innerTop), QPoint(b.innerRight - 1, b.innerBottom - 1)),
            ColourFromColorRef(kStatusRed));
        Draw(painter, b.text, large, small);
    }
}

void InstallStatusTextLayer(CTubescanView& view) {
    view.SetLayerPainter(
        CTubescanView::StatusTexts,
        [&view](QPainter& painter, const CTubescanView&) { DrawStatusTextLayer(painter, view); });
}
