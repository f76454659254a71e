#include "app/ScaleSidecar.h"

#include "survey/SurveyFile.h"

void ScaleSidecar::OnRecordingStarted(const std::string& path) {
    const SurveyScale& scale = m_doc.Scale();
    if (!scale.waterTemperatureC && !scale.calibration) return;
    const std::string sidecar = survey::SidecarPath(path);
    survey::LoadResult loaded = survey::LoadSurveyFile(sidecar);
    // A file that cannot be read is left alone rather than replaced by one
    // that knows only the scale.
    if (!loaded.error.empty()) {
        m_doc.ShowMessage("The survey details were not written: " + loaded.error);
        return;
    }
    if (scale.waterTemperatureC) loaded.details.waterTemperatureC = scale.waterTemperatureC;
    if (scale.calibration) loaded.details.calibration = scale.calibration;
    std::string why;
    if (!survey::SaveSurveyFile(sidecar, loaded.details, why))
        m_doc.ShowMessage("The survey details were not written: " + why);
}
