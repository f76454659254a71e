// An earlier survey of the pipe being shown, once File > "Compare With
// Recording..." has loaded it: its figures and its unrolled wall, and how the
// current survey lies on it. In playback the whole played recording is lined
// up once. Live, the survey grows: it is lined up on what is there when the
// earlier one is loaded and again every kRealignEvery metres of new survey, on
// a thread of its own (the search takes a while on a long pipe and the window
// must not wait for it), and "alignment uncertain" stands until the
// correlation reaches its threshold. Both docks that show the earlier survey
// (the Pipe Condition chart dashed, the Unrolled dock's change) follow each
// new alignment.
#pragma once

#include <memory>
#include <vector>

#include <QObject>
#include <QString>

#include "analysis/LiveAnalysis.h"
#include "analysis/SurveyAlignment.h"
#include "analysis/UnrolledChange.h"
#include "format/UnitsText.h"

class PipeConditionPanel;
class QThread;
class UnrolledDock;

struct EarlierSurvey {
    std::vector<analysis::ScanFigures> scans;
    std::shared_ptr<analysis::UnrolledByDistance> wall;
};

// The alignment as the operator reads it: how the two surveys were lined up
// and whether to trust it, the offset in system's units.
QString AlignmentStateText(const analysis::Alignment& a,
                           units::System system = units::System::Metric);

class CompareSession : public QObject {
    Q_OBJECT
  public:
    static constexpr double kRealignEvery = 2.0; // metres of new live survey

    // unrolled may be null (no such dock).
    CompareSession(PipeConditionPanel& panel, UnrolledDock* unrolled, QObject* parent = nullptr);
    // Waits for an alignment under way.
    ~CompareSession() override;

    // The current survey's scans as the live analysis counts them (live or
    // played); a jump back of more than a metre starts a new survey.
    void TakeBatch(const std::shared_ptr<const analysis::LiveBatch>& batch);
    const std::vector<analysis::ScanFigures>& Current() const { return m_current; }

    // An earlier survey lined up with a whole played recording: no further
    // alignment while it plays.
    void ShowPlayed(EarlierSurvey earlier, const analysis::Alignment& alignment);
    // An earlier survey against the live one: lined up now on what there is
    // (the docks show it on its own distances until then) and again as it
    // grows. False when there is too little of the live survey yet.
    bool ShowLive(EarlierSurvey earlier, analysis::TravelDirection direction);

    bool Active() const { return m_earlier != nullptr; }
    bool Live() const { return m_live; }
    const analysis::Alignment& Alignment() const { return m_alignment; }
    // Alignments found since the earlier survey was loaded.
    int Alignments() const { return m_alignments; }
    // Waits, at most timeoutMs, for an alignment under way and applies it.
    bool WaitForAlignment(int timeoutMs = 10000);
    // The unrolled map's units changed: its alignment text gives the offset
    // in them.
    void UnitsChanged();

  signals:
    void aligned();

  private:
    void Show(const analysis::Alignment& alignment);
    QString StateOf(const analysis::Alignment& alignment) const;
    void StartAlignment();
    void AlignmentDone();

    PipeConditionPanel& m_panel;
    UnrolledDock* m_unrolled;
    std::shared_ptr<const EarlierSurvey> m_earlier;
    std::vector<analysis::ScanFigures> m_current;
    double m_lastDistance = analysis::kNoValue;
    bool m_live = false;
    analysis::TravelDirection m_direction = analysis::TravelDirection::Unknown;
    analysis::Alignment m_alignment;
    int m_alignments = 0;
    double m_alignedAt = analysis::kNoValue; // metres of live survey at the last alignment
    QThread* m_worker = nullptr;             // an alignment under way
    std::shared_ptr<analysis::Alignment> m_result;
};
