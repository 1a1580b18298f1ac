#include "store/Moments.h"

#include "http/ServerError.h"
#include "store/Database.h"
#include "store/RowJson.h"
#include "store/TextRules.h"
#include "WireTime.h"

#include <QJsonObject>
#include <QSqlQuery>

namespace {

// Bound twice with the viewer's id.
const QString kVisibleTo = QStringLiteral("(m.user_id = ? OR m.visibility = 'public' OR (m.visibility = 'friends' AND EXISTS"
                                          " (SELECT 1 FROM contacts c WHERE c.user_id = m.user_id AND c.contact_id = ? AND c.blocked = 0)))");

} // namespace

Moments::Moments(Database& db)
    : m_db(db)
{
}

void Moments::requireVisible(qint64 momentId, qint64 viewerId)
{
    if (!m_db.scalar(QStringLiteral("SELECT 1 FROM moments m WHERE m.id = ? AND ") + kVisibleTo, { momentId, viewerId, viewerId }).isValid())
        throw ServerError::notFound(Text::MomentNotFound);
}

QJsonArray Moments::list(qint64 viewerId, qint64 page, qint64 limit)
{
    if (page < 1 || page > 100000)
        throw ServerError::badRequest(Text::PageFromOne);
    if (limit < 1 || limit > kMaxPageSize)
        throw ServerError::badRequest(Text::LimitRange, kMaxPageSize);
    QList<QJsonObject> moments;
    {
        QSqlQuery query = m_db.exec(QStringLiteral("SELECT m.id, m.user_id, m.content, m.images, m.visibility, m.location, m.created_at,"
                                                   " u.name, u.avatar FROM moments m JOIN users u ON u.id = m.user_id WHERE ")
                + kVisibleTo + QStringLiteral(" ORDER BY m.id DESC LIMIT ? OFFSET ?"),
            { viewerId, viewerId, limit, (page - 1) * limit });
        while (query.next()) {
            QJsonObject moment;
            moment.insert(QLatin1StringView("id"), query.value(0).toLongLong());
            moment.insert(QLatin1StringView("userId"), query.value(1).toLongLong());
            moment.insert(QLatin1StringView("content"), query.value(2).toString());
            moment.insert(QLatin1StringView("images"), rowjson::arrayColumn(query.value(3)));
            moment.insert(QLatin1StringView("visibility"), query.value(4).toString());
            rowjson::putText(moment, QLatin1StringView("location"), query.value(5));
            moment.insert(QLatin1StringView("createdAt"), query.value(6).toString());
            moment.insert(QLatin1StringView("userName"), query.value(7).toString());
            rowjson::putText(moment, QLatin1StringView("userAvatar"), query.value(8));
            moments.append(moment);
        }
    }
    QJsonArray feed;
    for (QJsonObject& moment : moments) {
        const qint64 id = moment.value(QLatin1StringView("id")).toInteger();
        const QJsonArray likes = likesOf(id);
        const QJsonArray comments = commentsOf(id);
        moment.insert(QLatin1StringView("likes"), likes);
        moment.insert(QLatin1StringView("comments"), comments);
        moment.insert(QLatin1StringView("likeCount"), likes.size());
        moment.insert(QLatin1StringView("commentCount"), comments.size());
        feed.append(moment);
    }
    return feed;
}

QJsonArray Moments::likesOf(qint64 momentId)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT l.id, l.user_id, u.name, l.created_at FROM moment_likes l"
                                               " JOIN users u ON u.id = l.user_id WHERE l.moment_id = ? ORDER BY l.id"),
        { momentId });
    QJsonArray likes;
    while (query.next()) {
        likes.append(QJsonObject {
            { QStringLiteral("id"), query.value(0).toLongLong() },
            { QStringLiteral("momentId"), momentId },
            { QStringLiteral("userId"), query.value(1).toLongLong() },
            { QStringLiteral("userName"), query.value(2).toString() },
            { QStringLiteral("createdAt"), query.value(3).toString() },
        });
    }
    return likes;
}

