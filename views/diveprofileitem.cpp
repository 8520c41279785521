#include "views/diveprofileitem.h"

#include "dive/divealerts.h"
#include "dive/diveprofile.h"
#include "dive/formattime.h"
#include "dive/units.h"
#include "views/divepoint.h"

#include <QFontMetrics>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygonF>
#include <QTextOption>

#include <algorithm>
#include <cmath>

double maxAscentSpeed = MaxAscentSpeed;
double maxDescentSpeed = MaxDescentSpeed;

namespace {

// Guards against degenerate dives and windows: no scale divides by zero.
constexpr double minimumDepthM = 1.0;
constexpr double minimumDurationS = 1.0;
constexpr double maximumDepthZoomM = 120.0;
constexpr double minimumDepthZoomM = 5.0;
// The time axis keeps room for the ascent summary labels of a planned dive.
constexpr double ascentLabelReserve = 55.0;

struct SharedGraphics
{
    QHash<QString, QImage> images;
    QIcon statusIcon;
    DiveProfileItem::LogCallback log;
};

SharedGraphics& shared()
{
    static SharedGraphics graphics;
    return graphics;
}

void loadSharedImages()
{
    SharedGraphics& g = shared();
    if (!g.images.isEmpty())
        return;
    static const char* const names[] = { "mark_info", "mark_warning", "mark_error", "mark_gas",
        "diver", "oxygen-tank", "dtr", "alertCeil", "alertRR", "alertYoyo", "alertSecurity",
        "alertDive24h", "alertPmax", "yoyoInfo", "yoyoWarning", "yoyoError" };
    for (const char* name : names) {
        const QString key = QString::fromLatin1(name);
        g.images.insert(key, QImage(QStringLiteral(":/TestGraphics/icons/%1.png").arg(key)));
    }
}

double roundToHalf(double v)
{
    return std::round(v * 2.0) / 2.0;
}

QString shortNumber(double v)
{
    return QString::number(v);
}

// A dense polyline drawn at screen resolution: within one pixel column only the first, the
// highest, the lowest and the last point matter (the first and last keep the joins to the
// neighbouring columns exact). A two-hour dive at 1 s samples then strokes a few points per
// pixel column instead of every sample.
QPolygonF decimated(const QPointF* points, int count)
{
    QPolygonF out;
    if (count <= 0)
        return out;
    out.reserve(std::min(count, 4096));
    int i = 0;
    while (i < count) {
        const double column = std::floor(points[i].x());
        int low = i;
        int high = i;
        int j = i + 1;
        for (; j < count && std::floor(points[j].x()) == column; ++j) {
            if (points[j].y() < points[low].y())
                low = j;
            if (points[j].y() > points[high].y())
                high = j;
        }
        const int keep[4] = { i, std::min(low, high), std::max(low, high), j - 1 };
        int previous = -1;
        for (int k : keep) {
            if (k != previous)
                out.append(points[k]);
            previous = k;
        }
        i = j;
    }
    return out;
}

QPolygonF decimated(const QPolygonF& line)
{
    return decimated(line.constData(), int(line.size()));
}

} // namespace

DiveProfileItem::DiveProfileItem(QGraphicsItem* parent)
    : QGraphicsObject(parent)
{
    loadSharedImages();
    m_headerText.setTextFormat(Qt::RichText);
    m_headerText.setPerformanceHint(QStaticText::AggressiveCaching);
    m_headerText.setTextOption(QTextOption(Qt::AlignHCenter | Qt::AlignVCenter));
}

DiveProfileItem::~DiveProfileItem() = default;

const QImage& DiveProfileItem::sharedImage(const QString& name)
{
    loadSharedImages();
    static const QImage none;
    auto it = shared().images.constFind(name);
    return it == shared().images.constEnd() ? none : it.value();
}

void DiveProfileItem::setStatusIcon(const QString& imagePath)
{
    shared().statusIcon = QIcon(imagePath);
}

void DiveProfileItem::setLogCallback(LogCallback callback)
{
    shared().log = std::move(callback);
}

void DiveProfileItem::setStatusIconVisible(bool visible)
{
    m_statusIconVisible = visible;
    update();
}

QRectF DiveProfileItem::boundingRect() const
{
    return m_rect;
}

void DiveProfileItem::setProfile(DiveProfile* dive)
{
    m_overlayIcons.clear();
    m_dive = dive;
    fitAll();
    refreshHeader();
    update();
    createDivePoints();
}

