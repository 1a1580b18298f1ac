// Registration cannot be flooded: one address gets a small burst and then one every
// twenty seconds, all addresses together five times that; a refusal is 429 in the
// client's language, and the password digests of new accounts never stand between
// another address and signing in. Names are measured as sent, before trimming.

#include "ServerProcess.h"
#include "ServerTestClient.h"

#include "http/RegistrationThrottle.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QTest>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

using testsupport::ServerProcess;

namespace {

// A request written at once on a connection of its own, from the given local address.
std::unique_ptr<QTcpSocket> sendFrom(const QString& address, quint16 port, const QByteArray& path, const QJsonObject& body,
    const QByteArray& language = "en")
{
    auto socket = std::make_unique<QTcpSocket>();
    if (!socket->bind(QHostAddress(address)))
        return nullptr;
    socket->connectToHost(u"127.0.0.1"_s, port);
    if (!socket->waitForConnected(testsupport::kPatienceMs))
        return nullptr;
    const QByteArray json = QJsonDocument(body).toJson(QJsonDocument::Compact);
    socket->write("POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept-Language: " + language
        + "\r\nContent-Type: application/json\r\nContent-Length: " + QByteArray::number(json.size()) + "\r\n\r\n" + json);
    return socket->waitForBytesWritten(testsupport::kPatienceMs) ? std::move(socket) : nullptr;
}

// The whole answer on the socket (its head and a body of Content-Length bytes), or what
// came before the peer closed or went quiet for a long while.
QByteArray answerOf(QTcpSocket& socket)
{
    QByteArray received = socket.readAll();
    const auto whole = [&received] {
        const qsizetype headEnd = received.indexOf("\r\n\r\n");
        const qsizetype at = received.toLower().indexOf("\r\ncontent-length: ");
        return headEnd >= 0 && at >= 0 && received.size() >= headEnd + 4 + received.mid(at + 18).split('\r').value(0).toLongLong();
    };
    while (!whole() && socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(testsupport::kPatienceMs))
        received += socket.readAll();
    return received;
}

int statusOf(const QByteArray& answer)
{
    return answer.startsWith("HTTP/1.1 ") ? answer.mid(9, 3).toInt() : 0;
}

QString errorOf(const QByteArray& answer)
{
    return QJsonDocument::fromJson(answer.mid(answer.indexOf("\r\n\r\n") + 4)).object().value("error"_L1).toString();
}

QJsonObject credentials(const QString& name, const QString& password = u"secret123"_s)
{
    return { { u"username"_s, name }, { u"password"_s, password } };
}

} // namespace

class TestServerRegistration : public QObject {
    Q_OBJECT

    ServerProcess m_server;

    // From 127.0.0.2 an account is made; then `count` registrations go out at once from
    // 127.0.0.1 (their sockets in crowd), and a sign-in from 127.0.0.2 succeeds.
    void crowdThenSignIn(const ServerProcess& server, int count, const QByteArray& language, std::vector<std::unique_ptr<QTcpSocket>>& crowd)
    {
        auto first = sendFrom(u"127.0.0.2"_s, server.port(), "/api/auth/register", credentials(u"elsewhere"_s));
        QVERIFY(first);
        QCOMPARE(statusOf(answerOf(*first)), 200);
        for (int i = 0; i < count; ++i) {
            crowd.push_back(sendFrom(u"127.0.0.1"_s, server.port(), "/api/auth/register", credentials(u"crowd%1"_s.arg(i)), language));
            QVERIFY(crowd.back());
        }
        auto signIn = sendFrom(u"127.0.0.2"_s, server.port(), "/api/auth/login", credentials(u"elsewhere"_s));
        QVERIFY(signIn);
        QCOMPARE(statusOf(answerOf(*signIn)), 200);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        ApiClient(m_server.baseUrl()).registerUser(u"alice"_s);
    }

