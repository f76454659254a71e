// The survey's details on the report's first page and in its footer.
#include <functional>
#include <initializer_list>

#include "report/ReportPages.h"

namespace reportpage {

namespace {

QString Typed(const std::string& text) {
    QString s = QString::fromStdString(text);
    for (QChar& c : s)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    return s;
}

// Texts joined with ", ", the empty ones left out.
QString Joined(std::initializer_list<QString> parts) {
    QStringList kept;
    for (const QString& p : parts)
        if (!p.trimmed().isEmpty()) kept << p;
    return kept.join(QStringLiteral(", "));
}

QString Labelled(const QString& label, const std::string& text) {
    return text.empty() ? QString() : label + Typed(text);
}

} // namespace

// "P-17, MH1 to MH2"; empty when the details name none of them.
QString PipeAndNodes(const survey::SurveyDetails& d) {
    QString nodes;
    if (!d.startNode.empty() || !d.finishNode.empty())
        nodes = Typed(d.startNode.empty() ? "?" : d.startNode) + QStringLiteral(" to ") +
                Typed(d.finishNode.empty() ? "?" : d.finishNode);
    if (d.pipeReference.empty()) return nodes;
    return Typed(d.pipeReference) + (nodes.isEmpty() ? QString() : QStringLiteral(", ") + nodes);
}

// The survey's details as the page's header block: only the lines that
// have something to say.
void DetailsBlock(const survey::SurveyDetails& d,
                  const std::function<void(const QString&, const QString&)>& line) {
    const auto show = [&](const QString& l, const QString& v) {
        if (!v.isEmpty()) line(l, v);
    };
    show(QStringLiteral("Pipe"),
         Joined({PipeAndNodes(d), d.direction.empty()
                                      ? QString()
                                      : QStringLiteral("surveyed ") + Typed(d.direction)}));
    show(QStringLiteral("Location"), Joined({Typed(d.location), Typed(d.town), Typed(d.district)}));
    show(QStringLiteral("Owner"), Typed(d.owner));
    show(QStringLiteral("Inspector"),
         Joined({Typed(d.inspector), Labelled(QStringLiteral("certificate "), d.certificate)}));
    const auto mm = [](const std::optional<double>& v) {
        return v ? Size(*v / 1000.0) : QString();
    };
    QString size = mm(d.heightMm);
    if (d.widthMm)
        size += (size.isEmpty() ? QString() : QStringLiteral(" high \u00D7 ")) + mm(d.widthMm) +
                QStringLiteral(" wide");
    show(QStringLiteral("Pipe shape and size"), Joined({Typed(d.shape), size, Typed(d.material)}));
    show(QStringLiteral("Construction"),
         Joined(
             {Labelled(QStringLiteral("lining "), d.lining),
              d.yearLaid ? QStringLiteral("laid %1").arg(*d.yearLaid) : QString(),
              d.unitLengthM ? QStringLiteral("pipe units ") + Metres(*d.unitLengthM) : QString()}));
    // Manholes are as deep as pipes are long, not as wide: feet, not inches.
    show(QStringLiteral("Node depths"),
         Joined(
             {d.startNodeDepthM ? QStringLiteral("start ") + Metres(*d.startNodeDepthM) : QString(),
              d.finishNodeDepthM ? QStringLiteral("finish ") + Metres(*d.finishNodeDepthM)
                                 : QString()}));
    QString water;
    if (d.waterTemperatureC) {
        water =
            QStringLiteral("water ") + Num(*d.waterTemperatureC, 1) + QStringLiteral(" \u00B0C");
        if (g_units == units::System::Imperial)
            water += QStringLiteral(" (") + Num(*d.waterTemperatureC * 9.0 / 5.0 + 32.0, 1) +
                     QStringLiteral(" \u00B0F)");
    }
    show(QStringLiteral("Purpose"), Typed(d.purpose));
    show(QStringLiteral("Conditions"),
         Joined({Labelled(QStringLiteral("weather "), d.weather), water,
                 Labelled(QStringLiteral("flow control "), d.flowControl),
                 d.preCleaned ? (*d.preCleaned ? QStringLiteral("pre-cleaned")
                                               : QStringLiteral("not pre-cleaned"))
                              : QString()}));
    const auto xyz = [&](const std::optional<survey::NodeCoordinates>& c) {
        return c ? QStringLiteral("%1, %2, %3").arg(Num(c->x, 3), Num(c->y, 3), Num(c->z, 3))
                 : QString();
    };
    show(QStringLiteral("Node coordinates"),
         Joined({d.startNodeCoordinates ? QStringLiteral("start ") + xyz(d.startNodeCoordinates)
                                        : QString(),
                 d.finishNodeCoordinates ? QStringLiteral("finish ") + xyz(d.finishNodeCoordinates)
                                         : QString(),
                 Typed(d.crs)}));
    show(QStringLiteral("Remarks"), Typed(d.remarks));
}

} // namespace reportpage
