#include "views/common/PlaceholderView.h"

#include "state/common/LocalizationManager.h"
#include "views/common/Appearance.h"
#include "views/common/Localized.h"

#include <QLabel>
#include <QVBoxLayout>

using Appearance::TextStyle;

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
