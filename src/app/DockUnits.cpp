#include "app/DockUnits.h"

#include <cmath>

QString DockNumber(double value, int decimals, const char* unit) {
    if (!std::isfinite(value)) return QStringLiteral("n/a");
    return QString::number(value, 'f', decimals) + QString::fromUtf8(unit);
}

QString DockLength(double metres, int decimals) {
    return DockNumber(metres, decimals, " m");
}

QString DockLengthUnit() {
    return QStringLiteral("m");
}
