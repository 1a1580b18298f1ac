#include "views/common/Spinner.h"

#include <QPainter>
#include <QVariantAnimation>

Spinner::Spinner(int size, QColor color, QWidget* parent)
    : QWidget(parent)
    , m_color(std::move(color))
    , m_animation(new QVariantAnimation(this))
{
    setFixedSize(size, size);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_animation->setStartValue(0);
    m_animation->setEndValue(360);
    m_animation->setDuration(900);
    m_animation->setLoopCount(-1);
    connect(m_animation, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

void Spinner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(m_color, 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(QRectF(rect()).adjusted(2, 2, -2, -2), -m_animation->currentValue().toInt() * 16, 270 * 16);
}

void Spinner::showEvent(QShowEvent*) { m_animation->start(); }

void Spinner::hideEvent(QHideEvent*) { m_animation->stop(); }
