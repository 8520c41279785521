#include "plannerui/spinboxdelegate.h"

#include "plannerui/tbldivepointsmodel.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QSignalBlocker>
#include <QTime>
#include <QTimeEdit>

namespace {

const char* const kRowProperty = "id";

QTime timeOf(int seconds)
{
    return QTime(0, 0).addSecs(qBound(0, seconds, 86399));
}

} // namespace

SpinBoxDelegate::SpinBoxDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
{ }

QString SpinBoxDelegate::timeFormatFor(int seconds)
{
    return seconds >= 3600 ? QStringLiteral("HH:mm:ss") : QStringLiteral("mm:ss");
}

QWidget* SpinBoxDelegate::createEditor(
    QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (index.row() == 0)
        return nullptr;
    const int row = index.row();
    if (index.column() == TblDivePointsModel::ColumnDepth) {
        auto* spin = new QDoubleSpinBox(parent);
        spin->setFrame(false);
        // Wider than a plan allows, and applied only when the edit ends: a depth out of range
        // is refused with a message by the tab, not cut to its first digits while typed.
        spin->setRange(0.0, 999.9);
        spin->setDecimals(1);
        spin->setKeyboardTracking(false);
        spin->setProperty(kRowProperty, row);
        // Connected once, here: every change is applied at once.
        connect(spin, &QDoubleSpinBox::valueChanged, this, [this, spin](double value) {
            if (m_depthChanged)
                m_depthChanged(spin->property(kRowProperty).toInt(), value);
        });
        return spin;
    }
    if (index.column() == TblDivePointsModel::ColumnTime) {
        auto* edit = new QTimeEdit(parent);
        edit->setProperty(kRowProperty, row);
        connect(edit, &QTimeEdit::timeChanged, this, [this, edit](const QTime& time) {
            if (!m_timeChanged)
                return;
            int seconds = QTime(0, 0).secsTo(time);
            if (m_timeChanged(edit->property(kRowProperty).toInt(), seconds)) {
                const QSignalBlocker blocker(edit);
                edit->setTime(timeOf(seconds));
            }
        });
        return edit;
    }
    if (index.column() == TblDivePointsModel::ColumnGas) {
        auto* gases = new QComboBox(parent);
        gases->addItems(index.data(TblDivePointsModel::GasNamesRole).toStringList());
        gases->setProperty(kRowProperty, row);
        connect(gases, &QComboBox::currentIndexChanged, this, [this, gases](int gas) {
            if (m_gasChanged && gas >= 0)
                m_gasChanged(gases->property(kRowProperty).toInt(), gas);
        });
        return gases;
    }
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void SpinBoxDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* spin = qobject_cast<QDoubleSpinBox*>(editor)) {
        const QSignalBlocker blocker(spin);
        spin->setValue(index.data(Qt::EditRole).toDouble());
        return;
    }
    if (auto* edit = qobject_cast<QTimeEdit*>(editor)) {
        const int seconds = index.data(Qt::EditRole).toInt();
        const QSignalBlocker blocker(edit);
        edit->setDisplayFormat(timeFormatFor(seconds));
        edit->setTime(timeOf(seconds));
        return;
    }
    if (auto* gases = qobject_cast<QComboBox*>(editor)) {
        const QSignalBlocker blocker(gases);
        gases->setCurrentIndex(index.data(Qt::EditRole).toInt());
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void SpinBoxDelegate::setModelData(
    QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    // Changes were applied as they happened.
    if (qobject_cast<QDoubleSpinBox*>(editor) || qobject_cast<QTimeEdit*>(editor)
        || qobject_cast<QComboBox*>(editor))
        return;
    QStyledItemDelegate::setModelData(editor, model, index);
}

void SpinBoxDelegate::updateEditorGeometry(
    QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const
{
    editor->setGeometry(option.rect);
}
