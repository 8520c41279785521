#include "views/tissueheatmap.h"

#include "planner/divereplay.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

struct Stop
{
    float load;
    QRgb rgb;
};

// ColorBrewer RdBu, seven classes, blue for the low end; then its darkest red past the M-value.
constexpr Stop kStops[] = { { -1.0f, 0x2166AC }, { -2.0f / 3.0f, 0x67A9CF },
    { -1.0f / 3.0f, 0xD1E5F0 }, { 0.0f, 0xF7F7F7 }, { 1.0f / 3.0f, 0xFDDBC7 },
    { 2.0f / 3.0f, 0xEF8A62 }, { 1.0f, 0xB2182B }, { 1.5f, 0x67001F } };

int mix(int a, int b, float f)
{
    return int(std::lround(float(a) + (float(b) - float(a)) * f));
}

} // namespace

namespace TissueHeatMap {

QColor colorOf(float load)
{
    constexpr int last = int(std::size(kStops)) - 1;
    if (!(load > kStops[0].load))
        return QColor(kStops[0].rgb);
    if (load >= kStops[last].load)
        return QColor(kStops[last].rgb);
    int k = 1;
    while (load > kStops[k].load)
        ++k;
    const Stop& lo = kStops[k - 1];
    const Stop& hi = kStops[k];
    const float f = (load - lo.load) / (hi.load - lo.load);
    return QColor(mix(qRed(lo.rgb), qRed(hi.rgb), f), mix(qGreen(lo.rgb), qGreen(hi.rgb), f),
        mix(qBlue(lo.rgb), qBlue(hi.rgb), f));
}

QImage image(const DiveReplay& replay, double t0S, double t1S, int columns)
{
    QImage out(std::max(columns, 1), kReplayCompartments, QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    if (replay.points.isEmpty() || !(t1S > t0S) || columns < 1)
        return out;
    const double last = replay.points.last().timeS;
    const double step = (t1S - t0S) / columns;
    int index = 0;
    for (int x = 0; x < columns; ++x) {
        const double t = t0S + (x + 0.5) * step;
        if (t > last)
            break;
        // The columns run forward in time: walk on from the last column's point.
        while (index + 1 < replay.points.size() && replay.points[index + 1].timeS <= t)
            ++index;
        if (replay.points[index].timeS > t)
            continue;
        const ReplayPoint& p = replay.points[index];
        for (int row = 0; row < kReplayCompartments; ++row)
            out.setPixel(x, row, colorOf(p.load[size_t(row)]).rgb());
    }
    return out;
}

void paint(QPainter* painter, const QRectF& band, const DiveReplay& replay, double t0S, double t1S)
{
    const QImage cells = image(replay, t0S, t1S, int(std::ceil(band.width())));
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter->drawImage(band, cells);
    painter->setPen(QColor(120, 120, 120));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(band);
    painter->setFont(QFont(QStringLiteral("Arial"), 7));
    const QRectF labels(band.left() - 22, band.top() - 2, 18, band.height() + 4);
    painter->drawText(labels, Qt::AlignRight | Qt::AlignTop, QStringLiteral("1"));
    painter->drawText(labels, Qt::AlignRight | Qt::AlignBottom, QStringLiteral("16"));
    painter->restore();
}

} // namespace TissueHeatMap
