#include "views/tissuesgraph.h"

#include <QFontMetrics>
#include <QLocale>
#include <QPainter>

#include <algorithm>

TissuesGraph::TissuesGraph(QWidget* parent)
    : QWidget(parent)
{
    m_font = font();
    m_font.setPointSizeF(7.0);
    m_lineHeight = QFontMetrics(m_font).height();
}

void TissuesGraph::setLoads(const Loads& loads)
{
    m_loads = loads;
    repaint();
}

void TissuesGraph::setLoads(const float* loads)
{
    if (!loads)
        return;
    Loads copy;
    std::copy(loads, loads + compartmentCount, copy.begin());
    setLoads(copy);
}

void TissuesGraph::clear()
{
    m_loads.fill(0.0f);
    repaint();
}

std::array<int, TissuesGraph::compartmentCount> TissuesGraph::barHeights(
    const Loads& loads, int availableHeight)
{
    std::array<int, compartmentCount> heights {};
    if (!(loads[0] >= 0.01f))
        return heights;
    float minLoad = 99.0f;
    float maxLoad = 0.0f;
    for (float load : loads) {
        minLoad = std::min(minLoad, load);
        maxLoad = std::max(maxLoad, load);
    }
    const float range = maxLoad - minLoad;
    for (int i = 0; i < compartmentCount; ++i) {
        if (range > 0.01f)
            heights[i] = int((loads[i] - minLoad) * availableHeight / range);
        else
            heights[i] = int(availableHeight / 2.0);
    }
    return heights;
}

void TissuesGraph::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_background);
    painter.setBrush(Qt::green);
    painter.setPen(QPen(m_textColor));
    painter.setFont(m_font);

    const int baseY = height() - 3 * m_margin;
    painter.drawLine(m_margin, baseY, width() - m_margin, baseY);
    if (!(m_loads[0] >= 0.01f))
        return;

    const int barWidth = (width() - 2 * m_margin - 17 * m_spacing) / compartmentCount;
    // A value wider than its bar is written upwards so neighbours never overlap; the bars
    // leave room for it above the tallest one.
    const QFontMetrics metrics(m_font);
    const int labelWidth = metrics.horizontalAdvance(QStringLiteral("0.00"));
    const bool upright = labelWidth + 2 > barWidth + m_spacing;
    const int labelSpace = upright ? labelWidth + 4 : m_lineHeight;
    const int available = std::max(0, height() - 6 * m_margin - labelSpace + m_lineHeight);
    const auto heights = barHeights(m_loads, available);
    int x = m_margin + m_spacing;
    for (int i = 0; i < compartmentCount; ++i) {
        const int h = heights[i];
        painter.drawRect(QRect(x, baseY - h, barWidth, h));
        const QString value = QLocale().toString(m_loads[i], 'f', 2); // the diver's decimal mark
        if (upright) {
            painter.save();
            painter.translate(x + (barWidth + metrics.ascent()) / 2 - 1, baseY - h - 2);
            painter.rotate(-90);
            painter.drawText(QPoint(0, 0), value);
            painter.restore();
        } else {
            painter.drawText(QPoint(x, baseY - h - 2), value);
        }
        painter.drawText(
            QRect(x, baseY, barWidth, m_lineHeight), Qt::AlignCenter, QString::number(i + 1));
        x += barWidth + m_spacing;
    }
}
