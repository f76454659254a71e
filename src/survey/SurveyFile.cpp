#include "survey/SurveyFile.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QSaveFile>
#include <QString>

#include <cmath>
#include <optional>
#include <utility>

namespace survey {

namespace {

// A key as a message may show it: a hostile file's key can be a megabyte of
// anything, and the message goes to a terminal.
std::string Printable(std::string_view key) {
    std::string out;
    for (const char c : key.substr(0, 64)) {
        const auto u = static_cast<unsigned char>(c);
        out += (u >= 0x20 && u < 0x7F) ? c : '?';
    }
    if (key.size() > 64) out += "...";
    return out;
}

std::string KeyMessage(const std::string& name, std::string_view key, const std::string& why) {
    return name + ": key \"" + Printable(key) + "\" " + why;
}

// What Qt's parser is not asked to judge: bytes that are not UTF-8 and
// nesting deep enough to exhaust a stack anywhere the value is walked. A
// light pass over the bytes (strings, brackets, the last top-level key
// seen) finds both and says which key they sit under.
std::optional<std::string> Prescan(std::string_view b, const std::string& name) {
    const std::size_t bad = InvalidUtf8At(b);
    int depth = 0;
    bool inString = false;
    bool escape = false;
    std::size_t stringStart = 0;
    std::string_view lastKey;
    std::string_view pending;
    const auto fault = [&](const std::string& why) {
        if (lastKey.empty()) return name + ": " + why;
        return KeyMessage(name, lastKey, why);
    };
    for (std::size_t i = 0; i < b.size(); ++i) {
        if (i == bad) return fault("holds bytes that are not UTF-8");
        const char c = b[i];
        if (inString) {
            if (escape) {
                escape = false;
            } else if (c == '\\') {
                escape = true;
            } else if (c == '"') {
                inString = false;
                if (depth == 1) pending = b.substr(stringStart, i - stringStart);
            }
            continue;
        }
        switch (c) {
        case '"':
            inString = true;
            stringStart = i + 1;
            break;
        case '{':
        case '[':
            if (++depth > kMaxSurveyNesting)
                return fault("is nested deeper than " + std::to_string(kMaxSurveyNesting) +
                             " levels");
            pending = {};
            break;
        case '}':
        case ']':
            --depth;
            pending = {};
            break;
        case ':':
            if (depth == 1 && !pending.empty()) lastKey = pending;
            pending = {};
            break;
        case ' ':
        case '\t':
        case '\r':
        case '\n':
            break;
        default:
            pending = {};
            break;
        }
    }
    return std::nullopt;
}

QString Q(const std::string& s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}
std::string S(const QString& s) {
    return s.toUtf8().toStdString();
}

// One known key's JSON value into details: the type the key takes, then the
// rule's limits. Null leaves the key unset. Returns why it was refused.
std::string ReadKey(SurveyDetails& d, const KeyRule& r, const QJsonValue& v) {
    if (v.isNull()) return {};
    switch (r.type) {
    case KeyType::Text:
    case KeyType::Choice: {
        if (!v.isString()) return "must be text";
        const std::string text = S(v.toString());
        std::string why = CheckText(r, text);
        if (!why.empty()) return why;
        d.*r.text = text;
        return {};
    }
    case KeyType::Flag:
        if (!v.isBool()) return "must be true or false";
        d.*r.flag = v.toBool();
        return {};
    case KeyType::Number:
    case KeyType::Integer: {
        if (!v.isDouble()) return "must be a number";
        const double x = v.toDouble();
        std::string why = CheckNumber(r, x);
        if (!why.empty()) return why;
        if (r.type == KeyType::Number)
            d.*r.number = x;
        else
            d.*r.integer = static_cast<int>(x);
        return {};
    }
    case KeyType::Coordinates: {
        const char* shape = "must be an object {\"x\": E, \"y\": N, \"z\": elevation} of numbers";
        if (!v.isObject()) return shape;
        const QJsonObject o = v.toObject();
        if (!o.value("x").isDouble() || !o.value("y").isDouble() || !o.value("z").isDouble())
            return shape;
        const NodeCoordinates c{o.value("x").toDouble(), o.value("y").toDouble(),
                                o.value("z").toDouble()};
        std::string why = CheckCoordinates(c);
        if (!why.empty()) return why;
        d.*r.coordinates = c;
        return {};
    }
    }
    return "is not a key the program knows";
}

// The scale check, as the program wrote it. Every field is optional (the
// struct's defaults stand in); what is there must have its type.
std::string ReadCalibration(SurveyDetails& d, const QJsonValue& v, std::string& subkey) {
    if (v.isNull()) return {};
    if (!v.isObject()) return "must be an object";
    const QJsonObject o = v.toObject();
    Calibration c;
    struct Num {
        const char* key;
        double Calibration::*field;
    };
    const Num numbers[] = {{"certified_diameter_m", &Calibration::certifiedDiameterM},
                           {"measured_diameter_m", &Calibration::measuredDiameterM},
                           {"error_pct", &Calibration::errorPct},
                           {"spread_pct", &Calibration::spreadPct},
                           {"speed_before_mps", &Calibration::speedBeforeMps},
                           {"speed_after_mps", &Calibration::speedAfterMps},
                           {"accuracy_limit_pct", &Calibration::accuracyLimitPct},
                           {"spread_limit_pct", &Calibration::spreadLimitPct}};
    for (const Num& n : numbers) {
        const QJsonValue x = o.value(n.key);
        if (x.isUndefined() || x.isNull()) continue;
        subkey = n.key;
        if (!x.isDouble() || std::abs(x.toDouble()) > 1e6) return "must be a number";
        c.*n.field = x.toDouble();
    }
    for (const auto& [key, field] :
         {std::pair{"date", &Calibration::date}, std::pair{"time", &Calibration::time}}) {
        const QJsonValue x = o.value(key);
        if (x.isUndefined() || x.isNull()) continue;
        subkey = key;
        if (!x.isString() || x.toString().size() > 32)
            return "must be text of at most 32 characters";
        c.*field = S(x.toString());
        if (!CheckText(KeyRule{key, key, KeyType::Text}, c.*field).empty())
            return "must be one line of text";
    }
    if (const QJsonValue x = o.value("revolutions"); !x.isUndefined() && !x.isNull()) {
        subkey = "revolutions";
        const double n = x.toDouble(-1);
        if (!x.isDouble() || n < 0 || n > 1e6 || n != std::floor(n))
            return "must be a whole number from 0 to 1000000";
        c.revolutions = static_cast<int>(n);
    }
    if (const QJsonValue x = o.value("pass"); !x.isUndefined() && !x.isNull()) {
        subkey = "pass";
        if (!x.isBool()) return "must be true or false";
        c.pass = x.toBool();
    }
    d.calibration = c;
    return {};
}

QJsonObject CalibrationObject(const Calibration& c) {
    QJsonObject o;
    if (!c.date.empty()) o["date"] = Q(c.date);
    if (!c.time.empty()) o["time"] = Q(c.time);
    o["certified_diameter_m"] = c.certifiedDiameterM;
    o["measured_diameter_m"] = c.measuredDiameterM;
    o["error_pct"] = c.errorPct;
    o["spread_pct"] = c.spreadPct;
    o["revolutions"] = c.revolutions;
    o["speed_before_mps"] = c.speedBeforeMps;
    o["speed_after_mps"] = c.speedAfterMps;
    o["accuracy_limit_pct"] = c.accuracyLimitPct;
    o["spread_limit_pct"] = c.spreadLimitPct;
    o["pass"] = c.pass;
    return o;
}

} // namespace

LoadResult ParseSurveyJson(std::string_view bytes, const std::string& name) {
    LoadResult result;
    result.present = true;
    if (bytes.size() > kMaxSurveyFileBytes) {
        result.error = name + ": is larger than 1 MiB, which no survey's details are";
        return result;
    }
    if (std::optional<std::string> fault = Prescan(bytes, name)) {
        result.error = *fault;
        return result;
    }
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(
        QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        result.error = name + ": is not JSON (" + S(parseError.errorString()) + " at byte " +
                       std::to_string(parseError.offset) + ")";
        return result;
    }
    if (!doc.isObject()) {
        result.error = name + ": is not a JSON object of survey details";
        return result;
    }
    const QJsonObject top = doc.object();
    SurveyDetails d;
    for (auto it = top.begin(); it != top.end(); ++it) {
        const std::string key = S(it.key());
        std::string why;
        if (key == "format") {
            if (!it.value().isString() || S(it.value().toString()) != kSurveyFormat)
                why = std::string("must be \"") + kSurveyFormat +
                      "\" (a newer program may have written it)";
        } else if (key == "calibration") {
            std::string subkey;
            why = ReadCalibration(d, it.value(), subkey);
            if (!why.empty() && !subkey.empty()) {
                result.error = KeyMessage(name, "calibration." + subkey, why);
                return result;
            }
        } else if (const KeyRule* rule = FindSurveyKey(key)) {
            why = ReadKey(d, *rule, it.value());
        } else {
            // Kept as it came, for whatever tool wrote it.
            const QJsonValue v = it.value();
            QByteArray text;
            if (v.isObject())
                text = QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact);
            else if (v.isArray())
                text = QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact);
            else {
                // A scalar: written inside an array, the brackets cut off.
                text = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
                text = text.mid(1, text.size() - 2);
            }
            d.otherKeys[key] = text.toStdString();
        }
        if (!why.empty()) {
            result.error = KeyMessage(name, key, why);
            return result;
        }
    }
    result.details = std::move(d);
    return result;
}