void DiveProfileItem::setGeometry(const QRectF& rect)
{
    prepareGeometryChange();
    m_rect = rect;
    m_plotLeft = rect.left() + m_marginLeft;
    m_plotTop = rect.top() + m_marginTop;
    m_plotWidth = rect.width() - m_marginLeft - m_marginRight;
    m_plotHeight = rect.height() - m_marginTop - m_marginBottom;
    m_plotBottom = m_plotTop + m_plotHeight;
    fitAll();
}

void DiveProfileItem::setItemsVisible(bool points, bool temperature, bool deco, bool alerts)
{
    m_showPoints = points;
    m_showTemperature = temperature;
    m_showDeco = deco;
    m_showAlerts = alerts;
    update();
}

void DiveProfileItem::fitAll()
{
    if (!m_dive)
        return;
    m_depthShown = std::max(minimumDepthM, std::ceil(m_dive->maxDepth));
    const double duration = std::max(minimumDurationS, m_dive->duration);
    m_xStart = 0;
    m_xEnd = duration;
    const double reserve = m_dive->ascentSamples.size() >= 3 ? ascentLabelReserve : 0.0;
    m_xScale = std::max(m_plotWidth - reserve, 1.0) / duration;
    m_yScale = std::max(m_plotHeight - m_depthReserve, 1.0) / m_depthShown;
    repositionPoints();
    update();
}

void DiveProfileItem::scrollBy(double dx)
{
    if (!m_dive || m_xScale <= 0)
        return;
    const double d = dx / m_xScale;
    if (m_xStart + d >= 0) {
        m_xStart += d;
        m_xEnd += d;
        repositionPoints();
        update();
    }
}

void DiveProfileItem::zoomAt(bool depthOnly, double factor, double x)
{
    if (!m_dive || !(factor > 0))
        return;
    if (depthOnly) {
        // Down to the top 5 m (a safety stop fills the plot), never more than 120 m unless the
        // dive itself is deeper.
        const double deepest = std::max(minimumDepthM, std::ceil(m_dive->maxDepth));
        const double shown = std::ceil(factor * m_depthShown);
        m_depthShown = std::clamp(
            shown, std::min(deepest, minimumDepthZoomM), std::max(maximumDepthZoomM, deepest));
        m_yScale = std::max(m_plotHeight - m_depthReserve, 1.0) / m_depthShown;
    } else {
        const double duration = std::max(minimumDurationS, m_dive->duration);
        const double width = (m_xEnd - m_xStart) / factor;
        if (width > 2 * duration) {
            m_xStart = 0;
            m_xEnd = 2 * duration;
        } else {
            const double t = std::trunc((x - m_plotLeft) / m_xScale + m_xStart);
            m_xStart = std::max(0.0, t - (t - m_xStart) / factor);
            m_xEnd = m_xStart + width;
        }
        m_xScale = std::max(m_plotWidth, 1.0) / std::max(m_xEnd - m_xStart, 1e-6);
    }
    repositionPoints();
    update();
}

int DiveProfileItem::timeAtX(double x) const
{
    return int(std::trunc((x - m_plotLeft) / m_xScale + m_xStart));
}

bool DiveProfileItem::isInPlot(const QPointF& p) const
{
    // The hit area runs below the plot by the top margin, as the readout has always done.
    return QRectF(m_plotLeft, m_plotTop, m_plotWidth, m_plotBottom).contains(p);
}

QPointF DiveProfileItem::mapToScene(double timeS, double depthM) const
{
    return QPointF(
        m_plotLeft - m_xScale * m_xStart + m_xScale * timeS, depthM * m_yScale + m_plotTop);
}

void DiveProfileItem::refreshHeader()
{
    if (!m_dive) {
        m_header.clear();
        m_headerText.setText(QString());
        return;
    }
    const QString label = QStringLiteral("<span style=\" font-size:12pt; color:#5a5a5a;\">");
    const QString value
        = QStringLiteral("<span style=\" font-size:12pt; font-weight:700; color:#000000;\">");
    auto field = [&](const QString& l, const QString& v) {
        return label + l + QStringLiteral("</span>") + value + v + QStringLiteral("</span>");
    };
    QString text = QStringLiteral("<html><head/><body><p>");
    text += field(tr("Dive: "), m_dive->name.toHtmlEscaped());
    text += field(tr(" - Max depth: "),
        Units::number(Quantity::Depth, m_dive->maxDepth, 1) + Units::symbol(Quantity::Depth));
    // Rounded to the second as the planner's result lines are, so both show the same times.
    text += field(tr(" - Dive time: "), formatTime(int(std::lround(m_dive->duration))));
    if (showAscentSummary == 1) {
        text += field(tr(" - Ascent time: "), formatTime(int(std::lround(m_dive->ascentDuration))));
        text += field(tr(" - Stop time: "), formatTime(int(std::lround(m_dive->stopTime))));
    }
    text += QStringLiteral("</p></body></html>");
    m_header = text;
    m_headerText.setText(text);
}

