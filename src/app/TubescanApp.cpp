#include "app/TubescanApp.h"

#include <cstdio>

#include <malloc.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QThread>
#include <QTimer>
#include <QToolBar>

#include "app/ColourCommands.h"
#include "app/ComPortSetupDlg.h"
#include "app/CommandLine.h"
#include "app/CompareCommands.h"
#include "app/CompareSession.h"
#include "app/DataCommands.h"
#include "app/DiagnosticsDlg.h"
#include "app/DockLayout.h"
#include "app/ExitSignals.h"
#include "app/GoToCommands.h"
#include "app/MainFrame.h"
#include "app/MenuLayout.h"
#include "app/ParameterCommands.h"
#include "app/Pipe3DDock.h"
#include "app/PipeConditionPanel.h"
#include "app/PlaybackBar.h"
#include "app/RangeCalibrationDlg.h"
#include "app/ScaleSidecar.h"
#include "app/SetupCommands.h"
#include "app/ShellCommands.h"
#include "app/SurveyCommands.h"
#include "app/UnrolledDock.h"
#include "doc/ConditionOutput.h"
#include "doc/DocCommands.h"
#include "doc/SystemCommands.h"
#include "doc/TubescanDoc.h"
#include "link/LiveAnalysisWorker.h"
#include "link/PlaybackPacer.h"
#include "link/SerialPorts.h"
#include "link/SonarHost.h"
#include "link/UdpOutput.h"
#include "view/TubescanView.h"

namespace {

// Notifications may come from the acquisition thread; widgets are only
// touched on the user-interface thread.
template <typename F> void OnUiThread(QObject* context, F&& work) {
    if (QThread::currentThread() == context->thread())
        work();
    else
        QMetaObject::invokeMethod(context, std::forward<F>(work), Qt::QueuedConnection);
}

constexpr const char* kFrameStateKey = "MainFrame/State";

// The main window's part: the picture, the command states, the status bar,
// the title, the playback bar's tool bar and the operator's messages.
class FrameObserver final : public AttachedObserver {
  public:
    FrameObserver(CTubescanDoc& doc, CMainFrame* frame) : AttachedObserver(doc), m_frame(frame) {}

    // Every change the document reports (live pings reach the view straight
    // from the acquisition thread): always queued, so the view's update
    // handler runs on the user-interface thread whichever thread asked.
    void OnUpdateViews(int hint) override {
        CMainFrame* frame = m_frame;
        QMetaObject::invokeMethod(
            frame,
            [frame, hint] {
                frame->View()->OnUpdate(hint);
                frame->UpdateCommandUi();
            },
            Qt::QueuedConnection);
    }
    void OnRefreshWindows(bool) override {
        CMainFrame* frame = m_frame;
        OnUiThread(frame, [frame] { frame->RefreshStatusPanes(); });
    }
    void OnWindowTitle(const std::string& title) override {
        CMainFrame* frame = m_frame;
        OnUiThread(frame, [frame, t = QString::fromStdString(title)] { frame->SetTitle(t); });
    }
    void OnShowPlaybackBar(bool show) override {
        CMainFrame* frame = m_frame;
        OnUiThread(frame, [frame, show] { frame->PlaybackBar()->setVisible(show); });
    }
    bool OnMessage(const std::string& text) override {
        // Never waits for the operator: the caller may hold the ping lock or
        // be the acquisition thread.
        CMainFrame* frame = m_frame;
        OnUiThread(frame, [frame, t = QString::fromStdString(text)] {
            auto* box = new QMessageBox(QMessageBox::NoIcon, QString::fromLatin1(kAppTitle), t,
                                        QMessageBox::Ok, frame);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->open();
        });
        return true;
    }

  private:
    CMainFrame* m_frame;
};

} // namespace

CTubescanApp::CTubescanApp() {
    QCoreApplication::setOrganizationName(QStringLiteral("Vantorel"));
    QCoreApplication::setApplicationName(QString::fromLatin1(kAppTitle));
}

CTubescanApp::~CTubescanApp() {
    CloseDocument();
    // The link and its thread go before the window they report to, the
    // document last.
    m_observers.clear();
    m_pacer.reset();
    m_serial.reset();
    m_host.reset();
    // The analysis worker stops before the docks it feeds and the document
    // it reads the pipe from.
    m_live.reset();
    m_dockLayout.reset();
    m_frame.reset();
    m_doc.reset();
}

