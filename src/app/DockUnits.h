// How the pipe-condition docks and Go To write lengths, areas and volumes:
// in the units of the survey shown. One object they all follow, so a change
// of units (the survey's details or the Units setting) reaches every dock at
// once, without a restart; the texts themselves are units::Text's, the same
// the report and the tables use.
#pragma once

#include <QObject>
#include <QString>

#include "format/UnitsText.h"

class DockUnits : public QObject {
    Q_OBJECT
  public:
    explicit DockUnits(QObject* parent = nullptr) : QObject(parent) {}

    units::System System() const { return m_system; }
    // Emits changed() when system is not the one in use.
    void Set(units::System system);

  signals:
    void changed();

  private:
    units::System m_system = units::System::Metric;
};

// metric (metres, m2, m3) in system's unit for kind: "12.345 m", "40.50 ft";
// "n/a" when not finite. decimals < 0: the unit's own.
QString DockText(double metric, units::Kind kind, units::System system, int decimals = -1);
// The unit's symbol, as an axis title carries it.
QString DockUnit(units::Kind kind, units::System system);
// A value that has no units system (percent, degrees) with its unit text
// appended; "n/a" when not finite.
QString DockNumber(double value, int decimals, const char* unit);
