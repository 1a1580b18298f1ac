#include "views/account/FormSection.h"

#include "views/common/Appearance.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using Appearance::TextStyle;

FormSection::FormSection(QWidget* parent)
    : QWidget(parent)
    , m_header(new QLabel(this))
    , m_card(new QFrame(this))
    , m_rows(new QVBoxLayout(m_card))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    m_header->setObjectName(QStringLiteral("sectionHeader"));
    m_header->setFont(Appearance::font(TextStyle::Subheadline));
    Appearance::setTextColor(m_header, Appearance::secondaryText());
    m_header->setContentsMargins(4, 0, 0, 0);
    column->addWidget(m_header);

    m_card->setObjectName(QStringLiteral("sectionCard"));
    m_card->setStyleSheet(QStringLiteral("#sectionCard { background: palette(base); border: 1px solid rgba(0,0,0,28);"
                                         " border-radius: 8px; }"
                                         "#rowDivider { background: rgba(0,0,0,22); }"));
    m_rows->setContentsMargins(12, 2, 12, 2);
    m_rows->setSpacing(0);
    column->addWidget(m_card);
}

QWidget* FormSection::addRow(QWidget* widget)
{
    auto* content = new QHBoxLayout;
    content->addWidget(widget);
    return addRow(content);
}

QWidget* FormSection::addRow(QLabel* label, QWidget* value)
{
    auto* content = new QHBoxLayout;
    content->setSpacing(12);
    content->addWidget(label);
    content->addStretch(1);
    content->addWidget(value, 0, Qt::AlignRight | Qt::AlignVCenter);
    return addRow(content);
}

QWidget* FormSection::addRow(QLayout* content)
{
    auto* row = new QWidget(m_card);
    auto* column = new QVBoxLayout(row);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* divider = new QWidget(row);
    divider->setObjectName(QStringLiteral("rowDivider"));
    divider->setAttribute(Qt::WA_StyledBackground);
    divider->setFixedHeight(1);
    column->addWidget(divider);
    content->setContentsMargins(0, 6, 0, 6);
    column->addLayout(content);
    row->setMinimumHeight(32);
    m_rows->addWidget(row);
    m_rowWidgets.append(row);
    m_dividers.append(divider);
    row->installEventFilter(this);
    updateDividers();
    return row;
}

bool FormSection::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)
        updateDividers();
    return QWidget::eventFilter(watched, event);
}

// A line above every shown row but the first shown one.
void FormSection::updateDividers()
{
    bool first = true;
    for (qsizetype i = 0; i < m_rowWidgets.size(); ++i) {
        const bool shown = !m_rowWidgets[i]->isHidden();
        m_dividers[i]->setVisible(shown && !first);
        if (shown)
            first = false;
    }
}
