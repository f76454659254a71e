#include "app/ParameterCommands.h"

#include <QToolBar>

#include "app/AppRegistry.h"
#include "app/KeyInDlg.h"
#include "app/MainFrame.h"
#include "app/MiniSettingsBar.h"
#include "app/SettingsPanel.h"
#include "doc/CommandIds.h"
#include "doc/CommandMap.h"
#include "doc/ParameterSteps.h"
#include "doc/TubescanDoc.h"
#include "link/SonarHost.h"

namespace {

CSettingsPanel* Panel(const AppRegistry& r) {
    return qobject_cast<CSettingsPanel*>(r.settingsPanel);
}
CKeyInDlg* KeyIn(const AppRegistry& r) {
    return qobject_cast<CKeyInDlg*>(r.keyInBox);
}
CMiniSettingsBar* MiniBar(const AppRegistry& r) {
    if (!r.mainFrame) return nullptr;
    return r.mainFrame->MiniSettingsBar()->findChild<CMiniSettingsBar*>();
}

} // namespace

void AddParameterCommands(CommandMap& map, CTubescanDoc& doc, AppRegistry& registry) {
    const auto realTime = [&doc](int) {
        return CommandUi{doc.Run().m_playback == 0, std::nullopt};
    };
    const std::pair<int, void (*)(CTubescanDoc&, int)> steps[] = {
        {cmd::kRangeUp, [](CTubescanDoc& d, int) { params::RangeStep(d, +1); }},
        {cmd::kRangeDown, [](CTubescanDoc& d, int) { params::RangeStep(d, -1); }},
        {cmd::kGainUp, [](CTubescanDoc& d, int) { params::GainStep(d, +1); }},
        {cmd::kGainDown, [](CTubescanDoc& d, int) { params::GainStep(d, -1); }},
        {cmd::kSectorUp, [](CTubescanDoc& d, int) { params::SectorStep(d, +1); }},
        {cmd::kSectorDown, [](CTubescanDoc& d, int) { params::SectorStep(d, -1); }},
        {cmd::kTrainUp, [](CTubescanDoc& d, int) { params::TrainStep(d, +1); }},
        {cmd::kTrainDown, [](CTubescanDoc& d, int) { params::TrainStep(d, -1); }},
    };
    for (const auto& [id, step] : steps)
        map.Add(id, {[&doc, step = step](int) { step(doc, 0); }, realTime});
    map.Add(cmd::kDiameterUp, {[&doc](int) { params::DiameterStep(doc, +1); }, {}});
    map.Add(cmd::kDiameterDown, {[&doc](int) { params::DiameterStep(doc, -1); }, {}});

    const std::pair<int, params::KeyInKind> keyIns[] = {
        {cmd::kKeyInRange, params::KeyInKind::Range},
        {cmd::kKeyInGain, params::KeyInKind::Gain},
        {cmd::kKeyInTrain, params::KeyInKind::Train},
        {cmd::kKeyInSector, params::KeyInKind::Sector},
    };
    for (const auto& [id, kind] : keyIns)
        map.Add(id, {[&registry, kind = kind](int) {
                         if (CKeyInDlg* box = KeyIn(registry)) box->Open(kind);
                     },
                     {}});

    map.Add(cmd::kSonarSettings,
            {[&doc, &registry](int) {
                 doc.Settings().m_settingsPanelVisible = !doc.Settings().m_settingsPanelVisible;
                 if (CSettingsPanel* panel = Panel(registry)) {
                     panel->setVisible(doc.Settings().m_settingsPanelVisible &&
                                       doc.Run().m_playback == 0);
                     panel->Refresh();
                 }
             },
             [&doc, &registry](int) {
                 if (CSettingsPanel* panel = Panel(registry))
                     doc.Settings().m_settingsPanelVisible = panel->isVisible() ? 1 : 0;
                 return CommandUi{doc.Run().m_playback == 0,
                                  doc.Settings().m_settingsPanelVisible == 1};
             }});
    // The mini bar's command shows and hides the bar, with a check mark while
    // it is shown. Playback hides the bar and keeps it hidden: its spins
    // would do nothing there.
    map.Add(cmd::kMiniSettingsBar,
            {[&doc, &registry](int) {
                 if (!registry.mainFrame) return;
                 QToolBar* bar = registry.mainFrame->MiniSettingsBar();
                 const bool show = !bar->isVisible() && doc.Run().m_playback == 0;
                 if (show)
                     if (CMiniSettingsBar* mini = MiniBar(registry)) mini->Refresh();
                 bar->setVisible(show);
             },
             [&doc, &registry](int) {
                 const bool shown =
                     registry.mainFrame && registry.mainFrame->MiniSettingsBar()->isVisible();
                 return CommandUi{doc.Run().m_playback == 0, shown};
             }});
}

namespace {

class ParameterWindowObserver final : public AttachedObserver {
  public:
    ParameterWindowObserver(CTubescanDoc& doc, AppRegistry& registry)
        : AttachedObserver(doc), m_doc(doc), m_registry(registry) {}

    // Playback starting hides the mini bar along with showing its own bar.
    void OnShowPlaybackBar(bool show) override {
        if (show && m_registry.mainFrame) m_registry.mainFrame->MiniSettingsBar()->hide();
    }
    void OnCreateWindows() override {
        AppRegistry& registry = m_registry;
        if (!registry.mainFrame) return;
        if (!registry.keyInBox) registry.keyInBox = new CKeyInDlg(m_doc, registry.mainFrame);
        if (!registry.settingsPanel) {
            auto* panel = new CSettingsPanel(m_doc, registry.mainFrame);
            panel->hideKeyIn = [&registry] {
                if (CKeyInDlg* box = KeyIn(registry)) box->hide();
            };
            panel->restartHeadLink = [&registry] {
                if (registry.host) registry.host->StartHeadLink();
            };
            registry.settingsPanel = panel;
        }
    }
    void OnDestroyWindows() override {
        delete m_registry.keyInBox;
        m_registry.keyInBox = nullptr;
        delete m_registry.settingsPanel;
        m_registry.settingsPanel = nullptr;
    }
    void OnRefreshParameterTexts() override {
        if (CSettingsPanel* panel = Panel(m_registry)) panel->Refresh();
        if (CMiniSettingsBar* mini = MiniBar(m_registry)) mini->Refresh();
    }
    void OnRefreshSettingsPanel() override {
        if (CSettingsPanel* panel = Panel(m_registry)) panel->Refresh();
    }
    void OnShowSettingsPanel(bool show) override {
        if (CSettingsPanel* panel = Panel(m_registry)) panel->setVisible(show);
    }
    std::optional<WindowRect> SettingsPanelRect() const override {
        CSettingsPanel* panel = Panel(m_registry);
        if (!panel) return std::nullopt;
        const QRect r = panel->frameGeometry();
        return WindowRect{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
    }
    void OnMoveSettingsPanel(int left, int top) override {
        if (CSettingsPanel* panel = Panel(m_registry)) panel->move(left, top);
    }

  private:
    CTubescanDoc& m_doc;
    AppRegistry& m_registry;
};

} // namespace

std::unique_ptr<DocumentObserver> ObserveParameterWindows(CTubescanDoc& doc,
                                                          AppRegistry& registry) {
    if (registry.mainFrame && !MiniBar(registry))
        registry.mainFrame->MiniSettingsBar()->addWidget(
            new CMiniSettingsBar(doc, registry.mainFrame->MiniSettingsBar()));
    return std::make_unique<ParameterWindowObserver>(doc, registry);
}
