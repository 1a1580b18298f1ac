#include "demo/DemoStaff.h"

#include "procedures/Procedures.h"
#include "store/Accounts.h"
#include "store/Database.h"
#include "WireTime.h"

#include <QDateTime>

namespace DemoStaff {

const StaffAccount kStaff[2] = {
    { "admin", "admin123", "系统管理员 Admin", "admin" },
    { "operator", "operator123", "客服小林 Operator Lin", "operator" },
};

namespace {

struct ServiceCase {
    const char* customer;
    const char* status;
    const char* question;
    int createdMinutesAgo;
    int acceptedMinutesAgo; // < 0: not accepted
    int replySeconds; // after creation; < 0: no reply yet
    int rating; // 0: not rated
};

// Response times 180, 60, 120, 300, 30 and 240 s; ratings 4, 5, 3 and 5 of the ended
// ones, the last of them served the day before yesterday.
const ServiceCase kCases[] = {
    { "bob", "waiting", "我的 VIP 会员没有生效 My VIP membership is not active", 8, -1, -1, 0 },
    { "zhangsan", "waiting", "怎么修改绑定的邮箱？", 5, -1, -1, 0 },
    { "wangwu", "waiting", "Photos over 10 MB fail to upload", 2, -1, -1, 0 },
    { "alice", "active", "Two-factor codes are refused on my new phone", 40, 38, 180, 0 },
    { "lisi", "active", "群公告发不出去", 25, 20, -1, 0 },
    { "bob", "ended", "How do I export a chat?", 180, 178, 60, 4 },
    { "zhangsan", "ended", "忘记密码了怎么办？", 150, 149, 120, 5 },
    { "lisi", "ended", "Someone keeps sending me spam", 120, 116, 300, 3 },
    { "wangwu", "ended", "好友申请发不出去", 90, 89, 30, 0 },
    { "alice", "ended", "How do I close my account?", 60 * 50, 60 * 50 - 2, 240, 5 },
};

struct Word {
    const char* word;
    const char* category;
    const char* level;
    const char* replacement;
    bool active;
};

const Word kWords[] = {
    { "加微信", "spam", "medium", "***", true },
    { "free bitcoin", "spam", "low", nullptr, true },
    { "刷单", "fraud", "high", nullptr, true },
    { "赌博", "illegal", "high", "**", true },
    { "damn", "profanity", "low", "d**n", false },
    { "广告", "other", nullptr, nullptr, true },
};

qint64 userId(Database& db, const char* username)
{
    return db.scalar(QStringLiteral("SELECT id FROM users WHERE username = ?"), { QString::fromUtf8(username) }).toLongLong();
}

// Minutes ago; within the last day never before today began, so what is meant to be
// served today is, whenever the demo is made.
QString minutesAgo(int minutes)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QDateTime then = now.addSecs(-60LL * minutes);
    const QDateTime startOfDay(now.date(), QTime(0, 0), Qt::UTC);
    return wiretime::format(minutes < 24 * 60 ? qMax(then, startOfDay) : then);
}

QVariant textOrNull(const char* text)
{
    return text ? QVariant(QString::fromUtf8(text)) : QVariant();
}

} // namespace

bool seedOnce(ServerContext& context)
{
    Database& db = context.db;
    if (db.scalar(QStringLiteral("SELECT value FROM meta WHERE key = 'demo_staff_seeded'")).isValid())
        return false;
    for (const char* customer : { "alice", "bob", "zhangsan", "lisi", "wangwu" }) {
        if (!userId(db, customer))
            return false;
    }

    Database::Transaction transaction(db);
    qint64 operatorId = 0;
    for (const StaffAccount& staff : kStaff) {
        qint64 id = userId(db, staff.username);
        if (!id) {
            Registration registration;
            registration.username = QString::fromUtf8(staff.username);
            registration.password = QString::fromUtf8(staff.password);
            registration.nickname = QString::fromUtf8(staff.name);
            id = context.accounts.createUser(registration);
        }
        context.accounts.setRole(id, QString::fromUtf8(staff.role));
        if (qstrcmp(staff.role, "operator") == 0)
            operatorId = id;
    }

    for (const ServiceCase& c : kCases) {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const QString created = minutesAgo(c.createdMinutesAgo);
        const QDateTime createdAt = QDateTime::fromString(created, Qt::ISODate);
        const bool served = c.acceptedMinutesAgo >= 0;
        db.exec(QStringLiteral("INSERT INTO service_sessions (customer_id, operator_id, status, last_message, rating,"
                               " created_at, accepted_at, first_reply_at, ended_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            { userId(db, c.customer), served ? QVariant(operatorId) : QVariant(), QString::fromUtf8(c.status),
              QString::fromUtf8(c.question), c.rating > 0 ? QVariant(c.rating) : QVariant(), created,
              served ? QVariant(qMax(minutesAgo(c.acceptedMinutesAgo), created)) : QVariant(),
              c.replySeconds >= 0 ? QVariant(wiretime::format(createdAt.addSecs(c.replySeconds))) : QVariant(),
              qstrcmp(c.status, "ended") == 0 ? QVariant(wiretime::format(qMin(createdAt.addSecs(c.replySeconds + 600), now))) : QVariant() });
    }

    const QString now = wiretime::now();
    for (const Word& w : kWords) {
        const QString word = QString::fromUtf8(w.word);
        db.exec(QStringLiteral("INSERT INTO sensitive_words (word, folded, category, level, replacement, is_active, created_at)"
                               " VALUES (?, ?, ?, ?, ?, ?, ?)"),
            { word, word.toCaseFolded(), textOrNull(w.category), textOrNull(w.level), textOrNull(w.replacement), w.active ? 1 : 0, now });
    }

    db.exec(QStringLiteral("UPDATE system_config SET max_group_members = 500, message_retention_days = 180,"
                           " screenshot_protection = 0, allow_registration = 1 WHERE id = 1"));

    db.exec(QStringLiteral("INSERT INTO meta (key, value) VALUES ('demo_staff_seeded', ?)"), { now });
    transaction.commit();
    return true;
}

} // namespace DemoStaff
