#include "app/SurveyCommands.h"

#include <cstdio>

#include <QTimer>

#include "app/MainFrame.h"
#include "app/SurveyDetailsDlg.h"
#include "doc/CommandIds.h"
#include "doc/CommandMap.h"
#include "doc/TubescanDoc.h"

namespace {
QString Q(const std::string& s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}
} // namespace

class SurveyUnitsWatch final : public AttachedObserver {
  public:
    SurveyUnitsWatch(CTubescanDoc& doc, SurveyCommands& owner)
        : AttachedObserver(doc), m_owner(owner) {}
    void OnRefreshParameterTexts() override { Queue(); }
    void OnWindowTitle(const std::string&) override { Queue(); }

  private:
    // After the change is complete, and on the user-interface thread
    // whichever thread reported it.
    void Queue() {
        QMetaObject::invokeMethod(&m_owner, &SurveyCommands::RefreshUnits, Qt::QueuedConnection);
    }
    SurveyCommands& m_owner;
};

SurveyCommands::SurveyCommands(CTubescanDoc& doc, CMainFrame& frame)
    : QObject(&frame), m_doc(doc), m_frame(frame), m_session(doc),
      m_unitsWatch(std::make_unique<SurveyUnitsWatch>(doc, *this)) {
    m_units.Set(m_session.Units());
}

SurveyCommands::~SurveyCommands() = default;

void SurveyCommands::RefreshUnits() {
    m_units.Set(m_session.Units());
    emit surveyShown();
}

SurveyDetailsDlg* SurveyCommands::Dialog() const {
    return m_dialog.data();
}

void SurveyCommands::Attach(CommandMap& commands) {
    commands.Add(cmd::kSurveyDetails, {[this](int) { OpenDialog(); }, {}});
    m_frame.SetTitleSuffix([this] {
        const QString suffix = Q(m_session.TitleSuffix());
        // Said after the caption is set, not from inside it.
        if (const std::string error = m_session.TakeLoadError(); !error.empty())
            QTimer::singleShot(0, this, [this, error] {
                Say("The survey details beside this recording cannot be used:\n" + error +
                    "\nIt plays without them; File > Survey Details... writes them anew.");
            });
        return suffix;
    });
}

void SurveyCommands::Say(const std::string& text) {
    std::fprintf(stderr, "tubescan: %s\n", text.c_str());
    m_doc.ShowMessage(text);
}

void SurveyCommands::OnRecordingStarted() {
    if (const std::string why = m_session.OnRecordingStarted(); !why.empty())
        Say("The survey details could not be written beside the recording:\n" + why +
            "\nThe recording goes on.");
    m_frame.RefreshTitle();
    RefreshUnits();
    if (m_session.NeedsDetails()) OpenDialog(true);
}

void SurveyCommands::OpenDialog(bool atRecordingStart) {
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    const survey::SurveyDetails& current = m_session.Current();
    m_dialog = new SurveyDetailsDlg(current,
                                    atRecordingStart ? SurveyDetailsDlg::Mode::RecordingStart
                                                     : SurveyDetailsDlg::Mode::Edit,
                                    Q(m_session.SidecarPath()), &m_frame);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_dialog, &QDialog::accepted, this, [this, dialog = m_dialog.data()] {
        if (const std::string why = m_session.Apply(dialog->Details()); !why.empty())
            Say("The survey details could not be written:\n" + why);
        m_frame.RefreshTitle();
        RefreshUnits();
    });
    // Window-modal but not waiting here: pings go on being recorded and drawn
    // while the operator types.
    m_dialog->open();
}
