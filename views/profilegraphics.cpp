#include "views/profilegraphics.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace ProfileGraphics {

namespace {

struct Shared
{
    QHash<QString, QImage> images;
    QIcon statusIcon;
    LogCallback log;
};

Shared& shared()
{
    static Shared graphics;
    return graphics;
}

void loadImages()
{
    Shared& g = shared();
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

} // namespace

const QImage& image(const QString& name)
{
    loadImages();
    static const QImage none;
    auto it = shared().images.constFind(name);
    return it == shared().images.constEnd() ? none : it.value();
}

QIcon& statusIcon()
{
    return shared().statusIcon;
}

LogCallback& log()
{
    return shared().log;
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

} // namespace ProfileGraphics
