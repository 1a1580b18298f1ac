// End to end against morvane-server: the file library and its signed download
// links, sessions and devices (signing out ends tokens and sockets at once),
// two-factor sign-in with real codes, favourites and the demo blacklist.

#include "ServerProcess.h"
#include "ServerTestClient.h"
#include "Totp.h"
#include "TotpCodes.h"
#include "demo/DemoData.h"
#include "demo/DemoExtras.h"
#include "demo/DemoStaff.h"

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
    QByteArray m_firstFile = "first file\n";
    int m_users = 0;

    qint64 upload(ApiClient& owner, const QString& name, const QByteArray& bytes)
    {
        const QJsonObject request { { u"fileName"_s, name }, { u"fileType"_s, u"text/plain"_s }, { u"fileSize"_s, bytes.size() } };
        const QString key = owner.mutation(u"upload.getPresignedUrl"_s, request).data()["fileKey"_L1].toString();
        owner.mutation(u"upload.complete"_s,
            QJsonObject { { u"fileKey"_s, key }, { u"fileBuffer"_s, QString::fromLatin1(bytes.toBase64()) }, { u"contentType"_s, u"text/plain"_s } });
        return owner.query(u"files.getMyFiles"_s, QJsonObject { { u"page"_s, 1 }, { u"limit"_s, 1 } }).data()[0]["id"_L1].toInteger();
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
        device.refreshToken = device.api->login(username, u"secret123"_s).value("refresh_token"_L1).toString();
        if (!deviceId.isEmpty())
            device.live = std::make_unique<LiveClient>(m_server.wsUrl());
        if (device.live && !device.live->authenticate(device.api->token, device.api->userId(), deviceId))
            device.live.reset();
        return device;
    }

    static bool signedIn(ApiClient& client) { return client.query(u"user.getMyProfile"_s).status == 200; }

    // The single entry marked current, or nothing when there is not exactly one.
    static QJsonObject currentOf(ApiClient& client, const QString& procedure)
    {
        QJsonObject current;
        int count = 0;
        for (const QJsonValue& entry : client.query(procedure).data().toArray()) {
            if (entry["isCurrent"_L1].toBool()) {
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
            ids.append(device["deviceId"_L1].toString());
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
        return Totp::fromBase32(setup.value("secret"_L1).toString()).value_or(QByteArray());
    }

    static QString codeAt(const QByteArray& secret, int stepsFromNow) { return testtotp::codeAt(secret, stepsFromNow); }

    static int withCode(ApiClient& client, const QString& procedure, const QString& code)
    {
        return client.mutation(procedure, QJsonObject { { u"code"_s, code } }).status;
    }

    static QJsonValue mfaEnabled(ApiClient& client) { return client.query(u"user.mfaStatus"_s).data()["enabled"_L1]; }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        QVERIFY2(m_demo.start(), qPrintable(m_demo.errorString()));
        m_alice = std::make_unique<ApiClient>(m_server.baseUrl());
        m_bob = std::make_unique<ApiClient>(m_server.baseUrl());
        m_alice->registerUser(u"alice"_s);
        m_bob->registerUser(u"bob"_s);
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
        QCOMPARE(first[0]["id"_L1].toInteger(), m_files[2]);
        QCOMPARE(second[0]["id"_L1].toInteger(), m_files[0]);
        QCOMPARE(second[0]["fileSize"_L1].toInteger(), m_firstFile.size());
        QCOMPARE(second[0]["uploaderId"_L1].toInteger(), m_alice->userId());
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
        const auto link = [this](ApiClient& client, qint64 file) {
            return client.mutation(u"files.getDownloadUrl"_s, QJsonObject { { u"fileId"_s, file } });
        };
        QCOMPARE(link(*m_bob, m_files[0]).status, 404);
        QUrl url(link(*m_alice, m_files[0]).data()["signedUrl"_L1].toString());
        QCOMPARE(url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery), m_server.baseUrl());

        QUrlQuery query(url);
        const auto replace = [&query](const QString& key, const QString& value) {
            query.removeQueryItem(key);
            query.addQueryItem(key, value);
        };
        if (change == u"signature") {
            QString signature = query.queryItemValue(u"signature"_s);
            signature[0] = signature[0] == u'0' ? u'1' : u'0';
            replace(u"signature"_s, signature);
        } else if (change == u"expires") {
            replace(u"expires"_s, QString::number(query.queryItemValue(u"expires"_s).toLongLong() + 3600));
        } else if (change == u"file") {
            url.setPath(QUrl(link(*m_alice, m_files[1]).data()["signedUrl"_L1].toString()).path());
        } else if (change == u"strip") {
            query.removeQueryItem(u"signature"_s);
        }
        url.setQuery(query);
        const HttpResult fetched = ApiClient(m_server.baseUrl()).get(url.toString(QUrl::RemoveScheme | QUrl::RemoveAuthority));
        QCOMPARE(fetched.status, status);
        QCOMPARE(fetched.body == m_firstFile, status == 200);
    }

    void devicesAndSigningOut()
    {
        Device laptop = signIn(u"alice"_s, u"alice-laptop"_s);
        Device phone = signIn(u"alice"_s, u"alice-phone"_s);
        Device tablet = signIn(u"alice"_s, u"alice-tablet"_s);
        QVERIFY(laptop.live && phone.live && tablet.live && !tablet.refreshToken.isEmpty());

        QCOMPARE(deviceIds(*laptop.api), QStringList({ u"alice-laptop"_s, u"alice-phone"_s, u"alice-tablet"_s }));
        const QJsonObject current = currentOf(*laptop.api, u"session.myDevices"_s);
        QCOMPARE(current.value("deviceId"_L1).toString(), u"alice-laptop"_s);
        QVERIFY(current.value("isActive"_L1).toBool());
        QCOMPARE(currentOf(*phone.api, u"session.myDevices"_s).value("deviceId"_L1).toString(), u"alice-phone"_s);

        // Another user cannot reach Alice's devices or sessions.
        const qint64 tabletSession = currentOf(*tablet.api, u"user.listSessions"_s).value("id"_L1).toInteger();
        QVERIFY(tabletSession > 0 && currentOf(*laptop.api, u"user.listSessions"_s).value("id"_L1).toInteger() != tabletSession);
        const QJsonObject logout { { u"token"_s, u"alice-phone"_s } }, revoke { { u"sessionId"_s, tabletSession } };
        QCOMPARE(m_bob->mutation(u"session.logout"_s, logout).status, 404);
        QCOMPARE(m_bob->mutation(u"user.revokeSession"_s, revoke).status, 404);
        QVERIFY(signedIn(*phone.api) && signedIn(*tablet.api));

        QCOMPARE(laptop.api->mutation(u"session.logout"_s, logout).status, 200);
        QVERIFY(phone.live->waitForClose());
        QVERIFY(!signedIn(*phone.api) && signedIn(*laptop.api));
        QCOMPARE(laptop.api->mutation(u"user.revokeSession"_s, revoke).status, 200);
        QVERIFY(tablet.live->waitForClose());
        QVERIFY(!signedIn(*tablet.api));
        // Its refresh token died with it.
        QCOMPARE(tablet.api->postJson(u"/api/auth/refresh"_s, { { u"refreshToken"_s, tablet.refreshToken } }).status, 401);
        QCOMPARE(deviceIds(*laptop.api), QStringList({ u"alice-laptop"_s }));
        QCOMPARE(laptop.api->mutation(u"session.logout"_s, logout).status, 404);
        QCOMPARE(laptop.api->mutation(u"user.revokeSession"_s, revoke).status, 404);
    }

    // A device id is the client's own text: an overlong one is kept to its first 128
    // characters rather than refused, so the channel still opens.
    void overlongDeviceIdIsCut()
    {
        auto user = newUser();
        LiveClient live(m_server.wsUrl());
        QVERIFY(live.authenticate(user->token, user->userId(), QString(300, u'd')));
        QCOMPARE(deviceIds(*user), QStringList({ QString(128, u'd') }));
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
        QVERIFY(!signedIn(*desk.api) && !signedIn(*script.api) && !signedIn(*m_bob));
        QVERIFY(signedIn(*kept.api) && kept.live->isOpen());
        QCOMPARE(deviceIds(*kept.api), QStringList({ u"bob-home"_s }));
    }

    void twoFactorLifecycle()
    {
        auto carol = newUser();
        QCOMPARE(withCode(*carol, u"user.verifyMFA"_s, u"123456"_s), 400);

        const QJsonObject setup = carol->mutation(u"user.setupMFA"_s).data().toObject();
        const QByteArray secret = secretOf(setup);
        // 160 bits: the key length authenticator apps are built for (RFC 4226).
        QCOMPARE(secret.size(), 20);
        const QString address = setup.value("qrCodeUrl"_L1).toString();
        QVERIFY2(address.startsWith(u"otpauth://totp/"_s) && address.contains(setup.value("secret"_L1).toString()), qPrintable(address));
        QCOMPARE(setup.value("backupCodes"_L1).toArray().size(), 8);
        QCOMPARE(mfaEnabled(*carol), QJsonValue(false));

        const QString code = codeAt(secret, 0);
        QCOMPARE(withCode(*carol, u"user.verifyMFA"_s, code), 200);
        QCOMPARE(carol->query(u"user.mfaStatus"_s).data().toObject(), QJsonObject({ { u"enabled"_s, true }, { u"hasBackupCodes"_s, true } }));
        QCOMPARE(carol->mutation(u"user.setupMFA"_s).status, 409);

        // A code works once: replaying it is refused, a backup code still works.
        QCOMPARE(withCode(*carol, u"user.disableMFA"_s, code), 400);
        QCOMPARE(withCode(*carol, u"user.disableMFA"_s, setup.value("backupCodes"_L1)[0].toString()), 200);
        QCOMPARE(mfaEnabled(*carol), QJsonValue(false));
        QCOMPARE(withCode(*carol, u"user.disableMFA"_s, codeAt(secret, 1)), 400);
    }

    // With two-factor on, the password alone signs nobody in: the answer asks for the
    // code (in the client's language) and carries no tokens. A right authenticator code
    // and an unused backup code each work once; wrong codes count against the sign-in
    // limit like wrong passwords.
    void twoFactorSignIn()
    {
        auto user = newUser();
        const QString name = u"mfa%1"_s.arg(m_users);
        const QJsonObject setup = user->mutation(u"user.setupMFA"_s).data().toObject();
        const QByteArray secret = secretOf(setup);
        const QString backup = setup.value("backupCodes"_L1)[2].toString();
        QCOMPARE(withCode(*user, u"user.verifyMFA"_s, codeAt(secret, 0)), 200);

        ApiClient client(m_server.baseUrl());
        client.language = "vi";
        const auto signIn = [&](const QString& password, const std::optional<QString>& code) {
            QJsonObject body { { u"username"_s, name }, { u"password"_s, password } };
            if (code)
                body.insert(u"code"_s, *code);
            return client.postJson(u"/api/auth/login"_s, body);
        };
        struct Step {
            const char* what;
            QString password;
            std::optional<QString> code;
            int status;
            QString error; // empty: signed in
        };
        const QString authenticator = codeAt(secret, 1);
        const QString wrong = authenticator == u"000000" ? u"111111"_s : u"000000"_s;
        const QList<Step> steps {
            { "password alone", u"secret123"_s, std::nullopt, 401, u"Hãy nhập mã từ ứng dụng xác thực hoặc một mã dự phòng"_s },
            { "blank code", u"secret123"_s, u"  "_s, 401, u"Hãy nhập mã từ ứng dụng xác thực hoặc một mã dự phòng"_s },
            { "wrong code", u"secret123"_s, wrong, 401, u"Mã không đúng"_s },
            { "wrong password, right code", u"wrong-one"_s, authenticator, 400, u"Sai tên người dùng hoặc mật khẩu"_s },
            { "authenticator code", u"secret123"_s, authenticator, 200, QString() },
            { "the same code again", u"secret123"_s, authenticator, 401, u"Mã không đúng"_s },
            { "backup code", u"secret123"_s, backup, 200, QString() },
            { "the same backup code again", u"secret123"_s, backup, 401, u"Mã không đúng"_s },
        };
        for (const Step& step : steps) {
            const HttpResult result = signIn(step.password, step.code);
            const QJsonObject body = result.json().toObject();
            QVERIFY2(result.status == step.status, step.what);
            QVERIFY2(body.contains("app_session_id"_L1) == step.error.isEmpty(), step.what);
            QVERIFY2(body.contains("refresh_token"_L1) == step.error.isEmpty(), step.what);
            QVERIFY2(body.value("mfaRequired"_L1).toBool() == (step.status == 401), step.what);
            QCOMPARE(body.value("error"_L1).toString(), step.error);
        }

        // Four attempts count so far (a wrong code, a wrong password, two replays); asking
        // for the code and signing in took theirs back. Six more wrong codes use up the
        // ten, and then even a right code is held off.
        for (int i = 0; i < 6; ++i)
            QCOMPARE(signIn(u"secret123"_s, wrong).status, 401);
        QCOMPARE(signIn(u"secret123"_s, setup.value("backupCodes"_L1)[3].toString()).status, 429);
    }

    // Which codes switch two-factor on (the authenticator's only: it proves the secret
    // reached one) and which switch it off (a backup code too).
    void twoFactorCodes_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("switchingOff"); // switched on with a fresh code first
        QTest::addColumn<int>("status");
        QTest::newRow("current step") << u"step 0"_s << false << 200;
        QTest::newRow("one step back") << u"step -1"_s << false << 200;
        QTest::newRow("one step ahead") << u"step 1"_s << false << 200;
        QTest::newRow("two steps back") << u"step -2"_s << false << 400;
        QTest::newRow("three steps ahead") << u"step 3"_s << false << 400;
        QTest::newRow("backup code to switch on") << u"backup"_s << false << 400;
        QTest::newRow("backup code to switch off") << u"backup"_s << true << 200;
        QTest::newRow("backup code, capitals, no dash, to switch off") << u"BACKUP"_s << true << 200;
        QTest::newRow("not a code") << u"abcdef"_s << false << 400;
        QTest::newRow("right code after five wrong guesses") << u"guessed"_s << false << 400;
    }

    void twoFactorCodes()
    {
        QFETCH(QString, kind);
        QFETCH(bool, switchingOff);
        QFETCH(int, status);
        auto user = newUser();
        const QJsonObject setup = user->mutation(u"user.setupMFA"_s).data().toObject();
        const QString backup = setup.value("backupCodes"_L1)[1].toString();
        QString code = kind;
        if (kind.startsWith(u"step "_s)) {
            code = codeAt(secretOf(setup), kind.mid(5).toInt());
        } else if (kind == u"backup") {
            code = backup;
        } else if (kind == u"BACKUP") {
            code = backup.toUpper().remove(u'-');
        } else if (kind == u"guessed") {
            code = codeAt(secretOf(setup), 0);
            for (int i = 0; i < 5; ++i)
                QCOMPARE(withCode(*user, u"user.verifyMFA"_s, code == u"000000" ? u"111111"_s : u"000000"_s), 400);
        }
        if (switchingOff) {
            QCOMPARE(withCode(*user, u"user.verifyMFA"_s, codeAt(secretOf(setup), 0)), 200);
            QCOMPARE(withCode(*user, u"user.disableMFA"_s, code), status);
            QCOMPARE(mfaEnabled(*user), QJsonValue(status != 200));
            return;
        }
        QCOMPARE(withCode(*user, u"user.verifyMFA"_s, code), status);
        QCOMPARE(mfaEnabled(*user), QJsonValue(status == 200));
    }

    // The profile editor's save: the fields given are checked together and stored
    // together; absent keys stay, blank optional ones clear.
    void updateProfile_data()
    {
        QTest::addColumn<QJsonObject>("input");
        QTest::addColumn<int>("status");
        QTest::addColumn<QJsonObject>("stored"); // the fields read back; a missing key: absent

        const QJsonObject base { { u"name"_s, u"Base"_s }, { u"email"_s, u"base@example.org"_s }, { u"region"_s, u"Here"_s } };
        auto with = [&base](const QJsonObject& changes) {
            QJsonObject result = base;
            for (auto it = changes.begin(); it != changes.end(); ++it) {
                if (it->isNull())
                    result.remove(it.key());
                else
                    result.insert(it.key(), *it);
            }
            return result;
        };
        QTest::newRow("all five, trimmed")
            << QJsonObject { { u"name"_s, u" Mei Lin "_s }, { u"bio"_s, u"hi"_s }, { u"email"_s, u"mei@example.org"_s },
                             { u"gender"_s, u"female"_s }, { u"region"_s, u"Hà Nội"_s } }
            << 200
            << QJsonObject { { u"name"_s, u"Mei Lin"_s }, { u"bio"_s, u"hi"_s }, { u"email"_s, u"mei@example.org"_s },
                             { u"gender"_s, u"female"_s }, { u"region"_s, u"Hà Nội"_s } };
        QTest::newRow("absent keys unchanged") << QJsonObject { { u"bio"_s, u"x"_s } } << 200 << with({ { u"bio"_s, u"x"_s } });
        QTest::newRow("blank clears") << QJsonObject { { u"email"_s, u""_s }, { u"region"_s, u"  "_s } } << 200
                                      << with({ { u"email"_s, QJsonValue() }, { u"region"_s, QJsonValue() } });
        QTest::newRow("other gender kept") << QJsonObject { { u"gender"_s, u"other"_s } } << 200 << with({ { u"gender"_s, u"other"_s } });
        const QList<std::pair<const char*, QJsonObject>> refused {
            { "blank name", { { u"name"_s, u"  "_s } } },
            { "name too long", { { u"name"_s, QString(65, u'n') } } },
            { "bio too long", { { u"bio"_s, QString(201, u'b') } } },
            { "region too long", { { u"region"_s, QString(65, u'r') } } },
            { "gender too long", { { u"gender"_s, QString(33, u'g') } } },
            { "no at sign", { { u"email"_s, u"mei.example.org"_s } } },
            { "no domain dot", { { u"email"_s, u"mei@example"_s } } },
            { "domain ending at its dot", { { u"email"_s, u"mei@example."_s } } },
            { "domain starting with its dot", { { u"email"_s, u"mei@.org"_s } } },
            { "nothing before the at sign", { { u"email"_s, u"@example.org"_s } } },
            { "two at signs", { { u"email"_s, u"a@b@c.org"_s } } },
            { "space in e-mail", { { u"email"_s, u"m ei@example.org"_s } } },
            { "control character", { { u"name"_s, u"a\u0001b"_s } } },
            { "not text", { { u"name"_s, 5 } } },
            { "valid name with bad e-mail stores neither", { { u"name"_s, u"New"_s }, { u"email"_s, u"bad"_s } } },
        };
        for (const auto& [name, input] : refused)
            QTest::newRow(name) << input << 400 << base;
    }

    void updateProfile()
    {
        QFETCH(QJsonObject, input);
        QFETCH(int, status);
        QFETCH(QJsonObject, stored);
        auto user = newUser();
        const QJsonObject base { { u"name"_s, u"Base"_s }, { u"email"_s, u"base@example.org"_s }, { u"region"_s, u"Here"_s } };
        QCOMPARE(user->mutation(u"user.updateProfile"_s, base).status, 200);

        const HttpResult result = user->mutation(u"user.updateProfile"_s, input);
        QCOMPARE(result.status, status);
        if (status != 200)
            QVERIFY(!result.errorMessage().isEmpty());
        const QJsonObject profile = user->query(u"user.getMyProfile"_s).data().toObject();
        for (const char* field : { "name", "bio", "email", "gender", "region" })
            QCOMPARE(profile.value(QLatin1StringView(field)), stored.value(QLatin1StringView(field)));
        if (status == 200)
            QCOMPARE(result.data().toObject().value("name"_L1), stored.value("name"_L1));
    }

    // Whoever starts a demo learns its accounts from the log, once, as they are made:
    // every name is there, none of the passwords.
    void demoLogNamesItsAccounts()
    {
        const QByteArray log = m_demo.serverLog();
        std::vector<std::pair<const char*, const char*>> accounts;
        for (const DemoData::DemoUser& user : DemoData::kUsers)
            accounts.emplace_back(user.username, user.password);
        accounts.emplace_back(DemoExtras::kStranger.username, DemoExtras::kStranger.password);
        for (const DemoStaff::StaffAccount& staff : DemoStaff::kStaff)
            accounts.emplace_back(staff.username, staff.password);
        for (const auto& [username, password] : accounts) {
            QVERIFY2(log.contains(username), username);
            QVERIFY2(!log.contains(password), password);
        }
        // Started again on the same data, it adds nothing and says nothing of it.
        const qsizetype before = log.size();
        QVERIFY2(m_demo.restart(), qPrintable(m_demo.errorString()));
        QVERIFY(!m_demo.serverLog().mid(before).contains(DemoExtras::kStranger.username));
    }

    void demoBlacklistAndFavourites()
    {
        ApiClient alice(m_demo.baseUrl());
        alice.login(u"alice"_s, u"alice123"_s);
        const auto blocked = [&alice] {
            QList<qint64> ids;
            for (const QJsonValue& contact : alice.query(u"contacts.list"_s).data().toArray()) {
                if (contact["blocked"_L1].toBool())
                    ids.append(contact["contactId"_L1].toInteger());
            }
            return ids;
        };
        const QList<qint64> before = blocked();
        QCOMPARE(before.size(), 1);
        QCOMPARE(alice.mutation(u"contacts.unblock"_s, QJsonObject { { u"contactId"_s, before.first() } }).status, 200);
        QVERIFY(blocked().isEmpty());

        const auto favourites = [&alice] {
            return alice.query(u"favorites.list"_s, QJsonObject { { u"limit"_s, 50 }, { u"offset"_s, 0 } }).data().toArray();
        };
        const QJsonArray listed = favourites();
        QVERIFY(listed.size() >= 2);
        const QJsonObject removed { { u"messageId"_s, listed[0]["messageId"_L1] } };
        QCOMPARE(alice.mutation(u"favorites.remove"_s, removed).status, 200);
        QCOMPARE(alice.mutation(u"favorites.remove"_s, removed).status, 200);
        QCOMPARE(favourites().size(), listed.size() - 1);

        // Deleting the conversation's history takes its favourites out of the list.
        const qint64 conversation = listed[1]["conversationId"_L1].toInteger();
        QCOMPARE(alice.mutation(u"conversations.deleteForUser"_s, QJsonObject { { u"conversationId"_s, conversation } }).status, 200);
        for (const QJsonValue& favourite : favourites())
            QVERIFY(favourite["conversationId"_L1].toInteger() != conversation);
    }
};

QTEST_GUILESS_MAIN(TestServerAccount)
#include "tst_server_account.moc"
