// The "Pipe 3D" dock: the pipe as a whole in 3D, coloured by the wall's
// deviation, fed by the live analysis's batches. The Qt Quick
// scene is made the first time the dock is shown; where no OpenGL can be
// had the dock says so instead.
#pragma once

#include <memory>

#include <QDockWidget>

#include "analysis/LiveAnalysis.h"
#include "analysis/PipeCondition.h"

class CommandMap;
class DockUnits;
class LiveAnalysisWorker;
class Pipe3DScene;
class QMainWindow;
class QLabel;

class Pipe3DDock : public QDockWidget {
    Q_OBJECT
  public:
    explicit Pipe3DDock(QWidget* parent = nullptr);
    ~Pipe3DDock() override;

    void AddScan(const std::shared_ptr<const analysis::AnalysedScan>& scan);
    void TakeBatch(const std::shared_ptr<const analysis::LiveBatch>& batch);
    Pipe3DScene& Scene() { return *m_scene; }
    // The Qt Quick view, or null while not made or where 3D cannot be drawn.
    QWidget* View() const { return m_view; }
    // Points the camera back at the whole pipe (the Home and R keys).
    void ResetView();

  signals:
    // The user clicked the pipe: the distance of the nearest kept ring.
    void DistanceClicked(double metres);

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void MakeView();

    Pipe3DScene* m_scene;
    QWidget* m_view = nullptr;
    QLabel* m_message = nullptr;
    bool m_tried = false;
};

// Makes the dock (right of the frame, tabbed with nothing), feeds it from the
// live analysis, keeps its legend in the survey's units and answers the View
// menu's "Pipe 3D" command.
Pipe3DDock* AttachPipe3DDock(LiveAnalysisWorker& live, const DockUnits& units, QMainWindow& frame,
                             CommandMap& commands);