double DiveProfileItem::depthGridStep(double depthShownM)
{
    const double step = std::round(depthShownM / 10.0);
    return step >= 1.0 ? step : 1.0;
}

double DiveProfileItem::timeGridStep(double windowS)
{
    double step = std::round(windowS / 600.0) * 60.0;
    if (step <= 0)
        step = std::round(windowS / 10.0);
    // A window shorter than 5 s would give 0 and an endless grid.
    return step >= 1.0 ? step : 1.0;
}

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

void DiveProfileItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    if (!scene())
        return;
    painter->save();
    if (m_dive) {
        if (editable)
            refreshHeader();
        painter->setFont(QFont(QStringLiteral("Arial"), 12));
        // Setting these unchanged would still throw away the cached layout.
        if (m_headerText.textWidth() != m_rect.width())
            m_headerText.setTextWidth(m_rect.width());
        painter->drawStaticText(QPointF(0, 2), m_headerText);
    }

    QPen axis(Qt::lightGray, 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    painter->setPen(axis);
    const double axisRight = m_plotLeft + m_plotWidth + 10;
    painter->drawLine(QPointF(m_plotLeft, m_plotTop), QPointF(axisRight, m_plotTop));
    painter->drawLine(QPointF(m_plotLeft, m_plotBottom), QPointF(axisRight, m_plotBottom));
    painter->drawLine(
        QPointF(m_plotLeft, m_plotTop - 10), QPointF(m_plotLeft, m_plotTop + m_plotHeight));
    if (!m_dive) {
        painter->restore();
        return;
    }

    paintGrid(painter);
    painter->save();
    painter->setClipRect(QRectF(m_plotLeft, m_plotTop, m_plotWidth, m_plotHeight));
    paintProfile(painter);
    painter->restore();

    for (const OverlayIcon& icon : m_overlayIcons) {
        if (!icon.visible || !icon.image)
            continue;
        if (icon.kind >= 5 && icon.kind <= 9 && !m_showAlerts)
            continue;
        painter->drawImage(QPointF(icon.x - icon.dx, icon.y - icon.dy), *icon.image);
    }
    if (m_statusIconVisible)
        shared().statusIcon.paint(painter, QRect(5, 5, 32, 32), Qt::AlignCenter);

    if (m_dive->invalidDiveCode != 0) {
        QString text;
        if (m_dive->invalidDiveCode == 1)
            text = tr("Invalid dive: Yoyo on previous dive");
        else if (m_dive->invalidDiveCode == 2)
            text = tr("Invalid dive: not allowed, the tissues still hold too much nitrogen (TAR > "
                      "0.8 bar in the 146-minute compartment)");
        if (!text.isEmpty()) {
            painter->setFont(QFont(QStringLiteral("Arial"), 12));
            painter->setPen(Qt::red);
            painter->drawText(m_rect.bottomLeft() + QPointF(5, -5), text);
        }
    }
    painter->restore();
}

void DiveProfileItem::paintGrid(QPainter* painter)
{
    const QFont font(QStringLiteral("Arial"), 10);
    painter->setFont(font);
    const QFontMetricsF metrics(font);
    const QRectF zero = metrics.boundingRect(QStringLiteral("0"));
    const double charWidth = zero.width();
    const double charHeight = zero.height();
    const QPen gridPen(Qt::lightGray, 1);
    const QPen labelPen(Qt::darkGray);

    if (m_yScale > 0) {
        const double step = depthGridStep(m_depthShown);
        for (int k = 1;; ++k) {
            const double y = k * step * m_yScale + m_plotTop;
            if (y > m_plotBottom)
                break;
            painter->setPen(gridPen);
            painter->drawLine(QPointF(m_plotLeft, y), QPointF(m_plotLeft + m_plotWidth, y));
            const QString label = QString::number(k * step, 'f', 1);
            painter->setPen(labelPen);
            painter->drawText(
                QPointF(m_plotLeft - label.size() * charWidth * 1.5, y + charHeight * 0.5), label);
        }
    }

    if (m_xScale > 0) {
        const double step = timeGridStep(m_xEnd - m_xStart);
        const double t0 = std::ceil(m_xStart / 60.0) * 60.0;
        for (double t = t0;; t += step) {
            const double x = (t - m_xStart) * m_xScale + m_plotLeft;
            if (x > m_plotLeft + m_plotWidth)
                break;
            painter->setPen(gridPen);
            painter->drawLine(QPointF(x, m_plotTop), QPointF(x, m_plotBottom));
            const QString label = formatTime(int(t));
            painter->setPen(labelPen);
            painter->drawText(
                QPointF(x - label.size() * charWidth * 0.5, m_plotBottom + charHeight * 1.5),
                label);
        }
    }
}

