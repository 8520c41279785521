#include "planner/planresulttext.h"

#include "planner/plangas.h"

#include <QCoreApplication>

#include <cmath>

namespace {

const QString kParagraphStyle = QStringLiteral(
    "style=\"margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; "
    "-qt-block-indent:0; text-indent:0px; line-height:1em;\"");

const QString kHead = QStringLiteral(
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" "
    "\"http://www.w3.org/TR/REC-html40/strict.dtd\">\n"
    "<html><head><meta name=\"qrichtext\" content=\"1\" /><style type=\"text/css\">\n"
    "p, li { white-space: pre-wrap; }\n"
    "</style></head><body style=\" font-family:'Courier New'; font-size:9pt; "
    "font-weight:400; font-style:normal;\">\n");

QString twoDigits(qint64 value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

// Minutes as whole seconds: "|    mm:ss " below one hour, "| hh:mm:ss " from one hour on.
QString clockField(float minutes)
{
    const qint64 seconds = std::llround(std::max(0.0, double(minutes) * 60.0));
    if (seconds < 3600)
        return QStringLiteral("|    %1:%2 ").arg(twoDigits(seconds / 60), twoDigits(seconds % 60));
    return QStringLiteral("| %1:%2:%3 ")
        .arg(twoDigits(seconds / 3600), twoDigits((seconds / 60) % 60), twoDigits(seconds % 60));
}

QString iconName(const LinePlan& line)
{
    static const char* const names[] = { "arrowD", "arrowR", "arrowU" };
    const QString base = QString::fromLatin1(names[std::min<quint32>(line.direction, 2)]);
    return line.computed ? base : base + QStringLiteral("dive");
}

} // namespace

void PlanResultText::setGasNames(const QList<DiveGas>& gases)
{
    m_gasNames.clear();
    for (const DiveGas& gas : gases)
        m_gasNames.append(planGasName(gas));
}

QString PlanResultText::gasName(quint32 index) const
{
    return index < quint32(m_gasNames.size()) ? m_gasNames[int(index)] : QString();
}

QString PlanResultText::durationText(float minutes)
{
    return clockField(minutes);
}

void PlanResultText::add(const LinePlan& line)
{
    switch (line.kind) {
    case LinePlan::Start:
        m_html = kHead;
        break;
    case LinePlan::Line: {
        const QString icon = QStringLiteral("<img src = \":/TestGraphics/icons/%1.png\" "
                                            "style=\"vertical-align:middle\"/>")
                                 .arg(iconName(line));
        QString text
            = QStringLiteral("<p %1>%2 %3 ").arg(kParagraphStyle, icon, depthText(line.depth));
        text += clockField(line.duration);
        text += clockField(line.runTime);
        // Every line names the gas breathed on it; a change of gas has a line of its own.
        text += QStringLiteral("| ") + gasName(line.gas).toHtmlEscaped();
        if (line.setpoint > 0)
            text += QCoreApplication::translate("PlanResultText", " SP %1")
                        .arg(double(line.setpoint), 0, 'f', 1)
                        .toHtmlEscaped();
        text += QStringLiteral("</p>\n");
        m_html += text;
        break;
    }
    case LinePlan::Switch:
        m_html += QStringLiteral("<p %1>&lt;&gt; %2 |%3")
                      .arg(kParagraphStyle, depthText(line.depth))
                      .arg(QString(), 10)
            + clockField(line.runTime) + QStringLiteral("| ") + gasName(line.gas).toHtmlEscaped()
            + QStringLiteral("</p>\n");
        break;
    case LinePlan::Summary:
        m_html += QStringLiteral("<p %1>CNS %2%</p>\n")
                      .arg(kParagraphStyle)
                      .arg(std::lround(line.cns));
        m_html
            += QStringLiteral("<p %1>OTU %2</p>\n").arg(kParagraphStyle).arg(std::lround(line.otu));
        if (line.ndl >= 0.0f) {
            // Whole minutes left, never rounded up; the engine stops counting at 250.
            const QString minutes = line.ndl >= 250.0f
                ? QStringLiteral("250+")
                : QString::number(qint64(std::floor(line.ndl)));
            m_html += QStringLiteral("<p %1>%2</p>\n")
                          .arg(kParagraphStyle,
                              QCoreApplication::translate("PlanResultText", "NDL %1 min")
                                  .arg(minutes)
                                  .toHtmlEscaped());
        }
        m_html += QStringLiteral("  </body></html>");
        break;
    default:
        break;
    }
}

QString PlanResultText::depthText(float metres) const
{
    if (m_units.depth == UnitSystem::Imperial)
        return QStringLiteral("%1ft").arg(
            Units::toDisplay(Quantity::Depth, double(metres), m_units), 6, 'f', 1);
    return QStringLiteral("%1m").arg(double(metres), 6, 'g', 4);
}

QString PlanResultText::html() const
{
    return m_html;
}
