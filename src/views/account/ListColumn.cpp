#include "views/account/ListColumn.h"

#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/Spinner.h"
#include "views/common/VerticalScrollArea.h"

#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

using Appearance::TextStyle;

ListColumn::ListColumn(const QString& namePrefix, const QString& emptyIcon, QWidget* parent)
    : QWidget(parent)
    , m_title(new QLabel(this))
    , m_scroll(new VerticalScrollArea(this))
    , m_empty(new QWidget(this))
    , m_emptyText(new QLabel(m_empty))
    , m_spinner(new Spinner(28, Appearance::accent(), this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_title->setObjectName(namePrefix + QStringLiteral("Title"));
    m_title->setFont(Appearance::font(TextStyle::Headline));
    m_title->setContentsMargins(14, 12, 14, 8);
    column->addWidget(m_title);
    m_scroll->setObjectName(namePrefix + QStringLiteral("List"));
    column->addWidget(m_scroll, 1);

    m_empty->setObjectName(namePrefix + QStringLiteral("Empty"));
    auto* empty = new QVBoxLayout(m_empty);
    empty->setSpacing(8);
    auto* icon = new QLabel(m_empty);
    icon->setObjectName(namePrefix + QStringLiteral("EmptyIcon"));
    Icons::apply(icon, emptyIcon, 40, Appearance::secondaryText());
    m_emptyText->setFont(Appearance::font(TextStyle::Headline));
    Appearance::setTextColor(m_emptyText, Appearance::secondaryText());
    empty->addWidget(icon, 0, Qt::AlignHCenter);
    empty->addWidget(m_emptyText, 0, Qt::AlignHCenter);
}

void ListColumn::setTexts(const QString& title, const QString& emptyText)
{
    m_title->setText(title);
    m_emptyText->setText(emptyText);
}

void ListColumn::showState(bool loading, bool empty)
{
    m_spinner->setVisible(loading);
    m_spinner->raise();
    m_empty->setVisible(!loading && empty);
    m_empty->raise();
}

void ListColumn::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_spinner->move((width() - m_spinner->width()) / 2, (height() - m_spinner->height()) / 2);
    m_empty->adjustSize();
    m_empty->move((width() - m_empty->width()) / 2, (height() - m_empty->height()) / 2);
}