QPair<int, int> DiveProfileItem::visibleSamples() const
{
    // Samples are in time order; one sample beyond each edge keeps the edge segments.
    const QList<DiveSample>& samples = m_dive->samples;
    const int n = int(samples.size());
    if (n == 0)
        return qMakePair(0, -1);
    auto byTime = [](const DiveSample& s, double t) { return s.time < t; };
    const int first = int(
        std::lower_bound(samples.cbegin(), samples.cend(), m_xStart, byTime) - samples.cbegin());
    const int past = int(
        std::lower_bound(samples.cbegin(), samples.cend(), m_xEnd, byTime) - samples.cbegin());
    return qMakePair(std::max(0, first - 1), std::min(n - 1, past));
}

void DiveProfileItem::paintProfile(QPainter* painter)
{
    const DiveProfile& dive = *m_dive;
    // Only the samples inside the time window are turned into points: a zoomed long dive
    // would otherwise stroke thousands of segments outside the clip.
    const auto [lo, hi] = visibleSamples();
    QPolygonF shown;
    shown.reserve(hi - lo + 1);
    for (int i = lo; i <= hi; ++i)
        shown.append(mapToScene(dive.samples.at(i).time, dive.samples.at(i).depth));
    const QPolygonF ascent = sceneLine(dive.ascentSamples);

    paintWater(painter, shown, ascent, lo, hi);
    if (m_showDeco)
        paintDecoCeiling(painter);
    if (m_showTemperature)
        paintTemperature(painter);
    if (m_curve.points.size() > 1 && m_curve.top > 0)
        paintSecondaryCurve(painter);
    if (!editable && m_showPoints) {
        painter->setPen(QPen(Qt::blue, 4));
        painter->drawPoints(shown);
    }
    painter->setBrush(Qt::NoBrush);
    paintSpeedColours(painter, shown, lo, hi);
    paintAlertMarks(painter, lo, hi);
    paintYoyoMarkers(painter);
    paintAscent(painter, ascent);
    painter->drawPolyline(sceneLine(dive.extraSamples));
    paintCeilingTrace(painter);
}

QPolygonF DiveProfileItem::sceneLine(const QList<DiveSample>& list) const
{
    QPolygonF line;
    line.reserve(list.size());
    for (const DiveSample& s : list)
        line.append(mapToScene(s.time, s.depth));
    return line;
}

void DiveProfileItem::paintWater(
    QPainter* painter, const QPolygonF& shown, const QPolygonF& ascent, int lo, int hi)
{
    const DiveProfile& dive = *m_dive;
    const int n = int(dive.samples.size());
    QPolygonF water = decimated(shown);
    const bool whole = lo == 0 && hi == n - 1;
    if (hi == n - 1)
        water += ascent;
    if (!whole && !water.isEmpty()) {
        // A window on part of the dive: close the water along the surface.
        water.prepend(QPointF(water.constFirst().x(), m_plotTop));
        water.append(QPointF(water.constLast().x(), m_plotTop));
    }
    QLinearGradient gradient(QPointF(0, 0), QPointF(m_plotWidth, m_plotHeight));
    gradient.setColorAt(0, Qt::white);
    gradient.setColorAt(
        1, dive.invalidDiveCode != 0 ? QColor(255, 10, 10, 128) : QColor(150, 150, 218, 128));
    painter->setPen(Qt::NoPen);
    painter->setBrush(gradient);
    painter->drawPolygon(water, Qt::OddEvenFill);
}

