// The range scale in the program: the ring check fed scans of a simulated
// ring, the speed from the water, and both written beside the next
// recording.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMainWindow>
#include <QPushButton>

#include <cmath>

#include "../core/TempDir.h"
#include "../support/PipeSurvey.h"
#include "analysis/SoundSpeed.h"
#include "app/RangeCalibrationDlg.h"
#include "app/ScaleSidecar.h"
#include "app/WaterTemperatureDlg.h"
#include "doc/RecordConversion.h"
#include "doc/TubescanDoc.h"
#include "survey/SurveyFile.h"

namespace {

// The scans of a 0.600 m ring in water of the given true speed, as the live
// analysis hands them out with the program set to `setting`.
std::vector<std::shared_ptr<const analysis::AnalysedScan>> RingScans(const TempDir& dir,
                                                                     double water, double setting) {
    sim::PipeParams ring;
    ring.diameter = 0.600;
    ring.swayPitch = ring.swayRoll = 0.0;
    ring.travelSpeed = 0.0;
    ring.soundVelocity = water;
    pipesurvey::WriteSurvey(dir.File("ring.31l"), ring, 400 * 12 + 10, 120, 4);
    std::vector<std::shared_ptr<const analysis::AnalysedScan>> scans;
    analysis::ScanCutter cutter;
    conversion::Options options;
    options.replace = true;
    options.soundVelocity = setting;
    options.tap = [&](const analysis::ProfileSample& s) {
        if (!cutter.Add(s)) return;
        auto scan = std::make_shared<analysis::AnalysedScan>();
        scan->samples.assign(cutter.Completed().begin(), cutter.Completed().end());
        scans.push_back(scan);
    };
    const conversion::Result r =
        conversion::ConvertRecordFile(dir.File("ring.31l"), dir.File("ring.xyz"), options);
    EXPECT_EQ(r.outcome, conversion::Outcome::Converted) << r.detail;
    return scans;
}

TEST(RangeCalibrationDialog, FailsAtTheDefaultAcceptsTheProposalThenPasses) {
    TempDir dir;
    const double water = analysis::SoundSpeedInWater(10.0);
    CTubescanDoc doc;
    QMainWindow frame;
    CRangeCalibrationDlg dialog(doc, &frame);
    auto* accept = dialog.findChild<QPushButton*>("AcceptSpeed");
    ASSERT_TRUE(accept);

    ASSERT_TRUE(dialog.Start());
    for (const auto& scan : RingScans(dir, water, 1500.0))
        dialog.AddScan(scan);
    // Ten whole revolutions settle it; the scans after them change nothing.
    EXPECT_EQ(dialog.Check().revolutions, 10);
    EXPECT_FALSE(dialog.Measuring());
    EXPECT_FALSE(dialog.Check().pass);
    EXPECT_NEAR(dialog.Check().errorPct, 100.0 * (1500.0 / water - 1.0), 0.1);
    EXPECT_NE(dialog.findChild<QLabel*>("CalibrationFigures")->text().indexOf("fail"), -1);
    // A picture for a person to look at, on request.
    if (const QString dirPath = qEnvironmentVariable("TUBESCAN_TEST_PNG_DIR"); !dirPath.isEmpty())
        dialog.grab().save(dirPath + "/range-calibration.png");
    ASSERT_TRUE(accept->isEnabled());
    accept->click();
    EXPECT_NEAR(doc.Settings().m_soundVelocity, water, 0.002 * water);
    ASSERT_TRUE(doc.Scale().calibration);
    EXPECT_FALSE(doc.Scale().calibration->pass);
    EXPECT_NEAR(doc.Scale().calibration->speedAfterMps, doc.Settings().m_soundVelocity, 0.05);

    // Checked again at the accepted speed, the ring is its certified size.
    ASSERT_TRUE(dialog.Start());
    for (const auto& scan : RingScans(dir, water, doc.Settings().m_soundVelocity))
        dialog.AddScan(scan);
    EXPECT_TRUE(dialog.Check().pass) << analysis::CalibrationLine(dialog.Check());
}

TEST(RangeScaleInProgram, WaterSpeedAndAcceptedCheckGoBesideTheNextRecording) {
    QMainWindow frame;
    CWaterTemperatureDlg ask(&frame, 10.0);
    EXPECT_NEAR(ask.Speed(), 1447.3, 0.05);
    EXPECT_EQ(ask.findChild<QLabel*>("WaterSpeed")->text(), "1447.3 m/s");

    TempDir dir;
    CTubescanDoc doc;
    const ScaleSidecar sidecar(doc);
    // Nothing to say about the scale: no survey details are made.
    ASSERT_TRUE(doc.OpenRecordFile(dir.File("plain.31l")));
    doc.StopRecording();
    EXPECT_FALSE(survey::LoadSurveyFile(dir.File("plain.survey.json")).present);

    doc.SetSpeedFromWater(12.5, 0.0);
    EXPECT_NEAR(doc.Settings().m_soundVelocity, analysis::SoundSpeedInWater(12.5), 0.05);
    survey::Calibration check;
    check.certifiedDiameterM = 0.6;
    check.speedBeforeMps = doc.Settings().m_soundVelocity;
    check.speedAfterMps = 1460.0;
    check.pass = true;
    doc.AcceptCalibration(check);
    EXPECT_DOUBLE_EQ(doc.Settings().m_soundVelocity, 1460.0);
    // The details a crew already wrote stay as they were.
    dir.Write("pipe.survey.json",
              "{\"format\": \"tubescan-survey/1\", \"pipe_reference\": \"P-7\"}");
    ASSERT_TRUE(doc.OpenRecordFile(dir.File("pipe.31l")));
    doc.StopRecording();
    const survey::LoadResult written = survey::LoadSurveyFile(dir.File("pipe.survey.json"));
    ASSERT_TRUE(written.error.empty()) << written.error;
    EXPECT_EQ(written.details.pipeReference, "P-7");
    ASSERT_TRUE(written.details.waterTemperatureC);
    EXPECT_DOUBLE_EQ(*written.details.waterTemperatureC, 12.5);
    ASSERT_TRUE(written.details.calibration);
    EXPECT_DOUBLE_EQ(written.details.calibration->speedAfterMps, 1460.0);

    // A speed typed in that is not the water's: the temperature no longer
    // stands behind it.
    doc.SetSpeedByHand(1500.0);
    EXPECT_FALSE(doc.Scale().waterTemperatureC);
}

} // namespace
