#include "store/Conversations.h"

#include "JsonText.h"

#include "http/ServerError.h"
#include "store/Blocks.h"
#include "store/Database.h"
#include "store/RowJson.h"
#include "store/SystemSettings.h"
#include "store/UnreadCounts.h"
#include "WireTime.h"

#include <QJsonObject>
#include <QSet>
#include <QSqlQuery>

#include <numeric>

Conversations::Conversations(Database& db)
    : m_db(db)
{
}

bool Conversations::isMember(qint64 conversationId, qint64 userId)
{
    return m_db.scalar(QStringLiteral("SELECT 1 FROM conversation_members WHERE conversation_id = ? AND user_id = ?"),
                   { conversationId, userId })
        .isValid();
}

void Conversations::requireMember(qint64 conversationId, qint64 userId)
{
    if (!isMember(conversationId, userId))
        throw ServerError::notFound(Text::ConversationNotFound);
}

QList<qint64> Conversations::memberIds(qint64 conversationId)
{
    QList<qint64> ids;
    for (const QVariantList& row : m_db.rows(QStringLiteral("SELECT user_id FROM conversation_members WHERE conversation_id = ? ORDER BY user_id"),
             { conversationId }))
        ids.append(row.value(0).toLongLong());
    return ids;
}

QList<qint64> Conversations::membersReachableFrom(qint64 conversationId, qint64 userId)
{
    QList<qint64> ids = memberIds(conversationId);
    const QSet<qint64> cut = Blocks(m_db).around(userId);
    ids.removeIf([&cut](qint64 id) { return cut.contains(id); });
    return ids;
}

qint64 Conversations::openPrivate(qint64 userId, qint64 otherUserId)
{
    if (userId == otherUserId)
        throw ServerError::badRequest(Text::PrivateNeedsOtherUser);
    if (!m_db.scalar(QStringLiteral("SELECT 1 FROM users WHERE id = ?"), { otherUserId }).isValid())
        throw ServerError::notFound(Text::UserNotFound);
    Blocks(m_db).requireNone(userId, otherUserId);
    const QString key = QStringLiteral("%1:%2").arg(qMin(userId, otherUserId)).arg(qMax(userId, otherUserId));

    Database::Transaction transaction(m_db);
    const QVariant existing = m_db.scalar(QStringLiteral("SELECT id FROM conversations WHERE private_key = ?"), { key });
    if (existing.isValid()) {
        const qint64 id = existing.toLongLong();
        m_db.exec(QStringLiteral("UPDATE conversation_members SET hidden = 0 WHERE conversation_id = ? AND user_id = ?"), { id, userId });
        transaction.commit();
        return id;
    }
    const QString now = wiretime::now();
    const qint64 id = m_db.insert(QStringLiteral("INSERT INTO conversations (type, creator_id, private_key, created_at, updated_at)"
                                                 " VALUES ('private', ?, ?, ?, ?)"),
        { userId, key, now, now });
    for (const qint64 member : { userId, otherUserId })
        m_db.exec(QStringLiteral("INSERT INTO conversation_members (conversation_id, user_id, joined_at) VALUES (?, ?, ?)"),
            { id, member, now });
    transaction.commit();
    return id;
}

