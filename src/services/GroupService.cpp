#include "services/GroupService.h"

#include "models/Json.h"
#include "network/APIClient.h"
#include "services/Procedure.h"

using namespace Qt::Literals::StringLiterals;

namespace {

GroupService::Permissions readPermissions(const QJsonObject& object, const json::Path& at)
{
    GroupService::Permissions permissions;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QByteArray key = it.key().toUtf8();
        permissions.insert(it.key(), json::decode<bool>(it.value(), at.child(QLatin1StringView(key))));
    }
    return permissions;
}

QJsonObject writePermissions(const GroupService::Permissions& permissions)
{
    QJsonObject object;
    for (auto it = permissions.begin(); it != permissions.end(); ++it)
        object.insert(it.key(), it.value());
    return object;
}

// Giving a member a role and taking it back name the same three things.
struct RoleHolding {
    qint64 groupId;
    qint64 targetUserId;
    qint64 roleId;
    void write(json::Writer& w) const
    {
        w.required("groupId"_L1, groupId);
        w.required("targetUserId"_L1, targetUserId);
        w.required("roleId"_L1, roleId);
    }
};

} // namespace

GroupService::GroupRole GroupService::GroupRole::read(const json::Reader& r)
{
    GroupRole role {
        r.required<qint64>("id"_L1),
        r.required<qint64>("groupId"_L1),
        r.required<QString>("name"_L1),
        r.optional<QString>("color"_L1),
        std::nullopt,
    };
    if (const auto permissions = r.optional<QJsonObject>("permissions"_L1))
        role.permissions = readPermissions(*permissions, r.path().child("permissions"_L1));
    return role;
}

void GroupService::GroupRole::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.required("groupId"_L1, groupId);
    w.required("name"_L1, name);
    w.optional("color"_L1, color);
    if (permissions)
        w.raw("permissions"_L1, writePermissions(*permissions));
}

GroupService::JoinRequest GroupService::JoinRequest::read(const json::Reader& r)
{
    return JoinRequest {
        r.required<qint64>("id"_L1),
        r.required<qint64>("userId"_L1),
        r.optional<QString>("username"_L1),
        r.optional<QString>("avatar"_L1),
        r.optional<QString>("message"_L1),
        r.optional<QString>("status"_L1),
        r.optional<QString>("createdAt"_L1),
    };
}

void GroupService::JoinRequest::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.required("userId"_L1, userId);
    w.optional("username"_L1, username);
    w.optional("avatar"_L1, avatar);
    w.optional("message"_L1, message);
    w.optional("status"_L1, status);
    w.optional("createdAt"_L1, createdAt);
}

GroupService::MentionItem GroupService::MentionItem::read(const json::Reader& r)
{
    return MentionItem {
        r.required<qint64>("id"_L1),
        r.required<qint64>("messageId"_L1),
        r.required<qint64>("conversationId"_L1),
        r.required<qint64>("senderId"_L1),
        r.optional<QString>("senderName"_L1),
        r.optional<QString>("content"_L1),
        r.optional<QString>("createdAt"_L1),
        r.optional<bool>("isRead"_L1),
    };
}

void GroupService::MentionItem::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.required("messageId"_L1, messageId);
    w.required("conversationId"_L1, conversationId);
    w.required("senderId"_L1, senderId);
    w.optional("senderName"_L1, senderName);
    w.optional("content"_L1, content);
    w.optional("createdAt"_L1, createdAt);
    w.optional("isRead"_L1, isRead);
}

GroupService& GroupService::shared()
{
    static GroupService instance(APIClient::shared());
    return instance;
}

QCoro::Task<QList<ChatGroup>> GroupService::getGroups()
{
    return procedure::query<QList<ChatGroup>>(api, u"groups.list"_s);
}

QCoro::Task<QList<GroupMember>> GroupService::getMembers(qint64 conversationId)
{
    return procedure::query<QList<GroupMember>>(api, u"groups.getMembers"_s, procedure::Id { "conversationId"_L1, conversationId });
}

QCoro::Task<GroupService::GroupRole> GroupService::createRole(
    qint64 groupId, QString name, std::optional<QString> color, Permissions permissions)
{
    struct Input {
        qint64 groupId;
        QString name;
        std::optional<QString> color;
        Permissions permissions;
        void write(json::Writer& w) const
        {
            w.required("groupId"_L1, groupId);
            w.required("name"_L1, name);
            w.optional("color"_L1, color);
            w.raw("permissions"_L1, writePermissions(permissions));
        }
    };
    return procedure::mutation<GroupRole>(
        api, u"groupRole.create"_s, Input { groupId, std::move(name), std::move(color), std::move(permissions) });
}

QCoro::Task<> GroupService::updateRole(qint64 roleId, qint64 groupId, std::optional<QString> name,
    std::optional<QString> color, std::optional<Permissions> permissions)
{
    struct Input {
        qint64 roleId;
        qint64 groupId;
        std::optional<QString> name;
        std::optional<QString> color;
        std::optional<Permissions> permissions;
        void write(json::Writer& w) const
        {
            w.required("roleId"_L1, roleId);
            w.required("groupId"_L1, groupId);
            w.optional("name"_L1, name);
            w.optional("color"_L1, color);
            if (permissions)
                w.raw("permissions"_L1, writePermissions(*permissions));
        }
    };
    return procedure::mutation<void>(api, u"groupRole.update"_s,
        Input { roleId, groupId, std::move(name), std::move(color), std::move(permissions) });
}

QCoro::Task<> GroupService::assignRole(qint64 groupId, qint64 targetUserId, qint64 roleId)
{
    return procedure::mutation<void>(api, u"groupRole.assign"_s, RoleHolding { groupId, targetUserId, roleId });
}

QCoro::Task<> GroupService::removeRole(qint64 groupId, qint64 targetUserId, qint64 roleId)
{
    return procedure::mutation<void>(api, u"groupRole.remove"_s, RoleHolding { groupId, targetUserId, roleId });
}