void DiveProfileItem::paintSpeedColours(QPainter* painter, const QPolygonF& shown, int lo, int hi)
{
    // Consecutive segments of one colour go out as one polyline: a long dive has few colour
    // changes, so this keeps a repaint cheap.
    int runStart = 0; // index in shown
    QColor runColour;
    auto flushRun = [&](int end) {
        if (end > runStart) {
            painter->setPen(QPen(runColour, 2));
            painter->drawPolyline(decimated(shown.constData() + runStart, end - runStart + 1));
        }
    };
    for (int i = lo + 1; i <= hi; ++i) {
        const QColor colour = speedColor(m_dive->samples.at(i).speed);
        if (i == lo + 1) {
            runColour = colour;
            runStart = 0;
        } else if (colour != runColour) {
            flushRun(i - 1 - lo);
            runStart = i - 1 - lo;
            runColour = colour;
        }
    }
    if (hi > lo)
        flushRun(hi - lo);
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

void DiveProfileItem::paintAscent(QPainter* painter, const QPolygonF& ascent)
{
    // The computed ascent: gas changes and the length of each stop.
    const DiveProfile& dive = *m_dive;
    painter->setPen(QPen(Qt::cyan, 2));
    painter->drawPolyline(ascent);
    int gas = dive.samples.isEmpty() ? -1 : dive.samples.constLast().gasIndex;
    painter->setFont(QFont(QStringLiteral("Arial"), 10));
    for (int i = 0; i < dive.ascentSamples.size(); ++i) {
        const DiveSample& s = dive.ascentSamples.at(i);
        if (s.gasIndex >= 0 && s.gasIndex != gas) {
            gas = s.gasIndex;
            painter->drawImage(
                ascent.at(i) + QPointF(-24, -12), sharedImage(QStringLiteral("oxygen-tank")));
        }
        const int stop = i >= 1 ? int(std::lround(s.time - dive.ascentSamples.at(i - 1).time)) : 0;
        // A level passed without a whole second owed is no stop to label.
        if (i >= 1 && std::abs(s.speed) < 0.01 && stop > 0) {
            painter->setPen(Qt::blue);
            const QString text
                = QStringLiteral("%1m %2").arg(shortNumber(s.depth), formatTime(stop));
            // Left of the stop's end when the plot's right edge would cut it.
            const double width = painter->fontMetrics().horizontalAdvance(text);
            const double x = ascent.at(i).x() + 8 + width > m_plotLeft + m_plotWidth
                ? ascent.at(i).x() - 8 - width
                : ascent.at(i).x() + 8;
            painter->drawText(QPointF(x, ascent.at(i).y()), text);
        }
    }
}

void DiveProfileItem::paintCeilingTrace(QPainter* painter)
{
    // The ceiling of a computed plan, with a warning when its deco could not be finished.
    const DiveProfile& dive = *m_dive;
    if (dive.ceilingTrace.isEmpty())
        return;
    QPolygonF ceiling;
    ceiling.reserve(dive.ceilingTrace.size());
    for (const ProfileMarker& m : dive.ceilingTrace)
        ceiling.append(mapToScene(m.time, m.depth));
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(240, 155, 90, 128));
    painter->drawPolygon(ceiling);
    painter->setBrush(Qt::NoBrush);
    if (dive.decoNotTerminated) {
        const QFont labelFont(QStringLiteral("Arial"), 10);
        painter->setFont(labelFont);
        const QFontMetricsF metrics(labelFont);
        const QRectF zero = metrics.boundingRect(QStringLiteral("0"));
        const QString text = tr("Deco not terminated");
        painter->setPen(Qt::red);
        painter->drawText(QPointF(ceiling.constLast().x() - text.size() * zero.width(),
                              ceiling.constLast().y() + zero.height()),
            text);
    }
}

void DiveProfileItem::paintDecoCeiling(QPainter* painter)
{
    // The ceiling the computer recorded with each sample, as a band from the surface.
    const DiveProfile& dive = *m_dive;
    bool any = false;
    for (const DiveSample& s : dive.samples) {
        if (s.decoCeiling > 0) {
            any = true;
            break;
        }
    }
    if (!any)
        return;
    const auto [lo, hi] = visibleSamples();
    QPolygonF band;
    band.reserve(hi - lo + 1);
    for (int i = lo; i <= hi; ++i) {
        const DiveSample& s = dive.samples.at(i);
        band.append(mapToScene(s.time, std::max(0.0, s.decoCeiling)));
    }
    band = decimated(band);
    band.prepend(QPointF(band.constFirst().x(), m_plotTop));
    band.append(QPointF(band.constLast().x(), m_plotTop));
    // Hairline pens for the secondary curves: they stay crisp and skip the wide-line stroker.
    QPen outline(QColor(220, 110, 40), 1);
    outline.setCosmetic(true);
    painter->setPen(outline);
    painter->setBrush(QColor(240, 155, 90, 110));
    painter->drawPolygon(band);
    painter->setBrush(Qt::NoBrush);
}

