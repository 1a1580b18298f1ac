// End to end against morvane-server: the file library and its signed download
// links, sessions and devices (signing out ends tokens and sockets at once),
// two-factor sign-in with real codes, favourites, and the demo membership and blacklist.

#include "ServerProcess.h"
#include "ServerTestClient.h"
#include "Totp.h"

#include <QDateTime>
#include <QJsonArray>
#include <QTest>
#include <QUrlQuery>

using testsupport::ServerProcess;
using namespace Qt::StringLiterals;

class TestServerAccount : public QObject {
    Q_OBJECT

private:
    ServerProcess m_server;
    ServerProcess m_demo { ServerProcess::Options { true, -1, {} } };
    std::unique_ptr<ApiClient> m_alice;
    std::unique_ptr<ApiClient> m_bob;
    QList<qint64> m_files;
    QByteArray m_firstFile;
    int m_users = 0;

    qint64 upload(ApiClient& owner, const QString& name, const QByteArray& bytes)
    {
        const QString key = owner.mutation(u"upload.getPresignedUrl"_s,
                                     QJsonObject { { u"fileName"_s, name }, { u"fileType"_s, u"text/plain"_s }, { u"fileSize"_s, bytes.size() } })
                                .data()[QLatin1StringView("fileKey")]
                                .toString();
        owner.mutation(u"upload.complete"_s,
            QJsonObject { { u"fileKey"_s, key }, { u"fileBuffer"_s, QString::fromLatin1(bytes.toBase64()) }, { u"contentType"_s, u"text/plain"_s } });
        for (const QJsonValue& file : owner.query(u"files.getMyFiles"_s, QJsonObject { { u"page"_s, 1 }, { u"limit"_s, 1 } }).data().toArray())
            return file[QLatin1StringView("id")].toInteger();
        return 0;
    }

    // A signed-in copy of an account, on its own device with an open live channel.
    struct Device {
        std::unique_ptr<ApiClient> api;
        std::unique_ptr<LiveClient> live;
        QString refreshToken;
    };

    Device signIn(const QString& username, const QString& deviceId)
    {
        Device device { std::make_unique<ApiClient>(m_server.baseUrl()), nullptr, {} };
        device.refreshToken = device.api->login(username, u"secret123"_s).value(QLatin1StringView("refresh_token")).toString();
        if (!deviceId.isEmpty()) {
            device.live = std::make_unique<LiveClient>(m_server.wsUrl());
            if (!device.live->authenticate(device.api->token, device.api->userId(), deviceId))
                device.live.reset();
        }
        return device;
    }

    static bool signedIn(ApiClient& client) { return client.query(u"user.getMyProfile"_s).status == 200; }

    static QJsonObject currentOf(const QJsonArray& list)
    {
        QJsonObject current;
        int count = 0;
        for (const QJsonValue& entry : list) {
            if (entry[QLatin1StringView("isCurrent")].toBool()) {
                current = entry.toObject();
                ++count;
            }
        }
        return count == 1 ? current : QJsonObject();
    }

    static QStringList deviceIds(ApiClient& client)
    {
        QStringList ids;
        for (const QJsonValue& device : client.query(u"session.myDevices"_s).data().toArray())
            ids.append(device[QLatin1StringView("deviceId")].toString());
        ids.sort();
        return ids;
    }

    std::unique_ptr<ApiClient> newUser()
    {
        auto client = std::make_unique<ApiClient>(m_server.baseUrl());
        client->registerUser(u"mfa%1"_s.arg(++m_users));
        return client;
    }

    static QByteArray secretOf(const QJsonObject& setup)
    {
        return Totp::fromBase32(setup.value(QLatin1StringView("secret")).toString()).value_or(QByteArray());
    }

    // The server's clock is this machine's: a code made just before a step ends could be
    // judged one step later, so codes are made well inside a step.
    static void awayFromStepEdge()
    {
        const qint64 into = QDateTime::currentSecsSinceEpoch() % Totp::kStepSeconds;
        if (into >= Totp::kStepSeconds - 3)
            QTest::qWait(int(Totp::kStepSeconds - into) * 1000 + 200);
    }