LoadResult LoadSurveyFile(const std::string& path) {
    LoadResult result;
    const QFileInfo info(Q(path));
    if (!info.exists() && !info.isSymLink()) return result; // none: no details, no error
    result.present = true;
    // A FIFO or a device would block or never end; only a plain file is read.
    if (!info.isFile()) {
        result.error = path + ": is not a regular file";
        return result;
    }
    if (info.size() > qint64(kMaxSurveyFileBytes)) {
        result.error = path + ": is larger than 1 MiB, which no survey's details are";
        return result;
    }
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = path + ": cannot be read (" + S(file.errorString()) + ")";
        return result;
    }
    // One byte over the limit is enough to tell a file that grew since.
    const QByteArray bytes = file.read(qint64(kMaxSurveyFileBytes) + 1);
    return ParseSurveyJson(std::string_view(bytes.constData(), std::size_t(bytes.size())), path);
}

std::optional<std::string> SurveyJson(const SurveyDetails& d, std::string& why) {
    // What is written must read back: the file is never something this
    // program would refuse.
    if (std::string bad = CheckDetails(d); !bad.empty()) {
        why = "the details are not valid (" + bad + ")";
        return std::nullopt;
    }
    QJsonObject top;
    for (const auto& [key, text] : d.otherKeys) {
        if (FindSurveyKey(key) || key == "format" || key == "calibration") continue;
        QJsonParseError err{};
        const QByteArray wrapped = "[" + QByteArray::fromStdString(text) + "]";
        const QJsonDocument parsed = QJsonDocument::fromJson(wrapped, &err);
        if (err.error == QJsonParseError::NoError && parsed.isArray() && parsed.array().size() == 1)
            top[Q(key)] = parsed.array().at(0);
        else
            top[Q(key)] = Q(text); // not JSON after all: kept as text rather than lost
    }
    top["format"] = kSurveyFormat;
    for (const KeyRule& r : SurveyKeyRules()) {
        const QString key = QString::fromLatin1(r.key);
        switch (r.type) {
        case KeyType::Text:
        case KeyType::Choice:
            if (!(d.*r.text).empty()) top[key] = Q(d.*r.text);
            break;
        case KeyType::Flag:
            if (d.*r.flag) top[key] = *(d.*r.flag);
            break;
        case KeyType::Number:
            if (d.*r.number) top[key] = *(d.*r.number);
            break;
        case KeyType::Integer:
            if (d.*r.integer) top[key] = *(d.*r.integer);
            break;
        case KeyType::Coordinates:
            if (const auto& c = d.*r.coordinates)
                top[key] = QJsonObject{{"x", c->x}, {"y", c->y}, {"z", c->z}};
            break;
        }
    }
    if (d.calibration) top["calibration"] = CalibrationObject(*d.calibration);
    return QJsonDocument(top).toJson(QJsonDocument::Indented).toStdString();
}

bool SaveSurveyFile(const std::string& path, const SurveyDetails& d, std::string& why) {
    const std::optional<std::string> json = SurveyJson(d, why);
    if (!json) return false;
    QSaveFile file(Q(path));
    if (!file.open(QIODevice::WriteOnly)) {
        why = path + ": cannot be written (" + S(file.errorString()) + ")";
        return false;
    }
    const QByteArray text = QByteArray::fromStdString(*json);
    if (file.write(text) != text.size() || !file.commit()) {
        why = path + ": cannot be written (" + S(file.errorString()) + ")";
        return false;
    }
    return true;
}

std::string SetSurveyKey(SurveyDetails& details, std::string_view key, std::string_view value) {
    const KeyRule* rule = FindSurveyKey(key);
    if (!rule) {
        std::string known;
        for (const KeyRule& r : SurveyKeyRules())
            known += (known.empty() ? "" : ", ") + std::string(r.key);
        return "\"" + Printable(key) + "\" is not a survey key (the keys are " + known + ")";
    }
    std::string why = SetKeyText(details, *rule, value);
    return why.empty() ? why : std::string(rule->key) + " " + why;
}

} // namespace survey
