#pragma once

#include <QStyledItemDelegate>

#include <functional>

// Editors of the points table: a depth spin box, a time editor and a gas list that apply every
// change at once through the callbacks. Row 0, the start at the surface, has no editor.
class SpinBoxDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using DepthChanged = std::function<void(int point, double depthM)>;
    // Receives the proposed seconds, may correct them; returns whether the change was taken.
    using TimeChanged = std::function<bool(int point, int& seconds)>;
    // The gas breathed on the segment that ends at the point.
    using GasChanged = std::function<void(int point, int gasIndex)>;

    explicit SpinBoxDelegate(QObject* parent = nullptr);

    void setDepthChanged(DepthChanged callback) { m_depthChanged = std::move(callback); }
    void setTimeChanged(TimeChanged callback) { m_timeChanged = std::move(callback); }
    void setGasChanged(GasChanged callback) { m_gasChanged = std::move(callback); }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(
        QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override;

    // Seconds shown by a time editor, and the format it uses for them.
    static QString timeFormatFor(int seconds);

private:
    DepthChanged m_depthChanged;
    TimeChanged m_timeChanged;
    GasChanged m_gasChanged;
};
