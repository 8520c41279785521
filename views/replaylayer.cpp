#include "views/replaylayer.h"

#include "dive/diveprofile.h"
#include "dive/formattime.h"
#include "dive/units.h"
#include "views/diveprofileitem.h"
#include "views/replaycurves.h"
#include "views/tissueheatmap.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QSpinBox>

#include <cmath>

namespace {

constexpr double kMaxStepS = 10.0;

// Cheap enough for every paint: a long dive has a few thousand samples.
quint64 samplesSignature(const DiveProfile& dive)
{
    quint64 h = 1469598103934665603ull ^ quint64(dive.samples.size())
        ^ (quint64(dive.ascentSamples.size()) << 32);
    auto add = [&h](const QList<DiveSample>& list) {
        for (const DiveSample& s : list) {
            h = (h ^ quint64(std::llround(s.time * 10.0))) * 1099511628211ull;
            h = (h ^ quint64(std::llround(s.depth * 100.0))) * 1099511628211ull;
            h = (h ^ quint64(s.gasIndex + 1) ^ (quint64(s.setpointMbar) << 16)) * 1099511628211ull;
        }
    };
    add(dive.samples);
    add(dive.ascentSamples);
    return h;
}

QString minutesText(double seconds)
{
    return formatTime(int(std::lround(seconds)));
}

} // namespace

ReplayLayer::ReplayLayer(DiveProfileItem* graph)
    : QGraphicsObject(graph)
    , m_graph(graph)
{
    setAcceptedMouseButtons(Qt::NoButton);
    setFlag(QGraphicsItem::ItemStacksBehindParent, false);
}

QRectF ReplayLayer::boundingRect() const
{
    return m_graph->boundingRect();
}

bool ReplayLayer::isPlan() const
{
    const DiveProfile* dive = m_graph->profile();
    return dive && !dive->ascentSamples.isEmpty();
}

void ReplayLayer::refresh()
{
    DiveProfile* dive = m_graph->profile();
    if (!dive) {
        m_replay = DiveReplay {};
        m_source = nullptr;
        return;
    }
    const quint64 signature = samplesSignature(*dive);
    if (dive == m_source && signature == m_signature && m_replay.gfLow == m_options.gfLow
        && m_replay.gfHigh == m_options.gfHigh)
        return;
    m_source = dive;
    m_signature = signature;
    // A plan's own points and its computed ascent, or a logged dive, with a sample at least
    // every 10 s so the heat map moves along long segments.
    DiveProfile replayed = *dive;
    if (!dive->ascentSamples.isEmpty()) {
        replayed.samples = planProfilePoints(*dive);
        replayed.ascentSamples.clear();
    }
    m_replayed = densifiedForReplay(replayed, kMaxStepS);
    m_replay = replayDive(m_replayed, m_options.gfLow, m_options.gfHigh);
}

const DiveReplay& ReplayLayer::replay()
{
    refresh();
    return m_replay;
}

void ReplayLayer::setOptions(const ReplayGraphOptions& options)
{
    m_options = options;
    update();
    emit optionsApplied();
}

void ReplayLayer::setFactors(int gfLow, int gfHigh)
{
    ReplayGraphOptions o = m_options;
    o.gfLow = gfLow;
    o.gfHigh = gfHigh;
    changeOptions(o);
}

void ReplayLayer::changeOptions(const ReplayGraphOptions& options)
{
    if (options == m_options)
        return;
    setOptions(options);
    emit optionsChanged(m_options);
}

void ReplayLayer::setComparison(const QList<DiveSample>& plan, const QString& planName)
{
    m_plan = plan;
    m_planName = planName;
    const DiveProfile* dive = m_graph->profile();
    m_comparison = dive && !plan.isEmpty() ? comparePlan(plan, dive->samples) : PlanComparison {};
    update();
}

