#include "cli/cliunits.h"

#include <cmath>

namespace cli {

namespace {

// Formats a value for the option parsers, which read C numbers.
QString number(double value)
{
    return QString::number(value, 'g', 12);
}

bool readNumber(const QString& text, double& value)
{
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && std::isfinite(value);
}

// The option's value in SI, or an empty string when a part is not a number.
QString toSi(const QString& option, const QString& value, const DisplayUnits& units)
{
    if (option == QLatin1String("--safety-stop")) {
        // MIN[@DEPTH]: only the depth is a length.
        QStringList stop = value.split(QLatin1Char('@'));
        double depth = 0;
        if (stop.size() == 2) {
            if (!readNumber(stop[1], depth))
                return {};
            stop[1] = number(Units::fromDisplay(Quantity::Depth, depth, units));
        }
        return stop.join(QLatin1Char('@'));
    }
    QStringList parts = value.split(QLatin1Char(':'));
    double a = 0;
    if (!readNumber(parts[0], a))
        return {};
    static const QStringList depths
        = { "--point", "--deeper", "--end-limit", "--setpoint-switch", "--altitude" };
    if (depths.contains(option)) {
        parts[0] = number(Units::fromDisplay(Quantity::Depth, a, units));
    } else if (option == QLatin1String("--cylinder")) {
        // CUFT:PSI[:FILL PSI]: the cubic feet are the gas held at the working pressure, which is
        // also the fill unless one is given. In SI: LITRES:FILL:WORKING.
        double psi = 0;
        double fillPsi = 0;
        if (parts.size() < 2 || parts.size() > 3 || !readNumber(parts[1], psi)
            || !readNumber(parts.value(2, parts[1]), fillPsi))
            return {};
        const double bar = Units::fromDisplay(Quantity::Pressure, psi, units);
        parts = QStringList { number(Units::cylinderWaterLitres(a, bar)),
            number(Units::fromDisplay(Quantity::Pressure, fillPsi, units)), number(bar) };
    } else if (option.endsWith(QLatin1String("-rate"))) {
        parts[0] = number(Units::fromDisplay(Quantity::VerticalSpeed, a, units));
    } else {
        parts[0] = number(Units::fromDisplay(Quantity::BreathingRate, a, units));
    }
    return parts.join(QLatin1Char(':'));
}

} // namespace

bool takeUnits(QStringList& args, DisplayUnits& units, QString& error)
{
    units = DisplayUnits();
    const int at = int(args.indexOf(QStringLiteral("--units")));
    if (at >= 0) {
        const QString name = args.value(at + 1);
        if (name != QLatin1String("metric") && name != QLatin1String("imperial")) {
            error = QStringLiteral("--units takes metric or imperial");
            return false;
        }
        units = DisplayUnits::all(
            name == QLatin1String("imperial") ? UnitSystem::Imperial : UnitSystem::Metric);
        args.remove(at, 2);
    }
    if (units == DisplayUnits())
        return true;
    static const QStringList converted
        = { "--point", "--cylinder", "--sac", "--deco-sac", "--ascent-rate", "--stop-rate",
              "--deeper", "--end-limit", "--setpoint-switch", "--altitude", "--safety-stop" };
    for (int i = 0; i + 1 < args.size(); ++i) {
        if (!converted.contains(args[i]))
            continue;
        const QString si = toSi(args[i], args[i + 1], units);
        if (si.isEmpty()) {
            error = QStringLiteral("%1 %2: not a number in %3 units")
                        .arg(args[i], args[i + 1], QStringLiteral("imperial"));
            return false;
        }
        args[++i] = si;
    }
    return true;
}

QString depthText(double metres, const DisplayUnits& units, int width)
{
    return QStringLiteral("%1%2")
        .arg(Units::toDisplay(Quantity::Depth, metres, units), width, 'f', 1)
        .arg(units.depth == UnitSystem::Imperial ? QStringLiteral("ft") : QStringLiteral("m"));
}

QString quantityText(Quantity quantity, double si, const DisplayUnits& units, int decimals)
{
    return QString::number(Units::toDisplay(quantity, si, units), 'f', decimals) + QLatin1Char(' ')
        + Units::symbol(quantity, units);
}

bool unitsNamed(const QString& name, DisplayUnits& units)
{
    const bool imperial = name == QLatin1String("imperial");
    if (!imperial && !name.isEmpty() && name != QLatin1String("metric"))
        return false;
    units = DisplayUnits::all(imperial ? UnitSystem::Imperial : UnitSystem::Metric);
    return true;
}

QString unitsUsage()
{
    return QStringLiteral(
        "  --units metric|imperial  values typed and the text shown in metres, bar, litres\n"
        "       (default) or feet, psi, cubic feet (--cylinder CUFT:PSI, rates per minute;\n"
        "       --deeper, --end-limit, --setpoint-switch, --altitude and the depth of\n"
        "       --safety-stop MIN@DEPTH in feet)\n");
}

} // namespace cli
