// The address a link really contacts, worked out once from the operator's
// text. While the loopback safety catch is on, names are never looked up (the
// look-up alone would send packets off the machine): only literal addresses
// and "localhost" are taken, and what they parse to must be loopback.
#pragma once

#include <string>
#include <string_view>

#include <QHostAddress>
#include <QString>

struct Destination {
    QHostAddress host;   // set when the text is an address (or "localhost")
    QString name;        // set instead when it is a name still to be looked up
    std::string refusal; // not empty: contact nothing, this says why
};

Destination ResolveDestination(std::string_view text, std::string_view what);

// A name that is neither an address nor "localhost", looked up now
// (first IPv4 address preferred); null when the look-up found nothing.
QHostAddress LookUpName(const QString& name);
