// Floor 4, view: the sonar picture and its layers. It may include
// src/format, src/ping and src/doc.
//
// The one window that shows the sonar picture. Pings are painted into the
// document's image buffer by the ping processing; every repaint composes the
// whole client area into a back buffer and copies it to the screen in one go.
#pragma once

#include <array>
#include <functional>

#include <QImage>
#include <QPoint>
#include <QTimer>
#include <QWidget>

#include "doc/Annotations.h"
#include "view/ViewGeometry.h"

class CTubescanDoc;
class QMenu;
class QPainter;

class CTubescanView : public QWidget {
    Q_OBJECT
  public:
    explicit CTubescanView(CTubescanDoc* doc, QWidget* parent = nullptr);

    // Later layers of the picture draw themselves here, each in its turn of
    // the repaint: grid and range marks, pipe-shape overlay, annotations and
    // measurement lines, pitch/roll/distance indicator, status texts.
    enum Layer { Grid, Overlay, Annotations, Attitude, StatusTexts, LayerCount };
    using LayerPainter = std::function<void(QPainter&, const CTubescanView&)>;
    void SetLayerPainter(Layer layer, LayerPainter painter);

    // Composes the whole picture into the back buffer (what the next paint shows).
    void ComposeBackBuffer();
    const QImage& BackBuffer() const { return m_backBuffer; }

    // The view's state as other parts of the program need it.
    int ClientWidth() const { return m_clientWidth; }
    int ClientHeight() const { return m_clientHeight; }
    QPoint Pan() const { return {m_imagePanX, m_imagePanY}; }
    QPoint Origin() const { return {m_origin.x, m_origin.y}; }
    CTubescanDoc* Document() const { return m_doc; }
    bool ImageDragging() const { return m_imageDrag; }
    // Where the pipe shape is being dragged to (screen pixels), until the
    // move is folded into its offset.
    QPoint ShapePan() const { return m_shapePan; }
    // An arrow key in shape-moving mode: the shape moves one pixel and the
    // move is folded into its offset at once.
    void NudgeShape(int dx, int dy);
    // The last mouse position's read-outs (the status bar shows them).
    const CursorValues& Cursor() const { return m_cursor; }
    void SetCursorValues(const CursorValues& values) { m_cursor = values; }
    // The length of the last measurement line drawn.
    double LastLineLength() const { return m_lastLength; }
    // The link status box blinks once per silent watchdog period of the head.
    int StatusBlink() const { return m_statusBlink; }
    void SetStatusBlink(int on) { m_statusBlink = on; }
    void ToggleStatusBlink() { m_statusBlink = m_statusBlink ? 0 : 1; }

    // The link status message's alternation: the status texts advance it, a
    // repaint that redraws all starts it again.
    int BlinkCount() const { return m_blinkCount; }
    int ShowAddress() const { return m_showAddress; }
    void SetLinkBlink(int blinkCount, int showAddress) {
        m_blinkCount = blinkCount;
        m_showAddress = showAddress;
    }

    // The initial update: centres the pipe shape on the client area.
    void OnInitialUpdate();
    // Every notification of the document, on the user-interface thread: ends
    // or completes the notes and lines as the modes say, serves the delete
    // requests, starts the blink timer for shape moving (kViewHintMoveShape)
    // and repaints (except for kViewHintColourTable).
    void OnUpdate(int hint);

    // The notes and measurement lines, and the typing/measuring state.
    const AnnotationBook& NotesAndLines() const { return m_annotations; }
    // The right button's menu (its actions belong to the main window).
    void SetContextMenu(QMenu* menu) { m_contextMenu = menu; }
    // Height of the playback bar, which the circle overlay allows for in playback.
    void SetPlaybackBarHeight(std::function<int()> height) {
        m_playbackBarHeight = std::move(height);
    }
    int PlaybackBarHeight() const { return m_playbackBarHeight ? m_playbackBarHeight() : 0; }
    // Identifier of the caret and shape-blink timer (500 ms, one-shot).
    static constexpr int kCaretTimerId = 2010;
    bool CaretTimerActive() const { return m_caretTimer.isActive(); }

  signals:
    // The cursor readouts changed (mouse moved over the view).
    void cursorReadoutsChanged();
    // A key of the view asks the main window to run a command.
    void commandRequested(int id);
    // A short message for the status bar (a refused note or line).
    void statusMessage(const QString& text);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void RebuildBackBuffer(int width, int height);
    void ServeRestoreRequest();
    void DrawSonarImage(QPainter& painter, const SectorWedge& wedge, double zoom);
    void DrawHeadIcon(QPainter& painter);
    void DrawColourBar(int table);
    void RunLayer(Layer layer, QPainter& painter);
    void UpdateCursorReadouts(QPoint pos);
    // View events (ViewEvents.cpp).
    void OnLeftPress(QPoint pos);
    void OnHotKey(char32_t ch);
    void TypeIntoNote(QKeyEvent* event);
    void CancelModes();
    void OnCaretTimer();
    void UpdateModeCursor();
    void SettleAnnotations();

    CTubescanDoc* m_doc;
    QImage m_backBuffer;
    int m_clientWidth = 0;
    int m_clientHeight = 0;
    int m_imagePanX = 0;
    int m_imagePanY = 0;
    QPoint m_screenCentre{250, 250};
    QPoint m_shapePan;
    CursorValues m_cursor;
    double m_lastLength = 0.0;
    int m_statusBlink = 0;
    ViewPoint m_origin{250, 250};
    bool m_imageDrag = false;
    QPoint m_dragStart;
    QPoint m_panStart;
    int m_blinkCount = 0;
    int m_showAddress = 0;
    bool m_shapeDrag = false;
    QPoint m_shapeDragStart;
    int m_spareCount = 0; // the annotation count when there is no document
    AnnotationBook m_annotations;
    QTimer m_caretTimer;
    QMenu* m_contextMenu = nullptr;
    std::function<int()> m_playbackBarHeight;
    int m_cursorMode = 0; // 0 boxed cross-hair, 1 I-beam, 2 cross-hair
    std::array<LayerPainter, LayerCount> m_layers;
    std::array<QImage, 4> m_headIcons;
};
