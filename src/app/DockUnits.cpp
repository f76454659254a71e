#include "app/DockUnits.h"

#include <cmath>

void DockUnits::Set(units::System system) {
    if (system == m_system) return;
    m_system = system;
    emit changed();
}

QString DockText(double metric, units::Kind kind, units::System system, int decimals) {
    return QString::fromStdString(decimals < 0 ? units::Text(metric, kind, system)
                                               : units::Text(metric, kind, system, decimals));
}

QString DockUnit(units::Kind kind, units::System system) {
    return QString::fromUtf8(units::Unit(kind, system));
}

QString DockNumber(double value, int decimals, const char* unit) {
    if (!std::isfinite(value)) return QStringLiteral("n/a");
    return QString::number(value, 'f', decimals) + QString::fromUtf8(unit);
}
