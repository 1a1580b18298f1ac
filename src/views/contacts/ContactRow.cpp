#include "views/contacts/ContactRow.h"

#include "state/ContactSection.h"
#include "views/chat/AvatarView.h"
#include "views/common/Appearance.h"
#include "views/common/ElidedLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using Appearance::TextStyle;

ContactRow::ContactRow(const Contact& contact, QWidget* parent)
    : QWidget(parent)
    , m_contact(contact)
{
    setObjectName(QStringLiteral("contactRow"));
    const QString name = ContactSection::displayName(contact);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 2, 8, 2);
    row->setSpacing(10);

    auto* avatar = new AvatarView(name, contact.avatar, 32, this);
    m_dot = new QLabel(avatar);
    m_dot->setObjectName(QStringLiteral("onlineDot"));
    m_dot->setFixedSize(8, 8);
    m_dot->setStyleSheet(QStringLiteral("background: #34c759; border: 1px solid white; border-radius: 4px;"));
    m_dot->move(32 - 8, 32 - 8);
    m_dot->setVisible(contact.online.value_or(false));
    row->addWidget(avatar, 0, Qt::AlignVCenter);

    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    auto* title = new ElidedLabel(name, this);
    title->setObjectName(QStringLiteral("contactName"));
    title->setFont(Appearance::font(TextStyle::Body));
    text->addWidget(title);
    if (contact.bio && !contact.bio->isEmpty()) {
        auto* bio = new ElidedLabel(*contact.bio, this);
        bio->setObjectName(QStringLiteral("contactBio"));
        bio->setFont(Appearance::font(TextStyle::Caption));
        Appearance::setTextColor(bio, Appearance::secondaryText());
        text->addWidget(bio);
    }
    row->addLayout(text, 1);
}

bool ContactRow::showsOnlineDot() const
{
    return !m_dot->isHidden();
}
