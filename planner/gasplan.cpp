#include "planner/gasplan.h"

#include "dive/diveprofile.h"
#include "dive/units.h"
#include "planner/plangas.h"
#include "planner/planwarnings.h"
#include "planner/realgas.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kGravity = 9.80665;
constexpr double kMaxFillBar = 300;
constexpr double kPpO2Min = 0.16;
constexpr double kPpO2Max = 1.6;
// Rounding slack so a value worked out to exactly a whole bar is not pushed up by one.
constexpr double kRoundingSlack = 1e-9;

// lupdate finds tr() only on a class: this one gives the messages of this file their
// context, the same for the translation tools and at run time.
class GasPlanText
{
    Q_DECLARE_TR_FUNCTIONS(GasPlan)
};

// A quantity in the units current when the plan is computed ("120 bar", "1740 psi").
QString shown(Quantity quantity, double si)
{
    return warningQuantity(quantity, si, DisplayUnits::current());
}

// Metric: its water volume ("12 L"); imperial: the free gas it holds at its working pressure,
// the fill pressure when it has none ("80 cuft").
QString cylinderSize(const Cylinder& c)
{
    const DisplayUnits units = DisplayUnits::current();
    const QString symbol = QChar(0x00a0) + Units::symbol(Quantity::Volume, units);
    if (units.volume == UnitSystem::Metric)
        return QString::number(c.litres, 'g', 4) + symbol;
    const double cuft = Units::cylinderCubicFeet(c.litres, c.workBar > 0 ? c.workBar : c.fillBar);
    return QString::number(cuft, 'f', 0) + symbol;
}

QString cylinderLabel(const Cylinder& cylinder, int index)
{
    return GasPlanText::tr("Cylinder %1 (%2, %3)")
        .arg(index + 1)
        .arg(cylinderGasName(cylinder))
        .arg(cylinderSize(cylinder));
}

} // namespace

double GasWater::pressureAt(double depthM) const
{
    return surfaceBar + density * kGravity * std::max(0.0, depthM) / 100.0;
}

Cylinder defaultCylinder(int o2, int he, CylinderRole role)
{
    Cylinder c;
    c.o2 = o2;
    c.he = he;
    c.role = role;
    c.litres = role == CylinderRole::Bottom ? 12 : 7;
    c.fillBar = 200;
    return c;
}

const QList<CylinderPreset>& cylinderPresets()
{
    static const QList<CylinderPreset> presets = {
        // Steel cylinders at 232 bar, the aluminium ones at their 3000 psi (206.84 bar).
        { QT_TRANSLATE_NOOP("GasPlan", "3 L"), 3, 232 },
        { QT_TRANSLATE_NOOP("GasPlan", "AL40 (5.7 L)"), 5.7, 206.84 },
        { QT_TRANSLATE_NOOP("GasPlan", "7 L"), 7, 232 },
        { QT_TRANSLATE_NOOP("GasPlan", "10 L"), 10, 232 },
        { QT_TRANSLATE_NOOP("GasPlan", "AL80 (11.1 L)"), 11.1, 206.84 },
        { QT_TRANSLATE_NOOP("GasPlan", "12 L"), 12, 232 },
        { QT_TRANSLATE_NOOP("GasPlan", "15 L"), 15, 232 },
        { QT_TRANSLATE_NOOP("GasPlan", "18 L"), 18, 232 },
        { QT_TRANSLATE_NOOP("GasPlan", "2x7 L"), 14, 232 },
        { QT_TRANSLATE_NOOP("GasPlan", "2x10 L"), 20, 232 },
        { QT_TRANSLATE_NOOP("GasPlan", "2x12 L"), 24, 232 },
    };
    return presets;
}

