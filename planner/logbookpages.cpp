#include "planner/logbookpages.h"

#include "dive/airuse.h"
#include "dive/diveprofile.h"
#include "dive/formattime.h"
#include "dive/profilesource.h"
#include "dive/units.h"
#include "planner/slatewriter.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace {

class LogbookPagesText
{
    Q_DECLARE_TR_FUNCTIONS(LogbookPages)
};

constexpr double kPageHeight = 842;
constexpr double kMargin = 36;
constexpr double kBlockHeight = (kPageHeight - 2 * kMargin) / 2; // two dives a page
constexpr double kTextSize = 10;
constexpr double kLine = 13;
constexpr double kProfileLeft = 330; // the profile takes the right half of the block
constexpr double kProfileWidth = 595 - kMargin - kProfileLeft;
constexpr double kProfileHeight = 150;

// The units and decimal mark the pages are printed in.
struct Printing
{
    DisplayUnits units;
    QLocale locale;

    QString show(Quantity quantity, double si, int decimals) const
    {
        return Units::format(quantity, si, decimals, units, locale);
    }
};

QByteArray text(double x, double y, const QString& s, bool bold = false, double size = kTextSize)
{
    return "BT /" + QByteArray(bold ? "F2 " : "F1 ") + pdfNumber(size) + " Tf " + pdfNumber(x) + ' '
        + pdfNumber(y) + " Td " + pdfLiteral(s) + " Tj ET\n";
}

QByteArray rectangle(double x, double y, double w, double h)
{
    return pdfNumber(x) + ' ' + pdfNumber(y) + ' ' + pdfNumber(w) + ' ' + pdfNumber(h) + " re S\n";
}

QString siteLine(const DiveProfile& dive)
{
    QStringList parts;
    for (const QString& part : { dive.site, dive.location, dive.country }) {
        if (!part.isEmpty())
            parts << part;
    }
    QString line = parts.join(QStringLiteral(", "));
    if (dive.position)
        line += QStringLiteral(" (%1, %2)")
                    .arg(dive.position->latitude, 0, 'f', 5)
                    .arg(dive.position->longitude, 0, 'f', 5);
    return line;
}

// An imperial cylinder is named by the gas it holds at its working pressure, a metric one by its
// water volume; without a working pressure an imperial diver still reads litres.
QString cylinderText(const DiveProfile::TankPressure& tank, const Printing& p)
{
    if (p.units.volume == UnitSystem::Imperial && tank.workingBar > 0)
        return LogbookPagesText::tr(", %1 cylinder")
            .arg(p.show(Quantity::Volume,
                Units::cylinderCubicFeet(tank.sizeL, tank.workingBar) * Units::kLitresPerCubicFoot,
                0));
    return LogbookPagesText::tr(", %1 L cylinder").arg(p.locale.toString(tank.sizeL, 'f', 1));
}

QStringList gasLines(const DiveProfile& dive, const Printing& p)
{
    QStringList lines;
    for (qsizetype i = 0; i < dive.gases.size(); ++i) {
        DiveGas gas = dive.gases.at(i);
        QString line = DiveProfile::gasName(gas);
        for (const DiveProfile::TankPressure& tank : dive.tanks) {
            if (tank.gasIndex != int(i))
                continue;
            line += LogbookPagesText::tr(": %1 to %2")
                        .arg(p.locale.toString(
                                 Units::toDisplay(Quantity::Pressure, tank.startBar, p.units), 'f',
                                 0),
                            p.show(Quantity::Pressure, tank.endBar, 0));
            if (tank.sizeL > 0)
                line += cylinderText(tank, p);
        }
        lines << line;
    }
    return lines;
}

// The depth line under a frame: time to the right, depth down, both from zero. A dive logged
// by hand is drawn dashed with a caption, as on screen, so no one reads it as measured.
QByteArray profileLines(const DiveProfile& dive, double top, const Printing& p)
{
    QByteArray out = rectangle(kProfileLeft, top - kProfileHeight, kProfileWidth, kProfileHeight);
    const ProfileSource source = profileSource(dive);
    const QList<DiveSample> line = handLoggedLine(dive, source);
    const double span = line.isEmpty() ? 0 : line.constLast().time;
    const double depth = std::max(1.0, dive.maxDepth);
    out += text(kProfileLeft, top + 3, p.show(Quantity::Depth, 0, 0), false, 8);
    out += text(kProfileLeft, top - kProfileHeight - 10,
        QStringLiteral("%1, %2").arg(
            p.show(Quantity::Depth, depth, 1), formatTime(int(std::lround(span)))),
        false, 8);
    const QString caption = handLoggedCaption(source);
    if (!caption.isEmpty())
        out += text(kProfileLeft, top - kProfileHeight - 20, caption, false, 7);
    if (span <= 0)
        return out;
    const bool dashed = source != ProfileSource::Recorded;
    if (dashed)
        out += "[4 3] 0 d\n";
    for (qsizetype i = 0; i < line.size(); ++i) {
        const DiveSample& s = line.at(i);
        const double x = kProfileLeft + s.time / span * kProfileWidth;
        const double y = top - std::clamp(s.depth / depth, 0.0, 1.0) * kProfileHeight;
        out += pdfNumber(x) + ' ' + pdfNumber(y) + (i == 0 ? " m\n" : " l\n");
    }
    return out + (dashed ? "S\n[] 0 d\n" : "S\n");
}

