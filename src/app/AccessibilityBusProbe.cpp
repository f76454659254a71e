#include "app/AccessibilityBusProbe.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusVariant>

namespace a11y {

namespace {

constexpr int kWedged = 3;

bool Unanswered(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ErrorMessage) return false;
    const QDBusError::ErrorType type = QDBusError(reply).type();
    return type == QDBusError::NoReply || type == QDBusError::Timeout ||
           type == QDBusError::TimedOut;
}

// The child: the questions Qt's bridge asks on the session bus before it
// connects to the accessibility bus, each with the deadline.
[[noreturn]] void AskInChild(int timeoutMs) {
    int argc = 1;
    char name[] = "tubescan-a11y-probe";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    // No session bus: Qt finds none either and asks nothing.
    if (!bus.isConnected()) std::_Exit(0);
    QDBusMessage has = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    has << QStringLiteral("org.a11y.Bus");
    const QDBusMessage owned = bus.call(has, QDBus::Block, timeoutMs);
    if (Unanswered(owned)) std::_Exit(kWedged);
    if (owned.type() != QDBusMessage::ReplyMessage || owned.arguments().isEmpty() ||
        !owned.arguments().constFirst().toBool())
        std::_Exit(0);
    // With accessibility forced on Qt reads no property: it asks for the
    // address without waiting for the answer.
    if (qEnvironmentVariableIsSet("QT_LINUX_ACCESSIBILITY_ALWAYS_ON")) std::_Exit(0);
    for (const char* property : {"ScreenReaderEnabled", "IsEnabled"}) {
        QDBusMessage get = QDBusMessage::createMethodCall(
            QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << QStringLiteral("org.a11y.Status") << QString::fromLatin1(property);
        const QDBusMessage reply = bus.call(get, QDBus::Block, timeoutMs);
        if (Unanswered(reply)) std::_Exit(kWedged);
        // A screen reader is on: Qt stops asking here.
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
            reply.arguments().constFirst().value<QDBusVariant>().variant().toBool())
            std::_Exit(0);
    }
    std::_Exit(0);
}

} // namespace

BusProbe ProbeAccessibilityBus(int timeoutMs) {
    if (!qEnvironmentVariableIsEmpty("AT_SPI_BUS_ADDRESS")) return BusProbe::Skipped;
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) return BusProbe::Answered; // as before: Qt asks itself
    if (child == 0) AskInChild(timeoutMs);
    // The child's own calls end at the deadline; a child stuck before them
    // (connecting to a wedged session bus) is ended here, a little later.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs + 500);
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child)
            return WIFEXITED(status) && WEXITSTATUS(status) == kWedged ? BusProbe::Wedged
                                                                       : BusProbe::Answered;
        if (done < 0) return BusProbe::Answered;
        if (Clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    return BusProbe::Wedged;
}

bool AvoidWedgedAccessibilityBus(int timeoutMs) {
    if (ProbeAccessibilityBus(timeoutMs) != BusProbe::Wedged) return false;
    // Qt takes an address given here over the session bus, and one of an
    // unknown kind fails to connect at once: no bridge, no blocking call.
    qputenv("AT_SPI_BUS_ADDRESS", "none:");
    std::fprintf(stderr,
                 "TubescanL: the accessibility bus did not answer within %d ms; starting "
                 "without screen reader support.\n",
                 timeoutMs);
    return true;
}

} // namespace a11y
