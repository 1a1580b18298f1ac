#include "views/common/WrappedText.h"

#include <QPainter>
#include <QTextLayout>
#include <QtMath>

#include <memory>

namespace {

std::unique_ptr<QTextLayout> laidOut(const QString& text, const QFont& font, int width, Qt::Alignment alignment)
{
    // QTextLayout breaks lines only at U+2028; a typed line feed would otherwise
    // glue "line one" and "line two" together.
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    lines.replace(QLatin1Char('\n'), QChar::LineSeparator);
    lines.replace(QLatin1Char('\r'), QChar::LineSeparator);
    auto layout = std::make_unique<QTextLayout>(lines, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setAlignment(alignment);
    layout->setTextOption(option);
    layout->beginLayout();
    qreal y = 0;
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout->endLayout();
    return layout;
}

} // namespace

namespace WrappedText {

QSize size(const QString& text, const QFont& font, int width)
{
    const std::unique_ptr<QTextLayout> layout = laidOut(text, font, width, Qt::AlignLeft);
    const QRectF bounds = layout->boundingRect();
    qreal natural = 0;
    for (int i = 0; i < layout->lineCount(); ++i)
        natural = qMax(natural, layout->lineAt(i).naturalTextWidth());
    const int height = layout->lineCount() == 0 ? QFontMetrics(font).height() : qCeil(bounds.height());
    return QSize(qCeil(natural), height);
}

void draw(QPainter* painter, const QRect& rect, const QString& text, const QFont& font, const QColor& color, Qt::Alignment alignment)
{
    const std::unique_ptr<QTextLayout> layout = laidOut(text, font, rect.width(), alignment);
    painter->setPen(color);
    layout->draw(painter, rect.topLeft());
}

} // namespace WrappedText
