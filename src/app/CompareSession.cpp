#include "app/CompareSession.h"

#include <cmath>

#include <QDeadlineTimer>
#include <QThread>

#include "app/CompareCommands.h"
#include "app/DockUnits.h"
#include "app/PipeConditionPanel.h"
#include "app/UnrolledDock.h"

QString AlignmentStateText(const analysis::Alignment& a, units::System system) {
    if (!std::isfinite(a.correlation))
        return QStringLiteral("Earlier survey on its own distances: not lined up yet");
    const QString how = QStringLiteral("%1, scale %2, offset %3, r = %4")
                            .arg(a.reversed ? QStringLiteral("made the other way")
                                            : QStringLiteral("made the same way"),
                                 QString::number(a.scale, 'f', 4),
                                 DockText(a.offset, units::Kind::Distance, system, 2),
                                 QString::number(a.correlation, 'f', 2));
    return a.uncertain ? QStringLiteral("Alignment uncertain (%1): ")
                                 .arg(QString::fromStdString(analysis::UncertainWhy(a))) +
                             how
                       : QStringLiteral("Lined up: ") + how;
}

CompareSession::CompareSession(PipeConditionPanel& panel, UnrolledDock* unrolled, QObject* parent)
    : QObject(parent), m_panel(panel), m_unrolled(unrolled) {}

CompareSession::~CompareSession() {
    // The search holds only its own copies; it ends on its own, briefly.
    if (m_worker) m_worker->wait();
}

void CompareSession::TakeBatch(const std::shared_ptr<const analysis::LiveBatch>& batch) {
    if (!batch) return;
    for (const analysis::LiveScan& scan : batch->scans) {
        const double d = scan.Figures().distance;
        if (!std::isfinite(d)) continue;
        // Back along the pipe by more than a metre: a new file or a replay,
        // as the docks take it.
        if (std::isfinite(m_lastDistance) && d < m_lastDistance - 1.0) {
            m_current.clear();
            m_alignedAt = analysis::kNoValue;
        }
        m_lastDistance = d;
        m_current.push_back(scan.Figures());
    }
    if (!m_live || !m_earlier || m_worker || m_current.size() < 2) return;
    const double covered = std::abs(m_current.back().distance - m_current.front().distance);
    if (!std::isfinite(m_alignedAt) || covered - m_alignedAt >= kRealignEvery) StartAlignment();
}

void CompareSession::Show(const analysis::Alignment& alignment) {
    m_alignment = alignment;
    const analysis::Alignment& a = m_alignment;
    m_panel.ShowEarlier(EarlierOnCurrent(m_earlier->scans, a));
    if (m_unrolled) m_unrolled->SetAlignment(a, StateOf(a));
}

void CompareSession::UnitsChanged() {
    if (m_unrolled && m_earlier) m_unrolled->SetAlignmentText(StateOf(m_alignment));
}

QString CompareSession::StateOf(const analysis::Alignment& alignment) const {
    return AlignmentStateText(alignment,
                              m_unrolled ? m_unrolled->View()->Units() : units::System::Metric);
}

void CompareSession::ShowPlayed(EarlierSurvey earlier, const analysis::Alignment& alignment) {
    WaitForAlignment();
    m_live = false;
    m_earlier = std::make_shared<const EarlierSurvey>(std::move(earlier));
    m_alignments = 1;
    if (m_unrolled) m_unrolled->SetEarlier(m_earlier->wall, alignment, StateOf(alignment));
    Show(alignment);
    emit aligned();
}

bool CompareSession::ShowLive(EarlierSurvey earlier, analysis::TravelDirection direction) {
    WaitForAlignment();
    m_live = true;
    m_direction = direction;
    m_earlier = std::make_shared<const EarlierSurvey>(std::move(earlier));
    m_alignments = 0;
    m_alignedAt = analysis::kNoValue;
    // On its own distances until the search says more.
    analysis::Alignment own;
    own.correlation = analysis::kNoValue;
    if (m_unrolled) m_unrolled->SetEarlier(m_earlier->wall, own, StateOf(own));
    Show(own);
    if (m_current.size() < 2) return false;
    StartAlignment();
    return true;
}

void CompareSession::StartAlignment() {
    m_alignedAt = std::abs(m_current.back().distance - m_current.front().distance);
    auto result = std::make_shared<analysis::Alignment>();
    m_result = result;
    // The thread works on copies: the live survey goes on growing here.
    m_worker = QThread::create(
        [earlier = m_earlier, current = m_current, direction = m_direction, result] {
            *result = analysis::AlignSoFar(earlier->scans, current, direction);
        });
    connect(m_worker, &QThread::finished, this, &CompareSession::AlignmentDone);
    m_worker->start(QThread::LowPriority);
}

void CompareSession::AlignmentDone() {
    if (!m_worker) return;
    m_worker->wait();
    delete m_worker;
    m_worker = nullptr;
    ++m_alignments;
    // A search that found nothing leaves the last alignment standing.
    if (std::isfinite(m_result->correlation) && m_earlier) Show(*m_result);
    emit aligned();
}

bool CompareSession::WaitForAlignment(int timeoutMs) {
    if (!m_worker) return true;
    if (!m_worker->wait(QDeadlineTimer(timeoutMs))) return false;
    AlignmentDone();
    return true;
}