QJsonArray Moments::commentsOf(qint64 momentId)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT c.id, c.user_id, c.content, c.reply_to_id, c.created_at, u.name, ru.name"
                                               " FROM moment_comments c JOIN users u ON u.id = c.user_id"
                                               " LEFT JOIN moment_comments r ON r.id = c.reply_to_id"
                                               " LEFT JOIN users ru ON ru.id = r.user_id"
                                               " WHERE c.moment_id = ? ORDER BY c.id"),
        { momentId });
    QJsonArray comments;
    while (query.next()) {
        QJsonObject comment;
        comment.insert(QLatin1StringView("id"), query.value(0).toLongLong());
        comment.insert(QLatin1StringView("momentId"), momentId);
        comment.insert(QLatin1StringView("userId"), query.value(1).toLongLong());
        comment.insert(QLatin1StringView("content"), query.value(2).toString());
        rowjson::putInteger(comment, QLatin1StringView("replyToId"), query.value(3));
        comment.insert(QLatin1StringView("createdAt"), query.value(4).toString());
        comment.insert(QLatin1StringView("userName"), query.value(5).toString());
        rowjson::putText(comment, QLatin1StringView("replyToUserName"), query.value(6));
        comments.append(comment);
    }
    return comments;
}

qint64 Moments::create(qint64 userId, const NewMoment& moment)
{
    static const QStringList visibilities { QStringLiteral("public"), QStringLiteral("friends"), QStringLiteral("private") };
    if (!visibilities.contains(moment.visibility))
        throw ServerError::badRequest(Text::VisibilityValues);
    const QStringList images = moment.images.value_or(QStringList());
    if (images.size() > kMaxImages)
        throw ServerError::badRequest(Text::TooManyPictures, kMaxImages);
    for (const QString& image : images)
        textrules::checkAddress(image, Text::NounPictureAddress);
    // A post of pictures alone may leave the text empty.
    const QString content = images.isEmpty() ? textrules::required(moment.content, kMaxContent, Text::NounText, true)
                                             : textrules::optional(moment.content, kMaxContent, Text::NounText, true).value_or(QString());
    const auto location = textrules::optional(moment.location, kMaxLocation, Text::NounLocation);
    return m_db.insert(QStringLiteral("INSERT INTO moments (user_id, content, images, visibility, location, created_at)"
                                      " VALUES (?, ?, ?, ?, ?, ?)"),
        { userId, content, rowjson::arrayText(QJsonArray::fromStringList(images)), moment.visibility,
          rowjson::orNull(location), wiretime::now() });
}

void Moments::like(qint64 userId, qint64 momentId)
{
    requireVisible(momentId, userId);
    m_db.exec(QStringLiteral("INSERT OR IGNORE INTO moment_likes (moment_id, user_id, created_at) VALUES (?, ?, ?)"),
        { momentId, userId, wiretime::now() });
}

void Moments::unlike(qint64 userId, qint64 momentId)
{
    requireVisible(momentId, userId);
    m_db.exec(QStringLiteral("DELETE FROM moment_likes WHERE moment_id = ? AND user_id = ?"), { momentId, userId });
}

qint64 Moments::comment(qint64 userId, qint64 momentId, const QString& rawContent, std::optional<qint64> replyToId)
{
    requireVisible(momentId, userId);
    const QString content = textrules::required(rawContent, kMaxComment, Text::NounComment, true);
    if (replyToId
        && !m_db.scalar(QStringLiteral("SELECT 1 FROM moment_comments WHERE id = ? AND moment_id = ?"), { *replyToId, momentId }).isValid())
        throw ServerError::badRequest(Text::CommentNotOnMoment);
    return m_db.insert(QStringLiteral("INSERT INTO moment_comments (moment_id, user_id, content, reply_to_id, created_at)"
                                      " VALUES (?, ?, ?, ?, ?)"),
        { momentId, userId, content, replyToId ? QVariant(*replyToId) : QVariant(), wiretime::now() });
}
