#include "app/AccessibilityGuard.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QObject>
#include <QPointer>
#include <QTimer>

namespace a11y {

namespace {

constexpr int kCheckMs = 100;

class BridgeGuard final : public QDBusVirtualObject {
  public:
    BridgeGuard(QDBusVirtualObject* bridge, QObject* parent)
        : QDBusVirtualObject(parent), m_bridge(bridge) {}

    QString introspect(const QString& path) const override {
        return m_bridge ? m_bridge->introspect(path) : QString();
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() == QLatin1String("org.freedesktop.DBus.Properties") &&
            (message.member() == QLatin1String("GetAll") || message.arguments().size() < 2)) {
            // The bridge would read a second argument that is not there.
            connection.send(message.createErrorReply(
                QDBusError::NotSupported,
                QStringLiteral("TubescanL answers Get for one property at a time, not %1")
                    .arg(message.member())));
            return true;
        }
        return m_bridge && m_bridge->handleMessage(message, connection);
    }

  private:
    QPointer<QDBusVirtualObject> m_bridge;
};

} // namespace

bool GuardBridgeNow() {
    QDBusConnection bus(QString::fromLatin1(kBridgeConnection));
    if (!bus.isConnected()) return false;
    const QString path = QString::fromLatin1(kBridgePath);
    QObject* registered = bus.objectRegisteredAt(path);
    if (!registered) return false;
    if (dynamic_cast<BridgeGuard*>(registered)) return true;
    auto* bridge = qobject_cast<QDBusVirtualObject*>(registered);
    if (!bridge) return false;
    bus.unregisterObject(path, QDBusConnection::UnregisterTree);
    // A child of the bridge: gone (and unregistered) with it.
    auto* guard = new BridgeGuard(bridge, bridge);
    if (bus.registerVirtualObject(path, guard, QDBusConnection::SubPath)) return true;
    delete guard;
    bus.registerVirtualObject(path, bridge, QDBusConnection::SubPath);
    return false;
}

void GuardAccessibilityBridge(QObject* owner) {
    // The bridge connects to the accessibility bus some time after start-up
    // (and again whenever accessibility is turned on), with no signal to wait
    // for: a cheap look every tenth of a second finds it.
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, timer, [] { GuardBridgeNow(); });
    timer->start(kCheckMs);
    GuardBridgeNow();
}

} // namespace a11y
