#include "views/common/ElidedLabel.h"

#include "views/common/ContextMenu.h"
#include "views/common/Localized.h"
#include "views/common/PlainToolTip.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>

ElidedLabel::ElidedLabel(QWidget* parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent)
    : ElidedLabel(parent)
{
    setFullText(text);
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
    // One pixel of slack: eliding measures glyph bearings and would shorten a text
    // that fits exactly.
    return QSize(fontMetrics().horizontalAdvance(m_fullText) + 1 + margins.left() + margins.right(),
        fontMetrics().height() + margins.top() + margins.bottom());
}

QSize ElidedLabel::minimumSizeHint() const
{
    const QMargins margins = contentsMargins();
    return QSize(fontMetrics().horizontalAdvance(QStringLiteral("…")) + margins.left() + margins.right(),
        fontMetrics().height() + margins.top() + margins.bottom());
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
        elide();
    }
}

void ElidedLabel::elide()
{
    const QString shown = fontMetrics().elidedText(m_fullText, Qt::ElideRight, contentsRect().width());
    if (shown != text())
        setText(shown);
    // The whole text is always at hand on hover, shortened or not.
    setToolTip(plainToolTip(m_fullText));
    // A screen reader reads the whole text too, and not the tooltip's markup (which
    // it would read as the description when there is none).
    setAccessibleName(m_fullText);
    setAccessibleDescription(m_fullText);
}

void ElidedLabel::copyFullText() const
{
    QGuiApplication::clipboard()->setText(m_fullText);
}

void ElidedLabel::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy) && hasSelectedText()) {
        copyFullText();
        event->accept();
        return;
    }
    QLabel::keyPressEvent(event);
}

void ElidedLabel::contextMenuEvent(QContextMenuEvent* event)
{
    if (!(textInteractionFlags() & Qt::TextSelectableByMouse)) {
        QLabel::contextMenuEvent(event);
        return;
    }
    auto* menu = new ContextMenu(this);
    menu->setObjectName(QStringLiteral("elidedLabelMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* copy = menu->addAction(Localized::text("common.copy"), this, [this] { copyFullText(); });
    copy->setObjectName(QStringLiteral("copyAction"));
    menu->popup(event->globalPos());
    event->accept();
}
