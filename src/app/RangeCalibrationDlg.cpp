#include "app/RangeCalibrationDlg.h"

#include <QDateTime>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include <cmath>

#include "analysis/SoundSpeed.h"
#include "doc/CommandIds.h"
#include "doc/CommandMap.h"
#include "doc/TubescanDoc.h"
#include "link/LiveAnalysisWorker.h"

namespace {

std::optional<double> Entered(const QLineEdit* edit, double low, double high) {
    bool ok = false;
    const double v = edit->text().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < low || v > high) return std::nullopt;
    return v;
}

} // namespace

CRangeCalibrationDlg::CRangeCalibrationDlg(CTubescanDoc& doc, QWidget* parent)
    : QDialog(parent), m_doc(doc) {
    setObjectName(QStringLiteral("RangeCalibrationDlg"));
    setWindowTitle(QStringLiteral("Range Calibration"));
    auto* form = new QFormLayout(this);
    auto edit = [this](const char* name, const QString& text) {
        auto* e = new QLineEdit(text, this);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    m_diameter = edit("CertifiedDiameter", QStringLiteral("0.600"));
    m_accuracy = edit("AccuracyLimit", QString::number(m_limits.accuracyPct));
    m_spreadLimit = edit("SpreadLimit", QString::number(m_limits.spreadPct));
    form->addRow(QStringLiteral("Certified inside diameter (m):"), m_diameter);
    form->addRow(QStringLiteral("Accuracy limit (%):"), m_accuracy);
    form->addRow(QStringLiteral("Repeatability limit (%):"), m_spreadLimit);
    m_status = new QLabel(
        QStringLiteral("Place the head in the ring, turning all the way round, and press Start."),
        this);
    m_status->setObjectName(QStringLiteral("CalibrationStatus"));
    m_status->setWordWrap(true);
    form->addRow(m_status);
    m_figures = new QLabel(this);
    m_figures->setObjectName(QStringLiteral("CalibrationFigures"));
    m_figures->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(m_figures);
    auto* buttons = new QHBoxLayout;
    m_start = new QPushButton(QStringLiteral("Start"), this);
    m_start->setObjectName(QStringLiteral("StartCalibration"));
    m_accept = new QPushButton(QStringLiteral("Accept Speed"), this);
    m_accept->setObjectName(QStringLiteral("AcceptSpeed"));
    m_accept->setEnabled(false);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    buttons->addWidget(m_start);
    buttons->addWidget(m_accept);
    buttons->addWidget(close);
    form->addRow(buttons);
    connect(m_start, &QPushButton::clicked, this, &CRangeCalibrationDlg::Start);
    connect(m_accept, &QPushButton::clicked, this, &CRangeCalibrationDlg::AcceptSpeed);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
}

bool CRangeCalibrationDlg::Start() {
    const auto diameter = Entered(m_diameter, 0.05, 12.0);
    const auto accuracy = Entered(m_accuracy, 0.0, 100.0);
    const auto spread = Entered(m_spreadLimit, 0.0, 100.0);
    if (!diameter || !accuracy || !spread) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("Enter the ring's diameter in metres (0.05 to 12) "
                                            "and the limits in percent."));
        return false;
    }
    m_limits.accuracyPct = *accuracy;
    m_limits.spreadPct = *spread;
    m_fit.emplace(*diameter);
    m_speed = m_doc.Settings().m_soundVelocity;
    m_check = analysis::CheckCalibration({}, *diameter, m_speed, m_limits);
    m_accept->setEnabled(false);
    ShowCheck();
    return true;
}

void CRangeCalibrationDlg::AddScan(std::shared_ptr<const analysis::AnalysedScan> scan) {
    if (scan) AddSamples(scan->samples);
}

void CRangeCalibrationDlg::AddSamples(std::span<const analysis::ProfileSample> samples) {
    if (!m_fit) return;
    // Pings measured at another speed would mix two scales: start again.
    if (m_doc.Settings().m_soundVelocity != m_speed) {
        Start();
        return;
    }
    m_fit->AddScan(samples);
    m_check = analysis::CheckCalibration(m_fit->Diameters(), m_check.certified, m_speed, m_limits);
    // Enough whole revolutions: the check is done and waits for the operator.
    if (m_check.enough) {
        m_fit.reset();
        m_accept->setEnabled(analysis::IsAcceptedSoundSpeed(m_check.speedAfter));
    }
    ShowCheck();
}