qint64 Conversations::createGroup(qint64 ownerId, const QString& rawName, const QList<qint64>& memberIds)
{
    const QString name = rawName.trimmed();
    if (name.isEmpty())
        throw ServerError::badRequest(Text::GroupNeedsName);
    if (name.size() > kMaxGroupName)
        throw ServerError::badRequest(Text::GroupNameTooLong, kMaxGroupName);
    // The list as sent is held to the limit before anything is done with its ids, so
    // that no request can make the event loop walk an arbitrarily long one.
    const qint64 maxMembers = SystemSettings(m_db).maxGroupMembers();
    if (memberIds.size() > maxMembers)
        throw ServerError::badRequest(Text::GroupTooManyMembers, maxMembers);
    QList<qint64> members { ownerId };
    QSet<qint64> seen { ownerId };
    for (const qint64 id : memberIds) {
        if (!seen.contains(id)) {
            seen.insert(id);
            members.append(id);
        }
    }
    if (members.size() > maxMembers)
        throw ServerError::badRequest(Text::GroupTooManyMembers, maxMembers);
    for (const qint64 id : members) {
        if (!m_db.scalar(QStringLiteral("SELECT 1 FROM users WHERE id = ?"), { id }).isValid())
            throw ServerError::notFound(Text::UserIdNotFound, id);
    }
    // Nobody is put into a group by a stranger: both still hold each other as contacts
    // (neither removed the other) and neither has blocked the other.
    Blocks blocks(m_db);
    const auto holds = [this](qint64 userId, qint64 contactId) {
        return m_db.scalar(QStringLiteral("SELECT 1 FROM contacts WHERE user_id = ? AND contact_id = ?"), { userId, contactId }).isValid();
    };
    for (const qint64 id : members) {
        if (id == ownerId)
            continue;
        if (!holds(ownerId, id) || !holds(id, ownerId) || blocks.between(id, ownerId))
            throw ServerError::forbidden(Text::NotYourContact, id);
    }

    Database::Transaction transaction(m_db);
    const QString now = wiretime::now();
    const qint64 id = m_db.insert(QStringLiteral("INSERT INTO conversations (type, name, creator_id, created_at, updated_at)"
                                                 " VALUES ('group', ?, ?, ?, ?)"),
        { name, ownerId, now, now });
    m_db.insert(QStringLiteral("INSERT INTO chat_groups (conversation_id, name, owner_id, max_members, created_at, updated_at)"
                               " VALUES (?, ?, ?, ?, ?, ?)"),
        { id, name, ownerId, maxMembers, now, now });
    for (const qint64 member : members)
        m_db.exec(QStringLiteral("INSERT INTO conversation_members (conversation_id, user_id, role, joined_at) VALUES (?, ?, ?, ?)"),
            { id, member, member == ownerId ? QStringLiteral("owner") : QStringLiteral("member"), now });
    transaction.commit();
    return id;
}

std::optional<qint64> Conversations::privatePeer(qint64 conversationId, qint64 userId)
{
    const QVariant other = m_db.scalar(QStringLiteral("SELECT m.user_id FROM conversations c"
                                                      " JOIN conversation_members m ON m.conversation_id = c.id"
                                                      " WHERE c.id = ? AND c.type = 'private' AND m.user_id != ?"),
        { conversationId, userId });
    if (!other.isValid())
        return std::nullopt;
    return other.toLongLong();
}

void Conversations::requireUnblocked(qint64 conversationId, qint64 userId)
{
    if (const auto peer = privatePeer(conversationId, userId))
        Blocks(m_db).requireNone(userId, *peer);
}

PostingRight Conversations::postingRight(qint64 conversationId, qint64 userId)
{
    // The block test is Blocks::between() for the private peer, joined in.
    const QList<QVariantList> found = m_db.rows(
        QStringLiteral("SELECT EXISTS (SELECT 1 FROM chat_groups g WHERE g.conversation_id = m.conversation_id AND g.is_active = 0),"
                       " EXISTS (SELECT 1 FROM conversations c"
                       "   JOIN conversation_members p ON p.conversation_id = c.id AND p.user_id != m.user_id"
                       "   JOIN contacts k ON k.blocked = 1 AND ((k.user_id = p.user_id AND k.contact_id = m.user_id)"
                       "                                      OR (k.user_id = m.user_id AND k.contact_id = p.user_id))"
                       "   WHERE c.id = m.conversation_id AND c.type = 'private'),"
                       " EXISTS (SELECT 1 FROM conversations c"
                       "   JOIN conversation_members p ON p.conversation_id = c.id AND p.user_id != m.user_id"
                       "   JOIN users staff ON staff.id = p.user_id AND staff.role IN ('operator', 'admin')"
                       "   JOIN users sender ON sender.id = m.user_id AND sender.role NOT IN ('operator', 'admin')"
                       "   WHERE c.id = m.conversation_id AND c.type = 'private')"
                       " FROM conversation_members m WHERE m.conversation_id = ? AND m.user_id = ?"),
        { conversationId, userId });
    PostingRight right;
    if (found.isEmpty())
        return right;
    right.member = true;
    if (found.first().value(0).toBool())
        right.refusal = ServerError::forbidden(Text::GroupDissolved);
    else if (found.first().value(1).toBool())
        right.refusal = Blocks::refusal();
    right.reachesService = found.first().value(2).toBool();
    return right;
}