bool CTubescanApp::InitInstance(const QStringList& arguments, const QString& programDirectory) {
    // The 3D view's vertex buffers are several megabytes and change size as
    // a survey grows. Above the default's floating threshold such blocks come
    // from the heap, whose freed holes a slightly larger block cannot reuse:
    // resident memory then creeps up scan by scan. Blocks of 256 KB and more
    // go straight to the system and back when freed.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    // The command line is read first, so "--help" or a wrong option ends the
    // program before anything is started or connected.
    QCommandLineParser parser;
    DescribeCommandLine(parser);
    parser.process(arguments);
    m_exitSignals = new CExitSignals(this);
    if (!m_exitSignals->Installed())
        std::fprintf(stderr, "tubescan: could not watch for SIGINT/SIGTERM; "
                             "close the window to save the settings.\n");

    m_doc = std::make_unique<CTubescanDoc>();
    m_registry.document = m_doc.get();
    AddDocumentCommands(m_commands, *m_doc);

    m_frame = std::make_unique<CMainFrame>(m_doc.get(), m_commands);
    m_registry.mainFrame = m_frame.get();
    m_frame->AddFrameCommands(m_commands);
    AddColourCommands(m_commands, *m_doc, m_frame.get());
    AddParameterCommands(m_commands, *m_doc, m_registry);
    m_survey = new SurveyCommands(*m_doc, *m_frame);
    m_survey->Attach(m_commands);
    AddDataCommands(m_commands, *m_doc, m_frame.get(),
                    [survey = m_survey] { survey->OnRecordingStarted(); });
    AddShellCommands(m_commands, *m_doc, m_frame.get());
    AddSetupCommands(m_commands, *m_doc, m_registry);
    AddSystemCommands(m_commands, *m_doc, [this] {
        if (!m_host) return;
        // Anew, even while an attempt is pending.
        m_host->RestartHeadLink();
    });
    connect(m_frame.get(), &CMainFrame::activated, this, [this] {
        // The key-in box goes away when the operator returns to the main window.
        if (m_registry.keyInBox) m_registry.keyInBox->hide();
    });
    m_frame->SetCloseHandler([this] {
        CloseDocument();
        // Modeless windows must not keep the program alive once the main window is gone.
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    });
    connect(m_exitSignals, &CExitSignals::exitRequested, this, [this](int) {
        m_exitRequested = true;
        // A question open now (replace the recording?) runs an event loop of
        // its own, which quit() does not end before the main loop has
        // started: it is answered "no" so the way out below is taken.
        for (int open = 0; open < 16; ++open) {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) break;
            dialog->reject();
        }
        // The same way out as closing the window.
        if (m_frame && m_frame->isVisible())
            m_frame->close();
        else
            CloseDocument();
        QCoreApplication::quit();
    });

    ObserveDocument();
    // One analysis for every dock, on a worker; the docks only show it.
    m_live =
        std::make_unique<LiveAnalysisWorker>([doc = m_doc.get()] { return NominalPipeOf(*doc); });
    m_doc->Outputs().SetSampleSink(m_live->Sink());
    // The docks and Go To show the survey's units, and follow them when
    // they change.
    const DockUnits& units = m_survey->Units();
    PipeConditionPanel* conditionPanel =
        AttachPipeConditionPanel(*m_doc, *m_live, units, *m_frame, m_commands);
    AttachGoTo(*m_doc, units, *m_frame, m_commands);
    AttachRangeCalibration(*m_live, *m_frame, m_commands, *m_doc);
    m_observers.push_back(std::make_unique<ScaleSidecar>(*m_doc));
    m_doc->SetIndexPlayback(true); // for Go To and the slider's tooltip
    UnrolledDock* unrolled = AttachUnrolledDock(*m_live, units, *m_frame, m_commands);
    // A click on the pipe goes there in playback; live, the status text the
    // click already gave is all there is to say.
    auto goThere = [doc = m_doc.get(), frame = m_frame.get(), &units](double metres) {
        if (doc->Run().m_playback == 1) GoToDistanceFrom(frame, *doc, metres, units.System());
    };
    connect(unrolled, &UnrolledDock::DistanceClicked, m_frame.get(), goThere);
    // An earlier survey to compare with, followed by the chart and the
    // unrolled map; it takes the current survey's scans from the same worker.
    auto* compare = new CompareSession(*conditionPanel, unrolled, m_frame.get());
    connect(m_live.get(), &LiveAnalysisWorker::batchReady, compare, &CompareSession::TakeBatch);
    // After the map's own turn (connected above), so the text takes its units.
    connect(&units, &DockUnits::changed, compare, &CompareSession::UnitsChanged);
    AddCompareCommand(m_commands, *m_doc, m_frame.get(), *compare,
                      [survey = m_survey] { return survey->Session().Current(); });
    Pipe3DDock* pipe3d = AttachPipe3DDock(*m_live, units, *m_frame, m_commands);
    m_dockLayout = std::make_unique<DockLayout>(*m_frame, *conditionPanel, *pipe3d, *unrolled);
    AddResetLayoutCommand(m_commands, *m_dockLayout);
    connect(pipe3d, &Pipe3DDock::DistanceClicked, m_frame.get(), goThere);
    // The point under the mouse in the 3D view is placed on the map when the
    // survey shown gives its nodes' coordinates.
    connect(m_survey, &SurveyCommands::surveyShown, pipe3d, [this, pipe3d] {
        pipe3d->SetSurvey(m_survey->Session().Current(), NominalPipeOf(*m_doc));
    });
    m_observers.push_back(ObserveParameterWindows(*m_doc, m_registry));
    m_observers.push_back(ObserveDiagnostics(*m_doc, m_registry));
    // The host observes the document for the worker and the links; it must
    // exist before the document starts the worker.
    m_host = std::make_unique<SonarHost>(*m_doc);
    m_registry.host = m_host.get();
    // The orientation input and the head's serial port, which the connect
    // command, playback and closing close through the document.
    m_serial = std::make_unique<SerialPorts>(*m_doc);
    connect(&m_host->Link(), &HeadLink::sensorPollDue, m_serial.get(),
            &SerialPorts::PollOrientationSensor);
    connect(&m_host->Link(), &HeadLink::windowsRefreshDue, m_frame.get(),
            [this](bool diagnostics) { m_doc->RefreshWindows(diagnostics); });
    // A silent head: its status box blinks and the windows show the link afresh.
    connect(&m_host->Link(), &HeadLink::headSilent, m_frame.get(), [this] {
        m_frame->View()->ToggleStatusBlink();
        m_doc->UpdateAllViews();
        m_doc->RefreshWindows(false);
    });
    connect(m_serial.get(), &SerialPorts::portStatusChanged, m_frame.get(),
            [this] { m_frame->RefreshStatusPanes(); });
    connect(m_host.get(), &SonarHost::connectStarted, m_frame.get(), [this] {
        if (auto* window = qobject_cast<CDiagnosticsDlg*>(m_registry.diagnostics))
            window->ResetDiagnostics();
    });
    // The connect command opens the sensor's port once the head link runs.
    connect(m_host.get(), &SonarHost::headLinkStarted, m_serial.get(), [this] {
        if (m_doc->Settings().m_enablePRDInput) m_serial->OpenOrientationPort();
    });
    AddLinkCommands();
    // The UDP output socket, made when the connect command or playback asks.
    m_observers.push_back(std::make_unique<UdpOutputMaker>(*m_doc));
    // Playback pace (timer 1010 and the idle ticks at speed 0) and its bar,
    // which observes the document after the windows above.
    m_pacer = std::make_unique<CPlaybackPacer>(*m_doc);
    m_pacer->Attach();
    auto* playbackBar = new CPlaybackBar(*m_doc, m_frame.get(), m_frame->PlaybackBar());
    m_frame->PlaybackBar()->addWidget(playbackBar);
    playbackBar->Attach();
    const QByteArray state = QSettings().value(kFrameStateKey).toByteArray();
    const bool restored = !state.isEmpty() && m_frame->restoreState(state);
    m_frame->MiniSettingsBar()->hide();
    m_frame->PlaybackBar()->hide();
    m_frame->ShowMaximized();
    // Let the window take its size now, as it has before the head is
    // connected, so the title the connection sets is the one that stays.
    QCoreApplication::processEvents();
    // A first start: the docks at sizes made for this window.
    if (!restored) m_dockLayout->Apply();
    m_frame->View()->OnInitialUpdate();
    m_frame->View()->setFocus();

    const QString dir =
        programDirectory.isEmpty() ? QCoreApplication::applicationDirPath() : programDirectory;
    if (!m_doc->OnNewDocument(QFileInfo(dir).absoluteFilePath().toStdString() + "/")) return true;
    if (!m_doc->LastSettingsError().empty()) {
        // Before the head is contacted: the operator must know the addresses
        // in use are the factory ones, not the file's.
        std::fprintf(stderr, "tubescan: %s\n", m_doc->LastSettingsError().c_str());
        m_doc->ShowMessage(m_doc->LastSettingsError());
    }

    m_doc->RefreshSettingsPanel();
    m_doc->RefreshWindows(true);
    // The Units setting is known now.
    m_survey->RefreshUnits();
    if (m_beforeConnect) m_beforeConnect(*m_host);
    // The program always starts in real time.
    m_commands.Run(cmd::kConnect);

    if (!parser.positionalArguments().isEmpty())
        m_doc->StartRecordingFromCommandLine(
            parser.positionalArguments().constFirst().toStdString(),
            [this](const std::string& question) {
                QMessageBox box(QMessageBox::Question, QString::fromLatin1(kAppTitle),
                                QString::fromStdString(question),
                                QMessageBox::Yes | QMessageBox::No, m_frame.get());
                // Said where a headless or remote start is watched: the
                // program waits for the window's answer.
                QString said = QString::fromStdString(question).simplified();
                std::fprintf(stderr, "tubescan: waiting for an answer in the window: %s\n",
                             said.toLocal8Bit().constData());
                return box.exec() == QMessageBox::Yes && !m_exitRequested;
            });
    // SIGTERM or SIGINT while the question was open: the document is closed
    // and its settings saved; nothing more is started.
    if (m_exitRequested) return true;
    if (m_doc->Recorder().Active()) m_survey->OnRecordingStarted();

    m_frame->UpdateCommandUi();
    m_frame->RefreshStatusPanes();
    // Tells the operator (and scripts waiting for start-up) which settings are in use.
    std::printf("TubescanL: running with settings file %s\n", m_doc->SettingsPath().c_str());
    std::fflush(stdout);
    return true;
}

