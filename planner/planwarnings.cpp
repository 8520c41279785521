#include "planner/planwarnings.h"

#include "dive/formattime.h"
#include "engine/validity.h"
#include "planner/plancompute.h"
#include "planner/plangas.h"
#include "planner/planification.h"

#include <QCoreApplication>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

// lupdate finds tr() only on a class: this one gives the messages their context.
class WarningText
{
    Q_DECLARE_TR_FUNCTIONS(PlanWarnings)
};

int percent(float factor)
{
    return int(std::lround(double(factor) * 100.0));
}

QString gasCode(GasWarning::Kind kind)
{
    switch (kind) {
    case GasWarning::Empty:
        return QStringLiteral("dry");
    case GasWarning::Unbreathable:
        return QStringLiteral("unbreathable");
    case GasWarning::Contingency:
        return QStringLiteral("contingency-gas");
    case GasWarning::Overfilled:
        return QStringLiteral("fill-above-working");
    default:
        return QStringLiteral("below-reserve");
    }
}

// Why the ascent was not computed at the diver's own factors.
QString gfReductionMessage(const PlanifDive& dive)
{
    const PlanDiveResult& r = dive.result;
    const QString used = QStringLiteral("%1/%2").arg(percent(r.gfLow)).arg(percent(r.gfHigh));
    const QString chosen
        = QStringLiteral("%1/%2").arg(dive.settings.gfLow).arg(dive.settings.gfHigh);
    switch (r.gfReduction) {
    case PlanDiveResult::GfReduction::Effort:
        return WarningText::tr(
            "Effort mode: computed at GF %1 instead of %2 (each factor at most %3).")
            .arg(used, chosen)
            .arg(kReducedGfPercent);
    case PlanDiveResult::GfReduction::ThirdDive:
        return WarningText::tr(
            "Third dive within 24 hours: computed at GF %1 instead of %2 (each factor at "
            "most %3).")
            .arg(used, chosen)
            .arg(kReducedGfPercent);
    case PlanDiveResult::GfReduction::Yoyo:
        return WarningText::tr(
            "Severe yoyo at %1: from there on computed at GF %2 instead of %3 (each factor "
            "at most %4).")
            .arg(formatTime(int(std::lround(double(r.gfReducedFromMin) * 60.0))), used, chosen)
            .arg(kReducedGfPercent);
    default:
        return QString();
    }
}

constexpr double kPpO2Low = 0.16;
constexpr double kPpO2Toxic = 1.6;
constexpr double kDensityWarning = 5.2; // g/L
constexpr double kDensityError = 6.2;
constexpr double kCnsWarning = 80; // %
constexpr double kCnsError = 100;
constexpr double kOtuDay = 300;

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString depthText(double metres, const DisplayUnits& units)
{
    return warningQuantity(Quantity::Depth, metres, units);
}

// What the gases breathed along the lines give: ppO2, narcotic depth, density and the switches,
// each code reported once, where it first happens.
class LineChecks
{
public:
    LineChecks(const PlanifDive& dive, const DisplayUnits& units, QList<PlanWarning>& out)
        : m_dive(dive)
        , m_units(units)
        , m_out(out)
    {
        config_t config;
        applyPlanConfig(config, dive.surfacePressure, dive.waterType, dive.settings.ascent);
        m_surface = config.surfacePressure;
        m_barPerMetre = double(config.density) * kGravity / 100.0;
    }

    void run()
    {
        double depth = 0;
        qint64 gas = -1;
        for (const LinePlan& l : m_dive.result.lines) {
            if (l.kind == LinePlan::Switch && gas >= 0)
                checkSwitch(mix(quint32(gas)), mix(l.gas), l.depth, l.runTime);
            if (l.kind != LinePlan::Line)
                continue;
            // The deeper end of a line is where ppO2, END and density are highest, the
            // shallower where ppO2 is lowest.
            checkLine(l, std::max(depth, double(l.depth)), std::min(depth, double(l.depth)));
            depth = l.depth;
            gas = l.gas;
        }
    }

private:
    DiveGas mix(quint32 index) const
    {
        DiveGas g = m_dive.profile.gases.value(qsizetype(index));
        g.name = planGasName(g);
        return g;
    }
    double pressure(double depthM) const { return m_surface + depthM * m_barPerMetre; }
    void add(const char* code, bool error, const QString& message, float runTime)
    {
        const QString c = QString::fromLatin1(code);
        const bool known = std::any_of(m_out.begin(), m_out.end(),
            [&](const PlanWarning& w) { return w.code == c && (w.error || !error); });
        if (!known)
            m_out.append({ c, error, message, runTime });
    }

