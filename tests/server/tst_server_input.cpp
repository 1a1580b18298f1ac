// End to end: bad input and strangers get clear errors from morvane-server and change nothing.

#include "ServerProcess.h"
#include "ServerTestClient.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpSocket>
#include <QTest>

using namespace Qt::StringLiterals;

using testsupport::ServerProcess;

namespace {

// A "message_send" frame with these payload fields besides its client id.
QString send(const char* fields)
{
    return u"{\"type\":\"message_send\",\"payload\":{\"clientMsgId\":\"x\",%1}}"_s.arg(QLatin1StringView(fields));
}

// Kept out of the class: moc misreads "//" inside a raw string there.
const char* const localFile = R"("conversationId":C,"type":"file","fileUrl":"file:///etc/passwd")";

// Sends whose text, file name or file type holds a control character other than
// tab and line breaks.
const std::pair<const char*, const char*> controlCharacters[] = {
    { "text with NUL", R"("conversationId":C,"type":"text","content":"a\u0000b")" },
    { "text with an escape", R"("conversationId":C,"type":"text","content":"a\u001b[2Jb")" },
    { "text with DEL", R"("conversationId":C,"type":"text","content":"a\u007fb")" },
    { "file name with a line break", R"("conversationId":C,"type":"file","fileUrl":"/uploads/k","fileName":"a\r\nb.txt")" },
    { "file type with NUL", R"("conversationId":C,"type":"file","fileUrl":"/uploads/k","fileName":"a.txt","fileMimeType":"text/plain\u0000")" },
};

} // namespace

class TestServerInput : public QObject {
    Q_OBJECT

private:
    ServerProcess m_server;
    std::unique_ptr<ApiClient> m_alice;
    std::unique_ptr<ApiClient> m_mallory;
    qint64 m_bobId = 0;
    qint64 m_conversation = 0;
    qint64 m_message = 0;
    qint64 m_strangers = 0; // Mallory's private chat with Bob, which Alice is not in

    static qint64 createPrivate(ApiClient& user, qint64 with)
    {
        const QJsonObject input { { u"type"_s, u"private"_s }, { u"memberIds"_s, QJsonArray { with } } };
        return user.mutation(u"conversations.create"_s, input).data()["conversationId"_L1].toInteger();
    }

    // What a stranger or bad input must not change.
    QByteArray snapshot()
    {
        const QJsonObject input { { u"conversationId"_s, m_conversation }, { u"limit"_s, 50 }, { u"offset"_s, 0 } };
        return QJsonDocument(m_alice->query(u"messages.list"_s, input).data().toArray()).toJson()
            + QJsonDocument(m_alice->query(u"conversations.list"_s).data().toArray()).toJson();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        m_alice = std::make_unique<ApiClient>(m_server.baseUrl());
        m_mallory = std::make_unique<ApiClient>(m_server.baseUrl());
        ApiClient bob(m_server.baseUrl());
        bob.registerUser(u"bob"_s);
        m_bobId = bob.userId();
        m_alice->registerUser(u"alice"_s);
        m_mallory->registerUser(u"mallory"_s);
        m_conversation = createPrivate(*m_alice, bob.userId());
        m_strangers = createPrivate(*m_mallory, m_bobId);
        LiveClient socket(m_server.wsUrl());
        QVERIFY(socket.authenticate(m_alice->token, m_alice->userId()));
        socket.sendFrame(u"message_send"_s, { { u"clientMsgId"_s, u"m1"_s }, { u"conversationId"_s, m_conversation },
                                              { u"type"_s, u"text"_s }, { u"content"_s, u"hi"_s } });
        m_message = socket.waitFor(u"message_ack"_s).value_or(QJsonObject())["messageId"_L1].toInteger();
        QVERIFY(m_conversation > 0 && m_message > 0 && m_strangers > 0);
    }

