#pragma once

// The moments feed: posts with pictures, likes and comments. Who sees a post follows
// its visibility: "public" everyone, "friends" the author's contacts (not blocked),
// "private" the author alone. A post nobody may see answers 404, as if it did not exist.

#include <QJsonArray>
#include <QString>
#include <QStringList>

#include <optional>

class Database;

struct NewMoment {
    QString content;
    std::optional<QStringList> images;
    QString visibility;
    std::optional<QString> location;
};

class Moments {
public:
    static constexpr int kMaxContent = 2000;
    static constexpr int kMaxImages = 9;
    static constexpr int kMaxLocation = 100;
    static constexpr int kMaxComment = 500;
    static constexpr int kMaxPageSize = 50;

    explicit Moments(Database& db);

    // Newest first; page counts from 1.
    QJsonArray list(qint64 viewerId, qint64 page, qint64 limit);
    qint64 create(qint64 userId, const NewMoment& moment);
    void like(qint64 userId, qint64 momentId);
    void unlike(qint64 userId, qint64 momentId);
    // replyToId names a comment of the same moment.
    qint64 comment(qint64 userId, qint64 momentId, const QString& content, std::optional<qint64> replyToId);

private:
    void requireVisible(qint64 momentId, qint64 viewerId);
    QJsonArray likesOf(qint64 momentId);
    QJsonArray commentsOf(qint64 momentId);

    Database& m_db;
};