    // Attempts at the seconds given, from the addresses given, with a burst of ten.
    void throttle_data()
    {
        QTest::addColumn<QStringList>("attempts"); // "SECONDS ADDRESS"
        QTest::addColumn<QString>("allowed"); // one digit per attempt
        const auto times = [](int count, const QString& attempt) { return QStringList(count, attempt); };
        QTest::newRow("ten at once, then one more") << times(11, u"0 a"_s) << u"11111111110"_s;
        QTest::newRow("one more every twenty seconds") << times(10, u"0 a"_s) + QStringList { u"19 a"_s, u"20 a"_s, u"21 a"_s, u"40 a"_s }
                                                     << u"11111111110101"_s;
        QTest::newRow("another address is apart") << times(10, u"0 a"_s) + QStringList { u"0 b"_s, u"0 a"_s } << u"111111111110"_s;
        QStringList crowd;
        for (int i = 0; i < 50; ++i)
            crowd << u"0 %1"_s.arg(i);
        QTest::newRow("fifty addresses, then all of them are held") << crowd + QStringList { u"0 x"_s, u"1 y"_s, u"2 z"_s, u"2 w"_s }
                                                                    << QString(50, u'1') + u"0010"_s;
        QTest::newRow("a refused attempt does not count") << times(12, u"0 a"_s) + QStringList { u"20 a"_s } << u"1111111111001"_s;
    }
    void throttle()
    {
        QFETCH(QStringList, attempts);
        QFETCH(QString, allowed);
        qint64 now = 0;
        RegistrationThrottle throttle(10, [&now] { return now; });
        QString outcome;
        for (const QString& attempt : attempts) {
            now = attempt.section(u' ', 0, 0).toLongLong() * 1000;
            outcome += throttle.begin(attempt.section(u' ', 1)) ? u'1' : u'0';
        }
        QCOMPARE(outcome, allowed);
    }

    // Sixty registrations at once from one address: ten are made, the rest refused in
    // the client's language; another address registers and signs in all the while.
    void crowdFromOneAddressMeetsRefusals()
    {
        ServerProcess::Options options;
        options.registrationBurst = 0;
        ServerProcess server(options);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        std::vector<std::unique_ptr<QTcpSocket>> crowd;
        crowdThenSignIn(server, 60, "zh-Hans", crowd);
        if (QTest::currentTestFailed())
            return;
        int made = 0;
        for (const auto& socket : crowd) {
            const QByteArray answer = answerOf(*socket);
            if (statusOf(answer) == 200) {
                ++made;
                continue;
            }
            QCOMPARE(statusOf(answer), 429);
            QCOMPARE(errorOf(answer), u"此地址注册次数过多，请几分钟后再试"_s);
        }
        // One more for every twenty seconds the sixty took to arrive, on a crawling machine.
        QVERIFY2(made >= 10 && made <= 12, qPrintable(u"%1 accounts were made"_s.arg(made)));
        auto another = sendFrom(u"127.0.0.3"_s, server.port(), "/api/auth/register", credentials(u"third"_s));
        QVERIFY(another);
        QCOMPARE(statusOf(answerOf(*another)), 200);
    }

    // With forty registrations of one address under way, a sign-in from another
    // address is answered before most of them: its digest does not queue behind theirs.
    void signInsDoNotQueueBehindRegistrations()
    {
        ServerProcess::Options options;
        options.registrationBurst = 40;
        ServerProcess server(options);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        std::vector<std::unique_ptr<QTcpSocket>> crowd;
        crowdThenSignIn(server, 40, "en", crowd);
        if (QTest::currentTestFailed())
            return;
        int answeredBefore = 0;
        for (const auto& socket : crowd)
            answeredBefore += socket->bytesAvailable() > 0 || socket->waitForReadyRead(0);
        QVERIFY2(answeredBefore < 20, qPrintable(u"the sign-in waited for %1 registrations"_s.arg(answeredBefore)));
        for (const auto& socket : crowd)
            QCOMPARE(statusOf(answerOf(*socket)), 200);
    }

    // A name's length is its length as sent: padding does not get a name past the
    // limit, nor a sign-in as far as a password check.
    void namesAreMeasuredAsSent_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QString>("username");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        const QString lengthError = u"The user name must be 3 to 32 characters long"_s;
        const QString spaces(1000000, u' ');
        QTest::newRow("registering with a megabyte of spaces") << QByteArray("/api/auth/register") << u"padded"_s + spaces << 400 << lengthError;
        QTest::newRow("registering, 34 with the spaces") << QByteArray("/api/auth/register") << QString(30, u' ') + u"dave"_s << 400 << lengthError;
        QTest::newRow("registering, spaces around a short name") << QByteArray("/api/auth/register") << u" eve "_s << 200 << QString();
        QTest::newRow("signing in with a megabyte of spaces") << QByteArray("/api/auth/login") << u"alice"_s + spaces << 400 << lengthError;
        QTest::newRow("signing in, spaces around the name") << QByteArray("/api/auth/login") << u" alice "_s << 200 << QString();
    }
    void namesAreMeasuredAsSent()
    {
        QFETCH(QByteArray, path);
        QFETCH(QString, username);
        QFETCH(int, status);
        QFETCH(QString, error);
        auto socket = sendFrom(u"127.0.0.1"_s, m_server.port(), path, credentials(username));
        QVERIFY(socket);
        const QByteArray answer = answerOf(*socket);
        QCOMPARE(statusOf(answer), status);
        if (!error.isEmpty())
            QCOMPARE(errorOf(answer), error);
    }
};

QTEST_GUILESS_MAIN(TestServerRegistration)
#include "tst_server_registration.moc"
