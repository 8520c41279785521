#include "planner/gasplan.h"

#include "dive/diveprofile.h"
#include "planner/plangas.h"

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

QString number(double value)
{
    return QString::number(value, 'f', 0);
}

QString cylinderLabel(const Cylinder& cylinder, int index)
{
    return GasPlanText::tr("Cylinder %1 (%2, %3 L)")
        .arg(index + 1)
        .arg(cylinderGasName(cylinder))
        .arg(QString::number(cylinder.litres, 'g', 4));
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
        { QT_TRANSLATE_NOOP("GasPlan", "3 L"), 3 },
        { QT_TRANSLATE_NOOP("GasPlan", "AL40 (5.7 L)"), 5.7 },
        { QT_TRANSLATE_NOOP("GasPlan", "7 L"), 7 },
        { QT_TRANSLATE_NOOP("GasPlan", "10 L"), 10 },
        { QT_TRANSLATE_NOOP("GasPlan", "AL80 (11.1 L)"), 11.1 },
        { QT_TRANSLATE_NOOP("GasPlan", "12 L"), 12 },
        { QT_TRANSLATE_NOOP("GasPlan", "15 L"), 15 },
        { QT_TRANSLATE_NOOP("GasPlan", "18 L"), 18 },
        { QT_TRANSLATE_NOOP("GasPlan", "2x7 L"), 14 },
        { QT_TRANSLATE_NOOP("GasPlan", "2x10 L"), 20 },
        { QT_TRANSLATE_NOOP("GasPlan", "2x12 L"), 24 },
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

int minimumGasBar(const GasWater& water, const GasSettings& settings, double deepestM,
    double switchDepthM, double ascentRateBarPerMin, double litres)
{
    if (!(litres > 0) || !(ascentRateBarPerMin > 0))
        return 0;
    const double top = std::clamp(switchDepthM, 0.0, std::max(0.0, deepestM));
    const double deepBar = water.pressureAt(deepestM);
    const double ascentMin = (deepBar - water.pressureAt(top)) / ascentRateBarPerMin;
    const double ascentBar = water.pressureAt((deepestM + top) / 2.0);
    const double needed = settings.bottomSacLpm * settings.minimumGasFactor
        * (settings.problemMin * deepBar + ascentMin * ascentBar);
    return int(std::ceil(needed / litres - kRoundingSlack));
}

int thirdsReserveBar(double fillBar)
{
    return int(std::ceil(std::max(0.0, fillBar) / 3.0 - kRoundingSlack));
}

const char* GasWarning::kindName(Kind kind)
{
    switch (kind) {
    case Empty:
        return "empty";
    case Unbreathable:
        return "unbreathable";
    default:
        return "reserve";
    }
}

bool GasPlanResult::hasError() const
{
    return std::any_of(
        warnings.cbegin(), warnings.cend(), [](const GasWarning& w) { return w.isError(); });
}

void addCylinderWarnings(
    const Cylinder& cylinder, int index, const CylinderUse& use, QList<GasWarning>& warnings)
{
    if (!(use.usedLitres > 0))
        return;
    const double capacity = cylinder.litres * cylinder.fillBar;
    if (use.usedLitres >= capacity) {
        warnings.append({ GasWarning::Empty, index,
            GasPlanText::tr("%1 runs dry: the plan needs %2 L, the cylinder holds %3 L.")
                .arg(cylinderLabel(cylinder, index), number(use.usedLitres), number(capacity)) });
    } else if (use.endBar < use.reserveBar) {
        warnings.append({ GasWarning::BelowReserve, index,
            GasPlanText::tr("%1 ends at %2 bar, below its reserve of %3 bar.")
                .arg(cylinderLabel(cylinder, index), number(std::floor(use.endBar)),
                    number(use.reserveBar)) });
    }
}

GasPlanResult computeGasPlan(const QList<Cylinder>& cylinders, const QList<GasSegment>& segments,
    const GasSettings& settings, const GasWater& water, double ascentRateBarPerMin)
{
    GasPlanResult result;
    result.cylinders.resize(cylinders.size());
    QList<bool> unbreathable(cylinders.size(), false);
    bool switchFound = false;
    auto pressureOf = [&](int i) {
        const Cylinder& c = cylinders[i];
        return c.litres > 0 ? c.fillBar - result.cylinders[i].usedLitres / c.litres : 0.0;
    };
    for (const GasSegment& s : segments) {
        if (s.cylinder < 0 || s.cylinder >= cylinders.size())
            continue;
        const Cylinder& c = cylinders[s.cylinder];
        CylinderUse& use = result.cylinders[s.cylinder];
        if (result.pressureCurve.isEmpty() || result.pressureCurve.last().cylinder != s.cylinder)
            result.pressureCurve.append({ s.startMin, pressureOf(s.cylinder), s.cylinder });
        use.usedLitres
            += segmentLitres(water, s.computed ? settings.decoSacLpm : settings.bottomSacLpm, s);
        if (s.minutes > 0)
            result.pressureCurve.append(
                { s.startMin + s.minutes, pressureOf(s.cylinder), s.cylinder });
        if (s.minutes > 0)
            use.deepestM = std::max({ use.deepestM, s.startDepthM, s.endDepthM });
        if (!switchFound && s.computed && c.role == CylinderRole::Deco) {
            switchFound = true;
            result.firstSwitchDepthM = s.startDepthM;
        }
        // Breathable at both ends of the segment: not hypoxic at its shallow end, not toxic at
        // its deep end. Zero-length segments (the start point) are never breathed.
        if (!(s.minutes > 0) || unbreathable[s.cylinder])
            continue;
        const double fO2 = c.o2 / 100.0;
        const double low = fO2 * water.pressureAt(std::min(s.startDepthM, s.endDepthM));
        const double high = fO2 * water.pressureAt(std::max(s.startDepthM, s.endDepthM));
        if (low < kPpO2Min - 1e-6 || high > kPpO2Max + 1e-6) {
            unbreathable[s.cylinder] = true;
            const double depth = high > kPpO2Max + 1e-6 ? std::max(s.startDepthM, s.endDepthM)
                                                        : std::min(s.startDepthM, s.endDepthM);
            result.warnings.append({ GasWarning::Unbreathable, s.cylinder,
                GasPlanText::tr(
                    "%1 cannot be breathed at %2 m: ppO2 %3 bar is outside 0.16 to 1.6 bar.")
                    .arg(cylinderLabel(c, s.cylinder), number(depth),
                        QString::number(high > kPpO2Max + 1e-6 ? high : low, 'f', 2)) });
        }
    }
    for (int i = 0; i < cylinders.size(); ++i) {
        const Cylinder& c = cylinders[i];
        CylinderUse& use = result.cylinders[i];
        use.endBar = c.litres > 0 ? std::max(0.0, c.fillBar - use.usedLitres / c.litres) : 0.0;
        if (c.role == CylinderRole::Deco)
            use.reserveBar = settings.decoReserveBar;
        else if (settings.reserveMode == ReserveMode::Thirds)
            use.reserveBar = thirdsReserveBar(c.fillBar);
        else if (use.deepestM > 0)
            use.reserveBar = minimumGasBar(water, settings, use.deepestM, result.firstSwitchDepthM,
                ascentRateBarPerMin, c.litres);
        addCylinderWarnings(c, i, use, result.warnings);
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
