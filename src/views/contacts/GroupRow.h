#pragma once

#include "models/ChatGroup.h"

#include <QWidget>

// One group in the contact list: avatar, name, member count and a chevron.
class GroupRow : public QWidget {
    Q_OBJECT
public:
    explicit GroupRow(const ChatGroup& group, QWidget* parent = nullptr);

    const ChatGroup& group() const { return m_group; }
    // The count followed directly by "contacts.members_count", or nothing without a count.
    static std::optional<QString> memberCountText(const ChatGroup& group);

private:
    ChatGroup m_group;
};