double segmentLitres(const GasWater& water, double sacLpm, const GasSegment& segment)
{
    if (!(segment.minutes > 0))
        return 0;
    // A linear depth change: the ambient pressure at the mean depth is the mean pressure.
    const double meanBar
        = (water.pressureAt(segment.startDepthM) + water.pressureAt(segment.endDepthM)) / 2.0;
    return sacLpm * meanBar * segment.minutes;
}

double minimumGasLitres(
    const GasWater& water, const GasSettings& settings, double deepestM, double ascentLitres)
{
    const double problem = settings.bottomSacLpm * settings.problemMin * water.pressureAt(deepestM);
    return settings.minimumGasFactor * (problem + std::max(0.0, ascentLitres));
}

int reserveBarOf(const Cylinder& cylinder, double litres, double celsius)
{
    return int(std::ceil(cylinderBar(cylinder, litres, celsius) - kRoundingSlack));
}

double endBarOf(const Cylinder& cylinder, double usedLitres, double celsius)
{
    const double left = cylinderLitres(cylinder, cylinder.fillBar, celsius) - usedLitres;
    return cylinderBar(cylinder, left, celsius);
}

int thirdsReserveBar(double fillBar)
{
    return int(std::ceil(std::max(0.0, fillBar) / 3.0 - kRoundingSlack));
}

int thirdsTurnBar(double fillBar)
{
    return int(std::ceil(std::max(0.0, fillBar) * 2.0 / 3.0 - kRoundingSlack));
}

const char* GasWarning::kindName(Kind kind)
{
    switch (kind) {
    case Empty:
        return "empty";
    case Unbreathable:
        return "unbreathable";
    case Contingency:
        return "contingency";
    case Overfilled:
        return "overfilled";
    default:
        return "reserve";
    }
}

bool GasPlanResult::hasError() const
{
    return std::any_of(
        warnings.cbegin(), warnings.cend(), [](const GasWarning& w) { return w.isError(); });
}

void addCylinderWarnings(const Cylinder& cylinder, int index, const CylinderUse& use,
    double celsius, QList<GasWarning>& warnings)
{
    if (!(use.usedLitres > 0))
        return;
    const double capacity = cylinderLitres(cylinder, cylinder.fillBar, celsius);
    if (use.usedLitres >= capacity) {
        warnings.append({ GasWarning::Empty, index,
            GasPlanText::tr("%1 runs dry: the plan needs %2, the cylinder holds %3.")
                .arg(cylinderLabel(cylinder, index), shown(Quantity::Volume, use.usedLitres),
                    shown(Quantity::Volume, capacity)) });
    } else if (use.endBar < use.reserveBar) {
        warnings.append({ GasWarning::BelowReserve, index,
            GasPlanText::tr("%1 ends at %2, below its reserve of %3.")
                .arg(cylinderLabel(cylinder, index),
                    shown(Quantity::Pressure, std::floor(use.endBar)),
                    shown(Quantity::Pressure, use.reserveBar)) });
    }
}

namespace {

// The litres each cylinder gives to the plan's own ascent: from its first computed segment up to
// the next computed segment on another cylinder (its first switch) or the surface.
QList<double> ascentLitres(const QList<GasSegment>& segments, int count,
    const GasSettings& settings, const GasWater& water)
{
    QList<double> litres(count, 0.0);
    QList<bool> started(count, false), finished(count, false);
    int current = -1;
    for (const GasSegment& s : segments) {
        if (!s.computed || s.cylinder < 0 || s.cylinder >= count)
            continue;
        if (current >= 0 && current != s.cylinder)
            finished[current] = true;
        current = s.cylinder;
        started[current] = true;
        if (!finished[current])
            litres[current] += segmentLitres(water, settings.decoSacLpm, s);
    }
    return litres;
}

// Breathable at both ends of the segment: not hypoxic at its shallow end, not toxic at its deep
// end; an empty string when it is.
QString unbreathableText(const Cylinder& c, int index, const GasSegment& s, const GasWater& water)
{
    const double fO2 = c.o2 / 100.0;
    const double low = fO2 * water.pressureAt(std::min(s.startDepthM, s.endDepthM));
    const double high = fO2 * water.pressureAt(std::max(s.startDepthM, s.endDepthM));
    if (low >= kPpO2Min - 1e-6 && high <= kPpO2Max + 1e-6)
        return {};
    const bool toxic = high > kPpO2Max + 1e-6;
    const double depth
        = toxic ? std::max(s.startDepthM, s.endDepthM) : std::min(s.startDepthM, s.endDepthM);
    return GasPlanText::tr("%1 cannot be breathed at %2: ppO2 %3 bar is outside 0.16 to 1.6 bar.")
        .arg(cylinderLabel(c, index), shown(Quantity::Depth, depth),
            QString::number(toxic ? high : low, 'f', 2));
}

} // namespace

