// An accessibility service that has gone wedged: it owns org.a11y.Bus on the
// session bus and takes every call without ever answering. Prints "ready"
// once it owns the name; quits by itself after 120 s.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QTimer>

#include <cstdio>

namespace {

class Silent final : public QDBusVirtualObject {
  public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage&, const QDBusConnection&) override { return true; }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    Silent silent;
    if (!bus.registerVirtualObject(QStringLiteral("/org/a11y/bus"), &silent) ||
        !bus.registerService(QStringLiteral("org.a11y.Bus"))) {
        std::fprintf(stderr, "cannot own org.a11y.Bus\n");
        return 2;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    QTimer::singleShot(120'000, &app, &QCoreApplication::quit);
    return QCoreApplication::exec();
}