    // Every way a refusal leaves the server is written in the language the client asked for.
    void refusalsInTheClientsLanguage_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QString>("route"); // "rest", "procedure", "gate", "live" or "control" (a send)
        QTest::addColumn<QString>("expected");
        QTest::newRow("rest, vi") << QByteArray("vi") << u"rest"_s << u"Sai tên người dùng hoặc mật khẩu"_s;
        QTest::newRow("rest, zh") << QByteArray("zh-Hans") << u"rest"_s << u"用户名或密码错误"_s;
        QTest::newRow("rest, unknown language") << QByteArray("de") << u"rest"_s << u"Wrong user name or password"_s;
        QTest::newRow("procedure, field named in vi") << QByteArray("vi") << u"procedure"_s << u"Trường tên không được để trống"_s;
        QTest::newRow("procedure, field named in zh") << QByteArray("zh-Hans") << u"procedure"_s << u"名称不能为空"_s;
        QTest::newRow("procedure, en") << QByteArray("en") << u"procedure"_s << u"The name must not be empty"_s;
        QTest::newRow("refused before parsing, vi") << QByteArray("vi") << u"gate"_s << u"Nội dung yêu cầu quá lớn (tối đa 1048576 byte)"_s;
        QTest::newRow("live channel, zh") << QByteArray("zh-Hans") << u"live"_s << u"未知帧类型 \"dance\""_s;
        QTest::newRow("live channel, no header") << QByteArray() << u"live"_s << u"Unknown frame type \"dance\""_s;
        QTest::newRow("control characters, en") << QByteArray("en") << u"control"_s
                                                << u"The message text holds control characters; only tabs and line breaks may stand in it"_s;
        QTest::newRow("control characters, zh") << QByteArray("zh-Hans") << u"control"_s << u"消息内容包含控制字符；只允许制表符和换行"_s;
    }
    void refusalsInTheClientsLanguage()
    {
        QFETCH(QByteArray, language);
        QFETCH(QString, route);
        QFETCH(QString, expected);
        if (route == u"live" || route == u"control") {
            LiveClient socket(m_server.wsUrl(), language);
            QVERIFY(socket.authenticate(m_alice->token, m_alice->userId()));
            if (route == u"live")
                socket.sendFrame(u"dance"_s, {});
            else
                socket.sendFrame(u"message_send"_s, { { u"clientMsgId"_s, u"ctl"_s }, { u"conversationId"_s, m_conversation },
                                                      { u"type"_s, u"text"_s }, { u"content"_s, u"tab\tand\r\nline, then \u0007"_s } });
            const auto refused = socket.waitFor(u"error"_s);
            QVERIFY(refused);
            QCOMPARE(refused->value("reason"_L1).toString(), expected);
            return;
        }
        ApiClient client(m_server.baseUrl());
        client.token = m_alice->token;
        client.language = language;
        HttpResult result;
        if (route == u"rest")
            result = client.postJson(u"/api/auth/login"_s, { { u"username"_s, u"alice"_s }, { u"password"_s, u"not-her-password"_s } });
        else if (route == u"procedure")
            result = client.mutation(u"user.updateProfile"_s, QJsonObject { { u"name"_s, u"   "_s } });
        else
            result = client.post(u"/api/trpc/messages.revoke"_s, QByteArray((1 << 20) + 16, 'x'));
        QCOMPARE(result.errorMessage(), expected);
    }

