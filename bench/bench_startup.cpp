// Start-up to the first painted frame: from the start of main() through Qt's
// initialisation, the application's start-up (document, settings file, main
// window) to the end of the view's first repaint. A small driver, not a
// Google Benchmark: start-up happens once per process.
//
//   build/bench/bench_startup [runs]     (default 5 runs, one process each)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include "app/MainFrame.h"
#include "app/TubescanApp.h"
#include "view/TubescanView.h"

namespace {

using Clock = std::chrono::steady_clock;

// Notes the end of the view's first paint: a zero timer queued when the
// paint event arrives runs once that paint has finished.
class FirstPaint : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, this, [this] {
                done = Clock::now();
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }
    Clock::time_point done;

  private:
    bool m_seen = false;
};

int OneRun(int argc, char** argv, const QString& folder) {
    const auto start = Clock::now();
    QApplication qtApp(argc, argv);
    const auto qtReady = Clock::now();
    CTubescanApp app;
    FirstPaint watcher;
    if (!app.InitInstance({"tubescan"}, folder)) return 1;
    const auto initDone = Clock::now();
    app.Registry().mainFrame->View()->installEventFilter(&watcher);
    QTimer::singleShot(5000, &qtApp, &QCoreApplication::quit);
    QApplication::exec();
    const auto ms = [&](Clock::time_point t) {
        return std::chrono::duration<double, std::milli>(t - start).count();
    };
    std::printf("%.1f %.1f %.1f\n", ms(qtReady), ms(initDone), ms(watcher.done));
    return app.ExitInstance(0);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TUBESCAN_LOOPBACK_ONLY", "1");
    if (argc > 2 && std::string(argv[1]) == "--one-run") {
        QStandardPaths::setTestModeEnabled(true);
        return OneRun(1, argv, QString::fromLocal8Bit(argv[2]));
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir dir;
    QFile ini(dir.filePath("TubescanL.INI"));
    if (!ini.open(QIODevice::WriteOnly)) return 1;
    ini.write("[System Settings]\r\nIP Address=127.0.0.1\r\nOutput UDP Address=127.0.0.1\r\n"
              "Enable UDP Output XYZ=0\r\n");
    ini.close();

    std::vector<double> firstFrame;
    std::printf("run  qt-init  start-up-done  first-frame-painted   (ms from main())\n");
    for (int i = 0; i < runs; ++i) {
        QProcess run;
        run.start(QString::fromLocal8Bit(argv[0]), {"--one-run", dir.path()});
        if (!run.waitForFinished(20000)) return 1;
        const QStringList parts = QString::fromLocal8Bit(run.readAllStandardOutput())
                                      .split('\n')
                                      .filter(QRegularExpression("^[0-9.]+ "));
        if (parts.isEmpty()) return 1;
        const QStringList f = parts.last().split(' ');
        std::printf("%3d  %7s  %13s  %19s\n", i + 1, qPrintable(f[0]), qPrintable(f[1]),
                    qPrintable(f[2]));
        firstFrame.push_back(f[2].toDouble());
    }
    std::sort(firstFrame.begin(), firstFrame.end());
    std::printf("median start-up to first painted frame: %.1f ms (target < 1000 ms)\n",
                firstFrame[firstFrame.size() / 2]);
    return 0;
}
