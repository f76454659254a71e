// The "Pipe 3D" dock: the pipe as a whole in 3D, coloured by the wall's
// deviation, fed by the live analysis's batches. The Qt Quick
// scene is made the first time the dock is shown; where no OpenGL can be
// had the dock says so instead.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include <QDockWidget>

#include "analysis/LiveAnalysis.h"
#include "analysis/PipeAxis.h"
#include "analysis/PipeCondition.h"
#include "format/UnitsText.h"

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
    // The survey shown: with its nodes' coordinates and crs, the point under
    // the mouse is also given in that system. PROJ is asked again only when
    // what places the pipe has changed.
    void SetSurvey(const survey::SurveyDetails& details, const analysis::NominalPipe& pipe);
    bool Placed() const { return m_place.has_value(); }
    // The read-out under the view: the point under the mouse, or empty.
    QString Readout() const;

  signals:
    // The user clicked the pipe: the distance of the nearest kept ring.
    void DistanceClicked(double metres);

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void MakeView();
    void ShowHit(const analysis::WallHit& hit);

    Pipe3DScene* m_scene;
    QWidget* m_view = nullptr;
    QLabel* m_message = nullptr;
    QLabel* m_readout = nullptr;
    bool m_tried = false;
    std::optional<geo::SurveyPlace> m_place;
    std::string m_placeKey; // what m_place was made from
};

// The read-out of a point of the wall: its chainage, bearing about the
// pipe's centre and distance from it in the survey's units and, placed, its
// easting, northing and elevation in the system's unit and the system's name.
QString Pipe3DReadoutText(const analysis::WallHit& hit, const geo::SurveyPlace* place,
                          units::System system);

// Makes the dock (right of the frame, tabbed with nothing), feeds it from the
// live analysis, keeps its legend in the survey's units and answers the View
// menu's "Pipe 3D" command.
Pipe3DDock* AttachPipe3DDock(LiveAnalysisWorker& live, const DockUnits& units, QMainWindow& frame,
                             CommandMap& commands);