    void badProcedureCalls_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("payload"); // body, or the raw "input" query value
        QTest::addColumn<int>("status");
        const QByteArray big((1 << 20) + 16, 'x');
        QTest::newRow("malformed JSON") << "POST" << "messages.revoke" << QByteArray(R"({"json":{"messageId":)") << 400;
        QTest::newRow("not wrapped in json") << "POST" << "messages.revoke" << QByteArray(R"({"messageId":1})") << 400;
        QTest::newRow("wrong type") << "POST" << "messages.revoke" << QByteArray(R"({"json":{"messageId":"1"}})") << 400;
        QTest::newRow("fraction for integer") << "POST" << "messages.revoke" << QByteArray(R"({"json":{"messageId":1.5}})") << 400;
        QTest::newRow("missing key") << "POST" << "messages.addReaction" << QByteArray(R"({"json":{"messageId":1}})") << 400;
        QTest::newRow("no input") << "POST" << "conversations.deleteForUser" << QByteArray() << 400;
        QTest::newRow("input not an object") << "POST" << "conversations.deleteForUser" << QByteArray(R"({"json":[1]})") << 400;
        QTest::newRow("unknown procedure") << "POST" << "messages.explode" << QByteArray(R"({"json":{}})") << 404;
        QTest::newRow("query by POST") << "POST" << "conversations.list" << QByteArray() << 405;
        QTest::newRow("mutation by GET") << "GET" << "messages.revoke" << QByteArray(R"({"json":{"messageId":1}})") << 405;
        QTest::newRow("malformed query input") << "GET" << "messages.list" << QByteArray(R"({"json":{)") << 400;
        QTest::newRow("limit out of range") << "GET" << "messages.list" << QByteArray(R"({"json":{"conversationId":1,"limit":100000,"offset":0}})") << 400;
        QTest::newRow("limit one over 200") << "GET" << "messages.list" << QByteArray(R"({"json":{"conversationId":1,"limit":201,"offset":0}})") << 400;
        QTest::newRow("limit 0") << "GET" << "messages.list" << QByteArray(R"({"json":{"conversationId":1,"limit":0,"offset":0}})") << 400;
        QTest::newRow("negative offset") << "GET" << "messages.list" << QByteArray(R"({"json":{"conversationId":1,"limit":5,"offset":-1}})") << 400;
        QTest::newRow("unknown conversation type") << "POST" << "conversations.create" << QByteArray(R"({"json":{"type":"broadcast","memberIds":[1]}})") << 400;
        QTest::newRow("private with myself") << "POST" << "conversations.create" << QByteArray(R"({"json":{"type":"private","memberIds":[]}})") << 400;
        QTest::newRow("group without name") << "POST" << "conversations.create" << QByteArray(R"({"json":{"type":"group","memberIds":[1]}})") << 400;
        QTest::newRow("body over 1 MiB") << "POST" << "messages.revoke" << big << 413;
        QTest::newRow("invalid UTF-8") << "POST" << "messages.revoke" << QByteArray("{\"json\":{\"messageId\":1,\"x\":\"\xff\"}}") << 400;
    }

    void badProcedureCalls()
    {
        QFETCH(QString, method);
        QFETCH(QString, path);
        QFETCH(QByteArray, payload);
        QFETCH(int, status);
        const QByteArray before = snapshot();
        HttpResult result;
        if (method == u"GET") {
            const QString query = u"?input="_s + QString::fromLatin1(QUrl::toPercentEncoding(QString::fromUtf8(payload)));
            result = m_alice->get(u"/api/trpc/"_s + path + query);
        } else {
            result = m_alice->post(u"/api/trpc/"_s + path, payload);
        }
        QCOMPARE(result.status, status);
        const QJsonValue error = result.json()["error"_L1]["json"_L1];
        QVERIFY2(!error["message"_L1].toString().isEmpty(), result.body.constData());
        QCOMPARE(error["data"_L1]["httpStatus"_L1].toInt(), status);
        // The procedure convention's names and JSON-RPC numbers for each status.
        const QHash<int, std::pair<QString, int>> convention { { 400, { u"BAD_REQUEST"_s, -32600 } }, { 404, { u"NOT_FOUND"_s, -32004 } },
            { 405, { u"METHOD_NOT_SUPPORTED"_s, -32005 } }, { 413, { u"PAYLOAD_TOO_LARGE"_s, -32013 } } };
        QCOMPARE(error["data"_L1]["code"_L1].toString(), convention.value(status).first);
        QCOMPARE(error["code"_L1].toInt(), convention.value(status).second);
        QCOMPARE(snapshot(), before);
    }

    void hugeBodiesAreRefusedEarly_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<qint64>("declared"); // -1: chunked, with more than 1 MiB actually sent
        QTest::newRow("procedure, declared 2 MiB") << "/api/trpc/messages.revoke" << qint64(2 << 20);
        QTest::newRow("upload, declared 200 MiB") << "/api/trpc/upload.complete" << qint64(200LL << 20);
        QTest::newRow("sign-in, declared 2 MiB") << "/api/auth/login" << qint64(2 << 20);
        QTest::newRow("procedure, chunked") << "/api/trpc/messages.revoke" << qint64(-1);
    }
    void hugeBodiesAreRefusedEarly()
    {
        QFETCH(QString, path);
        QFETCH(qint64, declared);
        QTcpSocket socket;
        socket.connectToHost(u"127.0.0.1"_s, m_server.port());
        QVERIFY(socket.waitForConnected(testsupport::kPatienceMs));
        QByteArray request = "POST " + path.toLatin1() + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n";
        if (declared >= 0) {
            // Only the headers and one byte: the answer must not wait for the rest.
            request += "Content-Length: " + QByteArray::number(declared) + "\r\n\r\n{";
        } else {
            const qint64 chunk = (1 << 20) + 4096;
            request += "Transfer-Encoding: chunked\r\n\r\n" + QByteArray::number(chunk, 16) + "\r\n" + QByteArray(chunk, 'x') + "\r\n";
        }
        socket.write(request);
        QByteArray answer;
        while (!answer.contains("\r\n\r\n") || !answer.endsWith('}')) {
            if (!socket.waitForReadyRead(testsupport::kPatienceMs))
                break;
            answer += socket.readAll();
        }
        QVERIFY2(answer.startsWith("HTTP/1.1 413"), answer.left(200).constData());
        const HttpResult result { 413, answer.mid(answer.indexOf("\r\n\r\n") + 4), {}, {} };
        QVERIFY(!result.errorMessage().isEmpty());
        QCOMPARE(m_alice->get(u"/api/auth/me"_s).status, 200);
    }

    void strangersSeeNothing_data()
    {
        QTest::addColumn<QString>("procedure");
        QTest::addColumn<bool>("isQuery");
        QTest::addColumn<QString>("input");
        QTest::newRow("messages.list") << "messages.list" << true << R"({"conversationId":C,"limit":50,"offset":0})";
        QTest::newRow("groups.getMembers") << "groups.getMembers" << true << R"({"conversationId":C})";
        QTest::newRow("markAsRead") << "conversations.markAsRead" << false << R"({"conversationId":C})";
        QTest::newRow("deleteForUser") << "conversations.deleteForUser" << false << R"({"conversationId":C})";
        QTest::newRow("revoke") << "messages.revoke" << false << R"({"messageId":M})";
        QTest::newRow("addReaction") << "messages.addReaction" << false << R"({"messageId":M,"emoji":"x"})";
    }

    void strangersSeeNothing()
    {
        QFETCH(QString, procedure);
        QFETCH(bool, isQuery);
        QFETCH(QString, input);
        input.replace(u'C', QString::number(m_conversation)).replace(u'M', QString::number(m_message));
        const QByteArray before = snapshot();
        const QJsonValue value = QJsonDocument::fromJson(input.toUtf8()).object();
        const HttpResult result = isQuery ? m_mallory->query(procedure, value) : m_mallory->mutation(procedure, value);
        QCOMPARE(result.status, 404);
        QCOMPARE(snapshot(), before);
        for (const QJsonValue& c : m_mallory->query(u"conversations.list"_s).data().toArray())
            QVERIFY(c["id"_L1].toInteger() != m_conversation);
    }

    // C: our conversation, S: a stranger's.
    void badFrames_data()
    {
        QTest::addColumn<bool>("authenticated");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("code");
        QTest::newRow("before auth") << false << R"({"type":"message_send","payload":{}})" << "NOT_AUTHENTICATED";
        QTest::newRow("malformed JSON") << true << R"({"type":"typing",)" << "INVALID_JSON";
        QTest::newRow("not an object") << true << R"(["typing"])" << "INVALID_JSON";
        QTest::newRow("no type") << true << R"({"payload":{}})" << "INVALID_FRAME";
        QTest::newRow("payload not an object") << true << R"({"type":"typing","payload":3})" << "INVALID_FRAME";
        // "binary:" sends the rest as a binary message: the channel speaks JSON text only.
        QTest::newRow("binary message") << true << R"(binary:{"type":"ping","payload":{}})" << "INVALID_FRAME";
        QTest::newRow("unknown type") << true << R"({"type":"self_destruct","payload":{}})" << "UNKNOWN_TYPE";
        QTest::newRow("send without conversation") << true << send(R"("type":"text","content":"a")") << "INVALID_PAYLOAD";
        QTest::newRow("send with string id") << true << send(R"("conversationId":"C","type":"text","content":"a")") << "INVALID_PAYLOAD";
        QTest::newRow("send empty text") << true << send(R"("conversationId":C,"type":"text","content":" ")") << "INVALID_PAYLOAD";
        QTest::newRow("send unknown type") << true << send(R"("conversationId":C,"type":"system","content":"a")") << "INVALID_PAYLOAD";
        QTest::newRow("file with a local address") << true << send(localFile) << "INVALID_PAYLOAD";
        for (const auto& [name, fields] : controlCharacters)
            QTest::newRow(name) << true << send(fields) << "INVALID_PAYLOAD";
        QTest::newRow("send to a stranger's conversation") << true << send(R"("conversationId":S,"type":"text","content":"a")") << "NOT_FOUND";
        QTest::newRow("typing without conversation") << true << R"({"type":"typing","payload":{}})" << "INVALID_PAYLOAD";
        QTest::newRow("read of a stranger's conversation") << true << R"({"type":"read","payload":{"conversationId":S}})" << "NOT_FOUND";
    }
    void badFrames()
    {
        QFETCH(bool, authenticated);
        QFETCH(QString, frame);
        QFETCH(QString, code);
        frame.replace(u'C', QString::number(m_conversation)).replace(u'S', QString::number(m_strangers));
        const QByteArray before = snapshot();

        LiveClient socket(m_server.wsUrl());
        QVERIFY(authenticated ? socket.authenticate(m_alice->token, m_alice->userId()) : socket.open());
        if (frame.startsWith(u"binary:"))
            socket.sendBinary(frame.mid(7).toUtf8());
        else
            socket.sendText(frame);
        const QJsonObject error = socket.waitFor(u"error"_s).value_or(QJsonObject());
        QCOMPARE(error.value("code"_L1).toString(), code);
        QVERIFY(!error.value("reason"_L1).toString().isEmpty());
        // The connection stays usable and nothing was stored.
        socket.sendFrame(u"ping"_s, {});
        QVERIFY(socket.waitFor(u"pong"_s));
        QCOMPARE(snapshot(), before);
    }

    // A channel that never authenticates is closed after the server's half minute, as
    // a policy violation.
    void unauthenticatedChannelIsClosed()
    {
        LiveClient socket(m_server.wsUrl());
        QVERIFY(socket.open());
        QVERIFY(socket.waitForClose(testsupport::kPatienceMs));
        QCOMPARE(socket.closeCode(), 1008);
    }

    void authRefused()
    {
        // An unknown token, someone else's id, an empty token.
        const std::pair<QString, qint64> attempts[] = { { u"deadbeef"_s, 0 }, { m_alice->token, 1 }, { u""_s, -1 } };
        for (const auto& [token, userOffset] : attempts) {
            LiveClient socket(m_server.wsUrl());
            QVERIFY(socket.open());
            socket.sendFrame(u"auth"_s, { { u"token"_s, token }, { u"userId"_s, m_alice->userId() + userOffset } });
            QCOMPARE(socket.waitFor(u"error"_s).value_or(QJsonObject())["code"_L1].toString(), u"AUTH_FAILED"_s);
            QVERIFY(socket.waitForClose());
        }
    }

    void otherAddressesDoNotUpgrade()
    {
        QUrl url = m_server.wsUrl();
        url.setPath(u"/api/auth/me"_s);
        LiveClient socket(url);
        QVERIFY(!socket.open());
        QVERIFY(socket.waitForClose());
    }

    void serverIsStillHealthy()
    {
        QVERIFY2(m_server.stop(), m_server.serverLog().constData());
        // No request ended as a server fault.
        QVERIFY2(!m_server.serverLog().contains("failed:"), m_server.serverLog().constData());
    }
};

QTEST_GUILESS_MAIN(TestServerInput)
#include "tst_server_input.moc"
