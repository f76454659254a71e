// A window with the program's accessibility guard, for the test that asks it
// for all its properties over a private accessibility bus. Quits by itself
// after 60 s so a test that loses it never leaves it behind.
#include <QApplication>
#include <QLabel>
#include <QTimer>

#include "app/AccessibilityGuard.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("TubescanL accessibility probe"));
    label.setObjectName(QStringLiteral("probeLabel"));
    label.show();
    a11y::GuardAccessibilityBridge(&app);
    QTimer::singleShot(60'000, &app, &QApplication::quit);
    return QApplication::exec();
}
