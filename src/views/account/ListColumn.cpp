#include "views/account/ListColumn.h"

#include "views/account/ListStateOverlay.h"
#include "views/common/Appearance.h"

#include <QLabel>
#include <QVBoxLayout>

using Appearance::TextStyle;

ListColumn::ListColumn(const QString& namePrefix, const QString& emptyIcon, QWidget* list, QWidget* parent)
    : QWidget(parent)
    , m_title(new QLabel(this))
    , m_overlay(new ListStateOverlay(this, namePrefix, emptyIcon))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_title->setObjectName(namePrefix + QStringLiteral("Title"));
    m_title->setFont(Appearance::font(TextStyle::Headline));
    m_title->setContentsMargins(14, 12, 14, 8);
    column->addWidget(m_title);
    list->setParent(this);
    list->setObjectName(namePrefix + QStringLiteral("List"));
    // The rows sit on the column's own background, as the rest of the section does.
    list->setStyleSheet(QStringLiteral("QListView { background: transparent; }"));
    column->addWidget(list, 1);
    connect(m_overlay, &ListStateOverlay::retryRequested, this, &ListColumn::retryRequested);
}

void ListColumn::setTexts(const QString& title, const QString& emptyText)
{
    m_title->setText(title);
    m_overlay->setEmptyText(emptyText);
}

void ListColumn::showState(bool loading, bool empty, const std::optional<ScreenError>& failure)
{
    m_overlay->showState(loading, empty, failure);
}