// One dive in the block whose top edge is at top.
QByteArray diveBlock(const DiveProfile& dive, double top, const Printing& p)
{
    const QDateTime start = QDateTime::fromSecsSinceEpoch(dive.dateTime);
    QByteArray out = text(kMargin, top - 14,
        LogbookPagesText::tr("Dive %1   %2")
            .arg(dive.number > 0 ? QString::number(dive.number) : QStringLiteral("-"),
                diveStartText(start, p.locale)),
        true, 14);
    QStringList lines;
    lines << LogbookPagesText::tr("Site: %1").arg(siteLine(dive));
    if (!dive.trip.isEmpty())
        lines << LogbookPagesText::tr("Trip: %1").arg(dive.trip);
    lines << LogbookPagesText::tr("Buddies: %1").arg(dive.buddies.join(QStringLiteral(", ")));
    lines << LogbookPagesText::tr("Maximum depth: %1   Mean depth: %2")
                 .arg(p.show(Quantity::Depth, dive.maxDepth, 1),
                     p.show(Quantity::Depth, timeWeightedMeanDepth(dive), 1));
    lines << LogbookPagesText::tr("Duration: %1").arg(formatTime(int(std::lround(dive.duration))));
    if (dive.minTemperature <= dive.maxTemperature && dive.maxTemperature != 0)
        lines << LogbookPagesText::tr("Temperature: %1 to %2")
                     .arg(p.show(Quantity::Temperature, dive.minTemperature, 1),
                         p.show(Quantity::Temperature, dive.maxTemperature, 1));
    for (const QString& gas : gasLines(dive, p))
        lines << LogbookPagesText::tr("Gas: %1").arg(gas);
    const double sac = surfaceAirConsumption(dive);
    if (sac > 0)
        lines << LogbookPagesText::tr("Air use: %1")
                     .arg(p.show(Quantity::BreathingRate, sac,
                         p.units.volume == UnitSystem::Imperial ? 2 : 1));
    if (dive.rating > 0)
        lines << LogbookPagesText::tr("Rating: %1 of 5").arg(dive.rating);
    double y = top - 34;
    for (const QString& line : lines) {
        out += text(kMargin, y, line.left(60));
        y -= kLine;
    }
    out += profileLines(dive, top - 30, p);
    // Notes under both, wrapped at about 95 characters, as many lines as the block holds.
    y = std::min(y, top - 30 - kProfileHeight - 16) - 4;
    out += text(kMargin, y, LogbookPagesText::tr("Notes"), true);
    y -= kLine;
    const double signatureTop = top - kBlockHeight + 60;
    QString rest = dive.notes.simplified();
    while (!rest.isEmpty() && y > signatureTop + 4) {
        qsizetype cut = rest.size() <= 95 ? rest.size() : rest.lastIndexOf(QLatin1Char(' '), 95);
        if (cut <= 0)
            cut = std::min<qsizetype>(95, rest.size());
        out += text(kMargin, y, rest.left(cut));
        rest = rest.mid(cut).trimmed();
        y -= kLine;
    }
    out += rectangle(kMargin, signatureTop - 44, 595 - 2 * kMargin, 44);
    out += text(kMargin + 4, signatureTop - 12,
        LogbookPagesText::tr("Signature (buddy or instructor)"), false, 8);
    return out;
}

} // namespace

QByteArray logbookPdf(
    const QList<DiveProfile>& dives, const DisplayUnits& units, const QLocale& locale)
{
    const Printing p { units, locale };
    QList<QByteArray> pages;
    for (qsizetype i = 0; i < dives.size(); i += 2) {
        QByteArray content = "0.8 w\n" + diveBlock(dives.at(i), kPageHeight - kMargin, p);
        if (i + 1 < dives.size())
            content += diveBlock(dives.at(i + 1), kPageHeight - kMargin - kBlockHeight, p);
        pages << content;
    }
    return pdfDocument(pages);
}

bool writeLogbookPdf(const QString& path, const QList<DiveProfile>& dives, QString* error,
    const DisplayUnits& units, const QLocale& locale)
{
    QSaveFile file(path);
    const QByteArray pdf = logbookPdf(dives, units, locale);
    if (dives.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size()
        || !file.commit()) {
        if (error)
            *error
                = dives.isEmpty() ? LogbookPagesText::tr("no dive to print") : file.errorString();
        return false;
    }
    return true;
}
