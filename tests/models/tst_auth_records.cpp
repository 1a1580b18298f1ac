#include "DecodeCheck.h"
#include "models/AuthResponse.h"
#include "models/LoginRequest.h"
#include "models/RegisterRequest.h"
#include "models/User.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestAuthRecords : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void user_data()
    {
        addDecodeColumns();
        QTest::newRow("minimal") << R"({"id":1,"openId":"o","name":"n"})"_ba << decodes << QString();
        QTest::newRow("no openId") << R"({"id":1,"name":"n"})"_ba << keyNotFound << u"openId"_s;
        QTest::newRow("null name") << R"({"id":1,"openId":"o","name":null})"_ba << valueNotFound << u"name"_s;
        QTest::newRow("id as text") << R"({"id":"1","openId":"o","name":"n"})"_ba << typeMismatch << u"id"_s;
        QTest::newRow("online as text") << R"({"id":1,"openId":"o","name":"n","online":"true"})"_ba << typeMismatch
                                        << u"online"_s;
        QTest::newRow("totpEnabled as number") << R"({"id":1,"openId":"o","name":"n","totpEnabled":1})"_ba
                                               << typeMismatch << u"totpEnabled"_s;
    }
    void user()
    {
        decodeRow<User>();
    }

    void userRoundTrips_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("minimal") << R"({"id":1,"openId":"o","name":"n"})"_ba;
        QTest::newRow("full") << R"({"id":2,"openId":"o","name":"张三 😀","email":"e","avatar":"a","bio":"b",
            "loginMethod":"password","role":"admin","online":false,"lastOnlineAt":"t1","totpEnabled":true,
            "gender":"female","region":"r","language":"vi","createdAt":"t2","updatedAt":"t3","lastSignedIn":"t4"})"_ba;
    }
    void userRoundTrips()
    {
        QFETCH(QByteArray, text);
        const QJsonObject source = objectOf(text);
        const User user = json::decode<User>(source);
        QCOMPARE(encodedObject(user), source);
    }

    void userEqualityIsById()
    {
        User a { 1, u"o"_s, u"A"_s };
        User b { 1, u"p"_s, u"B"_s };
        b.online = true;
        QVERIFY(a == b);
        User c = a;
        c.id = 2;
        QVERIFY(a != c);
    }

    void authResponse_data()
    {
        addDecodeColumns();
        QTest::addColumn<QStringList>("present");
        QTest::newRow("signed in") << R"({"app_session_id":"t","refresh_token":"r","user":{"id":1,"openId":"o","name":"n"}})"_ba
                                   << decodes << QString() << QStringList { u"token"_s, u"refresh"_s, u"user"_s };
        QTest::newRow("user without openId") << R"({"app_session_id":"t","user":{"id":1,"name":"n"}})"_ba
                                             << keyNotFound << u"user.openId"_s << QStringList();
        QTest::newRow("only error") << R"({"error":"bad password"})"_ba << decodes << QString()
                                    << QStringList { u"error"_s };
        QTest::newRow("null refresh token") << R"({"app_session_id":"t","refresh_token":null})"_ba << decodes
                                            << QString() << QStringList { u"token"_s };
        QTest::newRow("camel-case keys are not the wire keys") << R"({"appSessionId":"t","refreshToken":"r"})"_ba
                                                               << decodes << QString() << QStringList();
        QTest::newRow("token as number") << R"({"app_session_id":5})"_ba << typeMismatch << u"app_session_id"_s
                                         << QStringList();
    }
    void authResponse()
    {
        QFETCH(QStringList, present);
        const auto value = decodeRow<AuthResponse>();
        if (!value)
            return;
        QCOMPARE(value->appSessionId.has_value(), present.contains(u"token"_s));
        QCOMPARE(value->refreshToken.has_value(), present.contains(u"refresh"_s));
        QCOMPARE(value->user.has_value(), present.contains(u"user"_s));
        QCOMPARE(value->error.has_value(), present.contains(u"error"_s));
    }

    void requestsWriteOnlyPresentKeys()
    {
        RegisterRequest plain { u"u"_s, u"p"_s, {}, {}, {} };
        QCOMPARE(encodedObject(plain), objectOf(R"({"username":"u","password":"p"})"_ba));
        RegisterRequest invited { u"u"_s, u"p"_s, u"nick"_s, {}, u"C0DE"_s };
        QCOMPARE(encodedObject(invited),
                 objectOf(R"({"username":"u","password":"p","nickname":"nick","inviteCode":"C0DE"})"_ba));
        QCOMPARE(encodedObject(LoginRequest { u"u"_s, u"p"_s }), objectOf(R"({"username":"u","password":"p"})"_ba));
    }
};

QTEST_GUILESS_MAIN(TestAuthRecords)
#include "tst_auth_records.moc"
