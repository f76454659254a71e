// The document's range scale: the speed of sound setting and what it came
// from, kept for the survey details of the next recording.
#include <cmath>

#include "analysis/SoundSpeed.h"
#include "doc/DialogRules.h"
#include "doc/TubescanDoc.h"

void CTubescanDoc::SetSpeedFromWater(double temperatureC, double salinityPsu) {
    const double speed = analysis::SoundSpeedInWater(temperatureC, salinityPsu);
    if (!analysis::IsAcceptedSoundSpeed(speed)) return;
    // The setting keeps the dialog's tenth of a metre per second.
    dlg::ApplySoundVelocity(*this, std::round(speed * 10.0) / 10.0);
    m_scale.waterTemperatureC = temperatureC;
}

void CTubescanDoc::SetSpeedByHand(double speed) {
    dlg::ApplySoundVelocity(*this, speed);
    // A typed speed that is the water's own keeps the temperature behind it.
    if (m_scale.waterTemperatureC &&
        analysis::SpeedsDiffer(speed, analysis::SoundSpeedInWater(*m_scale.waterTemperatureC)))
        m_scale.waterTemperatureC.reset();
}

void CTubescanDoc::AcceptCalibration(const survey::Calibration& check) {
    if (!analysis::IsAcceptedSoundSpeed(check.speedAfterMps)) return;
    dlg::ApplySoundVelocity(*this, std::round(check.speedAfterMps * 10.0) / 10.0);
    m_scale.calibration = check;
}

void CTubescanDoc::ReplayAtCurrentSpeed() {
    if (m_run.m_playback != 1) return;
    m_outputs.RestartSamples();
    m_play.Rewind();
    m_play.playPosition = 0;
    StartFileAgain();
    UpdateAllViews();
}
