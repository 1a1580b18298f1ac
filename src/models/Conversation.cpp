#include "models/Conversation.h"

#include "models/NestedProfile.h"

using namespace Qt::StringLiterals;

namespace {

struct LastMessageObject {
    std::optional<qint64> id;
    std::optional<qint64> conversationId;
    std::optional<qint64> senderId;
    std::optional<QString> type;
    std::optional<QString> content;
    std::optional<QString> createdAt;
    std::optional<QString> revokedAt;
    std::optional<bool> removedByAdmin;
    std::optional<QString> notice;
    std::optional<QString> senderName;

    static LastMessageObject read(const json::Reader& r)
    {
        LastMessageObject m;
        m.id = r.optional<qint64>("id"_L1);
        m.conversationId = r.optional<qint64>("conversationId"_L1);
        m.senderId = r.optional<qint64>("senderId"_L1);
        m.type = r.optional<QString>("type"_L1);
        m.content = r.optional<QString>("content"_L1);
        m.createdAt = r.optional<QString>("createdAt"_L1);
        m.revokedAt = r.lenient<QString>("revokedAt"_L1);
        m.removedByAdmin = r.lenient<bool>("removedByAdmin"_L1);
        m.notice = r.lenient<QString>("notice"_L1);
        // As a message is read: the nested sender's name, else the flat one.
        if (std::optional<NestedProfile> sender = r.nested<NestedProfile>("sender"_L1))
            m.senderName = std::move(sender->name);
        else
            m.senderName = r.lenient<QString>("senderName"_L1);
        return m;
    }
};

} // namespace

QString Conversation::previewText(const std::optional<QString>& messageType)
{
    struct Preview {
        QLatin1StringView type;
        QStringView text;
    };
    static constexpr Preview previews[] {
        { "image"_L1, u"[图片]" },
        { "voice"_L1, u"[语音]" },
        { "video"_L1, u"[视频]" },
        { "file"_L1, u"[文件]" },
        { "sticker"_L1, u"[表情]" },
        { "location"_L1, u"[位置]" },
        { "contact_card"_L1, u"[名片]" },
    };
    if (!messageType)
        return {};
    for (const Preview& preview : previews) {
        if (*messageType == preview.type)
            return preview.text.toString();
    }
    return {};
}

Conversation Conversation::read(const json::Reader& r)
{
    Conversation c;
    c.id = r.required<qint64>("id"_L1);
    c.type = r.required<QString>("type"_L1);
    c.name = r.optional<QString>("name"_L1);
    c.avatar = r.optional<QString>("avatar"_L1);
    c.creatorId = r.optional<qint64>("creatorId"_L1);
    c.memberCount = r.optional<qint64>("memberCount"_L1);
    c.disappearingTtl = r.optional<qint64>("disappearingTtl"_L1);
    c.createdAt = r.optional<QString>("createdAt"_L1);
    c.updatedAt = r.optional<QString>("updatedAt"_L1);
    c.unreadCount = r.optional<qint64>("unreadCount"_L1);
    c.isPinned = r.optional<bool>("isPinned"_L1);
    c.isMuted = r.optional<bool>("isMuted"_L1);
    c.online = r.optional<bool>("online"_L1);
    c.peerId = r.optional<qint64>("peerId"_L1);
    if (const std::optional<LastMessageObject> last = r.nested<LastMessageObject>("lastMessage"_L1)) {
        QString preview = previewText(last->type);
        if (preview.isEmpty())
            preview = last->content.value_or(QString());
        c.lastMessage = preview;
        c.lastMessageTime = last->createdAt;
        c.lastMessageId = last->id;
        c.lastMessageNotice = last->notice;
        if (last->revokedAt) {
            c.revokedPreview = RevokedPreview { false, last->senderName.value_or(QString()), last->removedByAdmin.value_or(false),
                last->senderId.value_or(0) };
        }
    } else {
        c.lastMessage = r.lenient<QString>("lastMessage"_L1);
        c.lastMessageTime = r.lenient<QString>("lastMessageTime"_L1);
    }
    return c;
}

void Conversation::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.required("type"_L1, type);
    w.optional("name"_L1, name);
    w.optional("avatar"_L1, avatar);
    w.optional("creatorId"_L1, creatorId);
    w.optional("memberCount"_L1, memberCount);
    w.optional("disappearingTtl"_L1, disappearingTtl);
    w.optional("createdAt"_L1, createdAt);
    w.optional("updatedAt"_L1, updatedAt);
    w.optional("lastMessage"_L1, lastMessage);
    w.optional("lastMessageTime"_L1, lastMessageTime);
    w.optional("unreadCount"_L1, unreadCount);
    w.optional("isPinned"_L1, isPinned);
    w.optional("isMuted"_L1, isMuted);
    w.optional("online"_L1, online);
    w.optional("peerId"_L1, peerId);
}