void ReplayLayer::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    if (!m_graph->profile())
        return;
    refresh();
    const QRectF plot = m_graph->plotRect();
    if (m_replay.isEmpty() || plot.width() < 10 || plot.height() < 4 * bandHeight)
        return;
    painter->save();
    painter->setClipRect(plot.adjusted(0, 0, 0, 1));
    const ReplayCurves::Shown shown { m_options.ceiling && !isPlan(), m_options.ppO2,
        m_options.ppN2, m_options.ppHe, m_options.mod };
    ReplayCurves::paintDepthCurves(painter, *m_graph, m_replay, shown);
    const QRectF band(plot.left(), plot.bottom() - bandHeight, plot.width(), bandHeight);
    const QRectF pressures(plot.left(), plot.top(), plot.width(),
        plot.height() - (m_options.heatMap ? bandHeight + 4 : 0));
    ReplayCurves::paintPressureCurves(painter, *m_graph, pressures, m_replay, shown);
    ReplayCurves::paintPlan(painter, *m_graph, m_plan);
    painter->restore();
    if (m_options.heatMap)
        TissueHeatMap::paint(painter, band, m_replay, m_graph->xStart(), m_graph->xEnd());
    if (!m_plan.isEmpty())
        paintComparisonTable(painter, plot);
}

