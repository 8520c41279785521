// What is marked on the profile: speed colours, alert and gas-switch marks, yoyo markers and the
// icons pinned over the plot.
#include "dive/divealerts.h"
#include "dive/diveprofile.h"
#include "views/diveprofileitem.h"
#include "views/profilegraphics.h"

#include <QPainter>

#include <algorithm>

QColor DiveProfileItem::speedColor(double v)
{
    static const QColor orange(255, 190, 0);
    static const QColor green(0, 160, 0);
    switch (speedClass(v, maxAscentSpeed, maxDescentSpeed)) {
    case SpeedClass::TooFast:
        return Qt::red;
    case SpeedClass::NearLimit:
        return orange;
    case SpeedClass::Normal:
        break;
    }
    return green;
}

QStringList DiveProfileItem::sampleMarks(const DiveProfile& dive, int i)
{
    return sampleMarks(dive, analyseAlerts(dive), i);
}

QStringList DiveProfileItem::sampleMarks(
    const DiveProfile& dive, const DiveAlertSummary& alerts, int i)
{
    QStringList marks;
    if (i < 1 || i >= dive.samples.size() || i >= alerts.marks.size())
        return marks;
    const int yoyo = alerts.yoyo.at(i);
    if (yoyo != 0)
        marks << (yoyo == 1 ? QStringLiteral("yoyoInfo")
                : yoyo == 2 ? QStringLiteral("yoyoWarning")
                            : QStringLiteral("yoyoError"));
    const quint8 flags = alerts.marks.at(i);
    if (flags & DiveAlertSummary::MarkRapidAscent)
        marks << QStringLiteral("alertRR");
    if (flags & DiveAlertSummary::MarkPmax)
        marks << QStringLiteral("alertPmax");
    if (flags & DiveAlertSummary::MarkCeiling)
        marks << QStringLiteral("alertCeil");
    if (i == dive.ascentStartIndex)
        marks << QStringLiteral("dtr");
    // A change between two known gases; the first gas breathed is no change.
    const DiveSample& s = dive.samples.at(i);
    const DiveSample& prev = dive.samples.at(i - 1);
    if (s.gasIndex >= 0 && prev.gasIndex >= 0 && s.gasIndex != prev.gasIndex)
        marks << QStringLiteral("mark_gas");
    return marks;
}

void DiveProfileItem::paintAlertMarks(QPainter* painter, int lo, int hi)
{
    // A small circle and the image of each alert found at a sample; the alert lights of the
    // window read the same analysis.
    const DiveProfile& dive = *m_dive;
    const DiveAlertSummary alerts = analyseAlerts(dive);
    for (int i = std::max(1, lo); i <= hi; ++i) {
        const DiveSample& s = dive.samples.at(i);
        const DiveSample& prev = dive.samples.at(i - 1);
        if (alerts.marks.at(i) == 0 && alerts.yoyo.at(i) == 0 && i != dive.ascentStartIndex
            && s.gasIndex == prev.gasIndex)
            continue;
        const QStringList marks = sampleMarks(dive, alerts, i);
        if (marks.isEmpty())
            continue;
        const QPointF here = mapToScene(s.time, s.depth);
        painter->setPen(QPen(speedColor(s.speed), 2));
        for (const QString& mark : marks) {
            if (mark == QLatin1String("dtr")) {
                painter->drawImage(mapToScene(prev.time, prev.depth), sharedImage(mark));
                continue;
            }
            if (mark == QLatin1String("mark_gas")) {
                // Above the line, with the name of the gas switched to.
                const QImage& image = sharedImage(mark);
                painter->drawImage(
                    here + QPointF(-image.width() / 2.0, -image.height() - 6), image);
                if (s.gasIndex < dive.gases.size()) {
                    DiveGas gas = dive.gases.at(s.gasIndex);
                    painter->save();
                    painter->setPen(QColor(0, 70, 160));
                    painter->drawText(here + QPointF(image.width() / 2.0 + 2, -10),
                        gas.name.isEmpty() ? DiveProfile::gasName(gas) : gas.name);
                    painter->restore();
                }
                painter->drawEllipse(here, 3, 3);
                continue;
            }
            painter->drawEllipse(here, 3, 3);
            painter->drawImage(here + QPointF(5, 5), sharedImage(mark));
        }
    }
}

void DiveProfileItem::paintYoyoMarkers(QPainter* painter)
{
    for (const ProfileMarker& marker : m_dive->yoyoMarkers) {
        const QPointF p = mapToScene(marker.time, marker.depth);
        QColor colour = Qt::red;
        QString image = QStringLiteral("yoyoError");
        if (marker.level == 1) {
            colour = Qt::blue;
            image = QStringLiteral("yoyoInfo");
        } else if (marker.level == 2) {
            colour = QColor(255, 170, 0);
            image = QStringLiteral("yoyoWarning");
        }
        painter->setPen(colour);
        painter->setBrush(colour);
        painter->drawImage(p + QPointF(5, 5), sharedImage(image));
        painter->drawEllipse(p, 4, 4);
    }
    painter->setBrush(Qt::NoBrush);
}

void DiveProfileItem::addOverlayIcon(const OverlayIcon& icon, const QString& imageName)
{
    removeOverlayIcon(icon.id);
    OverlayIcon copy = icon;
    copy.image = &sharedImage(imageName);
    const QPointF p = mapToScene(copy.time, copy.depth);
    copy.x = p.x();
    copy.y = p.y();
    m_overlayIcons.push_back(copy);
    update();
}

void DiveProfileItem::updateOverlayIcon(int id, double timeS, double depthM)
{
    if (!m_dive)
        return;
    timeS = std::clamp(timeS, 0.0, std::max(0.0, m_dive->duration));
    if (depthM < 0)
        depthM = std::max(0.0, m_dive->depthAt(timeS));
    for (OverlayIcon& icon : m_overlayIcons) {
        if (icon.id == id) {
            icon.time = timeS;
            icon.depth = depthM;
        }
    }
    repositionOverlayIcons();
    update();
}

void DiveProfileItem::removeOverlayIcon(int id)
{
    m_overlayIcons.erase(std::remove_if(m_overlayIcons.begin(), m_overlayIcons.end(),
                             [id](const OverlayIcon& icon) { return icon.id == id; }),
        m_overlayIcons.end());
    update();
}
