#include "planner/planwarnings.h"

#include "dive/formattime.h"
#include "engine/validity.h"
#include "planner/plancompute.h"
#include "planner/planification.h"

#include <QCoreApplication>

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

} // namespace

QList<PlanWarning> planWarnings(const PlanifDive& dive)
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
            WarningText::tr(
                "Yoyo: an ascent of 10 m or more followed by a descent of 10 m or more."),
            p.yoyoMarkers.isEmpty() ? -1.0f : p.yoyoMarkers.first().time / 60.0f });
    if (r.gfReduction != PlanDiveResult::GfReduction::None)
        out.append(
            { QStringLiteral("gf-reduced"), false, gfReductionMessage(dive), r.gfReducedFromMin });
    for (const GasWarning& w : r.gas.warnings)
        out.append({ gasCode(w.kind), w.isError(), w.text, -1 });
    std::stable_partition(out.begin(), out.end(), [](const PlanWarning& w) { return w.error; });
    return out;
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
