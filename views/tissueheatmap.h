#pragma once

#include <QColor>
#include <QImage>

class QPainter;
class QRectF;
struct DiveReplay;

// The tissue heat map: one row per compartment (the fastest on top), one column per moment,
// each cell coloured by the compartment's load (see tissueLoad). The palette runs from blue
// (on-gassing, far below the ambient pressure) through white (at the ambient) to red (at the
// M-value) and dark red beyond: a blue-red scale that divers with red-green colour blindness
// still read by lightness.
namespace TissueHeatMap {

QColor colorOf(float load);

// columns x 16 pixels for the times [t0S, t1S]: each column the replay point at or before its
// middle time; transparent where the replay has no point.
QImage image(const DiveReplay& replay, double t0S, double t1S, int columns);

// Paints the band, its compartment numbers in the margin at its left and a thin frame.
void paint(QPainter* painter, const QRectF& band, const DiveReplay& replay, double t0S, double t1S);

} // namespace TissueHeatMap
