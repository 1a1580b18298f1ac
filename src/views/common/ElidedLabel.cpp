#include "views/common/ElidedLabel.h"

#include <QFontMetrics>

ElidedLabel::ElidedLabel(QWidget* parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void ElidedLabel::setFullText(const QString& text)
{
    m_fullText = text;
    updateGeometry();
    elide();
}

QSize ElidedLabel::sizeHint() const
{
    const QMargins margins = contentsMargins();
    const int width = QFontMetrics(font()).horizontalAdvance(QString(m_fullText).replace(u'\n', u' '));
    return QSize(width + margins.left() + margins.right() + 1, QLabel::sizeHint().height());
}

QSize ElidedLabel::minimumSizeHint() const
{
    return QSize(QFontMetrics(font()).horizontalAdvance(QStringLiteral("…")) * 3, QLabel::minimumSizeHint().height());
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::elide()
{
    const QString line = QString(m_fullText).replace(u'\n', u' ');
    setText(QFontMetrics(font()).elidedText(line, Qt::ElideRight, qMax(0, contentsRect().width())));
}
