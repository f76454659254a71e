#include "app/TubescanApp.h"

#include <cstdio>

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QThread>
#include <QTimer>
#include <QToolBar>

#include "app/ColourCommands.h"
#include "app/ComPortSetupDlg.h"
#include "app/CommandLine.h"
#include "app/DataCommands.h"
#include "app/DiagnosticsDlg.h"
#include "app/ExitSignals.h"
#include "app/GoToCommands.h"
#include "app/MainFrame.h"
#include "app/MenuLayout.h"
#include "app/ParameterCommands.h"
#include "app/Pipe3DDock.h"
#include "app/PipeConditionPanel.h"
#include "app/PlaybackBar.h"
#include "app/SetupCommands.h"
#include "app/ShellCommands.h"
#include "app/SurveyCommands.h"
#include "app/UnrolledDock.h"
#include "doc/DocCommands.h"
#include "doc/SystemCommands.h"
#include "doc/TubescanDoc.h"
#include "link/PlaybackPacer.h"
#include "link/SerialPorts.h"
#include "link/SonarHost.h"
#include "link/UdpOutput.h"
#include "view/TubescanView.h"

namespace {

// Document hooks may be called from the acquisition thread; widgets are only
// touched on the user-interface thread.
template <typename F> void OnUiThread(QObject* context, F&& work) {
    if (QThread::currentThread() == context->thread())
        work();
    else
        QMetaObject::invokeMethod(context, std::forward<F>(work), Qt::QueuedConnection);
}

constexpr const char* kFrameStateKey = "MainFrame/State";

} // namespace

CTubescanApp::CTubescanApp() {
    QCoreApplication::setOrganizationName(QStringLiteral("Vantorel"));
    QCoreApplication::setApplicationName(QString::fromLatin1(kAppTitle));
}

CTubescanApp::~CTubescanApp() {
    CloseDocument();
    // The link and its thread go before the window they report to, the
    // document last.
    m_pacer.reset();
    m_serial.reset();
    m_host.reset();
    m_frame.reset();
    m_doc.reset();
}

bool CTubescanApp::InitInstance(const QStringList& arguments, const QString& programDirectory) {
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
        m_doc->m_linkState = LinkState::Down;
        m_host->StartHeadLink();
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
        // The same way out as closing the window.
        if (m_frame && m_frame->isVisible())
            m_frame->close();
        else
            CloseDocument();
        QCoreApplication::quit();
    });

    InstallDocumentHooks();
    PipeConditionPanel* conditionPanel = AttachPipeConditionPanel(*m_doc, *m_frame, m_commands);
    AttachGoTo(*m_doc, *m_frame, m_commands);
    m_doc->m_indexPlayback = true; // for Go To and the slider's tooltip
    UnrolledDock* unrolled = AttachUnrolledDock(*conditionPanel, *m_frame, m_commands);
    // A click on the pipe goes there in playback; live, the status text the
    // click already gave is all there is to say.
    auto goThere = [doc = m_doc.get(), frame = m_frame.get()](double metres) {
        if (doc->m_playback == 1) GoToDistanceFrom(frame, *doc, metres);
    };
    connect(unrolled, &UnrolledDock::DistanceClicked, m_frame.get(), goThere);
    Pipe3DDock* pipe3d = AttachPipe3DDock(*conditionPanel, *m_frame, m_commands);
    connect(pipe3d, &Pipe3DDock::DistanceClicked, m_frame.get(), goThere);
    InstallParameterWindowHooks(*m_doc, m_registry);
    InstallDiagnosticsHooks(*m_doc, m_registry);
    // The host installs the hooks it answers for (worker, timers, links, the
    // repaint request); it must exist before the document starts the worker.
    m_host = std::make_unique<SonarHost>(*m_doc);
    m_registry.host = m_host.get();
    // The orientation input and the head's serial port, on the document's
    // hooks the connect command, playback and closing call.
    m_serial = std::make_unique<SerialPorts>(*m_doc);
    connect(&m_host->Link(), &HeadLink::sensorPollDue, m_serial.get(),
            &SerialPorts::PollOrientationSensor);
    connect(&m_host->Link(), &HeadLink::windowsRefreshDue, m_frame.get(),
            [this](bool diagnostics) { m_doc->m_hooks.refreshWindows(diagnostics); });
    connect(m_serial.get(), &SerialPorts::portStatusChanged, m_frame.get(),
            [this] { m_frame->RefreshStatusPanes(); });
    connect(m_host.get(), &SonarHost::connectStarted, m_frame.get(), [this] {
        if (auto* window = qobject_cast<CDiagnosticsDlg*>(m_registry.diagnostics))
            window->ResetDiagnostics();
    });
    // The connect command opens the sensor's port once the head link runs.
    connect(m_host.get(), &SonarHost::headLinkStarted, m_serial.get(), [this] {
        if (m_doc->m_settings.m_enablePRDInput) m_serial->OpenOrientationPort();
    });
    AddLinkCommands();
    // The UDP output socket is made by the connect command through this hook.
    InstallUdpOutput(*m_doc);
    // Playback pace (timer 1010 and the idle ticks at speed 0) and its bar;
    // both chain onto the hooks installed above.
    m_pacer = std::make_unique<CPlaybackPacer>(*m_doc);
    m_pacer->Attach();
    auto* playbackBar = new CPlaybackBar(*m_doc, m_frame.get(), m_frame->PlaybackBar());
    m_frame->PlaybackBar()->addWidget(playbackBar);
    playbackBar->Attach();
    const QByteArray state = QSettings().value(kFrameStateKey).toByteArray();
    if (!state.isEmpty()) m_frame->restoreState(state);
    m_frame->MiniSettingsBar()->hide();
    m_frame->PlaybackBar()->hide();
    m_frame->ShowMaximized();
    // Let the window take its size now, as it has before the head is
    // connected, so the title the connection sets is the one that stays.
    QCoreApplication::processEvents();
    m_frame->View()->OnInitialUpdate();
    m_frame->View()->setFocus();

    const QString dir =
        programDirectory.isEmpty() ? QCoreApplication::applicationDirPath() : programDirectory;
    if (!m_doc->OnNewDocument(QFileInfo(dir).absoluteFilePath().toStdString() + "/")) return true;
    if (!m_doc->m_lastSettingsError.empty()) {
        // Before the head is contacted: the operator must know the addresses
        // in use are the factory ones, not the file's.
        std::fprintf(stderr, "tubescan: %s\n", m_doc->m_lastSettingsError.c_str());
        m_doc->ShowMessage(m_doc->m_lastSettingsError);
    }

    if (m_doc->m_hooks.refreshSettingsPanel) m_doc->m_hooks.refreshSettingsPanel();
    m_doc->m_hooks.refreshWindows(true);
    if (m_beforeConnect) m_beforeConnect(*m_doc);
    // The program always starts in real time.
    m_commands.Run(cmd::kConnect);

    if (!parser.positionalArguments().isEmpty())
        m_doc->StartRecordingFromCommandLine(
            parser.positionalArguments().constFirst().toStdString(),
            [frame = m_frame.get()](const std::string& question) {
                QMessageBox box(QMessageBox::Question, QString::fromLatin1(kAppTitle),
                                QString::fromStdString(question),
                                QMessageBox::Yes | QMessageBox::No, frame);
                return box.exec() == QMessageBox::Yes;
            });
    if (m_doc->m_recorder.Active()) m_survey->OnRecordingStarted();

    m_frame->UpdateCommandUi();
    m_frame->RefreshStatusPanes();
    // Tells the operator (and scripts waiting for start-up) which settings are in use.
    std::printf("TubescanL: running with settings file %s\n", m_doc->m_iniPath.c_str());
    std::fflush(stdout);
    return true;
}

