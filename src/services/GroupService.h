#pragma once

#include "models/ChatGroup.h"
#include "models/GroupMember.h"

#include <QCoroTask>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

class APIClient;
namespace json {
class Reader;
class Writer;
}

// Groups, their members and the custom roles inside a group.
class GroupService final {
public:
    // Permission name ("canSendMessage", "canInvite", ...) to whether it is granted.
    using Permissions = QMap<QString, bool>;

    struct GroupRole {
        qint64 id = 0;
        qint64 groupId = 0;
        QString name;
        std::optional<QString> color;
        std::optional<Permissions> permissions;

        static GroupRole read(const json::Reader& reader);
        void write(json::Writer& writer) const;
    };

    struct JoinRequest {
        qint64 id = 0;
        qint64 userId = 0;
        std::optional<QString> username;
        std::optional<QString> avatar;
        std::optional<QString> message;
        std::optional<QString> status;
        std::optional<QString> createdAt;

        static JoinRequest read(const json::Reader& reader);
        void write(json::Writer& writer) const;
    };

    struct MentionItem {
        qint64 id = 0;
        qint64 messageId = 0;
        qint64 conversationId = 0;
        qint64 senderId = 0;
        std::optional<QString> senderName;
        std::optional<QString> content;
        std::optional<QString> createdAt;
        std::optional<bool> isRead;

        static MentionItem read(const json::Reader& reader);
        void write(json::Writer& writer) const;
    };

    static GroupService& shared();
    explicit GroupService(APIClient& api)
        : api(api)
    {
    }

    QCoro::Task<QList<ChatGroup>> getGroups();
    // Members are listed by the group's conversation id, not by the group's id.
    QCoro::Task<QList<GroupMember>> getMembers(qint64 conversationId);
    // permissions is always sent, as {} when empty.
    QCoro::Task<GroupRole> createRole(
        qint64 groupId, QString name, std::optional<QString> color, Permissions permissions);
    // Absent fields are left out, so a caller may send only what changed.
    QCoro::Task<> updateRole(qint64 roleId, qint64 groupId, std::optional<QString> name, std::optional<QString> color,
        std::optional<Permissions> permissions);
    QCoro::Task<> assignRole(qint64 groupId, qint64 targetUserId, qint64 roleId);
    QCoro::Task<> removeRole(qint64 groupId, qint64 targetUserId, qint64 roleId);

    APIClient& api;
};