    void checkLine(const LinePlan& l, double deepM, double shallowM)
    {
        const DiveGas g = mix(l.gas);
        const double fO2 = g.o2 / 100.0, fHe = g.he / 100.0;
        const AscentSettings& a = m_dive.settings.ascent;
        const double high = fO2 * pressure(deepM), low = fO2 * pressure(shallowM);
        const QString at = depthText(deepM, m_units);
        if (!m_dive.settings.closedCircuit) {
            if (high > std::max(kPpO2Toxic, double(a.decoPpo2)) + 0.005)
                add("ppo2-high", true,
                    WarningText::tr("ppO2 %1 bar on %2 at %3: above 1.6 bar.")
                        .arg(number(high, 2), g.name, at),
                    l.runTime);
            else if (!l.computed && high > a.bottomPpo2 + 0.005)
                add("ppo2-high", false,
                    WarningText::tr("ppO2 %1 bar on %2 at %3: above the bottom limit of %4 bar.")
                        .arg(number(high, 2), g.name, at, number(a.bottomPpo2, 2)),
                    l.runTime);
            if (low < kPpO2Low - 0.005)
                add("ppo2-low", true,
                    WarningText::tr("ppO2 %1 bar on %2 at %3: below 0.16 bar.")
                        .arg(number(low, 2), g.name, depthText(shallowM, m_units)),
                    l.runTime);
        }
        const double end = (pressure(deepM) * (1.0 - fHe) - m_surface) / m_barPerMetre;
        if (end > a.endLimitM + 0.05)
            add("end-high", false,
                WarningText::tr("Equivalent narcotic depth %1 on %2 at %3: above %4.")
                    .arg(depthText(end, m_units), g.name, at, depthText(a.endLimitM, m_units)),
                l.runTime);
        // g/L at 0 degrees C and 1.013 bar: O2 1.429, N2 1.2506, He 0.1786.
        const double density
            = pressure(deepM) * (fO2 * 1.429 + (1.0 - fO2 - fHe) * 1.2506 + fHe * 0.1786) / 1.013;
        if (density > kDensityWarning)
            add("density-high", density > kDensityError,
                WarningText::tr("Gas density %1 g/L on %2 at %3: above %4 g/L.")
                    .arg(number(density, 1), g.name, at,
                        number(density > kDensityError ? kDensityError : kDensityWarning, 1)),
                l.runTime);
    }

    // Isobaric counter-diffusion: nitrogen rising by more than a fifth of the helium drop.
    void checkSwitch(const DiveGas& from, const DiveGas& to, float depthM, float runTime)
    {
        const int heDrop = from.he - to.he;
        const int n2Rise = (100 - to.o2 - to.he) - (100 - from.o2 - from.he);
        if (heDrop > 0 && n2Rise * 5 > heDrop)
            add("icd", false,
                WarningText::tr("Switch from %1 to %2 at %3: nitrogen rises by more than a fifth "
                                "of the helium drop (counter-diffusion).")
                    .arg(from.name, to.name, depthText(depthM, m_units)),
                runTime);
    }

    const PlanifDive& m_dive;
    const DisplayUnits& m_units;
    QList<PlanWarning>& m_out;
    double m_surface = 1.013;
    double m_barPerMetre = 0.101;
};

