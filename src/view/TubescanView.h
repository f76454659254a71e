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
#include <QWidget>

#include "view/ViewGeometry.h"

class CTubescanDoc;
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

    // The initial update: centres the pipe shape on the client area.
    void OnInitialUpdate();

  signals:
    // The cursor readouts in the document changed (mouse moved over the view).
    void cursorReadoutsChanged();
    // A key of the view asks the main window to run a command.
    void commandRequested(int id);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void RebuildBackBuffer(int width, int height);
    void ServeRestoreRequest();
    void DrawSonarImage(QPainter& painter, const SectorWedge& wedge, double zoom);
    void DrawHeadIcon(QPainter& painter);
    void DrawColourBar(int table);
    void RunLayer(Layer layer, QPainter& painter);
    void UpdateCursorReadouts(QPoint pos);

    CTubescanDoc* m_doc;
    QImage m_backBuffer;
    int m_clientWidth = 0;
    int m_clientHeight = 0;
    int m_imagePanX = 0;
    int m_imagePanY = 0;
    ViewPoint m_origin{250, 250};
    bool m_imageDrag = false;
    QPoint m_dragStart;
    QPoint m_panStart;
    std::array<LayerPainter, LayerCount> m_layers;
    std::array<QImage, 4> m_headIcons;
};