    static QString codeAt(const QByteArray& secret, int stepsFromNow)
    {
        return Totp::code(secret, Totp::stepAt(QDateTime::currentSecsSinceEpoch()) + stepsFromNow);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        QVERIFY2(m_demo.start(), qPrintable(m_demo.errorString()));
        m_alice = std::make_unique<ApiClient>(m_server.baseUrl());
        m_bob = std::make_unique<ApiClient>(m_server.baseUrl());
        m_alice->registerUser(u"alice"_s);
        m_bob->registerUser(u"bob"_s);
        m_firstFile = "first file\n";
        for (const QByteArray& bytes : { m_firstFile, QByteArray("second"), QByteArray("third") })
            m_files.append(upload(*m_alice, QString::fromLatin1(bytes.left(5)) + u".txt"_s, bytes));
        QVERIFY(m_files.size() == 3 && m_files[0] > 0 && m_files[2] > m_files[1]);
    }

    void filesArePagedNewestFirst()
    {
        const auto page = [](ApiClient& client, int number) {
            return client.query(u"files.getMyFiles"_s, QJsonObject { { u"page"_s, number }, { u"limit"_s, 2 } }).data().toArray();
        };
        const QJsonArray first = page(*m_alice, 1);
        const QJsonArray second = page(*m_alice, 2);
        QCOMPARE(first.size(), 2);
        QCOMPARE(second.size(), 1);
        QCOMPARE(first[0][QLatin1StringView("id")].toInteger(), m_files[2]);
        QCOMPARE(second[0][QLatin1StringView("id")].toInteger(), m_files[0]);
        QCOMPARE(second[0][QLatin1StringView("fileName")].toString(), u"first.txt"_s);
        QCOMPARE(second[0][QLatin1StringView("fileSize")].toInteger(), m_firstFile.size());
        QCOMPARE(second[0][QLatin1StringView("uploaderId")].toInteger(), m_alice->userId());
        QVERIFY(page(*m_bob, 1).isEmpty());
    }

