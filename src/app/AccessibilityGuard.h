// Keeps the program running when a screen reader (or any at-spi client)
// talks to it. Qt 6.4's bridge to the accessibility bus reads a property name
// from every org.freedesktop.DBus.Properties call, and GetAll carries none:
// one GetAll on any accessible object ends the program with SIGSEGV. A guard
// is put in front of the bridge's objects on that bus: GetAll (and any
// Properties call short of its arguments) gets a D-Bus error, everything else
// - Get, Set, the accessible, component, text and action calls a screen
// reader reads the window through - goes to the bridge as before.
#pragma once

#include <QString>

class QObject;

namespace a11y {

// The connection Qt's bridge opens to the accessibility bus, and the root of
// the object paths it serves there.
inline constexpr const char* kBridgeConnection = "a11y";
inline constexpr const char* kBridgePath = "/org/a11y/atspi/accessible";

// Puts the guard in front of the bridge now if the bridge is registered, and
// whenever it registers again (accessibility turned on later, the bus
// restarted), for as long as owner lives. Call once, after the QApplication
// exists.
void GuardAccessibilityBridge(QObject* owner);

// One check: true when the guard stands in front of a registered bridge.
bool GuardBridgeNow();

} // namespace a11y
