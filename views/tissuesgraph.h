#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

#include <array>

// Bar chart of the 16 tissue compartment loads. It takes plain numbers so that the view layer
// does not depend on the decompression engine; the planner copies the engine's loads in.
class TissuesGraph : public QWidget
{
    Q_OBJECT

public:
    static constexpr int compartmentCount = 16;
    using Loads = std::array<float, compartmentCount>;

    explicit TissuesGraph(QWidget* parent = nullptr);

    void setLoads(const Loads& loads);
    void setLoads(const float* loads);
    void clear();
    const Loads& loads() const { return m_loads; }

    // Bar heights in whole pixels for the given available height: the smallest load gets 0, the
    // largest the whole height, equal loads half of it. Empty (first load below 0.01) gives zeros.
    static std::array<int, compartmentCount> barHeights(const Loads& loads, int availableHeight);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_margin = 5;
    int m_spacing = 5;
    int m_marginTop = 5;
    int m_marginBottom = 5;
    Loads m_loads {};
    QFont m_font;
    int m_lineHeight = 0;
    QColor m_textColor = Qt::black;
    QColor m_background = QColor("#F0F0F0");
};