void ReplayLayer::paintComparisonTable(QPainter* painter, const QRectF& plot)
{
    const PlanComparison& c = m_comparison;
    auto depth = [](double m) {
        return Units::number(Quantity::Depth, m, 1) + QLatin1Char(' ')
            + Units::symbol(Quantity::Depth);
    };
    auto time = [](double s) { return minutesText(s); };
    auto delta = [](double s) {
        return (s < 0 ? QStringLiteral("-") : QStringLiteral("+")) + minutesText(std::abs(s));
    };
    QList<QStringList> rows { { m_planName, tr("Plan"), tr("Dive"), tr("Difference") },
        { tr("Maximum depth"), depth(c.planMaxDepthM), depth(c.diveMaxDepthM),
            depth(c.diveMaxDepthM - c.planMaxDepthM) },
        { tr("Bottom time"), time(c.planBottomS), time(c.diveBottomS),
            delta(c.diveBottomS - c.planBottomS) },
        { tr("Run time"), time(c.planRunS), time(c.diveRunS), delta(c.diveRunS - c.planRunS) } };
    for (const PlanComparison::Stop& stop : c.stops)
        rows.append({ tr("Stop at %1").arg(depth(stop.depthM)), time(stop.planS), time(stop.diveS),
            delta(stop.diveS - stop.planS) });

    const QFont font(QStringLiteral("Arial"), 8);
    const QFontMetricsF metrics(font);
    QList<double> widths(4, 0.0);
    for (const QStringList& row : rows)
        for (int k = 0; k < 4; ++k)
            widths[k] = std::max(widths[k], metrics.horizontalAdvance(row.value(k)) + 10);
    const double lineHeight = metrics.height() + 2;
    const double width = widths[0] + widths[1] + widths[2] + widths[3];
    // Over the start of the bottom phase, where the diver is deep and the top of the plot is
    // free, away from the ascent the cursor usually reads.
    const QRectF box(plot.left() + 40, plot.top() + 6, width + 4, lineHeight * rows.size() + 4);
    painter->save();
    painter->setPen(QColor(90, 90, 90));
    painter->setBrush(QColor(255, 255, 245, 230));
    painter->drawRect(box);
    painter->setFont(font);
    for (int r = 0; r < rows.size(); ++r) {
        double x = box.left() + 4;
        for (int k = 0; k < 4; ++k) {
            const QRectF cell(x, box.top() + 2 + r * lineHeight, widths[k] - 6, lineHeight);
            painter->setPen(r == 0 ? QColor(0, 0, 0) : QColor(40, 40, 40));
            painter->drawText(cell, (k == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter,
                rows[r].value(k));
            x += widths[k];
        }
    }
    painter->restore();
}

QStringList ReplayLayer::readoutLines(int timeS)
{
    refresh();
    const int i = m_replay.indexAt(timeS);
    if (i < 0 || timeS > m_replay.points.last().timeS)
        return {};
    const ReplayPoint p = m_replay.at(timeS);
    const QString limit = p.ndlMin > 0.0f
        ? tr("NDL %1 min")
              .arg(p.ndlMin >= 250.0f ? QStringLiteral(">250")
                                      : QString::number(std::floor(p.ndlMin)))
        : tr("TTS %1 min").arg(std::ceil(replayTtsMin(m_replayed, m_replay, i)));
    // Depths in the diver's unit; partial pressures stay in bar, as every diver reads them.
    const QLocale locale;
    const auto depth = [](double m, int decimals) {
        return Units::number(Quantity::Depth, m, decimals) + QLatin1Char(' ')
            + Units::symbol(Quantity::Depth);
    };
    return {
        tr("GF %1/%2: %3, ceiling %4")
            .arg(m_replay.gfLow)
            .arg(m_replay.gfHigh)
            .arg(limit, depth(p.ceilingM, 1)),
        tr("Leading tissue %1, surface GF %2 %, CNS %3 %")
            .arg(p.leadingTissue + 1)
            .arg(std::lround(p.gfSurfacePercent))
            .arg(locale.toString(p.cnsPercent, 'f', 1)),
        tr("ppO2 %1, ppN2 %2, ppHe %3 bar")
            .arg(locale.toString(p.ppO2, 'f', 2), locale.toString(p.ppN2, 'f', 2),
                locale.toString(p.ppHe, 'f', 2)),
        tr("END %1, density %2 g/L").arg(depth(p.endM, 0), locale.toString(p.densityGL, 'f', 1)),
    };
}

void ReplayLayer::addMenuEntries(QMenu& menu)
{
    fillMenu(*menu.addMenu(tr("Replay at my gradient factors")));
}

void ReplayLayer::fillMenu(QMenu& menu)
{
    QMenu* sub = &menu;
    struct Switch
    {
        QString text;
        bool ReplayGraphOptions::*flag;
    };
    const Switch switches[]
        = { { tr("Ceiling at GF %1/%2").arg(m_options.gfLow).arg(m_options.gfHigh),
                &ReplayGraphOptions::ceiling },
              { tr("Tissue heat map"), &ReplayGraphOptions::heatMap },
              { tr("ppO2 (1.4 and 1.6 bar lines)"), &ReplayGraphOptions::ppO2 },
              { tr("ppN2"), &ReplayGraphOptions::ppN2 }, { tr("ppHe"), &ReplayGraphOptions::ppHe },
              { tr("MOD of the gas breathed (ppO2 1.4 bar)"), &ReplayGraphOptions::mod } };
    for (const Switch& s : switches) {
        QAction* action = sub->addAction(s.text);
        action->setCheckable(true);
        action->setChecked(m_options.*(s.flag));
        const auto flag = s.flag;
        connect(action, &QAction::toggled, this, [this, flag](bool on) {
            ReplayGraphOptions o = m_options;
            o.*flag = on;
            changeOptions(o);
        });
    }
    sub->addSeparator();
    sub->addAction(tr("Gradient factors..."), this, [this]() { askFactors(); });
}

void ReplayLayer::askFactors()
{
    QDialog dialog;
    dialog.setWindowTitle(tr("Gradient factors"));
    auto* form = new QFormLayout(&dialog);
    auto spin = [&](int value) {
        auto* box = new QSpinBox(&dialog);
        box->setRange(10, 100);
        box->setSuffix(QStringLiteral(" %"));
        box->setValue(value);
        return box;
    };
    QSpinBox* low = spin(m_options.gfLow);
    QSpinBox* high = spin(m_options.gfHigh);
    form->addRow(tr("GF low"), low);
    form->addRow(tr("GF high"), high);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    // The low factor applies at the first stop, the high one at the surface: never above it.
    connect(low, &QSpinBox::valueChanged, high, [high](int v) { high->setMinimum(v); });
    high->setMinimum(low->value());
    if (dialog.exec() != QDialog::Accepted)
        return;
    setFactors(low->value(), high->value());
}
