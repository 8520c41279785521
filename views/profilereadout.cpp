#include "views/profilereadout.h"

#include "dive/diveprofile.h"
#include "dive/formattime.h"
#include "dive/units.h"
#include "views/graphview.h"

#include <QCoreApplication>
#include <QLocale>

#include <cmath>

namespace {

// In the units and with the decimal mark the diver chose, a space before the unit.
QString shown(Quantity quantity, double si)
{
    return Units::number(quantity, si, 1) + QLatin1Char(' ') + Units::symbol(quantity);
}

} // namespace

QString positionReadout(const DiveProfile& dive, int timeS)
{
    const PositionInfo info = dive.positionInfo(timeS, false);
    if (!info.found)
        return QString();
    const double depth = info.before.depth + info.depthChange;
    // The temperature and speed of the segment the cursor is on, both read at its end sample.
    const double speed = info.after.speed;
    const QString direction = speed < -0.05 ? GraphView::tr("up")
        : speed > 0.05                      ? GraphView::tr("down")
                                            : QString();
    const double ceiling = info.before.decoCeiling + info.ceilingChange;
    const QString gap = QStringLiteral("   ");
    QString text = formatTime(timeS) + gap + shown(Quantity::Depth, depth);
    // A plan or a dive logged without one has no temperature: 0 throughout is none, not 0 °C.
    if (dive.minTemperature != 0 || dive.maxTemperature != 0)
        text += gap + shown(Quantity::Temperature, info.after.temperature);
    if (ceiling > 0)
        text += gap + GraphView::tr("ceiling %1").arg(shown(Quantity::Depth, ceiling));
    else if (ceiling < 0)
        text += gap + GraphView::tr("no stop %1 min").arg(-ceiling, 0, 'f', 0);
    text += gap
        + (shown(Quantity::VerticalSpeed, std::abs(speed)) + QLatin1Char(' ') + direction)
              .trimmed();
    return text;
}

QString positionInformationHtml(
    const DiveProfile& dive, int timeS, bool selectionVisible, int rangeFirstS, int rangeLastS)
{
    const PositionInfo info = dive.positionInfo(timeS, false);
    if (!info.found)
        return QString();

    const QString green
        = QStringLiteral("    <tr style=\"background-color:Lightgreen;\"><td width=\"50%\">");
    const QString plain = QStringLiteral("    <tr><td>");
    int row = 0;
    auto addRow = [&](QString& html, const QString& label, const QString& value) {
        html += (row++ % 2 == 0 ? green : plain) + label + QStringLiteral("</td> <td>") + value
            + QStringLiteral("</td></tr>");
    };
    auto title = [](const QString& text) {
        return QStringLiteral("    <p align=\"center\" style=\"font-size:10pt; font-weight:700;\">")
            + text + QStringLiteral("</p>    <table width=\"98%\" align=\"center\">");
    };

    QString html = QStringLiteral(
        "<html>  <head>    <style>      table, caption, th, td { padding:4px; border:1px solid "
        "black; border-collapse: collapse; font-size:8pt; font-weight:100}    </style>  </head>  "
        "<body>");
    html += title(QObject::tr("Position information"));
    addRow(html, QObject::tr("Time"), formatTime(timeS));
    addRow(html, QObject::tr("Depth"),
        shown(Quantity::Depth, std::abs(info.before.depth + info.depthChange)));
    addRow(html, QObject::tr("Speed"), shown(Quantity::VerticalSpeed, std::abs(info.after.speed)));
    if (dive.minTemperature != 0 || dive.maxTemperature != 0)
        addRow(
            html, QObject::tr("Temperature"), shown(Quantity::Temperature, info.after.temperature));
    const double ceiling = info.before.decoCeiling + info.ceilingChange;
    if (ceiling < 0)
        addRow(html, QObject::tr("NDL"),
            QStringLiteral("%1 min").arg(QLocale().toString(std::abs(ceiling), 'f', 1)));
    else
        addRow(html, QObject::tr("Ceiling"), shown(Quantity::Depth, std::abs(ceiling)));
    html += QStringLiteral("    </table>");

    if (selectionVisible) {
        row = 0;
        html += title(QObject::tr("Selection"));
        addRow(html, QObject::tr("Start Time"), formatTime(rangeFirstS));
        addRow(html, QObject::tr("End Time"), formatTime(rangeLastS));
        addRow(html, QObject::tr("Elapsed Time"), formatTime(rangeLastS - rangeFirstS));
        html += QStringLiteral("    </table>");
    }
    html += QStringLiteral("  </body></html>");
    return html;
}