void addExposureWarnings(const PlanDiveResult& r, QList<PlanWarning>& out)
{
    if (r.cnsPercent > kCnsWarning)
        out.append({ QStringLiteral("cns-high"), r.cnsPercent > kCnsError,
            WarningText::tr("CNS %1 %: above %2 %.")
                .arg(std::lround(r.cnsPercent))
                .arg(r.cnsPercent > kCnsError ? kCnsError : kCnsWarning),
            -1 });
    if (r.otu > kOtuDay)
        out.append({ QStringLiteral("otu-high"), false,
            WarningText::tr("OTU %1 for the day: above %2.").arg(std::lround(r.otu)).arg(kOtuDay),
            -1 });
}

// A deco gas no richer than the gas the ascent starts on is never taken.
void addUnusedDecoGases(const PlanifDive& dive, QList<PlanWarning>& out)
{
    const DiveProfile& p = dive.profile;
    if (dive.settings.closedCircuit || p.samples.isEmpty())
        return;
    const DiveGas bottom = p.gases.value(qsizetype(std::max(0, p.samples.last().gasIndex)));
    for (const PlanGas& g : dive.settings.decoGases) {
        if (g.o2 > bottom.o2)
            continue;
        DiveGas deco;
        deco.o2 = g.o2;
        deco.he = g.he;
        out.append({ QStringLiteral("deco-gas-unused"), false,
            WarningText::tr("The deco gas %1 is no richer than the bottom gas %2: the ascent never "
                            "takes it.")
                .arg(planGasName(deco), planGasName(bottom)),
            -1 });
    }
}

} // namespace

QList<PlanWarning> planWarnings(const PlanifDive& dive, const DisplayUnits& units)
{
    QList<PlanWarning> out;
    const PlanDiveResult& r = dive.result;
    const DiveProfile& p = dive.profile;
    if (r.decoImpossible)
        out.append({ QStringLiteral("deco-impossible"), true, decoImpossibleText(), -1 });
    if (p.decoNotTerminated)
        out.append({ QStringLiteral("deco-not-terminated"), true,
            WarningText::tr("Deco not terminated"), -1 });
    if (p.invalidDiveCode != 0)
        out.append(
            { QStringLiteral("invalid-dive"), true, invalidDiveText(p.invalidDiveCode), -1 });
    if (((p.alerts >> DiveProfile::AlertShiftYoyo) & 3u) != 0 && p.invalidDiveCode == 0)
        out.append({ QStringLiteral("yoyo"), false,
            WarningText::tr("Yoyo: an ascent of %1 or more followed by a descent of %1 or more.")
                .arg(depthText(10, units)),
            p.yoyoMarkers.isEmpty() ? -1.0f : p.yoyoMarkers.first().time / 60.0f });
    if (r.gfReduction != PlanDiveResult::GfReduction::None)
        out.append(
            { QStringLiteral("gf-reduced"), false, gfReductionMessage(dive), r.gfReducedFromMin });
    LineChecks(dive, units, out).run();
    addUnusedDecoGases(dive, out);
    addExposureWarnings(r, out);
    // The line checks name a gas outside 0.16-1.6 bar already.
    const bool ppO2Named = std::any_of(out.begin(), out.end(),
        [](const PlanWarning& w) { return w.error && w.code.startsWith(QLatin1String("ppo2")); });
    for (const GasWarning& w : r.gas.warnings)
        if (!(ppO2Named && w.kind == GasWarning::Unbreathable))
            out.append({ gasCode(w.kind), w.isError(), w.text, -1 });
    std::stable_partition(out.begin(), out.end(), [](const PlanWarning& w) { return w.error; });
    return out;
}

QString warningQuantity(Quantity quantity, double si, const DisplayUnits& units)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return Units::format(quantity, si, 0, units, locale);
}

bool hasPlanError(const QList<PlanWarning>& warnings)
{
    return std::any_of(
        warnings.begin(), warnings.end(), [](const PlanWarning& w) { return w.error; });
}

QString usedGfText(const PlanifDive& dive)
{
    return QStringLiteral("GF %1/%2")
        .arg(percent(dive.result.gfLow))
        .arg(percent(dive.result.gfHigh));
}
