#include "link/Destination.h"

#include <QHostInfo>

#include "format/NumberText.h"
#include "link/LoopbackGuard.h"

namespace {

std::string Refusal(std::string_view what, std::string_view text, std::string_view why) {
    return std::string(what) + ": refusing to contact " + std::string(text) + " because " +
           loopback::kEnvVar + " is set (" + std::string(why) + ").";
}

} // namespace

Destination ResolveDestination(std::string_view text, std::string_view what) {
    Destination d;
    std::string_view t = Trim(text);
    if (t.size() >= 2 && t.front() == '[' && t.back() == ']') t = t.substr(1, t.size() - 2);
    const QString qt = QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
    if (qt.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        d.host = QHostAddress(QHostAddress::LocalHost);
    else if (!d.host.setAddress(qt))
        d.host = QHostAddress();

    const bool loopbackOnly = loopback::LoopbackOnly();
    if (d.host.isNull()) {
        if (loopbackOnly)
            d.refusal = Refusal(what, t, "it is not an address, and names are not looked up");
        else if (t.empty())
            d.refusal = std::string(what) + ": no address is set.";
        else
            d.name = qt;
        return d;
    }
    if (loopbackOnly && !d.host.isLoopback())
        d.refusal =
            Refusal(what, d.host.toString().toStdString(), "only loopback addresses are allowed");
    return d;
}

QHostAddress LookUpName(const QString& name) {
    const QHostInfo info = QHostInfo::fromName(name);
    for (const QHostAddress& a : info.addresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol) return a;
    return info.addresses().isEmpty() ? QHostAddress() : info.addresses().first();
}
