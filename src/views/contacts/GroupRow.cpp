#include "views/contacts/GroupRow.h"

#include "views/chat/AvatarView.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/ElidedLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using Appearance::TextStyle;

std::optional<QString> GroupRow::memberCountText(const ChatGroup& group)
{
    if (!group.memberCount)
        return std::nullopt;
    return QString::number(*group.memberCount) + Localized::text("contacts.members_count");
}

GroupRow::GroupRow(const ChatGroup& group, QWidget* parent)
    : QWidget(parent)
    , m_group(group)
{
    setObjectName(QStringLiteral("groupRow"));
    setCursor(Qt::PointingHandCursor);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 2, 8, 2);
    row->setSpacing(8);
    row->addWidget(new AvatarView(group.name, group.avatar, 32, this), 0, Qt::AlignVCenter);

    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    auto* title = new ElidedLabel(group.name, this);
    title->setObjectName(QStringLiteral("groupName"));
    title->setFont(Appearance::font(TextStyle::Body));
    text->addWidget(title);
    if (const std::optional<QString> count = memberCountText(group)) {
        auto* members = new QLabel(*count, this);
        members->setObjectName(QStringLiteral("groupMemberCount"));
        members->setTextFormat(Qt::PlainText);
        members->setFont(Appearance::font(TextStyle::Caption));
        Appearance::setTextColor(members, Appearance::secondaryText());
        text->addWidget(members);
    }
    row->addLayout(text, 1);

    auto* chevron = new QLabel(this);
    chevron->setObjectName(QStringLiteral("groupChevron"));
    Icons::apply(chevron, QStringLiteral("chevron.right"), 12, Appearance::secondaryText());
    row->addWidget(chevron, 0, Qt::AlignVCenter);
}
