#include "views/starrating.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QToolButton>

#include <algorithm>

StarRating::StarRating(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < 5; ++i) {
        m_stars[i] = new QToolButton(this);
        m_stars[i]->setAutoRaise(true);
        m_stars[i]->setFocusPolicy(Qt::NoFocus);
        m_stars[i]->setToolTip(tr("%n star(s)", nullptr, i + 1));
        layout->addWidget(m_stars[i]);
        connect(m_stars[i], &QToolButton::clicked, this,
            [this, i] { choose(m_value == i + 1 ? 0 : i + 1); });
    }
    layout->addStretch();
    setValue(0);
}

void StarRating::setValue(int value)
{
    m_value = std::clamp(value, 0, 5);
    for (int i = 0; i < 5; ++i)
        m_stars[i]->setText(i < m_value ? QStringLiteral("\u2605") : QStringLiteral("\u2606"));
    setAccessibleName(tr("Rating: %1 of 5").arg(m_value));
}

void StarRating::choose(int value)
{
    if (value == m_value)
        return;
    setValue(value);
    emit valueChanged(m_value);
}

void StarRating::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Right:
    case Qt::Key_Up:
        choose(std::min(5, m_value + 1));
        break;
    case Qt::Key_Minus:
    case Qt::Key_Left:
    case Qt::Key_Down:
        choose(std::max(0, m_value - 1));
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}
