#include "store/Contacts.h"

#include "http/ServerError.h"
#include "store/Blocks.h"
#include "store/Database.h"
#include "store/RowJson.h"
#include "WireTime.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>

Contacts::Contacts(Database& db)
    : m_db(db)
{
}

QJsonArray Contacts::listFor(qint64 userId, const Presence& online)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT c.id, c.user_id, c.contact_id, c.nickname, c.tags, c.blocked, c.created_at,"
                                               " u.name, u.avatar, u.bio, u.email, u.username"
                                               " FROM contacts c JOIN users u ON u.id = c.contact_id"
                                               " WHERE c.user_id = ? ORDER BY c.id"),
        { userId });
    QJsonArray list;
    while (query.next()) {
        const qint64 contactId = query.value(2).toLongLong();
        QJsonObject contact;
        contact.insert(QLatin1StringView("id"), query.value(0).toLongLong());
        contact.insert(QLatin1StringView("userId"), query.value(1).toLongLong());
        contact.insert(QLatin1StringView("contactId"), contactId);
        rowjson::putText(contact, QLatin1StringView("nickname"), query.value(3));
        const QJsonDocument tags = QJsonDocument::fromJson(query.value(4).toByteArray());
        contact.insert(QLatin1StringView("tags"), tags.isArray() ? tags.array() : QJsonArray());
        contact.insert(QLatin1StringView("blocked"), query.value(5).toInt() != 0);
        contact.insert(QLatin1StringView("createdAt"), query.value(6).toString());
        QJsonObject user;
        user.insert(QLatin1StringView("id"), contactId);
        user.insert(QLatin1StringView("name"), query.value(7).toString());
        rowjson::putText(user, QLatin1StringView("avatar"), query.value(8));
        rowjson::putText(user, QLatin1StringView("bio"), query.value(9));
        rowjson::putText(user, QLatin1StringView("email"), query.value(10));
        user.insert(QLatin1StringView("openId"), query.value(11).toString());
        user.insert(QLatin1StringView("online"), online(contactId));
        contact.insert(QLatin1StringView("user"), user);
        list.append(contact);
    }
    return list;
}

void Contacts::connect(qint64 a, qint64 b)
{
    const QString now = wiretime::now();
    for (const auto& [from, to] : { std::pair { a, b }, std::pair { b, a } })
        m_db.exec(QStringLiteral("INSERT OR IGNORE INTO contacts (user_id, contact_id, created_at) VALUES (?, ?, ?)"), { from, to, now });
}

QList<qint64> Contacts::presenceWatchers(qint64 userId)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT user_id FROM contacts WHERE contact_id = ? AND blocked = 0"
                                               " UNION"
                                               " SELECT other.user_id FROM conversation_members mine"
                                               " JOIN conversations c ON c.id = mine.conversation_id AND c.type = 'private'"
                                               " JOIN conversation_members other ON other.conversation_id = c.id AND other.user_id != mine.user_id"
                                               " WHERE mine.user_id = ?"),
        { userId, userId });
    const QSet<qint64> hidden = presenceHiddenFrom(userId);
    QList<qint64> ids;
    while (query.next()) {
        const qint64 id = query.value(0).toLongLong();
        if (!hidden.contains(id))
            ids.append(id);
    }
    return ids;
}

QSet<qint64> Contacts::presenceHiddenFrom(qint64 userId)
{
    return Blocks(m_db).around(userId);
}

void Contacts::remove(qint64 userId, qint64 contactId)
{
    QSqlQuery query = m_db.exec(QStringLiteral("DELETE FROM contacts WHERE user_id = ? AND contact_id = ?"), { userId, contactId });
    if (query.numRowsAffected() == 0)
        throw ServerError::notFound(Text::ContactNotFound);
}

void Contacts::unblock(qint64 userId, qint64 contactId)
{
    QSqlQuery query = m_db.exec(QStringLiteral("UPDATE contacts SET blocked = 0 WHERE user_id = ? AND contact_id = ?"), { userId, contactId });
    if (query.numRowsAffected() == 0)
        throw ServerError::notFound(Text::ContactNotFound);
}
