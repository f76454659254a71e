// File names as the bytes argv gives. Qt's option parser works on QStrings,
// and the locale's decoding would turn a name that is not UTF-8 (one copied
// from an older system in ISO-8859-1, say) into replacement characters that
// name no file. Each byte that is not part of valid UTF-8 is carried as a
// lone low surrogate (U+DC80 to U+DCFF) instead, and given back unchanged.
#pragma once

#include <QString>
#include <QStringList>

#include <string>

namespace convert {

QString ArgumentText(const std::string& bytes);
std::string ArgumentBytes(const QString& text);
// The program's arguments, after the application has taken its own.
QStringList ArgumentList(int argc, char** argv);

} // namespace convert