    void signedDownloadLink_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("status");
        QTest::newRow("as given") << u""_s << 200;
        QTest::newRow("signature altered") << u"signature"_s << 403;
        QTest::newRow("expiry extended") << u"expires"_s << 403;
        QTest::newRow("signature of another file") << u"file"_s << 403;
        QTest::newRow("no signature") << u"strip"_s << 403;
    }

    void signedDownloadLink()
    {
        QFETCH(QString, change);
        QFETCH(int, status);
        QCOMPARE(m_bob->mutation(u"files.getDownloadUrl"_s, QJsonObject { { u"fileId"_s, m_files[0] } }).status, 404);
        const QJsonObject link = m_alice->mutation(u"files.getDownloadUrl"_s, QJsonObject { { u"fileId"_s, m_files[0] } }).data().toObject();
        QCOMPARE(link.value(QLatin1StringView("id")).toInteger(), m_files[0]);
        QUrl url(link.value(QLatin1StringView("signedUrl")).toString());
        QCOMPARE(url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery), m_server.baseUrl());

        QUrlQuery query(url);
        if (change == u"signature") {
            QString signature = query.queryItemValue(u"signature"_s);
            signature[0] = signature[0] == u'0' ? u'1' : u'0';
            query.removeQueryItem(u"signature"_s);
            query.addQueryItem(u"signature"_s, signature);
        } else if (change == u"expires") {
            const qint64 later = query.queryItemValue(u"expires"_s).toLongLong() + 3600;
            query.removeQueryItem(u"expires"_s);
            query.addQueryItem(u"expires"_s, QString::number(later));
        } else if (change == u"file") {
            const QUrl other(m_alice->mutation(u"files.getDownloadUrl"_s, QJsonObject { { u"fileId"_s, m_files[1] } }).data()[QLatin1StringView("signedUrl")].toString());
            url.setPath(other.path());
        } else if (change == u"strip") {
            query.removeQueryItem(u"signature"_s);
        }
        url.setQuery(query);
        ApiClient anonymous(m_server.baseUrl());
        const HttpResult fetched = anonymous.get(url.toString(QUrl::RemoveScheme | QUrl::RemoveAuthority));
        QCOMPARE(fetched.status, status);
        if (status == 200)
            QCOMPARE(fetched.body, m_firstFile);
        else
            QVERIFY(fetched.body != m_firstFile);
    }

    void devicesAndSigningOut()
    {
        Device laptop = signIn(u"alice"_s, u"alice-laptop"_s);
        Device phone = signIn(u"alice"_s, u"alice-phone"_s);
        QVERIFY(laptop.live && phone.live);

        const QJsonArray devices = laptop.api->query(u"session.myDevices"_s).data().toArray();
        QCOMPARE(deviceIds(*laptop.api), QStringList({ u"alice-laptop"_s, u"alice-phone"_s }));
        const QJsonObject current = currentOf(devices);
        QCOMPARE(current.value(QLatin1StringView("deviceId")).toString(), u"alice-laptop"_s);
        QCOMPARE(current.value(QLatin1StringView("deviceType")).toString(), u"mac"_s);
        QVERIFY(current.value(QLatin1StringView("isActive")).toBool());
        QCOMPARE(currentOf(phone.api->query(u"session.myDevices"_s).data().toArray()).value(QLatin1StringView("deviceId")).toString(), u"alice-phone"_s);

        // Another user cannot reach Alice's devices or sessions.
        const qint64 phoneSession = currentOf(phone.api->query(u"user.listSessions"_s).data().toArray()).value(QLatin1StringView("id")).toInteger();
        QVERIFY(phoneSession > 0);
        QCOMPARE(m_bob->mutation(u"session.logout"_s, QJsonObject { { u"token"_s, u"alice-phone"_s } }).status, 404);
        QCOMPARE(m_bob->mutation(u"user.revokeSession"_s, QJsonObject { { u"sessionId"_s, phoneSession } }).status, 404);
        QVERIFY(signedIn(*phone.api));

        QCOMPARE(laptop.api->mutation(u"session.logout"_s, QJsonObject { { u"token"_s, u"alice-phone"_s } }).status, 200);
        QVERIFY(phone.live->waitForClose());
        QVERIFY(!signedIn(*phone.api));
        QVERIFY(signedIn(*laptop.api));
        QCOMPARE(deviceIds(*laptop.api), QStringList({ u"alice-laptop"_s }));
        QCOMPARE(laptop.api->mutation(u"session.logout"_s, QJsonObject { { u"token"_s, u"alice-phone"_s } }).status, 404);
    }

    void revokedSessionStopsAtOnce()
    {
        Device laptop = signIn(u"bob"_s, u"bob-laptop"_s);
        Device tablet = signIn(u"bob"_s, u"bob-tablet"_s);
        QVERIFY(laptop.live && tablet.live);
        const qint64 tabletSession = currentOf(tablet.api->query(u"user.listSessions"_s).data().toArray()).value(QLatin1StringView("id")).toInteger();
        const QJsonArray sessions = laptop.api->query(u"user.listSessions"_s).data().toArray();
        QVERIFY(sessions.size() >= 2);
        QVERIFY(currentOf(sessions).value(QLatin1StringView("id")).toInteger() != tabletSession);

        QCOMPARE(laptop.api->mutation(u"user.revokeSession"_s, QJsonObject { { u"sessionId"_s, tabletSession } }).status, 200);
        QVERIFY(tablet.live->waitForClose());
        QVERIFY(!signedIn(*tablet.api));
        QVERIFY(signedIn(*laptop.api));
        // Its refresh token died with it.
        QVERIFY(!tablet.refreshToken.isEmpty());
        QCOMPARE(tablet.api->postJson(u"/api/auth/refresh"_s, { { u"refreshToken"_s, tablet.refreshToken } }).status, 401);
        QCOMPARE(laptop.api->mutation(u"user.revokeSession"_s, QJsonObject { { u"sessionId"_s, tabletSession } }).status, 404);
    }

    void revokeOthersKeepsTheCurrentDevice()
    {
        Device desk = signIn(u"bob"_s, u"bob-desk"_s);
        Device kept = signIn(u"bob"_s, u"bob-home"_s);
        Device script = signIn(u"bob"_s, QString());
        QVERIFY(desk.live && kept.live);
        QCOMPARE(kept.api->mutation(u"session.revokeOthers"_s, QJsonObject { { u"currentToken"_s, u"no-such-device"_s } }).status, 404);
        QVERIFY(signedIn(*desk.api));

        QCOMPARE(kept.api->mutation(u"session.revokeOthers"_s, QJsonObject { { u"currentToken"_s, u"bob-home"_s } }).status, 200);
        QVERIFY(desk.live->waitForClose());
        QVERIFY(!signedIn(*desk.api));
        QVERIFY(!signedIn(*script.api));
        QVERIFY(!signedIn(*m_bob));
        QVERIFY(signedIn(*kept.api));
        QVERIFY(kept.live->isOpen());
        QCOMPARE(deviceIds(*kept.api), QStringList({ u"bob-home"_s }));
        m_bob = std::move(kept.api);
    }

    void twoFactorLifecycle()
    {
        auto carol = newUser();
        QCOMPARE(carol->query(u"user.mfaStatus"_s).data()[QLatin1StringView("enabled")], QJsonValue(false));
        QCOMPARE(carol->mutation(u"user.verifyMFA"_s, QJsonObject { { u"code"_s, u"123456"_s } }).status, 400);

        const QJsonObject setup = carol->mutation(u"user.setupMFA"_s).data().toObject();
        const QByteArray secret = secretOf(setup);
        QCOMPARE(secret.size(), 20);
        const QString address = setup.value(QLatin1StringView("qrCodeUrl")).toString();
        QVERIFY2(address.startsWith(u"otpauth://totp/"_s) && address.contains(setup.value(QLatin1StringView("secret")).toString()), qPrintable(address));
        const QJsonArray backups = setup.value(QLatin1StringView("backupCodes")).toArray();
        QCOMPARE(backups.size(), 8);
        QCOMPARE(carol->query(u"user.mfaStatus"_s).data()[QLatin1StringView("enabled")], QJsonValue(false));

        const QString code = codeAt(secret, 0);
        QCOMPARE(carol->mutation(u"user.verifyMFA"_s, QJsonObject { { u"code"_s, code } }).status, 200);
        const QJsonObject status = carol->query(u"user.mfaStatus"_s).data().toObject();
        QCOMPARE(status.value(QLatin1StringView("enabled")), QJsonValue(true));
        QCOMPARE(status.value(QLatin1StringView("hasBackupCodes")), QJsonValue(true));
        QCOMPARE(carol->mutation(u"user.setupMFA"_s).status, 409);

        // A code works once: replaying it is refused, a backup code still works.
        QCOMPARE(carol->mutation(u"user.disableMFA"_s, QJsonObject { { u"code"_s, code } }).status, 400);
        const QString backup = backups[0].toString();
        QCOMPARE(carol->mutation(u"user.disableMFA"_s, QJsonObject { { u"code"_s, backup } }).status, 200);
        QCOMPARE(carol->query(u"user.mfaStatus"_s).data()[QLatin1StringView("enabled")], QJsonValue(false));
        QCOMPARE(carol->mutation(u"user.disableMFA"_s, QJsonObject { { u"code"_s, codeAt(secret, 1) } }).status, 400);
    }

    void twoFactorCodes_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("status");
        QTest::newRow("current step") << u"step 0"_s << 200;
        QTest::newRow("one step back") << u"step -1"_s << 200;
        QTest::newRow("one step ahead") << u"step 1"_s << 200;
        QTest::newRow("two steps back") << u"step -2"_s << 400;
        QTest::newRow("three steps ahead") << u"step 3"_s << 400;
        QTest::newRow("backup code") << u"backup"_s << 200;
        QTest::newRow("backup code, capitals, no dash") << u"BACKUP"_s << 200;
        QTest::newRow("spent backup code") << u"spent"_s << 400;
        QTest::newRow("not a code") << u"letters"_s << 400;
    }

    void twoFactorCodes()
    {
        QFETCH(QString, kind);
        QFETCH(int, status);
        auto user = newUser();
        const QJsonObject setup = user->mutation(u"user.setupMFA"_s).data().toObject();
        const QByteArray secret = secretOf(setup);
        const QJsonArray backups = setup.value(QLatin1StringView("backupCodes")).toArray();
        QString code;
        awayFromStepEdge();
        if (kind.startsWith(u"step "_s)) {
            code = codeAt(secret, kind.mid(5).toInt());
        } else if (kind == u"backup") {
            code = backups[1].toString();
        } else if (kind == u"BACKUP") {
            code = backups[1].toString().toUpper().remove(u'-');
        } else if (kind == u"spent") {
            QCOMPARE(user->mutation(u"user.verifyMFA"_s, QJsonObject { { u"code"_s, backups[2].toString() } }).status, 200);
            // Verify again through disable, which also needs a code.
            code = backups[2].toString();
            QCOMPARE(user->mutation(u"user.disableMFA"_s, QJsonObject { { u"code"_s, code } }).status, status);
            return;
        } else {
            code = u"abcdef"_s;
        }
        QCOMPARE(user->mutation(u"user.verifyMFA"_s, QJsonObject { { u"code"_s, code } }).status, status);
        QCOMPARE(user->query(u"user.mfaStatus"_s).data()[QLatin1StringView("enabled")], QJsonValue(status == 200));
    }

    void twoFactorStopsGuessing()
    {
        auto user = newUser();
        const QByteArray secret = secretOf(user->mutation(u"user.setupMFA"_s).data().toObject());
        const QString right = codeAt(secret, 0);
        const QString wrong = right == u"000000" ? u"111111"_s : u"000000"_s;
        for (int i = 0; i < 5; ++i)
            QCOMPARE(user->mutation(u"user.verifyMFA"_s, QJsonObject { { u"code"_s, wrong } }).status, 400);
        const HttpResult refused = user->mutation(u"user.verifyMFA"_s, QJsonObject { { u"code"_s, right } });
        QCOMPARE(refused.status, 400);
        QVERIFY2(refused.errorMessage().contains(u"Too many"_s), qPrintable(refused.errorMessage()));
        QCOMPARE(user->query(u"user.mfaStatus"_s).data()[QLatin1StringView("enabled")], QJsonValue(false));
    }

    void demoMembershipAndBlacklist()
    {
        ApiClient alice(m_demo.baseUrl());
        alice.login(u"alice"_s, u"alice123"_s);
        const QJsonObject vip = alice.query(u"vip.status"_s).data().toObject();
        QCOMPARE(vip.value(QLatin1StringView("isVip")), QJsonValue(true));
        QVERIFY(vip.value(QLatin1StringView("level")).toInteger() > 0);
        ApiClient bob(m_demo.baseUrl());
        bob.login(u"bob"_s, u"bob12345"_s);
        QCOMPARE(bob.query(u"vip.status"_s).data().toObject(), QJsonObject({ { u"isVip"_s, false } }));
        QVERIFY(alice.query(u"contacts.getPendingRequestCount"_s).data().toInteger() > 0);

        const auto blocked = [&alice] {
            QList<qint64> ids;
            for (const QJsonValue& contact : alice.query(u"contacts.list"_s).data().toArray()) {
                if (contact[QLatin1StringView("blocked")].toBool())
                    ids.append(contact[QLatin1StringView("contactId")].toInteger());
            }
            return ids;
        };
        const QList<qint64> before = blocked();
        QCOMPARE(before.size(), 1);
        QCOMPARE(alice.mutation(u"contacts.unblock"_s, QJsonObject { { u"contactId"_s, before.first() } }).status, 200);
        QVERIFY(blocked().isEmpty());
    }

    void favouritesFollowTheirConversations()
    {
        ApiClient alice(m_demo.baseUrl());
        alice.login(u"alice"_s, u"alice123"_s);
        const auto favourites = [&alice] {
            return alice.query(u"favorites.list"_s, QJsonObject { { u"limit"_s, 50 }, { u"offset"_s, 0 } }).data().toArray();
        };
        const QJsonArray before = favourites();
        QVERIFY(before.size() >= 2);
        const QJsonObject removed { { u"messageId"_s, before[0][QLatin1StringView("messageId")] } };
        QCOMPARE(alice.mutation(u"favorites.remove"_s, removed).status, 200);
        QCOMPARE(alice.mutation(u"favorites.remove"_s, removed).status, 200);
        QCOMPARE(favourites().size(), before.size() - 1);

        // Deleting the conversation's history takes its favourites out of the list.
        const qint64 conversation = before[1][QLatin1StringView("conversationId")].toInteger();
        QCOMPARE(alice.mutation(u"conversations.deleteForUser"_s, QJsonObject { { u"conversationId"_s, conversation } }).status, 200);
        for (const QJsonValue& favourite : favourites())
            QVERIFY(favourite[QLatin1StringView("conversationId")].toInteger() != conversation);
    }
};

QTEST_GUILESS_MAIN(TestServerAccount)
#include "tst_server_account.moc"
