#include "demo/DemoData.h"

#include "procedures/Procedures.h"
#include "store/Accounts.h"
#include "store/Contacts.h"
#include "store/Conversations.h"
#include "store/Database.h"
#include "WireTime.h"

#include <QDateTime>
#include <QUuid>

namespace DemoData {

const DemoUser kUsers[4] = {
    { "alice", "alice123", "Alice Chen" },
    { "bob", "bob12345", "Bob Smith" },
    { "zhangsan", "zhangsan123", "张三" },
    { "lisi", "lisi123", "李四" },
};

namespace {

struct Line {
    int sender; // index into kUsers
    int minutesAgo;
    const char* text;
};

void addHistory(Database& db, qint64 conversationId, const QList<qint64>& ids, const QList<Line>& lines,
    const QString& status = QStringLiteral("read"))
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const Line& line : lines) {
        db.insert(QStringLiteral("INSERT INTO messages (conversation_id, sender_id, type, content, status, server_msg_id,"
                                 " created_at) VALUES (?, ?, 'text', ?, ?, ?, ?)"),
            { conversationId, ids[line.sender], QString::fromUtf8(line.text), status,
              QUuid::createUuid().toString(QUuid::WithoutBraces),
              wiretime::format(now.addSecs(-60LL * line.minutesAgo)) });
    }
}

void markAllRead(Database& db, qint64 conversationId)
{
    db.exec(QStringLiteral("UPDATE conversation_members SET last_read_id ="
                           " (SELECT COALESCE(MAX(id), 0) FROM messages WHERE conversation_id = ?) WHERE conversation_id = ?"),
        { conversationId, conversationId });
}

} // namespace

bool seedOnce(ServerContext& context)
{
    Database& db = context.db;
    if (db.scalar(QStringLiteral("SELECT value FROM meta WHERE key = 'demo_seeded'")).isValid())
        return false;

    Database::Transaction transaction(db);
    QList<qint64> ids;
    for (const DemoUser& user : kUsers) {
        const QVariant existing = db.scalar(QStringLiteral("SELECT id FROM users WHERE username = ?"), { QString::fromUtf8(user.username) });
        if (existing.isValid()) {
            ids.append(existing.toLongLong());
            continue;
        }
        Registration registration;
        registration.username = QString::fromUtf8(user.username);
        registration.password = QString::fromUtf8(user.password);
        registration.nickname = QString::fromUtf8(user.name);
        ids.append(context.accounts.createUser(registration));
    }
    db.exec(QStringLiteral("UPDATE users SET bio = ? WHERE id = ?"), { QStringLiteral("Coffee first, code second."), ids[0] });
    db.exec(QStringLiteral("UPDATE users SET bio = ? WHERE id = ?"), { QStringLiteral("周末去爬山 🏔"), ids[2] });
    for (int a = 0; a < ids.size(); ++a) {
        for (int b = a + 1; b < ids.size(); ++b)
            context.contacts.connect(ids[a], ids[b]);
    }

    const qint64 aliceBob = context.conversations.openPrivate(ids[0], ids[1]);
    addHistory(db, aliceBob, ids,
        {
            { 1, 180, "Hi Alice! Did you get the slides for tomorrow?" },
            { 0, 175, "Yes, thanks. I'll add the budget page tonight." },
            { 1, 170, "Great. Lunch after the meeting?" },
            { 0, 168, "Sure, the noodle place? 🍜" },
        });
    markAllRead(db, aliceBob);
    // Two messages Alice has not read yet, so the list shows an unread badge.
    addHistory(db, aliceBob, ids,
        {
            { 1, 12, "Running ten minutes late, sorry!" },
            { 1, 11, "Order me the usual 😄" },
        },
        QStringLiteral("delivered"));

    const qint64 aliceZhang = context.conversations.openPrivate(ids[0], ids[2]);
    addHistory(db, aliceZhang, ids,
        {
            { 2, 300, "你好！周六有空一起爬山吗？" },
            { 0, 290, "好啊，几点出发？" },
            { 2, 285, "早上八点，地铁站见。" },
        });
    markAllRead(db, aliceZhang);

    const qint64 group = context.conversations.createGroup(ids[0], QStringLiteral("周末爬山 Weekend Hiking"), { ids[1], ids[2], ids[3] });
    addHistory(db, group, ids,
        {
            { 0, 240, "Welcome everyone! 欢迎大家 👋" },
            { 3, 235, "大家好，我是李四。" },
            { 1, 230, "Hello! Where do we meet on Saturday?" },
            { 2, 225, "地铁站 A 口，早上八点。Station exit A, 8 am." },
            { 3, 60, "记得带水和防晒霜 ☀️" },
        });
    markAllRead(db, group);

    db.exec(QStringLiteral("INSERT INTO meta (key, value) VALUES ('demo_seeded', ?)"), { wiretime::now() });
    transaction.commit();
    return true;
}

} // namespace DemoData