void DiveProfileItem::paintTemperature(QPainter* painter)
{
    const DiveProfile& dive = *m_dive;
    if (dive.samples.size() < 2 || dive.minTemperature > dive.maxTemperature)
        return;
    if (dive.minTemperature == 0 && dive.maxTemperature == 0)
        return;
    // Secondary axis on the right: whole degrees with one degree of room above and below,
    // over the lower half of the plot so the curve stays clear of the header and the surface.
    const double low = std::floor(dive.minTemperature) - 1.0;
    const double high = std::ceil(dive.maxTemperature) + 1.0;
    const double top = m_plotTop + m_plotHeight * 0.5;
    const double bottom = m_plotBottom - 4;
    const double perDegree = (bottom - top) / (high - low);
    const QColor colour(200, 40, 150);
    const auto [lo, hi] = visibleSamples();
    QPolygonF curve;
    curve.reserve(hi - lo + 1);
    for (int i = lo; i <= hi; ++i) {
        const DiveSample& s = dive.samples.at(i);
        curve.append(
            QPointF(mapToScene(s.time, 0).x(), bottom - (s.temperature - low) * perDegree));
    }
    QPen pen(colour, 1);
    pen.setCosmetic(true);
    painter->setPen(pen);
    painter->drawPolyline(decimated(curve));

    painter->save();
    painter->setClipping(false);
    painter->setFont(QFont(QStringLiteral("Arial"), 8));
    const double axisX = m_plotLeft + m_plotWidth + 2;
    const double step = std::max(1.0, std::round((high - low) / 4.0));
    for (double deg = low; deg <= high + 1e-9; deg += step) {
        const double y = bottom - (deg - low) * perDegree;
        painter->drawLine(QPointF(axisX, y), QPointF(axisX + 4, y));
        painter->drawText(QPointF(axisX + 6, y + 4), QStringLiteral("%1°").arg(deg));
    }
    painter->restore();
}

void DiveProfileItem::setSecondaryCurve(const SecondaryCurve& curve)
{
    m_curve = curve;
    update();
}

void DiveProfileItem::paintSecondaryCurve(QPainter* painter)
{
    const double top = m_plotTop + 4;
    const double bottom = m_plotBottom - 4;
    const double perUnit = (bottom - top) / m_curve.top;
    const QColor normal(20, 140, 60);
    const QColor low(230, 130, 0);
    painter->save();
    auto scene = [&](double timeS, double value) {
        return QPointF(mapToScene(timeS, 0).x(), bottom - std::max(0.0, value) * perUnit);
    };
    for (int i = 1; i < m_curve.points.size(); ++i) {
        const QPointF& a = m_curve.points[i - 1];
        const QPointF& b = m_curve.points[i];
        const double limit = m_curve.limits.value(i, 0.0);
        // A falling stretch is cut where it crosses the reserve and where it runs out, so each
        // piece takes the colour of what is left in it.
        QList<double> cuts { a.y() };
        for (const double level : { limit, 0.0 })
            if (a.y() > level && b.y() < level)
                cuts.append(level);
        cuts.append(b.y());
        for (int k = 1; k < cuts.size(); ++k) {
            const double v0 = cuts[k - 1];
            const double v1 = cuts[k];
            auto timeAt = [&](double v) {
                return a.y() == b.y() ? a.x()
                                      : a.x() + (b.x() - a.x()) * (a.y() - v) / (a.y() - b.y());
            };
            const double mid = (v0 + v1) / 2.0;
            QPen pen(mid <= 0 ? QColor(Qt::red) : (mid < limit ? low : normal), 2);
            pen.setCosmetic(true);
            painter->setPen(pen);
            const double t0 = k == 1 ? a.x() : timeAt(v0);
            const double t1 = k == cuts.size() - 1 ? b.x() : timeAt(v1);
            painter->drawLine(scene(t0, v0), scene(t1, v1));
        }
    }
    painter->setClipping(false);
    painter->setPen(normal);
    painter->setFont(QFont(QStringLiteral("Arial"), 8));
    const double axisX = m_plotLeft + m_plotWidth + 2;
    const double step = m_curve.top > 100 ? 50.0 : 10.0;
    for (double v = 0; v <= m_curve.top + 1e-9; v += step) {
        const double y = bottom - v * perUnit;
        painter->drawLine(QPointF(axisX, y), QPointF(axisX + 4, y));
        painter->drawText(QPointF(axisX + 6, y + 4), QString::number(v));
    }
    painter->drawText(QPointF(axisX, top - 6), m_curve.unit);
    painter->restore();
}

// ---- editable mode -------------------------------------------------------------------------

QList<DivePoint*> DiveProfileItem::divePoints() const
{
    QList<DivePoint*> points;
    if (!scene())
        return points;
    const QList<QGraphicsItem*> items = scene()->items();
    for (QGraphicsItem* item : items) {
        if (item->type() == DivePoint::Type)
            points.append(static_cast<DivePoint*>(item));
    }
    return points;
}

