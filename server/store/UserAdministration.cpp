#include "store/UserAdministration.h"

#include "store/Database.h"
#include "store/RowJson.h"

#include <QJsonArray>
#include <QSqlQuery>

UserAdministration::UserAdministration(Database& db)
    : m_db(db)
{
}

qint64 UserAdministration::count()
{
    return m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM users")).toLongLong();
}

QJsonObject UserAdministration::list(const PageRequest& request)
{
    const PageOfIds page = pageOfMatches(m_db, QStringLiteral("SELECT id, name, username, email FROM users ORDER BY id"), request);
    QJsonArray users;
    for (const qint64 id : page.ids)
        users.append(userJson(id));
    return { { QStringLiteral("users"), users }, { QStringLiteral("total"), page.total } };
}

QJsonObject UserAdministration::userJson(qint64 userId)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT id, name, email, role, is_banned, created_at, last_signed_in, username"
                                               " FROM users WHERE id = ?"),
        { userId });
    QJsonObject user;
    if (!query.next())
        return user;
    const bool banned = query.value(4).toInt() != 0;
    user.insert(QLatin1StringView("id"), query.value(0).toLongLong());
    user.insert(QLatin1StringView("name"), query.value(1).toString());
    rowjson::putText(user, QLatin1StringView("email"), query.value(2));
    user.insert(QLatin1StringView("role"), query.value(3).toString());
    user.insert(QLatin1StringView("status"), banned ? QStringLiteral("banned") : QStringLiteral("active"));
    user.insert(QLatin1StringView("isBanned"), banned);
    user.insert(QLatin1StringView("createdAt"), query.value(5).toString());
    rowjson::putText(user, QLatin1StringView("lastLoginAt"), query.value(6));
    user.insert(QLatin1StringView("openId"), query.value(7).toString());
    return user;
}
