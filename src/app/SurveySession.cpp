#include "app/SurveySession.h"

#include "doc/TubescanDoc.h"
#include "survey/SurveyFile.h"

namespace {

// The crew's keys and where the settings keep them.
struct CrewKey {
    const char* key;
    std::string SonarSettings::*setting;
};
constexpr CrewKey kCrew[] = {
    {"inspector", &SonarSettings::m_surveyInspector},
    {"certificate", &SonarSettings::m_surveyCertificate},
    {"owner", &SonarSettings::m_surveyOwner},
    {"town", &SonarSettings::m_surveyTown},
    {"units", &SonarSettings::m_surveyUnits},
};

} // namespace

SurveySession::SurveySession(CTubescanDoc& doc) : m_doc(doc) {}

bool SurveySession::Playing() const {
    return m_doc.Run().m_playback == 1;
}

void SurveySession::OfferCrewValues() {
    // Once the settings are loaded: the first time the details are asked for.
    if (m_crewOffered) return;
    m_crewOffered = true;
    for (const CrewKey& c : kCrew) {
        const survey::KeyRule* rule = survey::FindSurveyKey(c.key);
        // A value the rules refuse (edited by hand) is not offered.
        if (rule && survey::KeyText(m_live, *rule).empty())
            (void)survey::SetKeyText(m_live, *rule, m_doc.Settings().*c.setting);
    }
}

const survey::SurveyDetails& SurveySession::Current() {
    if (Playing()) {
        SyncPlayback();
        return m_played;
    }
    OfferCrewValues();
    return m_live;
}

std::string SurveySession::SidecarPath() const {
    if (Playing()) return m_playedPath.empty() ? std::string() : survey::SidecarPath(m_playedPath);
    if (m_doc.Recorder().Active()) return survey::SidecarPath(m_doc.Recorder().m_path);
    return {};
}

bool SurveySession::NeedsDetails() {
    return !survey::MissingNeeded(Current()).empty();
}

std::string SurveySession::Apply(const survey::SurveyDetails& details) {
    if (Playing()) {
        SyncPlayback();
        m_played = details;
    } else {
        m_live = details;
        m_crewOffered = true;
        m_liveEdited = true;
        for (const CrewKey& c : kCrew) {
            const survey::KeyRule* rule = survey::FindSurveyKey(c.key);
            if (rule) m_doc.Settings().*c.setting = survey::KeyText(details, *rule);
        }
        // Remembered at once: a crew's next survey may follow a crash.
        m_doc.SaveSettings();
    }
    const std::string path = SidecarPath();
    std::string why;
    if (!path.empty() && !survey::SaveSurveyFile(path, details, why)) return why;
    return {};
}

std::string SurveySession::OnRecordingStarted() {
    if (!m_doc.Recorder().Active()) return {};
    survey::SurveyDetails details;
    if (Playing()) {
        // A copy of the played file carries its details.
        SyncPlayback();
        details = m_played;
    } else {
        // Details a crew prepared beside the recording before it started
        // come first: the dialog's values only fill the keys they leave
        // empty. A file that cannot be read is never replaced.
        const survey::LoadResult prepared =
            survey::LoadSurveyFile(survey::SidecarPath(m_doc.Recorder().m_path));
        if (!prepared.error.empty()) return prepared.error + "; the file is left as it was";
        if (prepared.present) {
            survey::SurveyDetails merged = prepared.details;
            for (const survey::KeyRule& rule : survey::SurveyKeyRules())
                if (survey::KeyText(merged, rule).empty())
                    (void)survey::SetKeyText(merged, rule, survey::KeyText(m_live, rule));
            if (!merged.calibration) merged.calibration = m_live.calibration;
            m_live = std::move(merged);
        }
        OfferCrewValues();
        // The survey's units as the program shows them now, so its files
        // read the same later whatever the setting has become.
        if (m_live.units.empty())
            m_live.units = m_doc.Settings().m_units == 0 ? "metric" : "imperial";
        // The scale the operator set for this session goes with it.
        const SurveyScale& scale = m_doc.Scale();
        if (scale.waterTemperatureC) m_live.waterTemperatureC = scale.waterTemperatureC;
        if (scale.calibration) m_live.calibration = scale.calibration;
        details = m_live;
    }
    std::string why;
    if (!survey::SaveSurveyFile(survey::SidecarPath(m_doc.Recorder().m_path), details, why))
        return why;
    return {};
}

std::string SurveySession::SyncPlayback() {
    if (!Playing()) {
        m_playedPath.clear();
        return {};
    }
    if (m_doc.PlaybackFile().path == m_playedPath) return {};
    m_playedPath = m_doc.PlaybackFile().path;
    survey::LoadResult loaded = survey::LoadSurveyFile(survey::SidecarPath(m_playedPath));
    m_played = std::move(loaded.details);
    m_loadError = loaded.error;
    return loaded.error;
}

std::string SurveySession::TitleSuffix() {
    if (!Playing() && !m_doc.Recorder().Active()) return {};
    const survey::SurveyDetails& d = Current();
    if (d.pipeReference.empty() && d.startNode.empty() && d.finishNode.empty()) return {};
    std::string s = " - Pipe " + (d.pipeReference.empty() ? std::string("?") : d.pipeReference);
    if (!d.startNode.empty() || !d.finishNode.empty())
        s += ": " + (d.startNode.empty() ? std::string("?") : d.startNode) + " to " +
             (d.finishNode.empty() ? std::string("?") : d.finishNode);
    return s;
}

units::System SurveySession::Units() {
    const int setting = m_doc.Settings().m_units;
    if (Playing()) {
        SyncPlayback();
        return units::SystemOf(m_played.units, setting);
    }
    // Before a recording the remembered crew values alone do not make a
    // survey: the Units setting decides until the operator sets details.
    if (m_doc.Recorder().Active() || m_liveEdited) return units::SystemOf(m_live.units, setting);
    return units::SystemOf("", setting);
}