DivePoint* DiveProfileItem::makePoint(int index, bool movable)
{
    const DiveSample& s = m_dive->samples.at(index);
    DiveLineInfo info;
    info.index = index;
    info.time = s.time;
    info.depth = s.depth;
    auto* point = new DivePoint(
        info, [this](const DiveLineInfo& i, const QPointF& p) { return acceptPointPosition(i, p); },
        movable);
    point->setClipRect(&pointClipRect);
    point->setPos(mapToScene(s.time, s.depth));
    QString tip = tr("Point <b>%1</b><br>Depth <b>%2m</b><br>Time <b>%3</b>")
                      .arg(index)
                      .arg(shortNumber(s.depth), formatTime(int(s.time)));
    if (s.decoCeiling > 0)
        tip += tr("<br>Ceil <b>%4m</b>").arg(shortNumber(s.decoCeiling));
    point->setToolTip(tip);
    point->setVisible(m_pointsItemsVisible);
    scene()->addItem(point);
    return point;
}

void DiveProfileItem::createDivePoints()
{
    if (!editable || !scene())
        return;
    qDeleteAll(divePoints());
    if (!m_dive)
        return;
    for (int i = 0; i < m_dive->samples.size(); ++i)
        makePoint(i, i != 0);
}

void DiveProfileItem::repositionPoints()
{
    if (!m_dive)
        return;
    for (DivePoint* point : divePoints()) {
        const int i = point->index();
        if (i < 0 || i >= m_dive->samples.size())
            continue;
        const DiveSample& s = m_dive->samples.at(i);
        // Moving the point ourselves must not go through the drag rules.
        const bool notifies = point->flags() & ItemSendsGeometryChanges;
        point->setFlag(ItemSendsGeometryChanges, false);
        point->setPos(mapToScene(s.time, s.depth));
        point->setFlag(ItemSendsGeometryChanges, notifies);
    }
    repositionOverlayIcons();
}

void DiveProfileItem::repositionOverlayIcons()
{
    for (OverlayIcon& icon : m_overlayIcons) {
        const QPointF p = mapToScene(icon.time, icon.depth);
        icon.x = p.x();
        icon.y = p.y();
    }
}

int DiveProfileItem::addDivePoint(double timeS, double depthM)
{
    if (shared().log)
        shared().log(
            QStringLiteral("Time: %1 - Depth: %2").arg(shortNumber(timeS), shortNumber(depthM)));
    if (!m_dive)
        return -1;
    // The first sample is the fixed start of the dive: nothing may go before or onto it.
    if (!m_dive->samples.isEmpty() && timeS <= m_dive->samples.constFirst().time)
        return -1;
    DiveSample sample;
    sample.time = timeS;
    sample.depth = depthM;
    const int index = m_dive->insertSample(sample);
    if (index < 0)
        return -1;
    for (DivePoint* point : divePoints()) {
        if (point->index() >= index)
            point->setIndex(point->index() + 1);
    }
    if (editable && scene())
        makePoint(index, true);
    m_dive->computeSpeeds(false);
    repositionPoints();
    update();
    emit onAddDivePoint();
    return index;
}

void DiveProfileItem::addDivePointAfter(int i)
{
    if (!m_dive || i < 0 || i >= m_dive->samples.size())
        return;
    const DiveSample& s = m_dive->samples.at(i);
    if (i + 1 < m_dive->samples.size()) {
        const DiveSample& next = m_dive->samples.at(i + 1);
        addDivePoint((s.time + next.time) / 2.0, (s.depth + next.depth) / 2.0);
    } else {
        addDivePoint(s.time + 60.0, s.depth);
    }
    update();
}

void DiveProfileItem::removeDivePoint(DivePoint* point)
{
    if (!m_dive || !point)
        return;
    const int index = point->index();
    if (index <= 0 || index >= m_dive->samples.size())
        return;
    m_dive->removeSample(index);
    m_dive->computeSpeeds(false);
    for (DivePoint* other : divePoints()) {
        if (other->index() > index)
            other->setIndex(other->index() - 1);
    }
    delete point;
    repositionPoints();
    update();
}

void DiveProfileItem::removeSelectedDivePoints()
{
    if (!m_dive || !scene())
        return;
    QList<int> indexes;
    for (DivePoint* point : divePoints()) {
        if (point->isSelected() && point->index() > 0)
            indexes.append(point->index());
    }
    if (indexes.isEmpty())
        return;
    m_dive->removeSamples(indexes);
    m_dive->computeStatistics();
    m_dive->computeSpeeds(false);
    fitAll();
    refreshHeader();
    createDivePoints();
    update();
}