void CTubescanApp::AddLinkCommands() {
    CTubescanDoc& doc = *m_doc;
    SonarHost* host = m_host.get();
    CMainFrame* frame = m_frame.get();
    m_commands.Add(cmd::kConnect, {[host](int) { host->OnConnectToSonarHead(); },
                                   [&doc](int) {
                                       return CommandUi{doc.m_linkState != LinkState::Up, {}};
                                   }});
    m_commands.Add(cmd::kHold, {[host](int) { host->ToggleHold(); },
                                [&doc](int) {
                                    return CommandUi{true, doc.m_hold == 1};
                                }});
    m_commands.Add(cmd::kReverse, {[host](int) { host->Reverse(); },
                                   [&doc](int) {
                                       return CommandUi{doc.m_playback == 0, std::nullopt};
                                   }});
    SerialPorts* serial = m_serial.get();
    m_commands.Add(cmd::kComPortSetup, {[&doc, serial, frame](int) {
                                            if (OnComPortSetup(doc, *serial, frame))
                                                frame->RefreshStatusPanes();
                                        },
                                        [&doc](int) {
                                            return CommandUi{doc.m_playback == 0, std::nullopt};
                                        }});
    // Every third live ping and every watchdog tick the picture is repainted;
    // the request may come from the acquisition thread.
    // Every notification reaches the view's update handler queued, on the
    // user-interface thread, whichever thread sent it.
    connect(
        host, &SonarHost::viewsUpdateRequested, frame,
        [frame](int hint) {
            frame->View()->OnUpdate(hint);
            frame->UpdateCommandUi();
        },
        Qt::QueuedConnection);
    connect(host, &SonarHost::statusChanged, frame, [frame] {
        frame->UpdateCommandUi();
        frame->RefreshStatusPanes();
    });
}

void CTubescanApp::InstallDocumentHooks() {
    DocumentHooks& hooks = m_doc->m_hooks;
    CMainFrame* frame = m_frame.get();
    hooks.refreshWindows = [frame, previous = hooks.refreshWindows](bool diagnostics) {
        if (previous) previous(diagnostics);
        OnUiThread(frame, [frame] { frame->RefreshStatusPanes(); });
    };
    hooks.setWindowTitle = [frame](const std::string& title) {
        OnUiThread(frame, [frame, t = QString::fromStdString(title)] { frame->SetTitle(t); });
    };
    hooks.showPlaybackBar = [frame](bool show) {
        OnUiThread(frame, [frame, show] { frame->PlaybackBar()->setVisible(show); });
    };
    hooks.showMessage = [frame](const std::string& text) {
        // Never waits for the operator: the caller may hold the ping lock or
        // be the acquisition thread.
        OnUiThread(frame, [frame, t = QString::fromStdString(text)] {
            auto* box = new QMessageBox(QMessageBox::NoIcon, QString::fromLatin1(kAppTitle), t,
                                        QMessageBox::Ok, frame);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->open();
        });
    };
}

void CTubescanApp::CloseDocument() {
    if (m_documentClosed || !m_doc) return;
    m_documentClosed = true;
    if (m_frame) QSettings().setValue(kFrameStateKey, m_frame->saveState());
    m_doc->OnCloseDocument();
    if (!m_doc->m_lastSettingsError.empty())
        std::fprintf(stderr, "tubescan: %s\n", m_doc->m_lastSettingsError.c_str());
}

int CTubescanApp::ExitInstance(int loopResult) {
    CloseDocument();
    return loopResult;
}
