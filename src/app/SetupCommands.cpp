#include "app/SetupCommands.h"

#include <QAction>

#include "app/AppRegistry.h"
#include "app/DiagnosticsDlg.h"
#include "app/IpAddressDlg.h"
#include "app/MainFrame.h"
#include "app/MenuLayout.h"
#include "app/PipeParameterDlg.h"
#include "app/SoundVelocityDlg.h"
#include "app/ValueDlg.h"
#include "doc/CommandMap.h"
#include "doc/DialogRules.h"
#include "doc/TubescanDoc.h"
#include "link/SonarHost.h"

namespace {

CDiagnosticsDlg* Diagnostics(const AppRegistry& r) {
    return qobject_cast<CDiagnosticsDlg*>(r.diagnostics);
}

void CreateDiagnostics(CTubescanDoc& doc, AppRegistry& registry) {
    if (Diagnostics(registry) || !registry.mainFrame) return;
    auto* window = new CDiagnosticsDlg(doc, registry.mainFrame);
    window->restartHeadLink = [&registry] {
        if (registry.host) registry.host->StartHeadLink();
    };
    window->hideKeyIn = [&registry] {
        if (registry.keyInBox) registry.keyInBox->hide();
    };
    // The function and arrow keys work while the window has the focus.
    for (const Accelerator& accel : AcceleratorTable())
        if (QAction* action = registry.mainFrame->Action(accel.id)) window->addAction(action);
    registry.diagnostics = window;
}

} // namespace

void AddSetupCommands(CommandMap& map, CTubescanDoc& doc, AppRegistry& registry) {
    map.Add(cmd::kDiagnostics,
            {[&doc, &registry](int) {
                 doc.Settings().m_diagnosticsVisible = !doc.Settings().m_diagnosticsVisible;
                 CreateDiagnostics(doc, registry);
                 if (CDiagnosticsDlg* window = Diagnostics(registry)) {
                     window->setVisible(doc.Settings().m_diagnosticsVisible != 0);
                     window->RefreshDiagnostics();
                 }
             },
             [&doc, &registry](int) {
                 if (CDiagnosticsDlg* window = Diagnostics(registry))
                     doc.Settings().m_diagnosticsVisible = window->isVisible() ? 1 : 0;
                 return CommandUi{true, doc.Settings().m_diagnosticsVisible == 1};
             }});

    map.Add(cmd::kIpAddress,
            {[&doc, &registry](int) {
                 CIpAddressDlg dialog(doc.Settings().m_ipAddress, registry.mainFrame);
                 if (dialog.exec() != QDialog::Accepted) return;
                 doc.Settings().m_ipAddress = dialog.Address();
                 if (doc.Run().m_playback != 0 || !registry.host) return;
                 // A new attempt at once, even while one to the old
                 // address is still pending.
                 registry.host->RestartHeadLink();
             },
             [&doc](int) {
                 return CommandUi{doc.Settings().m_sonarType == 1 && doc.Run().m_playback == 0, {}};
             }});

    map.Add(cmd::kMinimumRange, {[&doc, &registry](int) {
                                     RunValueDialog(dlg::kMinRangeRules, doc, registry.mainFrame);
                                 },
                                 {}});

    map.Add(cmd::kSoundVelocity,
            {[&doc, &registry](int) { RunSoundVelocityDialog(doc, registry.mainFrame); }, {}});

    map.Add(cmd::kPipeParameter, {[&doc, &registry](int) {
                                      CPipeParameterDlg dialog(&doc, registry.mainFrame);
                                      if (dialog.exec() == QDialog::Accepted)
                                          doc.Settings().m_circleDiameter = dialog.Diameter();
                                      // The spins may have moved the overlay even when
                                      // the dialog was cancelled.
                                      doc.UpdateAllViews();
                                  },
                                  {}});
}

namespace {

class DiagnosticsObserver final : public AttachedObserver {
  public:
    DiagnosticsObserver(CTubescanDoc& doc, AppRegistry& registry)
        : AttachedObserver(doc), m_doc(doc), m_registry(registry) {}

    void OnCreateWindows() override { CreateDiagnostics(m_doc, m_registry); }
    void OnDestroyWindows() override {
        delete m_registry.diagnostics;
        m_registry.diagnostics = nullptr;
    }
    void OnShowDiagnostics(bool show) override {
        if (CDiagnosticsDlg* window = Diagnostics(m_registry)) window->setVisible(show);
    }
    // A hidden window is brought up to date when it is shown.
    void OnRefreshWindows(bool diagnostics) override {
        CDiagnosticsDlg* window = Diagnostics(m_registry);
        if (diagnostics && window && window->isVisible()) window->RefreshDiagnostics();
    }

  private:
    CTubescanDoc& m_doc;
    AppRegistry& m_registry;
};

} // namespace

std::unique_ptr<DocumentObserver> ObserveDiagnostics(CTubescanDoc& doc, AppRegistry& registry) {
    return std::make_unique<DiagnosticsObserver>(doc, registry);
}
