#include "store/UserDirectory.h"

#include "http/ServerError.h"
#include "store/Database.h"
#include "store/RowJson.h"
#include "store/TextRules.h"
#include "WireTime.h"

#include <QJsonObject>
#include <QSqlQuery>

UserDirectory::UserDirectory(Database& db)
    : m_db(db)
{
}

QString UserDirectory::containsPattern(const QString& keyword)
{
    QString escaped;
    for (const QChar c : keyword) {
        if (c == u'%' || c == u'_' || c == u'\\')
            escaped.append(u'\\');
        escaped.append(c);
    }
    return u'%' + escaped + u'%';
}

QJsonArray UserDirectory::search(qint64 searcherId, const QString& rawKeyword, const Presence& online)
{
    const QString keyword = rawKeyword.trimmed();
    if (keyword.isEmpty())
        return {};
    if (keyword.size() > kMaxKeyword)
        throw ServerError::badRequest(Text::KeywordTooLong, kMaxKeyword);
    const QString pattern = containsPattern(keyword);
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT id, username, name, avatar, bio FROM users"
                                               " WHERE id != ? AND (name LIKE ? ESCAPE '\\' OR username LIKE ? ESCAPE '\\')"
                                               " ORDER BY CASE WHEN username = ? COLLATE NOCASE THEN 0 ELSE 1 END, id LIMIT ?"),
        { searcherId, pattern, pattern, keyword, kMaxResults });
    QJsonArray list;
    while (query.next()) {
        const qint64 id = query.value(0).toLongLong();
        QJsonObject user;
        user.insert(QLatin1StringView("id"), id);
        user.insert(QLatin1StringView("openId"), query.value(1).toString());
        user.insert(QLatin1StringView("name"), query.value(2).toString());
        rowjson::putText(user, QLatin1StringView("avatar"), query.value(3));
        rowjson::putText(user, QLatin1StringView("bio"), query.value(4));
        user.insert(QLatin1StringView("online"), online(id));
        list.append(user);
    }
    return list;
}

void UserDirectory::report(qint64 reporterId, qint64 userId, const QString& rawReason, const std::optional<QString>& rawDescription)
{
    if (reporterId == userId)
        throw ServerError::badRequest(Text::CannotReportYourself);
    const QString reason = textrules::required(rawReason, kMaxReason, Text::NounReason);
    const auto description = textrules::optional(rawDescription, kMaxDescription, Text::NounDescription, true);
    if (!m_db.scalar(QStringLiteral("SELECT 1 FROM users WHERE id = ?"), { userId }).isValid())
        throw ServerError::notFound(Text::UserNotFound);
    m_db.insert(QStringLiteral("INSERT INTO user_reports (reporter_id, user_id, reason, description, created_at) VALUES (?, ?, ?, ?, ?)"),
        { reporterId, userId, reason, rowjson::orNull(description), wiretime::now() });
    qInfo().noquote() << "[Server] User" << reporterId << "reported user" << userId;
}
