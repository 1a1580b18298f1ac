#include "store/Catalogue.h"

#include "store/Database.h"
#include "store/RowJson.h"
#include "WireTime.h"

#include <QSqlQuery>

Catalogue::Catalogue(Database& db)
    : m_db(db)
{
}

QJsonArray Catalogue::gifts()
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT id, name, icon, price, category, is_active FROM gifts ORDER BY price, id"));
    QJsonArray list;
    while (query.next()) {
        QJsonObject gift;
        gift.insert(QLatin1StringView("id"), query.value(0).toLongLong());
        gift.insert(QLatin1StringView("name"), query.value(1).toString());
        rowjson::putText(gift, QLatin1StringView("icon"), query.value(2));
        gift.insert(QLatin1StringView("price"), query.value(3).toDouble());
        gift.insert(QLatin1StringView("category"), query.value(4).toString());
        gift.insert(QLatin1StringView("isActive"), query.value(5).toInt() != 0);
        list.append(gift);
    }
    return list;
}

QJsonArray Catalogue::vipLevels()
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT id, name, level, price, benefits, icon FROM vip_levels ORDER BY level"));
    QJsonArray list;
    while (query.next()) {
        QJsonObject level;
        level.insert(QLatin1StringView("id"), query.value(0).toLongLong());
        level.insert(QLatin1StringView("name"), query.value(1).toString());
        level.insert(QLatin1StringView("level"), query.value(2).toLongLong());
        level.insert(QLatin1StringView("price"), query.value(3).toDouble());
        level.insert(QLatin1StringView("benefits"), rowjson::arrayColumn(query.value(4)));
        rowjson::putText(level, QLatin1StringView("icon"), query.value(5));
        list.append(level);
    }
    return list;
}

QJsonObject Catalogue::vipStatus(qint64 userId)
{
    // Wire times sort as text, so the expiry compares without parsing.
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT m.level, l.name, m.expires_at, m.auto_renew FROM vip_memberships m"
                                               " JOIN vip_levels l ON l.level = m.level WHERE m.user_id = ? AND m.expires_at > ?"),
        { userId, wiretime::now() });
    if (!query.next())
        return { { QStringLiteral("isVip"), false } };
    return {
        { QStringLiteral("isVip"), true },
        { QStringLiteral("level"), query.value(0).toLongLong() },
        { QStringLiteral("levelName"), query.value(1).toString() },
        { QStringLiteral("expiresAt"), query.value(2).toString() },
        { QStringLiteral("autoRenew"), query.value(3).toInt() != 0 },
    };
}
