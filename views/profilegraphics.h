#pragma once

#include <QIcon>
#include <QImage>
#include <QPolygonF>
#include <QString>

#include <functional>

// What the profile's painting and its point editing share: the mark images loaded once for every
// graph, the status icon, the log hook, and small number and line helpers.
namespace ProfileGraphics {

using LogCallback = std::function<void(const QString&)>;

// A mark image by name (file name without folder and extension); a null image when unknown.
const QImage& image(const QString& name);
QIcon& statusIcon();
LogCallback& log();

// Depths typed or dragged on a graph go by half metres.
double roundToHalf(double v);
// The shortest text of a number ("20", "22.5"), as the log lines and tooltips have always had.
QString shortNumber(double v);

// A dense polyline thinned to what a pixel column can show (see the definition).
QPolygonF decimated(const QPointF* points, int count);
QPolygonF decimated(const QPolygonF& line);

} // namespace ProfileGraphics
