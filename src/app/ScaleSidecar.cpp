#include "app/ScaleSidecar.h"

#include "doc/TubescanDoc.h"
#include "survey/SurveyFile.h"

void InstallScaleSidecar(CTubescanDoc& doc) {
    DocumentHooks& hooks = doc.m_hooks;
    hooks.recordingStarted = [&doc, previous = hooks.recordingStarted](const std::string& path) {
        if (previous) previous(path);
        const SurveyScale& scale = doc.Scale();
        if (!scale.waterTemperatureC && !scale.calibration) return;
        const std::string sidecar = survey::SidecarPath(path);
        survey::LoadResult loaded = survey::LoadSurveyFile(sidecar);
        // A file that cannot be read is left alone rather than replaced by
        // one that knows only the scale.
        if (!loaded.error.empty()) {
            doc.ShowMessage("The survey details were not written: " + loaded.error);
            return;
        }
        if (scale.waterTemperatureC) loaded.details.waterTemperatureC = scale.waterTemperatureC;
        if (scale.calibration) loaded.details.calibration = scale.calibration;
        std::string why;
        if (!survey::SaveSurveyFile(sidecar, loaded.details, why))
            doc.ShowMessage("The survey details were not written: " + why);
    };
}
