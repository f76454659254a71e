// The view's mouse, keyboard, timer and update handling: dragging the picture
// or the pipe shape, placing notes and measurement lines, typing, the hot
// keys and the context menu.
#include <mutex>

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include "doc/TubescanDoc.h"
#include "view/OverlayGeometry.h"
#include "view/TubescanView.h"
#include "view/ViewPictures.h"

namespace {

// Commands the hot keys share with the menus and buttons.
constexpr int kClearImageCommand = 32791;
constexpr int kHoldCommand = 32813;
constexpr int kReverseCommand = 32814;
constexpr int kMoveShapeCommand = 32902;
constexpr int kRangeKeyIn = 32855;
constexpr int kGainKeyIn = 32857;
constexpr int kTrainKeyIn = 32859;
constexpr int kSectorKeyIn = 32861;

} // namespace

void CTubescanView::OnUpdate(int hint) {
    if (!m_doc) return;
    if (hint == kViewHintMoveShape && m_doc->Display().m_moveShapeMode) {
        m_annotations.EndTyping();
        m_doc->Display().m_measureMode = 0;
        m_caretTimer.start();
    }
    ServeAnnotationRequests(*m_doc, m_annotations);
    UpdateModeCursor();
    if (hint != kViewHintColourTable) update();
}

void CTubescanView::SettleAnnotations() {
    if (m_doc)
        m_annotations.Settle(m_doc->Display().m_textInputMode != 0,
                             m_doc->Display().m_measureMode != 0);
}

void CTubescanView::UpdateModeCursor() {
    if (!m_doc) return;
    // Called for every notification (every few pings): the cursor is only
    // replaced when the mode changed.
    const int mode = m_doc->Display().m_textInputMode ? 1 : m_doc->Display().m_measureMode ? 2 : 0;
    if (mode == m_cursorMode) return;
    m_cursorMode = mode;
    if (mode == 1)
        setCursor(Qt::IBeamCursor);
    else if (mode == 2)
        setCursor(Qt::CrossCursor);
    else
        setCursor(BoxedCrossCursor());
}

void CTubescanView::OnCaretTimer() {
    if (!m_doc) return;
    if ((m_doc->Display().m_textInputMode && m_annotations.TextEntry()) ||
        m_doc->Display().m_moveShapeMode) {
        m_annotations.ToggleCaret();
        m_caretTimer.start();
        update();
    }
}

void CTubescanView::CancelModes() {
    // Right button and Escape: every mode off, a half-drawn line dropped; a
    // note with text is kept.
    m_annotations.EndTyping();
    m_doc->Display().m_textInputMode = 0;
    m_doc->Display().m_moveShapeMode = 0;
    if (m_doc->Display().m_measureMode) {
        m_annotations.CancelLine();
        m_doc->Display().m_measureMode = 0;
    }
    ServeAnnotationRequests(*m_doc, m_annotations);
    UpdateModeCursor();
    update();
    // The menus' check marks follow the modes.
    m_doc->UpdateAllViews();
}

void CTubescanView::mousePressEvent(QMouseEvent* event) {
    if (!m_doc) return;
    if (event->button() == Qt::RightButton) {
        CancelModes();
        return; // the context menu follows
    }
    if (event->button() != Qt::LeftButton) return;
    OnLeftPress(event->position().toPoint());
}

void CTubescanView::OnLeftPress(QPoint pos) {
    CTubescanDoc& doc = *m_doc;
    float x = 0.0F, y = 0.0F;
    ScreenToRecord(pos.x(), pos.y(), doc.Settings().m_zoom, m_origin, x, y);
    if (doc.Display().m_textInputMode) {
        if (m_annotations.PlaceNote(x, y))
            m_caretTimer.start();
        else
            emit statusMessage(QString::fromLatin1(kAnnotationsFullMessage));
    } else if (doc.Display().m_measureMode) {
        switch (m_annotations.ClickMeasure(x, y)) {
        case AnnotationBook::MeasureClick::Refused:
            emit statusMessage(QString::fromLatin1(kAnnotationsFullMessage));
            break;
        case AnnotationBook::MeasureClick::Finished:
            doc.Display().m_measureMode = 0;
            UpdateModeCursor();
            doc.UpdateAllViews();
            break;
        case AnnotationBook::MeasureClick::Started:
            break;
        }
    } else if (doc.Display().m_moveShapeMode) {
        m_shapeDrag = true;
        m_shapeDragStart = pos;
    } else {
        m_imageDrag = true;
        m_dragStart = pos;
    }
    repaint();
}