void CRangeCalibrationDlg::ShowCheck() {
    const analysis::CalibrationCheck& c = m_check;
    if (m_fit)
        m_status->setText(QStringLiteral("Measuring: %1 of %2 whole revolutions.")
                              .arg(c.revolutions)
                              .arg(m_limits.minRevolutions));
    else if (c.enough)
        m_status->setText(c.pass ? QStringLiteral("Pass.") : QStringLiteral("Fail."));
    if (c.revolutions == 0) {
        m_figures->clear();
        return;
    }
    m_figures->setText(QStringLiteral("Mean diameter: %1 m (%2 % against the certified %3 m)\n"
                                      "Spread between revolutions: %4 %\n"
                                      "Revolutions: %5\n"
                                      "Limits: %6 % and %7 %: %8\n"
                                      "Speed of sound: %9 m/s; exact at %10 m/s")
                           .arg(c.measured, 0, 'f', 4)
                           .arg(QString::asprintf("%+.2f", c.errorPct))
                           .arg(c.certified, 0, 'f', 4)
                           .arg(c.spreadPct, 0, 'f', 3)
                           .arg(c.revolutions)
                           .arg(m_limits.accuracyPct)
                           .arg(m_limits.spreadPct)
                           .arg(c.enough
                                    ? (c.pass ? QStringLiteral("pass") : QStringLiteral("fail"))
                                    : QStringLiteral("not enough revolutions yet"))
                           .arg(c.speedBefore, 0, 'f', 1)
                           .arg(c.speedAfter, 0, 'f', 1));
}

void CRangeCalibrationDlg::AcceptSpeed() {
    if (!m_check.enough || !analysis::IsAcceptedSoundSpeed(m_check.speedAfter)) return;
    const QDateTime now = QDateTime::currentDateTime();
    survey::Calibration c;
    c.date = now.toString(QStringLiteral("yyyy-MM-dd")).toStdString();
    c.time = now.toString(QStringLiteral("HH:mm:ss")).toStdString();
    c.certifiedDiameterM = m_check.certified;
    c.measuredDiameterM = m_check.measured;
    c.errorPct = m_check.errorPct;
    c.spreadPct = m_check.spreadPct;
    c.revolutions = m_check.revolutions;
    c.speedBeforeMps = m_check.speedBefore;
    c.speedAfterMps = m_check.speedAfter;
    c.accuracyLimitPct = m_limits.accuracyPct;
    c.spreadLimitPct = m_limits.spreadPct;
    c.pass = m_check.pass;
    m_doc.AcceptCalibration(c);
    m_doc.UpdateAllViews();
    m_accept->setEnabled(false);
    m_status->setText(QStringLiteral("The speed of sound is now %1 m/s; the check goes into the "
                                     "survey details of the next recording.")
                          .arg(m_doc.Settings().m_soundVelocity, 0, 'f', 1));
}

void AttachRangeCalibration(LiveAnalysisWorker& live, QMainWindow& frame, CommandMap& commands,
                            CTubescanDoc& doc) {
    auto* dialog = new CRangeCalibrationDlg(doc, &frame);
    QObject::connect(&live, &LiveAnalysisWorker::batchReady, dialog,
                     [dialog](const std::shared_ptr<const analysis::LiveBatch>& batch) {
                         if (!batch) return;
                         for (const analysis::LiveScan& scan : batch->scans)
                             dialog->AddSamples(scan.samples);
                     });
    QPointer<CRangeCalibrationDlg> guard(dialog);
    commands.Add(cmd::kRangeCalibration, CommandEntry{[guard](int) {
                                                          if (!guard) return;
                                                          guard->show();
                                                          guard->raise();
                                                          guard->activateWindow();
                                                      },
                                                      {}});
}
