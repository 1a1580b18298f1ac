#include "demo/DemoExtras.h"

#include "procedures/Procedures.h"
#include "store/Accounts.h"
#include "store/Database.h"
#include "store/Favorites.h"
#include "store/FriendRequests.h"
#include "store/GroupRoles.h"
#include "store/Moments.h"
#include "store/Uploads.h"
#include "Tokens.h"
#include "WireTime.h"

#include <QDateTime>
#include <QJsonObject>

namespace DemoExtras {

const DemoUser kStranger = { "wangwu", "wangwu123", "王五" };

namespace {

qint64 userId(Database& db, const char* username)
{
    return db.scalar(QStringLiteral("SELECT id FROM users WHERE username = ?"), { QString::fromUtf8(username) }).toLongLong();
}

qint64 messageWithText(Database& db, const char* text)
{
    return db.scalar(QStringLiteral("SELECT id FROM messages WHERE content = ? ORDER BY id LIMIT 1"), { QString::fromUtf8(text) }).toLongLong();
}

void uploadFile(Uploads& uploads, qint64 owner, const QString& name, const QString& type, const QByteArray& bytes)
{
    const QString key = uploads.announce(owner, name, type, bytes.size());
    uploads.complete(owner, key, bytes.toBase64(), type);
}

// A session on another device, with tokens nobody knows: it lists, and can be signed out.
void otherDevice(Database& db, qint64 owner, const QString& deviceId, const QString& type, const QString& name,
    const QString& ip, int hoursAgo)
{
    const QString seen = wiretime::format(QDateTime::currentDateTimeUtc().addSecs(-3600LL * hoursAgo));
    const qint64 now = wiretime::nowSeconds();
    db.exec(QStringLiteral("INSERT INTO devices (user_id, device_id, device_type, first_seen_at, last_seen_at) VALUES (?, ?, ?, ?, ?)"),
        { owner, deviceId, type, seen, seen });
    db.exec(QStringLiteral("INSERT INTO sessions (user_id, access_hash, access_expires, refresh_hash, refresh_expires,"
                           " device_name, platform, ip, created_at, last_active_at, device_id) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        { owner, tokens::digest(tokens::newToken()), now - 60, tokens::digest(tokens::newToken()), now + Accounts::kRefreshTtlSeconds,
          name, type, ip, seen, seen, deviceId });
}

} // namespace

bool seedOnce(ServerContext& context)
{
    Database& db = context.db;
    if (db.scalar(QStringLiteral("SELECT value FROM meta WHERE key = 'demo_extras_seeded'")).isValid())
        return false;
    const qint64 alice = userId(db, "alice");
    const qint64 bob = userId(db, "bob");
    const qint64 zhang = userId(db, "zhangsan");
    const qint64 li = userId(db, "lisi");
    if (!alice || !bob || !zhang || !li)
        return false;

    Database::Transaction transaction(db);
    Registration registration;
    registration.username = QString::fromUtf8(kStranger.username);
    registration.password = QString::fromUtf8(kStranger.password);
    registration.nickname = QString::fromUtf8(kStranger.name);
    const qint64 wang = userId(db, kStranger.username) ? userId(db, kStranger.username) : context.accounts.createUser(registration);
    db.exec(QStringLiteral("UPDATE users SET bio = ? WHERE id = ?"), { QStringLiteral("摄影爱好者 Photography fan"), wang });

    FriendRequests requests(db, context.contacts);
    requests.send(wang, alice, QStringLiteral("你好，我是王五，周末也爱爬山！"));
    requests.send(wang, bob, std::nullopt);

    // Alice keeps Li Si on her blacklist, so the privacy screen has an entry.
    db.exec(QStringLiteral("UPDATE contacts SET blocked = 1 WHERE user_id = ? AND contact_id = ?"), { alice, li });

    const qint64 group = db.scalar(QStringLiteral("SELECT id FROM chat_groups WHERE owner_id = ? ORDER BY id LIMIT 1"), { alice }).toLongLong();
    if (group) {
        GroupRoles roles(db);
        const QJsonObject all { { QStringLiteral("canSendMessage"), true }, { QStringLiteral("canInvite"), true },
            { QStringLiteral("canPin"), true }, { QStringLiteral("canAnnounce"), true }, { QStringLiteral("canManageMembers"), true } };
        const QJsonObject organizer { { QStringLiteral("canSendMessage"), true }, { QStringLiteral("canInvite"), true },
            { QStringLiteral("canPin"), true }, { QStringLiteral("canAnnounce"), false }, { QStringLiteral("canManageMembers"), false } };
        const qint64 admin = roles.create(alice, group, QStringLiteral("管理员 Admin"), QStringLiteral("#E67E22"), all)
                                 .value(QLatin1StringView("id")).toInteger();
        roles.create(alice, group, QStringLiteral("领队 Guide"), QStringLiteral("#4A90D9"), organizer);
        roles.assign(alice, group, bob, admin);
    }

    Moments moments(db);
    const qint64 hike = moments.create(zhang, { QStringLiteral("周六爬山的路线定好了，大家早点休息！"), std::nullopt, QStringLiteral("friends"),
                                                   QStringLiteral("香山 Fragrant Hills") });
    moments.like(alice, hike);
    moments.like(bob, hike);
    const qint64 question = moments.comment(alice, hike, QStringLiteral("需要带午饭吗？"), std::nullopt);
    moments.comment(zhang, hike, QStringLiteral("山顶有小卖部，带点零食就行。"), question);
    const qint64 coffee = moments.create(bob, { QStringLiteral("Found a great new coffee place downtown ☕"), std::nullopt,
                                                  QStringLiteral("public"), std::nullopt });
    moments.like(li, coffee);
    moments.comment(alice, coffee, QStringLiteral("Take me there next week!"), std::nullopt);
    moments.create(alice, { QStringLiteral("Slides done, budget page done. Time for noodles 🍜"), std::nullopt,
                              QStringLiteral("friends"), std::nullopt });

    Favorites favorites(db, context.messages);
    for (const char* text : { "早上八点，地铁站见。", "记得带水和防晒霜 ☀️" }) {
        if (const qint64 message = messageWithText(db, text))
            favorites.add(alice, message, std::nullopt);
    }

    uploadFile(context.uploads, alice, QStringLiteral("hiking-plan.txt"), QStringLiteral("text/plain; charset=utf-8"),
        QStringLiteral("周六爬山计划 Saturday hike\n08:00 地铁站 A 口 Station exit A\n09:00 出发 Start\n").toUtf8());
    uploadFile(context.uploads, alice, QStringLiteral("budget.csv"), QStringLiteral("text/csv"),
        QByteArrayLiteral("item,amount\nvenue,1200\ncatering,800\n"));

    db.exec(QStringLiteral("INSERT OR REPLACE INTO vip_memberships (user_id, level, expires_at, auto_renew) VALUES (?, 2, ?, 1)"),
        { alice, wiretime::format(QDateTime::currentDateTimeUtc().addDays(30)) });

    otherDevice(db, alice, QStringLiteral("demo-alice-iphone"), QStringLiteral("ios"), QStringLiteral("Alice's iPhone"),
        QStringLiteral("192.168.1.23"), 3);
    otherDevice(db, alice, QStringLiteral("demo-alice-office-pc"), QStringLiteral("windows"), QStringLiteral("Office PC"),
        QStringLiteral("10.0.4.17"), 26);

    db.exec(QStringLiteral("INSERT INTO meta (key, value) VALUES ('demo_extras_seeded', ?)"), { wiretime::now() });
    transaction.commit();
    return true;
}

} // namespace DemoExtras