void CTubescanView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_doc) return;
    const QPoint pos = event->position().toPoint();
    if (m_imageDrag && !m_doc->Display().m_moveShapeMode) {
        const QPoint pan = m_panStart + pos - m_dragStart;
        m_imagePanX = pan.x();
        m_imagePanY = pan.y();
        m_screenCentre = QPoint(m_clientWidth / 2, m_clientHeight / 2);
        repaint();
    }
    if (m_doc->Display().m_moveShapeMode && m_shapeDrag) {
        m_shapePan = pos - m_shapeDragStart;
        repaint();
    }
    if (m_annotations.LineStarted()) {
        float x = 0.0F, y = 0.0F;
        ScreenToRecord(pos.x(), pos.y(), m_doc->Settings().m_zoom, m_origin, x, y);
        m_annotations.MoveLineEnd(x, y);
        // Live pings repaint anyway; a held or paused picture needs this.
        update();
    }
    UpdateCursorReadouts(pos);
}

void CTubescanView::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_doc || event->button() != Qt::LeftButton) return;
    if (m_imageDrag) m_panStart = QPoint(m_imagePanX, m_imagePanY);
    if (m_shapeDrag) {
        m_shapeDragStart = QPoint();
        FoldShapeDisplacement(m_doc->Settings().m_circleOffsetX, m_doc->Settings().m_circleOffsetY,
                              m_shapePan.rx(), m_shapePan.ry(), m_doc->Settings().m_range,
                              m_doc->Settings().m_zoom);
        update();
    }
    m_imageDrag = false;
    m_shapeDrag = false;
}

void CTubescanView::contextMenuEvent(QContextMenuEvent* event) {
    if (m_contextMenu) m_contextMenu->popup(event->globalPos());
}

void CTubescanView::keyPressEvent(QKeyEvent* event) {
    if (!m_doc) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (m_doc->Display().m_textInputMode && m_annotations.TextEntry()) {
        TypeIntoNote(event);
        return;
    }
    char32_t ch = 0;
    if (event->key() == Qt::Key_Escape)
        ch = 0x1B;
    else if (const QList<uint> text = event->text().toUcs4(); text.size() == 1)
        ch = text.front();
    if (ch == 0 ||
        HotKeyFor(ch, {m_doc->Run().m_playback != 0, m_doc->Display().m_textInputMode != 0,
                       m_doc->Settings().m_displayPipeShape != 0}) == HotKey::None) {
        QWidget::keyPressEvent(event);
        return;
    }
    OnHotKey(ch);
}

void CTubescanView::TypeIntoNote(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Backspace:
        m_annotations.Backspace();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        m_annotations.EndTyping();
        m_doc->Display().m_textInputMode = 0;
        UpdateModeCursor();
        m_doc->UpdateAllViews(); // completes the note, and the menu's check mark
        break;
    default:
        for (const uint ch : event->text().toUcs4())
            m_annotations.TypeCharacter(ch);
        break;
    }
    update();
}

void CTubescanView::OnHotKey(char32_t ch) {
    CTubescanDoc& doc = *m_doc;
    const HotKey key = HotKeyFor(ch, {doc.Run().m_playback != 0, doc.Display().m_textInputMode != 0,
                                      doc.Settings().m_displayPipeShape != 0});
    switch (key) {
    case HotKey::ClearImage:
        emit commandRequested(kClearImageCommand);
        // Also under Hold, where no ping would show the cleared picture.
        update();
        break;
    case HotKey::Hold:
        emit commandRequested(kHoldCommand);
        break;
    case HotKey::Zoom: {
        {
            std::lock_guard lock(doc.PingMutex());
            doc.Settings().m_zoom = ZoomKeyStep(doc.Settings().m_zoom);
        }
        doc.ClearImage();
        doc.UpdateAllViews();
        break;
    }
    case HotKey::MoveShape:
        emit commandRequested(kMoveShapeCommand);
        break;
    case HotKey::Range:
        emit commandRequested(kRangeKeyIn);
        break;
    case HotKey::Gain:
        emit commandRequested(kGainKeyIn);
        break;
    case HotKey::Sector:
        emit commandRequested(kSectorKeyIn);
        break;
    case HotKey::Train:
        emit commandRequested(kTrainKeyIn);
        break;
    case HotKey::Reverse:
        emit commandRequested(kReverseCommand);
        break;
    case HotKey::Cancel:
        CancelModes();
        break;
    case HotKey::None:
        break;
    }
}