void CTubescanApp::AddLinkCommands() {
    CTubescanDoc& doc = *m_doc;
    SonarHost* host = m_host.get();
    CMainFrame* frame = m_frame.get();
    m_commands.Add(cmd::kConnect, {[host](int) { host->OnConnectToSonarHead(); },
                                   [host](int) {
                                       return CommandUi{host->State() != LinkState::Up, {}};
                                   }});
    m_commands.Add(cmd::kHold, {[host](int) { host->ToggleHold(); },
                                [&doc](int) {
                                    return CommandUi{true, doc.Run().m_hold == 1};
                                }});
    m_commands.Add(cmd::kReverse, {[host](int) { host->Reverse(); },
                                   [&doc](int) {
                                       return CommandUi{doc.Run().m_playback == 0, std::nullopt};
                                   }});
    SerialPorts* serial = m_serial.get();
    m_commands.Add(cmd::kComPortSetup,
                   {[&doc, serial, frame](int) {
                        if (OnComPortSetup(doc, *serial, frame)) frame->RefreshStatusPanes();
                    },
                    [&doc](int) {
                        return CommandUi{doc.Run().m_playback == 0, std::nullopt};
                    }});
    // Every third live ping the picture is repainted: from the acquisition
    // thread straight to the view, queued onto the user-interface thread,
    // with the command states after it as for every change.
    connect(&host->Worker(), &CRealTimeSonarData::repaintDue, frame->View(),
            &CTubescanView::OnUpdate, Qt::QueuedConnection);
    connect(&host->Worker(), &CRealTimeSonarData::repaintDue, frame, &CMainFrame::UpdateCommandUi,
            Qt::QueuedConnection);
    connect(host, &SonarHost::statusChanged, frame, [frame] {
        frame->UpdateCommandUi();
        frame->RefreshStatusPanes();
    });
}

void CTubescanApp::ObserveDocument() {
    m_observers.push_back(std::make_unique<FrameObserver>(*m_doc, m_frame.get()));
}

void CTubescanApp::CloseDocument() {
    if (m_documentClosed || !m_doc) return;
    m_documentClosed = true;
    if (m_frame) QSettings().setValue(kFrameStateKey, m_frame->saveState());
    m_doc->OnCloseDocument();
    if (!m_doc->LastSettingsError().empty())
        std::fprintf(stderr, "tubescan: %s\n", m_doc->LastSettingsError().c_str());
}

int CTubescanApp::ExitInstance(int loopResult) {
    CloseDocument();
    return loopResult;
}