int DiveProfileItem::selectedDivePointCount() const
{
    int count = 0;
    for (DivePoint* point : divePoints())
        count += point->isSelected() ? 1 : 0;
    return count;
}

QPair<int, int> DiveProfileItem::selectedPointRange() const
{
    QList<int> selected;
    for (DivePoint* point : divePoints()) {
        if (point->isSelected())
            selected.append(point->index());
    }
    std::sort(selected.begin(), selected.end());
    return qMakePair(
        selected.size() > 0 ? selected.at(0) : -1, selected.size() > 1 ? selected.at(1) : -1);
}

void DiveProfileItem::setDivePointDepth(int i, double depthM)
{
    if (!m_dive || i < 0 || i >= m_dive->samples.size())
        return;
    m_dive->samples[i].depth = depthM;
    m_dive->computeSpeeds(false);
    repositionPoints();
    update();
}

bool DiveProfileItem::setDivePointTime(int i, double& timeS)
{
    if (!m_dive || i < 0 || i >= m_dive->samples.size())
        return false;
    // The last sample has no later neighbour: only the previous one bounds it.
    const double low = i > 0 ? m_dive->samples.at(i - 1).time : timeS;
    const double high
        = i + 1 < m_dive->samples.size() ? m_dive->samples.at(i + 1).time : std::max(timeS, low);
    const double clamped = std::clamp(timeS, std::min(low, high), std::max(low, high));
    const bool changed = clamped != timeS;
    timeS = clamped;
    m_dive->samples[i].time = timeS;
    m_dive->computeSpeeds(false);
    repositionPoints();
    update();
    return changed;
}

void DiveProfileItem::selectPointsInRect(const QRectF& rect)
{
    for (DivePoint* point : divePoints()) {
        if (rect.contains(point->pos()))
            point->setSelected(true);
    }
}

void DiveProfileItem::setPointItemsVisible(bool visible)
{
    m_pointsItemsVisible = visible;
    for (DivePoint* point : divePoints())
        point->setVisible(visible);
}

void DiveProfileItem::reloadPoints()
{
    fitAll();
    createDivePoints();
    update();
}

QPointF DiveProfileItem::acceptPointPosition(const DiveLineInfo& info, const QPointF& proposed)
{
    if (!m_dive)
        return proposed;
    const int i = info.index;
    const int count = int(m_dive->samples.size());
    if (i <= 0 || i >= count) {
        // The first sample never moves; an unknown index stays where it is.
        if (i >= 0 && i < count)
            return mapToScene(m_dive->samples.at(i).time, m_dive->samples.at(i).depth);
        return proposed;
    }
    const double y = std::min(proposed.y(), m_plotBottom);
    double t = std::trunc((proposed.x() - m_plotLeft) / m_xScale + m_xStart);
    double d = std::max(0.0, roundToHalf((y - m_plotTop) / m_yScale));

    const DiveSample& prev = m_dive->samples.at(i - 1);
    const double tp = prev.time;
    t = std::max(t, tp);
    // Earliest time from the previous sample that keeps within the speed limits.
    const double fromPrev = d < prev.depth ? (prev.depth - d) / maxAscentSpeed * 60.0
                                           : (d - prev.depth) / maxDescentSpeed * 60.0;
    t = std::max(t, tp + fromPrev);
    if (i + 1 < count) {
        const DiveSample& next = m_dive->samples.at(i + 1);
        const double tn = next.time;
        // Latest time before the next sample that keeps within the speed limits.
        const double toNext = next.depth > d ? (next.depth - d) / maxDescentSpeed * 60.0
                                             : (d - next.depth) / maxAscentSpeed * 60.0;
        t = std::min(t, tn - toNext);
        // When both limits cannot hold, time order still must.
        t = std::clamp(t, tp, std::max(tp, tn));
    }

    DiveSample& sample = m_dive->samples[i];
    sample.time = t;
    sample.depth = d;
    m_dive->computeStatistics();
    m_dive->computeSpeeds(false);
    update();
    emit onUpdateDivePoint(i);
    return mapToScene(t, d);
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

void DiveProfileItem::mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event)
{
    if (!editable || !m_dive) {
        QGraphicsObject::mouseDoubleClickEvent(event);
        return;
    }
    if (event->button() == Qt::LeftButton) {
        const QPointF p = event->scenePos();
        addDivePoint(timeAtX(p.x()), roundToHalf((p.y() - m_plotTop) / m_yScale));
    } else if (event->button() == Qt::MiddleButton) {
        fitAll();
    }
    event->accept();
}