QByteArray Conversations::listFor(qint64 userId, const Presence& online, const MessagesById& messagesById)
{
    // One statement whatever the number of conversations: the last message, the private
    // peer and the unread count (kept, and what was sent since it was: see UnreadCounts)
    // come with each row.
    QSqlQuery query = m_db.exec(QStringLiteral(
        "SELECT c.id, c.type, COALESCE(g.name, c.name), COALESCE(g.avatar, c.avatar), c.creator_id,"
        " c.created_at, c.updated_at, m.pinned, m.muted, ") + UnreadCounts::of(QStringLiteral("m")) + QStringLiteral(","
        " (SELECT COUNT(*) FROM conversation_members x WHERE x.conversation_id = c.id),"
        " last.id, last.created_at, peer.id, peer.name, peer.avatar"
        " FROM conversation_members m"
        " JOIN conversations c ON c.id = m.conversation_id"
        " LEFT JOIN chat_groups g ON g.conversation_id = c.id"
        " LEFT JOIN messages last ON last.id ="
        "   (SELECT MAX(id) FROM messages WHERE conversation_id = c.id AND id > m.cleared_before_id)"
        " LEFT JOIN users peer ON c.type = 'private' AND peer.id ="
        "   (SELECT p.user_id FROM conversation_members p WHERE p.conversation_id = c.id AND p.user_id != m.user_id LIMIT 1)"
        " WHERE m.user_id = ? AND m.hidden = 0"
        " ORDER BY m.pinned DESC, COALESCE(last.created_at, c.created_at) DESC, c.id DESC"),
        { userId });
    // Row by row, all but the last message, whose id is noted; the messages are read
    // at once after, and each row ends with its own. Written straight as JSON text: a
    // list of hundreds of rows built as objects first cost several times more.
    QList<QByteArray> rows;
    QList<qint64> lastIds;
    while (query.next()) {
        JsonText text;
        text.beginObject();
        JsonTextObjectOut c(text);
        c.insert(QLatin1StringView("id"), query.value(0).toLongLong());
        c.insert(QLatin1StringView("type"), query.value(1).toString());
        const bool hasPeer = !query.value(13).isNull();
        // A private conversation goes by its other member's name and picture (its own
        // when the member has none).
        if (hasPeer)
            c.insert(QLatin1StringView("name"), query.value(14).toString());
        else
            c.insertText(QLatin1StringView("name"), query.value(2));
        c.insertText(QLatin1StringView("avatar"), hasPeer && !query.value(15).isNull() ? query.value(15) : query.value(3));
        c.insertInteger(QLatin1StringView("creatorId"), query.value(4));
        c.insert(QLatin1StringView("memberCount"), query.value(10).toLongLong());
        c.insert(QLatin1StringView("createdAt"), query.value(5).toString());
        c.insert(QLatin1StringView("updatedAt"), query.value(6).toString());
        c.insert(QLatin1StringView("isPinned"), query.value(7).toInt() != 0);
        c.insert(QLatin1StringView("isMuted"), query.value(8).toInt() != 0);
        if (hasPeer) {
            const qint64 peerId = query.value(13).toLongLong();
            c.insert(QLatin1StringView("online"), online(peerId));
            // Lets the client follow the other member's presence without asking
            // for the members of every private conversation.
            c.insert(QLatin1StringView("peerId"), peerId);
        }
        lastIds.append(query.value(11).isNull() ? 0 : query.value(11).toLongLong());
        c.insertText(QLatin1StringView("lastMessageTime"), query.value(12));
        c.insert(QLatin1StringView("unreadCount"), query.value(9).toLongLong());
        rows.append(text.take());
    }
    const QHash<qint64, QByteArray> lastMessages = messagesById(lastIds);
    QByteArray list;
    list.reserve(std::accumulate(rows.cbegin(), rows.cend(), qsizetype(2), [](qsizetype sum, const QByteArray& row) { return sum + row.size() + 1; })
        + std::accumulate(lastMessages.cbegin(), lastMessages.cend(), qsizetype(0), [](qsizetype sum, const QByteArray& message) { return sum + message.size() + 16; }));
    list.append('[');
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (i > 0)
            list.append(',');
        list.append(rows[i]);
        if (const auto last = lastMessages.constFind(lastIds[i]); last != lastMessages.constEnd())
            list.append(",\"lastMessage\":").append(*last);
        list.append('}');
    }
    list.append(']');
    return list;
}

QJsonArray Conversations::groupsFor(qint64 userId)
{
    QSqlQuery query = m_db.exec(QStringLiteral(
        "SELECT g.id, g.conversation_id, g.name, g.avatar, g.description, g.owner_id, g.max_members,"
        " g.created_at, g.updated_at,"
        " (SELECT COUNT(*) FROM conversation_members x WHERE x.conversation_id = g.conversation_id)"
        " FROM chat_groups g JOIN conversation_members m ON m.conversation_id = g.conversation_id"
        " WHERE m.user_id = ? AND g.is_active = 1 ORDER BY g.id"),
        { userId });
    QJsonArray list;
    while (query.next()) {
        QJsonObject g;
        g.insert(QLatin1StringView("id"), query.value(0).toLongLong());
        g.insert(QLatin1StringView("conversationId"), query.value(1).toLongLong());
        g.insert(QLatin1StringView("name"), query.value(2).toString());
        rowjson::putText(g, QLatin1StringView("avatar"), query.value(3));
        rowjson::putText(g, QLatin1StringView("description"), query.value(4));
        g.insert(QLatin1StringView("ownerId"), query.value(5).toLongLong());
        g.insert(QLatin1StringView("maxMembers"), query.value(6).toLongLong());
        g.insert(QLatin1StringView("createdAt"), query.value(7).toString());
        g.insert(QLatin1StringView("updatedAt"), query.value(8).toString());
        g.insert(QLatin1StringView("memberCount"), query.value(9).toLongLong());
        list.append(g);
    }
    return list;
}

