#include "app/ToolBarIcons.h"

#include "doc/CommandIds.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kWidth = 32;
constexpr int kHeight = 30;

const QColor kInk(30, 30, 40);
const QColor kBlue(30, 90, 190);
const QColor kRed(200, 30, 30);
const QColor kGreen(20, 140, 60);

// An up or down arrow in the right half, for the step buttons.
void StepArrow(QPainter& p, bool up) {
    QPainterPath arrow;
    if (up) {
        arrow.moveTo(24, 5);
        arrow.lineTo(30, 14);
        arrow.lineTo(18, 14);
    } else {
        arrow.moveTo(24, 25);
        arrow.lineTo(30, 16);
        arrow.lineTo(18, 16);
    }
    arrow.closeSubpath();
    p.fillPath(arrow, up ? kGreen : kRed);
}

void Letter(QPainter& p, const QString& text, QColor colour, QRectF box = QRectF(0, 2, 18, 26)) {
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(17);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(box, Qt::AlignCenter, text);
}

void Magnifier(QPainter& p, bool plus) {
    p.setPen(QPen(kInk, 2.5));
    p.drawEllipse(QPointF(13, 12), 8, 8);
    p.drawLine(QPointF(19, 18), QPointF(28, 27));
    p.setPen(QPen(kBlue, 2));
    p.drawLine(QPointF(9, 12), QPointF(17, 12));
    if (plus) p.drawLine(QPointF(13, 8), QPointF(13, 16));
}

void Rotation(QPainter& p, bool clockwise) {
    p.setPen(QPen(kBlue, 2.5));
    p.drawArc(QRectF(5, 5, 20, 20), 30 * 16, 240 * 16);
    QPainterPath head;
    if (clockwise) {
        head.moveTo(22, 3);
        head.lineTo(27, 11);
        head.lineTo(18, 11);
    } else {
        head.moveTo(8, 3);
        head.lineTo(3, 11);
        head.lineTo(12, 11);
    }
    head.closeSubpath();
    p.fillPath(head, kBlue);
}

void Paint(QPainter& p, int id) {
    switch (id) {
    case cmd::kConnect: // connect: a head with its cable
        p.setPen(QPen(kInk, 2));
        p.drawLine(16, 2, 16, 10);
        p.setBrush(QColor(150, 150, 150));
        p.drawEllipse(QPointF(16, 18), 8, 8);
        p.setPen(QPen(kGreen, 2));
        p.drawArc(QRectF(2, 6, 28, 24), 200 * 16, 140 * 16);
        break;
    case cmd::kOpenPlayback: // open for playback: a folder with a play mark
        p.setBrush(QColor(230, 190, 80));
        p.setPen(kInk);
        p.drawRect(3, 8, 22, 16);
        p.drawRect(3, 5, 9, 3);
        p.setBrush(kGreen);
        p.drawPolygon(QPolygonF({QPointF(17, 14), QPointF(29, 20), QPointF(17, 26)}));
        break;
    case cmd::kRecord: // record
        p.setPen(kInk);
        p.setBrush(kRed);
        p.drawEllipse(QPointF(16, 15), 9, 9);
        break;
    case cmd::kRangeUp:
        Letter(p, "R", kInk);
        StepArrow(p, true);
        break;
    case cmd::kRangeDown:
        Letter(p, "R", kInk);
        StepArrow(p, false);
        break;
    case cmd::kGainUp:
        Letter(p, "G", kInk);
        StepArrow(p, true);
        break;
    case cmd::kGainDown:
        Letter(p, "G", kInk);
        StepArrow(p, false);
        break;
    case cmd::kSectorUp:
        Letter(p, "S", kInk);
        StepArrow(p, true);
        break;
    case cmd::kSectorDown:
        Letter(p, "S", kInk);
        StepArrow(p, false);
        break;
    case cmd::kTrainDown:
        Rotation(p, false);
        break;
    case cmd::kTrainUp:
        Rotation(p, true);
        break;
    case cmd::kHold: // hold
        p.fillRect(QRectF(9, 6, 5, 18), kInk);
        p.fillRect(QRectF(18, 6, 5, 18), kInk);
        break;
    case cmd::kRestoreImage: // restore: a centred target
        p.setPen(QPen(kBlue, 2));
        p.drawEllipse(QPointF(16, 15), 11, 11);
        p.drawEllipse(QPointF(16, 15), 5, 5);
        p.drawLine(16, 1, 16, 29);
        p.drawLine(2, 15, 30, 15);
        break;
    case cmd::kZoomIn:
        Magnifier(p, true);
        break;
    case cmd::kZoomOut:
        Magnifier(p, false);
        break;
    case cmd::kDisplayOverlay: // pipe overlay
        p.setPen(QPen(QColor(0, 150, 150), 3));
        p.drawEllipse(QPointF(16, 15), 11, 11);
        break;
    case cmd::kMoveShape: // move shape: four-way arrows around a circle
        p.setPen(QPen(QColor(0, 150, 150), 2));
        p.drawEllipse(QPointF(16, 15), 6, 6);
        p.setPen(QPen(kInk, 2));
        p.drawLine(16, 1, 16, 7);
        p.drawLine(16, 23, 16, 29);
        p.drawLine(2, 15, 8, 15);
        p.drawLine(24, 15, 30, 15);
        break;
    case cmd::kTextInput:
        Letter(p, "A", kBlue, QRectF(0, 0, kWidth, kHeight));
        break;
    case cmd::kMeasureAdd: // measure: a line with end ticks
        p.setPen(QPen(QColor(150, 150, 0), 2));
        p.drawLine(5, 24, 27, 6);
        p.setPen(QPen(kInk, 2));
        p.drawLine(2, 21, 8, 27);
        p.drawLine(24, 3, 30, 9);
        break;
    case cmd::kDeleteAllDrawings: // delete drawings
        p.setPen(QPen(kRed, 3));
        p.drawLine(7, 6, 25, 24);
        p.drawLine(25, 6, 7, 24);
        break;
    case cmd::kDiagnostics: // diagnostics: a trace
        p.setPen(kInk);
        p.setBrush(Qt::white);
        p.drawRect(3, 4, 26, 22);
        p.setPen(QPen(kGreen, 2));
        p.drawPolyline(QPolygonF({QPointF(5, 18), QPointF(11, 18), QPointF(14, 8), QPointF(18, 23),
                                  QPointF(21, 13), QPointF(27, 13)}));
        break;
    case cmd::kHelp:
        Letter(p, "?", kBlue, QRectF(0, 0, kWidth, kHeight));
        break;
    default:
        Letter(p, QString::number(id % 100), kInk, QRectF(0, 0, kWidth, kHeight));
        break;
    }
}

} // namespace

QIcon PaintToolBarIcon(int commandId) {
    QPixmap pixmap(kWidth, kHeight);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    Paint(p, commandId);
    p.end();
    return QIcon(pixmap);
}

QIcon PaintApplicationIcon() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(10, 20, 40));
    p.setPen(Qt::NoPen);
    p.drawEllipse(2, 2, 60, 60);
    p.setPen(QPen(QColor(250, 200, 40), 5));
    p.drawEllipse(QPointF(32, 32), 20, 17);
    p.setPen(QPen(QColor(120, 120, 0), 2));
    p.drawLine(32, 32, 50, 14);
    p.end();
    return QIcon(pixmap);
}
