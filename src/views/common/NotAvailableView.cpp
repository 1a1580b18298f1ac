#include "views/common/NotAvailableView.h"

#include "state/LocalizationManager.h"
#include "views/common/Appearance.h"
#include "views/common/Localized.h"

#include <QLabel>
#include <QVBoxLayout>

using Appearance::TextStyle;

NotAvailableView::NotAvailableView(const QString& titleKey, QWidget* parent)
    : QWidget(parent)
    , m_titleKey(titleKey)
    , m_title(new QLabel(this))
{
    setObjectName(QStringLiteral("notAvailableView"));
    auto* column = new QVBoxLayout(this);
    column->addStretch(1);
    m_title->setObjectName(QStringLiteral("notAvailableTitle"));
    m_title->setTextFormat(Qt::PlainText);
    m_title->setFont(Appearance::font(TextStyle::Title2));
    auto* note = new QLabel(QStringLiteral("Not available yet · 暂未开放"), this);
    note->setObjectName(QStringLiteral("notAvailableNote"));
    note->setFont(Appearance::font(TextStyle::Subheadline));
    note->setStyleSheet(QStringLiteral("color: %1;").arg(Appearance::secondaryText().name()));
    column->addWidget(m_title, 0, Qt::AlignHCenter);
    column->addWidget(note, 0, Qt::AlignHCenter);
    column->addStretch(1);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &NotAvailableView::retranslate);
    retranslate();
}

void NotAvailableView::retranslate()
{
    m_title->setText(Localized::text(m_titleKey));
}

PlaceholderView::PlaceholderView(const QString& key, QWidget* parent)
    : QWidget(parent)
    , m_key(key)
    , m_label(new QLabel(this))
{
    setObjectName(QStringLiteral("placeholderView"));
    auto* column = new QVBoxLayout(this);
    m_label->setObjectName(QStringLiteral("placeholderText"));
    m_label->setTextFormat(Qt::PlainText);
    m_label->setFont(Appearance::font(TextStyle::Title2));
    m_label->setStyleSheet(QStringLiteral("color: %1;").arg(Appearance::secondaryText().name()));
    m_label->setAlignment(Qt::AlignCenter);
    column->addWidget(m_label);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &PlaceholderView::retranslate);
    retranslate();
}

void PlaceholderView::retranslate()
{
    m_label->setText(Localized::text(m_key));
}
