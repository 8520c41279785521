#include "views/diveprofileitem.h"

#include "dive/divealerts.h"
#include "dive/diveprofile.h"
#include "dive/formattime.h"
#include "dive/units.h"
#include "views/profilegraphics.h"

#include <QFontMetrics>
#include <QGraphicsScene>
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

} // namespace

DiveProfileItem::DiveProfileItem(QGraphicsItem* parent)
    : QGraphicsObject(parent)
{
    m_headerText.setTextFormat(Qt::RichText);
    m_headerText.setPerformanceHint(QStaticText::AggressiveCaching);
    m_headerText.setTextOption(QTextOption(Qt::AlignHCenter | Qt::AlignVCenter));
}

DiveProfileItem::~DiveProfileItem() = default;

const QImage& DiveProfileItem::sharedImage(const QString& name)
{
    return ProfileGraphics::image(name);
}

void DiveProfileItem::setStatusIcon(const QString& imagePath)
{
    ProfileGraphics::statusIcon() = QIcon(imagePath);
}

void DiveProfileItem::setLogCallback(LogCallback callback)
{
    ProfileGraphics::log() = std::move(callback);
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
    m_source = dive && !editable ? profileSource(*dive) : ProfileSource::Recorded;
    m_handLine = dive ? handLoggedLine(*dive, m_source) : QList<DiveSample>();
    fitAll();
    refreshHeader();
    update();
    createDivePoints();
}

void DiveProfileItem::setGeometry(const QRectF& rect)
{
    prepareGeometryChange();
    m_rect = rect;
    m_margins = ProfileScales::plotMargins(rect.height());
    m_plotLeft = rect.left() + m_margins.left;
    m_plotTop = rect.top() + m_margins.top;
    m_plotWidth = rect.width() - m_margins.left - m_margins.right;
    m_plotHeight = rect.height() - m_margins.top - m_margins.bottom;
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
    m_yScale = std::max(m_plotHeight - m_margins.depthReserve, 1.0) / m_depthShown;
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
        m_yScale = std::max(m_plotHeight - m_margins.depthReserve, 1.0) / m_depthShown;
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
        Units::format(Quantity::Depth, m_dive->maxDepth, 1, DisplayUnits::current(), QLocale()));
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
    if (m_source == ProfileSource::Recorded)
        paintProfile(painter);
    else
        paintHandLogged(painter);
    painter->restore();

    for (const OverlayIcon& icon : m_overlayIcons) {
        if (!icon.visible || !icon.image)
            continue;
        if (icon.kind >= 5 && icon.kind <= 9 && !m_showAlerts)
            continue;
        painter->drawImage(QPointF(icon.x - icon.dx, icon.y - icon.dy), *icon.image);
    }
    if (m_statusIconVisible)
        ProfileGraphics::statusIcon().paint(painter, QRect(5, 5, 32, 32), Qt::AlignCenter);

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
        // Labels at least 30 px apart in the diver's depth unit, over the depth shown (the
        // reserve below holds the replay's tissue band); the unit stands at the surface.
        const QList<ProfileScales::AxisTick> ticks
            = ProfileScales::depthTicks(m_depthShown, m_yScale);
        auto label = [&](double y, const QString& text) {
            painter->setPen(labelPen);
            painter->drawText(QRectF(0, y - charHeight, m_plotLeft - 6, 2 * charHeight),
                Qt::AlignRight | Qt::AlignVCenter, text);
        };
        label(m_plotTop + charHeight * 0.5, Units::symbol(Quantity::Depth));
        for (const ProfileScales::AxisTick& tick : ticks) {
            const double y = tick.si * m_yScale + m_plotTop;
            painter->setPen(gridPen);
            painter->drawLine(QPointF(m_plotLeft, y), QPointF(m_plotLeft + m_plotWidth, y));
            label(y, tick.label);
        }
    }

    if (m_xScale > 0) {
        const double step = ProfileScales::timeGridStep(m_xEnd - m_xStart);
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
