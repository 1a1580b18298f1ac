#include "views/contacts/InfoRow.h"

#include "views/common/Appearance.h"
#include "views/common/ElidedLabel.h"

#include <QHBoxLayout>
#include <QLabel>

InfoRow::InfoRow(const QString& title, const QString& value, QWidget* parent)
    : QWidget(parent)
    , m_title(new QLabel(title, this))
    , m_value(new ElidedLabel(value, this))
{
    setObjectName(QStringLiteral("infoRow"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    m_title->setObjectName(QStringLiteral("infoTitle"));
    m_title->setTextFormat(Qt::PlainText);
    m_title->setFixedWidth(60);
    Appearance::setTextColor(m_title, Appearance::secondaryText());
    m_value->setObjectName(QStringLiteral("infoValue"));
    m_value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(m_title);
    row->addWidget(m_value, 1);
}

void InfoRow::setTitle(const QString& title)
{
    m_title->setText(title);
}

QString InfoRow::value() const
{
    return static_cast<ElidedLabel*>(m_value)->fullText();
}
