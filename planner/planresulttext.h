#pragma once

#include "dive/units.h"
#include "planner/planification.h"

#include <QList>
#include <QString>

// Renders the result lines of a plan computation as the HTML of the result box: one paragraph
// per line with its direction icon, depth, duration, run time and the gas breathed, a line of
// its own for each change of gas, then the CNS and OTU summary.
class PlanResultText
{
public:
    // Gas names come from the dive's own gas list (index -> name).
    void setGasNames(const QList<DiveGas>& gases);
    // Depths in metres (the default) or feet.
    void setUnits(const DisplayUnits& units) { m_units = units; }
    // Takes one line; a start line restarts the text.
    void add(const LinePlan& line);
    // The whole HTML so far (complete once the summary line has arrived).
    QString html() const;

    static QString durationText(float minutes);

private:
    QString gasName(quint32 index) const;
    QString depthText(float metres) const;

    QStringList m_gasNames;
    QString m_html;
    DisplayUnits m_units;
};