GasPlanResult computeGasPlan(const QList<Cylinder>& cylinders, const QList<GasSegment>& segments,
    const GasSettings& settings, const GasWater& water)
{
    GasPlanResult result;
    const double celsius = settings.cylinderCelsius;
    result.cylinders.resize(cylinders.size());
    QList<bool> unbreathable(cylinders.size(), false);
    auto pressureOf
        = [&](int i) { return endBarOf(cylinders[i], result.cylinders[i].usedLitres, celsius); };
    for (const GasSegment& s : segments) {
        if (s.cylinder < 0 || s.cylinder >= cylinders.size())
            continue;
        CylinderUse& use = result.cylinders[s.cylinder];
        if (result.pressureCurve.isEmpty() || result.pressureCurve.last().cylinder != s.cylinder)
            result.pressureCurve.append({ s.startMin, pressureOf(s.cylinder), s.cylinder });
        use.usedLitres
            += segmentLitres(water, s.computed ? settings.decoSacLpm : settings.bottomSacLpm, s);
        // Zero-length segments (the start point) are never breathed.
        if (!(s.minutes > 0))
            continue;
        result.pressureCurve.append({ s.startMin + s.minutes, pressureOf(s.cylinder), s.cylinder });
        use.deepestM = std::max({ use.deepestM, s.startDepthM, s.endDepthM });
        if (unbreathable[s.cylinder])
            continue;
        const QString text = unbreathableText(cylinders[s.cylinder], s.cylinder, s, water);
        if (!text.isEmpty()) {
            unbreathable[s.cylinder] = true;
            result.warnings.append({ GasWarning::Unbreathable, s.cylinder, text });
        }
    }
    const QList<double> ascent = ascentLitres(segments, int(cylinders.size()), settings, water);
    for (int i = 0; i < cylinders.size(); ++i) {
        const Cylinder& c = cylinders[i];
        CylinderUse& use = result.cylinders[i];
        use.endBar = pressureOf(i);
        if (c.role == CylinderRole::Deco) {
            use.reserveBar = settings.decoReserveBar;
        } else if (settings.reserveMode == ReserveMode::Thirds) {
            use.reserveBar = thirdsReserveBar(c.fillBar);
            use.turnBar = thirdsTurnBar(c.fillBar);
        } else if (use.deepestM > 0) {
            use.reserveBar = reserveBarOf(
                c, minimumGasLitres(water, settings, use.deepestM, ascent[i]), celsius);
        }
        addCylinderWarnings(c, i, use, celsius, result.warnings);
        if (c.workBar > 0 && c.fillBar > c.workBar)
            result.warnings.append({ GasWarning::Overfilled, i,
                GasPlanText::tr("%1 is filled to %2, above its working pressure of %3.")
                    .arg(cylinderLabel(c, i), shown(Quantity::Pressure, c.fillBar),
                        shown(Quantity::Pressure, c.workBar)) });
    }
    return result;
}

QString cylinderGasName(const Cylinder& cylinder)
{
    DiveGas gas;
    gas.o2 = cylinder.o2;
    gas.he = cylinder.he;
    return planGasName(gas);
}
