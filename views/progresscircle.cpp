#include "views/progresscircle.h"

#include <QPainter>
#include <QPixmapCache>
#include <QPropertyAnimation>

#include <algorithm>

ProgressCircle::ProgressCircle(QWidget* parent)
    : QWidget(parent)
    , m_valueAnimation(new QPropertyAnimation(this, "visibleValue", this))
    , m_infiniteAnimation(new QPropertyAnimation(this, "infiniteAnimationValue", this))
{
    m_infiniteAnimation->setLoopCount(-1);
    m_infiniteAnimation->setDuration(1000);
    m_infiniteAnimation->setStartValue(0.0);
    m_infiniteAnimation->setEndValue(1.0);
    m_infiniteAnimation->start();
}

bool ProgressCircle::isSpinning() const
{
    return m_infiniteAnimation->state() == QAbstractAnimation::Running;
}

void ProgressCircle::setValue(int value)
{
    value = std::max(value, 0);
    if (value == m_value)
        return;
    m_valueAnimation->stop();
    m_valueAnimation->setStartValue(m_visibleValue);
    m_valueAnimation->setEndValue(value);
    m_valueAnimation->setDuration(250);
    m_valueAnimation->start();
    m_value = value;
    emit valueChanged(value);
}

void ProgressCircle::setMaximum(int maximum)
{
    maximum = std::max(maximum, 0);
    if (maximum == m_maximum)
        return;
    m_maximum = maximum;
    update();
    emit maximumChanged(maximum);
    if (m_maximum == 0) {
        if (m_infiniteAnimation->state() != QAbstractAnimation::Running)
            m_infiniteAnimation->start();
    } else {
        m_infiniteAnimation->stop();
    }
}

void ProgressCircle::setInnerRadius(qreal innerRadius)
{
    innerRadius = std::clamp(innerRadius, 0.0, 1.0);
    if (innerRadius != m_innerRadius) {
        m_innerRadius = innerRadius;
        update();
    }
}

void ProgressCircle::setOuterRadius(qreal outerRadius)
{
    outerRadius = std::clamp(outerRadius, 0.0, 1.0);
    if (outerRadius != m_outerRadius) {
        m_outerRadius = outerRadius;
        update();
    }
}

void ProgressCircle::setColor(QColor color)
{
    if (color != m_color) {
        m_color = color;
        update();
    }
}

void ProgressCircle::setInfiniteAnimationValue(qreal value)
{
    m_infiniteAnimationValue = value;
    update();
}

void ProgressCircle::setVisibleValue(int value)
{
    if (value != m_visibleValue) {
        m_visibleValue = value;
        update();
    }
}

QString ProgressCircle::cacheKey() const
{
    return QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8")
        .arg(m_infiniteAnimationValue)
        .arg(m_visibleValue)
        .arg(m_maximum)
        .arg(m_innerRadius)
        .arg(m_outerRadius)
        .arg(width())
        .arg(height())
        .arg(m_color.rgb());
}

QPixmap ProgressCircle::generatePixmap() const
{
    const int side = std::min(width(), height());
    QPixmap pixmap(std::max(side, 1), std::max(side, 1));
    pixmap.fill(Qt::transparent);
    if (side <= 2)
        return pixmap;

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF ring = QRectF(pixmap.rect()).adjusted(1, 1, -1, -1);
    const qreal inset = ring.width() * (1.0 - m_outerRadius) * 0.5;
    ring.adjust(inset, inset, -inset, -inset);
    const qreal holeRadius = ring.width() * m_innerRadius * 0.5;

    painter.setBrush(QColor(225, 225, 225));
    painter.setPen(QColor(225, 225, 225));
    painter.drawPie(ring, 0, 5760);

    painter.setBrush(m_color);
    painter.setPen(m_color);
    if (m_maximum != 0) {
        // 64-bit so that a large maximum cannot overflow the sixteenths of a degree.
        const qint64 shown = std::clamp<qint64>(m_visibleValue, 0, m_maximum);
        painter.drawPie(ring, 1440, int(-shown * 360 * 16 / m_maximum));
    } else {
        painter.drawPie(ring, int(-m_infiniteAnimationValue * 360 * 16), 864);
    }

    painter.setBrush(Qt::white);
    painter.setPen(QColor(0, 0, 0, 60));
    painter.drawEllipse(ring.center(), holeRadius, holeRadius);
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(ring, 0, 5760);
    return pixmap;
}

void ProgressCircle::paintEvent(QPaintEvent*)
{
    const QString key = cacheKey();
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap = generatePixmap();
        QPixmapCache::insert(key, pixmap);
    }
    QPainter painter(this);
    painter.drawPixmap((width() - pixmap.width()) / 2, (height() - pixmap.height()) / 2, pixmap);
}