QJsonArray Conversations::membersOf(qint64 conversationId, const Presence& online)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT m.user_id, u.name, u.avatar, m.role, m.joined_at"
                                               " FROM conversation_members m JOIN users u ON u.id = m.user_id"
                                               " WHERE m.conversation_id = ?"
                                               " ORDER BY CASE m.role WHEN 'owner' THEN 0 ELSE 1 END, m.joined_at, m.user_id"),
        { conversationId });
    QJsonArray list;
    while (query.next()) {
        const qint64 userId = query.value(0).toLongLong();
        QJsonObject member;
        member.insert(QLatin1StringView("userId"), userId);
        member.insert(QLatin1StringView("name"), query.value(1).toString());
        rowjson::putText(member, QLatin1StringView("avatar"), query.value(2));
        member.insert(QLatin1StringView("role"), query.value(3).toString());
        member.insert(QLatin1StringView("online"), online(userId));
        member.insert(QLatin1StringView("joinedAt"), query.value(4).toString());
        list.append(member);
    }
    return list;
}

std::optional<qint64> Conversations::markRead(qint64 conversationId, qint64 userId)
{
    Database::Transaction transaction(m_db);
    const qint64 newest = m_db.scalar(QStringLiteral("SELECT COALESCE(MAX(id), 0) FROM messages WHERE conversation_id = ?"),
                                  { conversationId })
                              .toLongLong();
    const qint64 current = m_db.scalar(QStringLiteral("SELECT last_read_id FROM conversation_members"
                                                      " WHERE conversation_id = ? AND user_id = ?"),
                                   { conversationId, userId })
                               .toLongLong();
    if (newest <= current)
        return std::nullopt;
    // One row, however many messages arrived since: the others' messages show as read
    // from this receipt (see Messages), and the unread count follows the mark.
    m_db.exec(QStringLiteral("UPDATE conversation_members SET last_read_id = ?, read_receipt_id = ?"
                             " WHERE conversation_id = ? AND user_id = ?"),
        { newest, newest, conversationId, userId });
    transaction.commit();
    return newest;
}

void Conversations::deleteForUser(qint64 conversationId, qint64 userId)
{
    const qint64 newest = m_db.scalar(QStringLiteral("SELECT COALESCE(MAX(id), 0) FROM messages WHERE conversation_id = ?"),
                                  { conversationId })
                              .toLongLong();
    m_db.exec(QStringLiteral("UPDATE conversation_members SET hidden = 1, cleared_before_id = ?,"
                             " last_read_id = MAX(last_read_id, ?) WHERE conversation_id = ? AND user_id = ?"),
        { newest, newest, conversationId, userId });
}

namespace {

// Ids as one JSON array, so that a statement takes any number of them.
QString idArray(const QList<qint64>& ids)
{
    QStringList numbers;
    numbers.reserve(ids.size());
    for (const qint64 id : ids)
        numbers.append(QString::number(id));
    return u'[' + numbers.join(u',') + u']';
}

} // namespace

void Conversations::showToAll(const QList<qint64>& conversationIds)
{
    if (conversationIds.isEmpty())
        return;
    m_db.run(QStringLiteral("UPDATE conversation_members SET hidden = 0"
                            " WHERE hidden = 1 AND conversation_id IN (SELECT value FROM json_each(?))"),
        { idArray(conversationIds) });
}

void Conversations::touch(const QList<qint64>& conversationIds, const QString& time)
{
    if (conversationIds.isEmpty())
        return;
    m_db.run(QStringLiteral("UPDATE conversations SET updated_at = ? WHERE id IN (SELECT value FROM json_each(?))"),
        { time, idArray(conversationIds) });
}

qint64 Conversations::clearedBefore(qint64 conversationId, qint64 userId)
{
    return m_db.scalar(QStringLiteral("SELECT cleared_before_id FROM conversation_members WHERE conversation_id = ? AND user_id = ?"),
                   { conversationId, userId })
        .toLongLong();
}
