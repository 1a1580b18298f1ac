// Unit tests of morvane-server's dense parts: the command line, stored passwords,
// content types of uploads and the store's transactions and migrations.

#include "JsonText.h"
#include "Passwords.h"
#include "http/BodyStream.h"
#include "http/HttpReply.h"
#include "http/MediaType.h"
#include "http/ServerError.h"
#include "http/PendingReply.h"
#include "http/RequestGate.h"
#include "http/SignInThrottle.h"
#include "http/StreamEndWatch.h"
#include "live/AckFrame.h"
#include "live/FrameInbox.h"
#include "procedures/UploadBody.h"
#include "models/Json.h"
#include "ServerOptions.h"
#include "store/Accounts.h"
#include "store/Database.h"
#include "store/Conversations.h"
#include "store/FileLibrary.h"
#include "store/GlobalSearch.h"
#include "store/ReadingThread.h"
#include "store/Messages.h"
#include "store/Uploads.h"
#include "texts/TextTables.h"
#include "texts/Phrase.h"
#include "Tokens.h"

#include <QRegularExpression>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonDocument>
#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QSqlDatabase>
#include <QTcpServer>
#include <QTcpSocket>
#include <QRegularExpression>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QScopeGuard>
#include <QTest>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <memory>

#include <sys/socket.h>

using namespace Qt::StringLiterals;

namespace {

// What a test sink was given, shared with the test: the sink itself goes with its stream.
struct SinkLog {
    QMutex mutex;
    QList<qsizetype> sizes;
    std::atomic<bool> ended = false;
    // The take() that throws, counted from 1; 0 for none.
    int refuseAt = 0;
    QSemaphore taking; // a take() has begun
    QSemaphore proceed; // one take() may finish
    QSemaphore gone; // the sink was destroyed
    std::atomic<int> sinks = 0;

    // A check that failed may leave a worker waiting in a sink: it is let go, and its
    // sink gone, before what it writes to is.
    ~SinkLog()
    {
        proceed.release(1 << 20);
        for (const QDeadlineTimer patience(testsupport::kPatienceMs); sinks > 0 && !patience.hasExpired();)
            QThread::msleep(1);
    }

    QList<qsizetype> taken()
    {
        QMutexLocker lock(&mutex);
        return sizes;
    }
};

// Holds each piece until the test lets it go.
class HeldSink final : public BodySink {
public:
    explicit HeldSink(SinkLog& log)
        : m_log(log)
    {
        ++m_log.sinks;
    }
    ~HeldSink() override
    {
        m_log.gone.release();
        --m_log.sinks;
    }
    void take(QByteArrayView piece) override
    {
        m_log.taking.release();
        m_log.proceed.acquire();
        QMutexLocker lock(&m_log.mutex);
        m_log.sizes.append(piece.size());
        if (m_log.sizes.size() == m_log.refuseAt)
            throw ServerError::badRequest(Text::InvalidInput);
    }
    void end() override { m_log.ended = true; }

private:
    SinkLog& m_log;
};

// Counts the read notifier's wake-ups; the notifier still gets each one.
class WakeCount : public QObject {
public:
    int reads = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::SockAct && static_cast<QSocketNotifier*>(watched)->type() == QSocketNotifier::Read)
            ++reads;
        return false;
    }
};

} // namespace

class TestServerUnits : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void jsonTextReadsBack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("quotes and backslashes") << u"\"a\" \\ \\\" b"_s;
        QTest::newRow("control characters") << u"\u0001\b\f\n\r\t\u001F end"_s;
        QTest::newRow("a mark at the start, and inside") << u"\uFEFFmark\uFEFF"_s;
        QTest::newRow("beyond ASCII") << u"Élodie 周末 😀 \u007F \u2028"_s;
        QTest::newRow("a page's markup") << u"</script><!--"_s;
    }

    // Every text, in a key's value, an inner object and an array, reads back as it was, and the bytes
    // are strict JSON (Qt's parser would let a raw control character pass).
    void jsonTextReadsBack()
    {
        QFETCH(QString, text);
        JsonText json;
        json.beginObject().key(QLatin1StringView("k")).value(text).key(QLatin1StringView("n")).value(qint64(-7));
        json.key(QLatin1StringView("o")).beginObject().key(QLatin1StringView("b")).value(false).key(QLatin1StringView("t")).value(text).endObject();
        json.key(QLatin1StringView("a")).value(QJsonArray { text }).endObject();
        const QByteArray bytes = json.take();
        QVERIFY2(std::none_of(bytes.cbegin(), bytes.cend(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }), bytes.constData());
        const QJsonObject expected { { u"k"_s, text }, { u"n"_s, -7 }, { u"o"_s, QJsonObject { { u"b"_s, false }, { u"t"_s, text } } },
            { u"a"_s, QJsonArray { text } } };
        try {
            QCOMPARE(json::parse(bytes), QJsonValue(expected));
        } catch (const json::DecodeError& error) {
            QFAIL(qPrintable(error.description() + u' ' + QString::fromUtf8(bytes)));
        }
    }

    void acceptLanguage_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<Language>("expected");
        QTest::newRow("absent") << QByteArray() << Language::English;
        QTest::newRow("the client's zh-Hans") << QByteArray("zh-Hans") << Language::Chinese;
        QTest::newRow("the client's vi") << QByteArray("vi") << Language::Vietnamese;
        QTest::newRow("the client's en") << QByteArray("en") << Language::English;
        QTest::newRow("region and case") << QByteArray("ZH-cn") << Language::Chinese;
        QTest::newRow("unknown") << QByteArray("fr-FR") << Language::English;
        QTest::newRow("first known of a list") << QByteArray("fr, vi-VN;q=0.8, en;q=0.5") << Language::Vietnamese;
        QTest::newRow("weights decide") << QByteArray("en;q=0.3, zh;q=0.9") << Language::Chinese;
        QTest::newRow("equal weights: the first") << QByteArray("vi, zh") << Language::Vietnamese;
        QTest::newRow("refused by weight zero") << QByteArray("vi;q=0, zh;q=0.1") << Language::Chinese;
        QTest::newRow("a bare zh is not zh-something else") << QByteArray("zhx") << Language::English;
    }
    void acceptLanguage()
    {
        QFETCH(QByteArray, header);
        QFETCH(Language, expected);
        QCOMPARE(languageFromHeader(header), expected);
    }

    // Arguments fill their places in one pass; a field's name is written in the same
    // language as the text around it.
    void phrases_data()
    {
        QTest::addColumn<Language>("language");
        QTest::addColumn<QString>("expected");
        QTest::newRow("English") << Language::English << u"The nickname is too long (at most %2 characters)"_s;
        QTest::newRow("Chinese") << Language::Chinese << u"昵称过长（最多 %2 个字符）"_s;
        QTest::newRow("Vietnamese") << Language::Vietnamese << u"Trường biệt danh quá dài (tối đa %2 ký tự)"_s;
    }
    void phrases()
    {
        QFETCH(Language, language);
        QFETCH(QString, expected);
        // A user's own "%2" in an argument stays as it is.
        const QString userText = u"%2"_s;
        QCOMPARE(Phrase::of(Text::FieldTooLong, Text::NounNickname, userText).in(language), expected);
        QCOMPARE(ServerError::badRequest(Text::FieldTooLong, Text::NounNickname, userText).message(language), expected);
    }

    // Each table gives every text words of its own, with the places of the English.
    void tablesAgree()
    {
        static const QRegularExpression places(u"%[1-9]"_s);
        const auto placesOf = [](QStringView text) {
            QStringList found;
            for (auto it = places.globalMatch(text); it.hasNext();)
                found << it.next().captured();
            found.sort();
            return found;
        };
        int count = 0;
        for (int i = 0; !englishText(Text(i)).isEmpty(); ++i, ++count) {
            const Text text = Text(i);
            const QStringView english = englishText(text);
            for (const QStringView translated : { chineseText(text), vietnameseText(text) }) {
                QVERIFY2(!translated.isEmpty() && translated != english, qPrintable(english.toString()));
                QCOMPARE(placesOf(translated), placesOf(english));
            }
        }
        QVERIFY(count > 100);
    }

    // expected: "host port data-dir demo ttl", or empty when refused.
    void options_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("expected");
        const QString defaultDir = ServerOptions::defaultDataDir();
        QTest::newRow("defaults") << "" << u"127.0.0.1 8787 %1 0 3600"_s.arg(defaultDir);
        QTest::newRow("everything") << "--host ::1 --port 0 --data-dir /tmp/d --demo --token-ttl 60" << "::1 0 /tmp/d 1 60";
        QTest::newRow("inline values") << "--port=9000 --token-ttl=0" << u"127.0.0.1 9000 %1 0 0"_s.arg(defaultDir);
        QTest::newRow("a year's tokens") << "--token-ttl 31536000" << u"127.0.0.1 8787 %1 0 31536000"_s.arg(defaultDir);
        for (const char* refused : { "--port 65536", "--port http", "--data-dir", "--host example.org", "--token-ttl -5", "--verbose", "--demo=yes",
                 "--max-connections 0", "--max-connections-per-address many", "--token-ttl 31536001",
                 "--host", "--port", "--token-ttl", "--max-connections" })
            QTest::newRow(refused) << refused << "";
    }
    void options()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, expected);
        QString error;
        const auto options = ServerOptions::parse(arguments.split(u' ', Qt::SkipEmptyParts), &error);
        QCOMPARE(options ? u"%1 %2 %3 %4 %5"_s.arg(options->host).arg(options->port).arg(options->dataDir).arg(int(options->demo)).arg(options->tokenTtlSeconds)
                         : QString(),
                 expected);
        QCOMPARE(error.isEmpty(), !expected.isEmpty());
    }

    // The bounds a connection is held to, as the usage states them; expected:
    // "head-ms idle-ms grace-ms connections per-address burst" ("-" for the hub's own
    // grace), or empty when refused.
    void limitOptions_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("expected");
        QTest::newRow("defaults") << "" << "10000 60000 - 1024 64 10";
        QTest::newRow("times, at their bounds") << "--head-timeout 0.01 --idle-timeout 3600 --handover-grace=2.5" << "10 3600000 2500 1024 64 10";
        QTest::newRow("counts, at their bounds")
            << "--max-connections 1 --max-connections-per-address 1000000 --registration-burst=7" << "10000 60000 - 1 1000000 7";
        for (const char* refused : { "--head-timeout 0.009", "--idle-timeout 3601", "--handover-grace soon", "--handover-grace",
                 "--max-connections 1000001", "--max-connections-per-address 0", "--registration-burst 1.5" })
            QTest::newRow(refused) << refused << "";
    }
    void limitOptions()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, expected);
        QString error;
        const auto o = ServerOptions::parse(arguments.split(u' ', Qt::SkipEmptyParts), &error);
        const QString grace = o && o->handoverGraceMs ? QString::number(*o->handoverGraceMs) : u"-"_s;
        QCOMPARE(o ? u"%1 %2 %3 %4 %5 %6"_s.arg(o->headTimeoutMs).arg(o->idleTimeoutMs).arg(grace).arg(o->maxConnections).arg(o->maxConnectionsPerAddress).arg(o->registrationBurst)
                   : QString(),
                 expected);
        QCOMPARE(error.isEmpty(), !expected.isEmpty());
    }

    void passwords()
    {
        const QString password = u"密码 secret"_s;
        const passwords::Digest digest = passwords::make(password, 1000);
        QVERIFY(passwords::verify(password, digest));
        QVERIFY(!passwords::verify(u"密码 Secret"_s, digest));
        QVERIFY(!passwords::verify(QString(), digest));
        // The same password gets another salt and so another digest.
        QVERIFY(passwords::make(password, 1000).hash != digest.hash);
        passwords::Digest changed = digest;
        changed.salt[0] = char(changed.salt[0] ^ 1);
        QVERIFY(!passwords::verify(password, changed));
        changed = digest;
        changed.iterations = 999;
        QVERIFY(!passwords::verify(password, changed));
    }

    // Only a whole media type passes: what a header line could be split with never does.
    void contentTypes_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("valid");
        QTest::newRow("image") << "image/jpeg" << true;
        QTest::newRow("vendor") << "application/vnd.ms-excel" << true;
        QTest::newRow("parameter") << "text/plain; charset=utf-8" << true;
        QTest::newRow("parameters without spaces") << "text/plain;charset=utf-8;format=flowed" << true;
        QTest::newRow("quoted parameter") << "multipart/mixed; boundary=\"a b;c=\\\"d\"" << true;
        QTest::newRow("no subtype") << "image" << false;
        QTest::newRow("empty subtype") << "image/" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("two slashes") << "text/plain/x" << false;
        QTest::newRow("line break") << "text/plain\r\nSet-Cookie: a=b" << false;
        QTest::newRow("blank line before a parameter") << "text/html\r\n\r\n;a=b" << false;
        QTest::newRow("final line feed") << "text/html\n" << false;
        QTest::newRow("final carriage return") << "text/html\r" << false;
        QTest::newRow("NUL") << u"text/html\0"_s << false;
        QTest::newRow("tab before a parameter") << "text/html\t;a=b" << false;
        QTest::newRow("line feed inside quotes") << "text/html; a=\"b\nc\"" << false;
        QTest::newRow("unclosed quotes") << "text/html; a=\"b" << false;
        QTest::newRow("parameter without value") << "text/html; a" << false;
        QTest::newRow("empty parameter") << "text/html;" << false;
        QTest::newRow("something after") << "text/html x" << false;
        QTest::newRow("space inside") << "text/ plain" << false;
        QTest::newRow("not ASCII") << "text/plaín" << false;
        QTest::newRow("255 characters") << (u"a/"_s + QString(253, u'b')) << true;
        QTest::newRow("256 characters") << (u"a/"_s + QString(254, u'b')) << false;
        QTest::newRow("too long") << (u"a/"_s + QString(300, u'b')) << false;
    }

    void contentTypes()
    {
        QFETCH(QString, type);
        QFETCH(bool, valid);
        QCOMPARE(mediatype::isValid(type), valid);
        // What passes may stand in a header as it is; a stored type that fails is served as bytes.
        const HttpReply served = HttpReply::storedFile(type, u"x"_s, u"f"_s, HttpReply::Showing::Download);
        QCOMPARE(served.contentType, valid ? type.toLatin1() : QByteArray("application/octet-stream"));
        QCOMPARE(served.wire().left(15), QByteArray("HTTP/1.1 200 OK"));
    }

    // Each answer's status line carries HTTP's own reason phrase; a status without one
    // is named by its class.
    void statusLines_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("200") << 200 << QByteArray("HTTP/1.1 200 OK");
        QTest::newRow("400") << 400 << QByteArray("HTTP/1.1 400 Bad Request");
        QTest::newRow("401") << 401 << QByteArray("HTTP/1.1 401 Unauthorized");
        QTest::newRow("403") << 403 << QByteArray("HTTP/1.1 403 Forbidden");
        QTest::newRow("404") << 404 << QByteArray("HTTP/1.1 404 Not Found");
        QTest::newRow("405") << 405 << QByteArray("HTTP/1.1 405 Method Not Allowed");
        QTest::newRow("409") << 409 << QByteArray("HTTP/1.1 409 Conflict");
        QTest::newRow("413") << 413 << QByteArray("HTTP/1.1 413 Content Too Large");
        QTest::newRow("414") << 414 << QByteArray("HTTP/1.1 414 URI Too Long");
        QTest::newRow("429") << 429 << QByteArray("HTTP/1.1 429 Too Many Requests");
        QTest::newRow("431") << 431 << QByteArray("HTTP/1.1 431 Request Header Fields Too Large");
        QTest::newRow("402, a client error") << 402 << QByteArray("HTTP/1.1 402 Client Error");
        QTest::newRow("499, a client error") << 499 << QByteArray("HTTP/1.1 499 Client Error");
        QTest::newRow("500, a server error") << 500 << QByteArray("HTTP/1.1 500 Server Error");
    }
    void statusLines()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, line);
        HttpReply reply = HttpReply::json(QJsonObject { { u"ok"_s, true } });
        reply.status = status;
        const QByteArray wire = reply.wire();
        QCOMPARE(wire.left(wire.indexOf("\r\n")), line);
    }

    // Every answer's head is checked as it is written: a header that would split it
    // turns the answer into a 500, whatever route made it.
    void answerHeadsCannotBeSplit_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("status");
        // The header's name as the owner's log shows it: on one line, at most 64 bytes of it.
        QTest::addColumn<QByteArray>("logged");
        QTest::newRow("plain") << QByteArray("X-Note") << QByteArray("a; b=c") << 200 << QByteArray();
        QTest::newRow("line feed in the value") << QByteArray("X-Note") << QByteArray("a\n\n<script>") << 500 << QByteArray("X-Note");
        QTest::newRow("carriage return in the value") << QByteArray("X-Note") << QByteArray("a\rb") << 500 << QByteArray("X-Note");
        QTest::newRow("NUL in the value") << QByteArray("X-Note") << QByteArray("a\0b", 3) << 500 << QByteArray("X-Note");
        QTest::newRow("line feed in the name") << QByteArray("X-A\nX-B") << QByteArray("c") << 500 << QByteArray("X-A%0AX-B");
        QTest::newRow("colon in the name") << QByteArray("X-A: b\r\nX-B") << QByteArray("c") << 500 << QByteArray("X-A%3A%20b%0D%0AX-B");
        QTest::newRow("long name") << QByteArray(70, 'N') + "\n" << QByteArray("c") << 500 << QByteArray(64, 'N');
    }
    void answerHeadsCannotBeSplit()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, value);
        QFETCH(int, status);
        QFETCH(QByteArray, logged);
        HttpReply reply = HttpReply::json(QJsonObject { { u"ok"_s, true } });
        reply.headers.append({ name, value });
        for (const bool closing : { false, true }) {
            if (!logged.isEmpty())
                QTest::ignoreMessage(QtWarningMsg, "[Server] An answer's header " + logged + " would split its head; answering 500");
            const QByteArray wire = reply.wire(Framing { .closing = closing });
            QCOMPARE(wire.left(12), "HTTP/1.1 " + QByteArray::number(status));
            const QByteArray head = wire.left(wire.indexOf("\r\n\r\n"));
            QVERIFY2(!head.contains("\r\n\r\n") && !head.contains('\0') && head.count('\n') == head.count("\r\n"), head.constData());
            QCOMPARE(head.contains("\r\nConnection: close"), closing);
        }
    }

    // Attempts count per account and address, within a sliding five-minute window.
    void signInThrottle_data()
    {
        QTest::addColumn<QList<qint64>>("attemptsAt"); // seconds, all "alice" from 10.0.0.1
        QTest::addColumn<int>("rightOnes"); // attempts then taken back by a right password
        QTest::addColumn<qint64>("askedAt");
        QTest::addColumn<QString>("username");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("locked");
        QList<qint64> ten;
        for (int i = 0; i < 10; ++i)
            ten << i;
        QTest::newRow("nine attempts") << ten.mid(1) << 0 << qint64(20) << u"alice"_s << u"10.0.0.1"_s << false;
        QTest::newRow("ten attempts") << ten << 0 << qint64(20) << u"alice"_s << u"10.0.0.1"_s << true;
        QTest::newRow("ten, the last one right") << ten << 1 << qint64(20) << u"alice"_s << u"10.0.0.1"_s << false;
        QTest::newRow("ten, name in other case") << ten << 0 << qint64(20) << u" ALICE"_s << u"10.0.0.1"_s << true;
        QTest::newRow("ten, other account") << ten << 0 << qint64(20) << u"bob"_s << u"10.0.0.1"_s << false;
        QTest::newRow("ten, other address") << ten << 0 << qint64(20) << u"alice"_s << u"10.0.0.2"_s << false;
        QTest::newRow("ten, first one leaving the window") << ten << 0 << qint64(300) << u"alice"_s << u"10.0.0.1"_s << false;
        QTest::newRow("ten, last one still inside") << ten << 0 << qint64(299) << u"alice"_s << u"10.0.0.1"_s << true;
    }
    void signInThrottle()
    {
        QFETCH(QList<qint64>, attemptsAt);
        QFETCH(int, rightOnes);
        QFETCH(qint64, askedAt);
        QFETCH(QString, username);
        QFETCH(QString, address);
        QFETCH(bool, locked);
        qint64 now = 0;
        SignInThrottle throttle([&now] { return now; });
        for (const qint64 at : attemptsAt) {
            now = at * 1000;
            QVERIFY(throttle.begin(u"alice"_s, u"10.0.0.1"_s));
        }
        for (int i = 0; i < rightOnes; ++i)
            throttle.succeeded(u"alice"_s, u"10.0.0.1"_s);
        now = askedAt * 1000;
        QCOMPARE(!throttle.begin(username, address), locked);
    }

    // Whatever names are tried, the table holds only pairs still inside their window.
    void signInThrottleForgetsWithItsWindow()
    {
        qint64 now = 0;
        SignInThrottle throttle([&now] { return now; });
        for (int i = 0; i < 50; ++i)
            QVERIFY(throttle.begin(QString(1000, QChar(u'a' + i % 26)) + QString::number(i), u"10.0.0.%1"_s.arg(i % 3)));
        QCOMPARE(throttle.size(), 50);
        now = SignInThrottle::kWindowMs - 1;
        QVERIFY(throttle.begin(u"alice"_s, u"10.0.0.9"_s));
        QCOMPARE(throttle.size(), 51);
        now = SignInThrottle::kWindowMs;
        QVERIFY(throttle.begin(u"bob"_s, u"10.0.0.9"_s));
        QCOMPARE(throttle.size(), 2);
        now = 2 * SignInThrottle::kWindowMs;
        QVERIFY(throttle.begin(u"carol"_s, u"10.0.0.9"_s));
        QCOMPARE(throttle.size(), 1);
    }

    // Names sprayed from one address refuse only that address; a table filled from many
    // makes room by forgetting the pairs attempted least recently, never by refusing.
    void signInThrottleLocksNobodyElseOut_data()
    {
        QTest::addColumn<int>("addresses"); // filling the table, each with its full share of names
        QTest::addColumn<bool>("victimLocked"); // the pair that used its attempts first
        QTest::newRow("one address spraying names") << 1 << true;
        QTest::newRow("the whole table filled") << SignInThrottle::kMaxEntries / SignInThrottle::kMaxNamesPerAddress + 5 << false;
    }
    void signInThrottleLocksNobodyElseOut()
    {
        QFETCH(int, addresses);
        QFETCH(bool, victimLocked);
        qint64 now = 0;
        SignInThrottle throttle([&now] { return now; });
        for (int i = 0; i < SignInThrottle::kMaxAttempts; ++i)
            QVERIFY(throttle.begin(u"victim"_s, u"192.168.0.1"_s));
        const auto filler = [](int a) { return u"10.0.%1.%2"_s.arg(a / 256).arg(a % 256); };
        for (int a = 0; a < addresses; ++a) {
            now += 1;
            for (int n = 0; n < SignInThrottle::kMaxNamesPerAddress; ++n)
                QVERIFY(throttle.begin(u"ghost%1"_s.arg(n), filler(a)));
        }
        QVERIFY(throttle.size() <= SignInThrottle::kMaxEntries);
        QCOMPARE(!throttle.begin(u"victim"_s, u"192.168.0.1"_s), victimLocked);
        QVERIFY2(!throttle.begin(u"one-more"_s, filler(addresses - 1)), "an address went on past its share of names");
        QVERIFY2(throttle.begin(u"alice"_s, u"172.16.0.1"_s), "a newcomer was locked out");
        QVERIFY(throttle.begin(u"ghost0"_s, u"172.16.0.2"_s));
        QVERIFY(throttle.size() <= SignInThrottle::kMaxEntries);
        now = SignInThrottle::kWindowMs + addresses + 1;
        QVERIFY2(throttle.begin(u"one-more"_s, filler(addresses - 1)), "the spraying address stays refused after its window");
    }

    // The file's text is found in the raw body however the body is cut into pieces, and
    // decoded into a spool file; the rest must be the whole input. A refused body leaves
    // no file behind.
    void uploadBody_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("read"); // "key|type|file in Base64", or "" when refused
        QTest::newRow("plain") << QByteArray(R"({"json":{"fileKey":"k1","fileBuffer":"QUJD","contentType":"a/b"}})") << u"k1|a/b|QUJD"_s;
        QTest::newRow("spaces around the colon") << QByteArray("{\"json\":{\"fileBuffer\" :\n \"QQ==\",\"fileKey\":\"k\",\"contentType\":\"a/b\"}}")
                                                 << u"k|a/b|QQ=="_s;
        QTest::newRow("the name as a value first") << QByteArray(R"({"json":{"fileKey":"fileBuffer","fileBuffer":"QUJD","contentType":"a/b"}})")
                                                   << u"fileBuffer|a/b|QUJD"_s;
        QTest::newRow("empty file") << QByteArray(R"({"json":{"fileKey":"k","fileBuffer":"","contentType":"a/b"}})") << u"k|a/b|"_s;
        QTest::newRow("longer file") << "{\"json\":{\"fileKey\":\"k\",\"fileBuffer\":\"" + QByteArray(100000, 'x').toBase64() + "\",\"contentType\":\"a/b\"}}"
                                     << u"k|a/b|"_s + QString::fromLatin1(QByteArray(100000, 'x').toBase64());
        QTest::newRow("a nested one first") << QByteArray(R"({"json":{"x":{"fileBuffer":"AAAA"},"fileBuffer":"QUJD","fileKey":"k","contentType":"a/b"}})")
                                            << QString();
        QTest::newRow("escaped text") << QByteArray(R"({"json":{"fileKey":"k","fileBuffer":"QU\/JD","contentType":"a/b"}})") << QString();
        QTest::newRow("padding inside the text") << QByteArray(R"({"json":{"fileKey":"k","fileBuffer":"QQ==QUJD","contentType":"a/b"}})") << QString();
        QTest::newRow("not Base64") << QByteArray(R"({"json":{"fileKey":"k","fileBuffer":"QU!D","contentType":"a/b"}})") << QString();
        QTest::newRow("not a string") << QByteArray(R"({"json":{"fileKey":"k","fileBuffer":12,"contentType":"a/b"}})") << QString();
        QTest::newRow("outside the input") << QByteArray(R"({"fileBuffer":"QUJD","json":{"fileKey":"k","contentType":"a/b"}})") << QString();
        QTest::newRow("no key") << QByteArray(R"({"json":{"fileBuffer":"QUJD","contentType":"a/b"}})") << QString();
        QTest::newRow("text never ends") << QByteArray("{\"json\":{\"fileKey\":\"k\",\"contentType\":\"a/b\",\"fileBuffer\":\"QUJD") << QString();
        QTest::newRow("the rest too long") << "{\"json\":{\"fileKey\":\"k\",\"fileBuffer\":\"QUJD\",\"contentType\":\"a/b\",\"x\":\"" + QByteArray(70 << 10, 'p') + "\"}}"
                                           << QString();
    }
    void uploadBody()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, read);
        for (const qsizetype piece : { qsizetype(1), qsizetype(5), qsizetype(1000), body.size() }) {
            QTemporaryDir spool;
            QString result;
            QString refusal;
            {
                UploadBody upload(spool.path());
                try {
                    for (qsizetype at = 0; at < body.size(); at += piece)
                        upload.take(QByteArrayView(body).sliced(at, qMin(piece, body.size() - at)));
                    upload.end();
                    QFile file(upload.file().fileName());
                    QVERIFY(file.open(QIODevice::ReadOnly));
                    const QByteArray decoded = file.readAll();
                    QCOMPARE(upload.size(), decoded.size());
                    result = upload.fileKey() + u'|' + upload.contentType() + u'|' + QString::fromLatin1(decoded.toBase64());
                } catch (const ServerError& error) {
                    refusal = error.message();
                } catch (const json::DecodeError& error) {
                    refusal = error.description();
                }
            }
            QVERIFY2(read.isEmpty() == !refusal.isEmpty(), qPrintable(u"in pieces of %1: %2"_s.arg(piece).arg(refusal)));
            QCOMPARE(result, read);
            QVERIFY2(QDir(spool.path()).isEmpty(), qPrintable(u"in pieces of %1, a spool file stayed"_s.arg(piece)));
        }
    }

    // A streamed body waits for its sink at most kMaxAhead bytes at a time: the
    // connection reads again once the sink has taken enough, and the end comes after
    // every piece, with the sink.
    void bodyStreamHoldsItsBound()
    {
        SinkLog log;
        auto sink = std::make_shared<HeldSink>(log);
        BodyStream stream(sink);
        QSignalSpy room(&stream, &BodyStream::room);
        QSignalSpy ended(&stream, &BodyStream::ended);
        stream.write(QByteArray(BodyStream::kMaxAhead - 1, 'a'));
        QVERIFY(log.taking.tryAcquire(1, testsupport::kPatienceMs));
        QVERIFY2(stream.hasRoom(), "one byte short of the bound");
        stream.write(QByteArray(1, 'b'));
        QVERIFY2(!stream.hasRoom(), "at the bound");
        log.proceed.release();
        QTRY_COMPARE(room.size(), 1);
        QVERIFY(stream.hasRoom());
        stream.end();
        log.proceed.release();
        QTRY_COMPARE(ended.size(), 1);
        const auto body = ended.first().first().value<StreamedBody>();
        QCOMPARE(body.sink, sink);
        QVERIFY(!body.failure);
        QCOMPARE(log.taken(), QList<qsizetype>({ BodyStream::kMaxAhead - 1, 1 }));
        QVERIFY(log.ended);
        // A sink that stays under the bound never says there is room again.
        QCOMPARE(room.size(), 1);
    }

    // Gone mid-body (its client went, or the request was refused), a stream drops what
    // still waits and lets its sink go once the piece at work is taken, never ending it.
    void bodyStreamGoneMidBodyDropsTheRest()
    {
        SinkLog log;
        {
            BodyStream stream(std::make_shared<HeldSink>(log));
            stream.write("first");
            QVERIFY(log.taking.tryAcquire(1, testsupport::kPatienceMs));
            stream.write("second");
            stream.write("third");
        }
        log.proceed.release(3);
        QVERIFY2(log.gone.tryAcquire(1, testsupport::kPatienceMs), "the sink was kept");
        QCOMPARE(log.taken(), QList<qsizetype>({ 5 }));
        QVERIFY(!log.ended);
    }

    // A sink that refuses a piece is given nothing more; the end carries its refusal.
    void bodyStreamStopsAtItsSinksRefusal()
    {
        SinkLog log;
        log.refuseAt = 2;
        BodyStream stream(std::make_shared<HeldSink>(log));
        QSignalSpy ended(&stream, &BodyStream::ended);
        log.proceed.release(3);
        stream.write("first");
        stream.write("second");
        stream.write("third");
        stream.end();
        QTRY_COMPARE(ended.size(), 1);
        QCOMPARE(log.taken(), QList<qsizetype>({ 5, 6 }));
        QVERIFY(!log.ended);
        const auto body = ended.first().first().value<StreamedBody>();
        QVERIFY_THROWS_EXCEPTION(ServerError, body.as<HeldSink>());
    }

    // A client that ends its side after asking is still written to: the end is said
    // once, and the socket's reader then stays quiet instead of waking the loop again
    // and again for a stream with nothing more in it.
    void streamEndWatchLeavesTheSocketWriting()
    {
        QTcpServer listener;
        QVERIFY(listener.listen(QHostAddress::LocalHost));
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, listener.serverPort());
        QVERIFY(listener.waitForNewConnection(testsupport::kPatienceMs));
        QTcpSocket* served = listener.nextPendingConnection();
        QVERIFY(served);
        int ends = 0;
        new StreamEndWatch(served, [&] { ++ends; });
        WakeCount wakes;
        const QList<QSocketNotifier*> notifiers = served->findChildren<QSocketNotifier*>();
        for (QSocketNotifier* notifier : notifiers)
            notifier->installEventFilter(&wakes);
        QVERIFY(client.waitForConnected(testsupport::kPatienceMs));
        client.write("question");
        QVERIFY(client.waitForBytesWritten(testsupport::kPatienceMs));
        ::shutdown(int(client.socketDescriptor()), SHUT_WR);
        QTRY_COMPARE(ends, 1);
        QCOMPARE(served->readAll(), QByteArray("question"));
        QCOMPARE(served->state(), QAbstractSocket::ConnectedState);

        served->write("answer");
        QByteArray answer;
        QTRY_VERIFY((answer += client.readAll()) == "answer");
        // A read on the socket may wake it once more, to find the same end.
        const int woken = wakes.reads;
        for (int turn = 0; turn < 3; ++turn)
            QCoreApplication::processEvents();
        QCOMPARE(wakes.reads, woken);
        QCOMPARE(ends, 1);
    }

    void ackFrameIsTheFrameItStandsFor_data()
    {
        QTest::addColumn<QString>("clientMsgId");
        QTest::addColumn<bool>("duplicate");
        QTest::newRow("plain") << u"c-1"_s << false;
        QTest::newRow("printable punctuation") << u"a/b<c>&d~e'f{g}[h]:i,j"_s << false;
        QTest::newRow("delete character") << u"a\u007fb"_s << false;
        QTest::newRow("repeat") << u"c-1"_s << true;
        QTest::newRow("quotes and backslashes") << u"a\"b\\c"_s << false;
        QTest::newRow("quotes alone") << u"say \"hi\""_s << false;
        QTest::newRow("a backslash alone") << u"C:\\temp"_s << false;
        QTest::newRow("control characters") << u"line\nbreak\ttab\u0001"_s << false;
        QTest::newRow("byte order mark inside") << u"x\uFEFFy"_s << false;
        QTest::newRow("beyond the basic plane") << u"发送 🎉 \u2028"_s << false;
    }

    void ackFrameIsTheFrameItStandsFor()
    {
        QFETCH(QString, clientMsgId);
        QFETCH(bool, duplicate);
        const StoredMessage stored { 9007199254740993, u"0190a5e2-7b1c-7d4e-8f00-123456789abc"_s, duplicate };
        const QByteArray frame = ackFrame(clientMsgId, 42, stored);
        const QJsonObject payload { { u"clientMsgId"_s, clientMsgId }, { u"serverMsgId"_s, stored.serverMsgId },
            { u"messageId"_s, stored.messageId }, { u"conversationId"_s, 42 }, { u"isDuplicate"_s, duplicate } };
        QCOMPARE(frame, json::serialize(QJsonObject { { u"type"_s, u"message_ack"_s }, { u"payload"_s, payload } }));
        QCOMPARE(json::parse(frame)["payload"_L1]["clientMsgId"_L1].toString(), clientMsgId);
    }

    // The threads of the server allocate in SQLite all the time: none of them may wait on a
    // process-wide lock of SQLite's memory statistics to do it.
    void sqliteKeepsNoMemoryStatistics()
    {
        QTemporaryDir dir;
        Database db(dir.filePath(u"m.sqlite3"_s));
        db.exec(u"INSERT INTO meta (key, value) VALUES ('k', ?)"_s, { QString(10000, u'x') });
        QCOMPARE(db.scalar(u"SELECT length(value) FROM meta WHERE key = 'k'"_s).toInt(), 10000);
        QCOMPARE(sqlite3_memory_used(), 0);
    }

    void nestedTransactionRollsBackAlone()
    {
        QTemporaryDir dir;
        Database db(dir.filePath(u"t.sqlite3"_s));
        {
            Database::Transaction outer(db);
            db.exec(u"INSERT INTO meta (key, value) VALUES ('outer', '1')"_s);
            try {
                Database::Transaction inner(db);
                db.exec(u"INSERT INTO meta (key, value) VALUES ('inner', '1')"_s);
                db.exec(u"INSERT INTO meta (key, value) VALUES ('outer', 'duplicate')"_s);
                inner.commit();
            } catch (const DatabaseError&) {
            }
            outer.commit();
        }
        QVERIFY(db.scalar(u"SELECT value FROM meta WHERE key = 'outer'"_s).isValid());
        QVERIFY(!db.scalar(u"SELECT value FROM meta WHERE key = 'inner'"_s).isValid());
        {
            Database::Transaction abandoned(db);
            db.exec(u"INSERT INTO meta (key, value) VALUES ('abandoned', '1')"_s);
        }
        QVERIFY(!db.scalar(u"SELECT value FROM meta WHERE key = 'abandoned'"_s).isValid());
    }

    void transactionsHoldAgainstAnotherConnectionsWrites()
    {
        // The message writer has a connection of its own. A transaction of the event loop's
        // that reads, then writes, must neither fail nor lose an update when the writer
        // commits in between.
        QTemporaryDir dir;
        const QString path = dir.filePath(u"c.sqlite3"_s);
        Database db(path);
        db.exec(u"INSERT INTO meta (key, value) VALUES ('counter', '0')"_s);
        std::atomic<bool> done = false;
        std::atomic<int> otherWrites = 0;
        std::unique_ptr<QThread> other(QThread::create([&] {
            Database writer(path);
            while (!done)
                otherWrites += writer.run(u"INSERT OR REPLACE INTO meta (key, value) VALUES ('other', ?)"_s, { otherWrites.load() });
        }));
        other->start();
        // Stopped however the test ends: a running thread destroyed with the test would hang it.
        const auto stopOther = qScopeGuard([&] {
            done = true;
            other->wait();
        });
        QVERIFY(QTest::qWaitFor([&] { return otherWrites > 0; }, testsupport::kPatienceMs));
        constexpr int kRounds = 30;
        try {
            for (int i = 0; i < kRounds; ++i) {
                Database::Transaction transaction(db);
                const int counter = db.scalar(u"SELECT value FROM meta WHERE key = 'counter'"_s).toInt();
                // Room for the other connection to commit between the read and the write.
                QThread::msleep(2);
                db.run(u"UPDATE meta SET value = ? WHERE key = 'counter'"_s, { counter + 1 });
                transaction.commit();
            }
        } catch (const DatabaseError& error) {
            QFAIL(error.what());
        }
        done = true;
        other->wait();
        QCOMPARE(db.scalar(u"SELECT value FROM meta WHERE key = 'counter'"_s).toInt(), kRounds);
    }

    // Acknowledgements are small writes: every accepted socket sends without waiting
    // for the peer's delayed acknowledgement.
    void acceptedSocketsSendAtOnce()
    {
        RequestGate gate(RequestGate::Limits {}, {});
        QVERIFY(gate.listenOn(QHostAddress::LocalHost, 0, u"127.0.0.1"_s));
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, gate.serverPort());
        QVERIFY(gate.waitForNewConnection(testsupport::kPatienceMs));
        QTcpSocket* accepted = gate.nextPendingConnection();
        QVERIFY(accepted);
        QCOMPARE(accepted->socketOption(QAbstractSocket::LowDelayOption).toInt(), 1);
    }

    // A gate that goes away with a connection still waiting to be taken closes it.
    void gateGoesAwayWithAConnectionWaiting()
    {
        QTcpSocket client;
        {
            RequestGate gate(RequestGate::Limits {}, {});
            QVERIFY(gate.listenOn(QHostAddress::LocalHost, 0, u"127.0.0.1"_s));
            client.connectToHost(QHostAddress::LocalHost, gate.serverPort());
            QVERIFY(gate.waitForNewConnection(testsupport::kPatienceMs));
            QVERIFY(gate.hasPendingConnections());
        }
        QTRY_COMPARE(client.state(), QAbstractSocket::UnconnectedState);
    }

    // Checking a download link is a read: it works on a connection that may not write.
    void downloadLinksAreCheckedWithoutWriting()
    {
        QTemporaryDir dir;
        Database db(dir.filePath(u"d.sqlite3"_s));
        Uploads uploads(db, dir.filePath(u"uploads"_s));
        db.exec(u"PRAGMA query_only = 1"_s);
        HttpRequest request;
        request.method = u"GET"_s;
        request.query = QUrlQuery(u"expires=4102444800&signature=00"_s);
        try {
            FileLibrary(db, uploads).serve(request, u"some-key"_s);
            QFAIL("a forged link was served");
        } catch (const ServerError& error) {
            QCOMPARE(error.httpStatus(), 403);
        } catch (const DatabaseError& error) {
            QFAIL(error.what());
        }
    }

    // What the event loop runs for lists, paging, reads and searches finds its rows of
    // messages through indexes: every statement the stores prepare along the way is
    // explained, and a scan of the messages table fails the test.
    void hotStatementsFindMessagesByIndex()
    {
        QTemporaryDir dir;
        Database db(dir.filePath(u"plans.sqlite3"_s));
        QStringList scans;
        db.watchStatements([&db, &scans](const QString& sql) {
            // The names the messages table goes by in this statement.
            QStringList names { u"messages"_s };
            static const QRegularExpression alias(u"\\bmessages\\s+(?:AS\\s+)?(\\w+)"_s, QRegularExpression::CaseInsensitiveOption);
            for (auto match = alias.globalMatch(sql); match.hasNext();) {
                const QString name = match.next().captured(1);
                if (name.compare(u"WHERE"_s, Qt::CaseInsensitive) != 0 && name.compare(u"SET"_s, Qt::CaseInsensitive) != 0)
                    names << name;
            }
            for (const QVariantList& row : db.rows(u"EXPLAIN QUERY PLAN "_s + sql, QVariantList(sql.count(u'?')))) {
                const QString step = row.value(3).toString();
                for (const QString& name : names) {
                    if (step == u"SCAN "_s + name || step.startsWith(u"SCAN "_s + name + u' '))
                        scans << step + u" in: "_s + sql;
                }
            }
        });
        const auto addUser = [&db](const QString& name) {
            return db.insert(u"INSERT INTO users (username, name, password_hash, password_salt, password_iterations, created_at,"
                             " updated_at) VALUES (?, ?, x'00', x'00', 1, 't', 't')"_s,
                { name, name });
        };
        const qint64 alice = addUser(u"alice"_s);
        const qint64 bob = addUser(u"bob"_s);
        Conversations conversations(db);
        Messages messages(db, conversations);
        db.insert(u"INSERT INTO contacts (user_id, contact_id, created_at) VALUES (?, ?, 't')"_s, { alice, bob });
        db.insert(u"INSERT INTO contacts (user_id, contact_id, created_at) VALUES (?, ?, 't')"_s, { bob, alice });
        const qint64 chat = conversations.openPrivate(alice, bob);
        const qint64 group = conversations.createGroup(alice, u"club"_s, { bob });
        for (const qint64 conversation : { chat, group }) {
            OutgoingMessage message;
            message.conversationId = conversation;
            message.type = u"text"_s;
            message.content = u"hello there"_s;
            message.clientMsgId = u"m%1"_s.arg(conversation);
            messages.store(alice, message);
        }

        const Presence nobody = [](qint64) { return false; };
        QCOMPARE(QJsonDocument::fromJson(conversations.listFor(bob, nobody, [&messages](const QList<qint64>& ids) { return messages.messagesJsonText(ids); })).array().size(), 2);
        QCOMPARE(messages.list(chat, bob, 20, 0).size(), 1);
        QVERIFY(conversations.markRead(chat, bob));
        QVERIFY(conversations.markRead(group, bob));
        QCOMPARE(GlobalSearch(db).search(bob, u"there"_s, 20).value(u"messages"_s).toArray().size(), 2);
        QVERIFY2(scans.isEmpty(), qPrintable(scans.join(u'\n')));
    }

    // A long read runs on its own thread: the event loop goes on while it works, and
    // its answer arrives on the event loop afterwards.
    void longReadsLeaveTheEventLoopFree()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"r.sqlite3"_s);
        Database db(path);
        db.exec(u"INSERT INTO meta (key, value) VALUES ('seen', 'by the reader')"_s);
        ReadingThread reading(path);
        QSemaphore release;
        std::optional<QByteArray> answered;
        auto pending = std::make_shared<PendingReply>();
        pending->whenFinished([&answered](const HttpReply& reply) { answered = reply.body; });
        reading.answer(pending, [&release](Database& readerDb) {
            release.tryAcquire(1, 10000);
            return HttpReply::json(readerDb.scalar(u"SELECT value FROM meta WHERE key = 'seen'"_s).toString());
        });
        bool timerRan = false;
        QTimer::singleShot(0, [&timerRan] { timerRan = true; });
        QTRY_VERIFY(timerRan);
        QVERIFY(!answered);
        release.release();
        QTRY_COMPARE(answered.value_or(QByteArray()), QByteArray("\"by the reader\""));
    }

    // A frame is handled as it arrives until a turn's slice is used up; then sockets
    // take turns: a frame behind another socket's burst waits a slice or two, not the
    // whole burst; a closing socket's frames are handled at once, in order.
    void framesAreHandledInSlices()
    {
        auto* burst = reinterpret_cast<QWebSocket*>(0x10);
        auto* quiet = reinterpret_cast<QWebSocket*>(0x20);
        auto* closing = reinterpret_cast<QWebSocket*>(0x30);
        QStringList handled;
        FrameInbox inbox([&handled](QWebSocket*, const QString& text) { handled << text; });
        for (int i = 0; i < 100; ++i)
            inbox.add(burst, u"b%1"_s.arg(i));
        inbox.add(quiet, u"ping"_s);
        inbox.add(closing, u"c0"_s);
        inbox.add(closing, u"c1"_s);
        constexpr int slice = FrameInbox::kFramesPerTurn;
        QCOMPARE(handled.size(), slice);
        QCOMPARE(handled.first(), u"b0"_s);
        inbox.flush(closing);
        QCOMPARE(handled.mid(slice), QStringList({ u"c0"_s, u"c1"_s }));
        QTRY_COMPARE(handled.size(), 103);
        QCOMPARE(handled.indexOf(u"ping"_s), 2 + 2 * slice);
        QCOMPARE(handled.mid(slice + 2, 2), QStringList({ u"b32"_s, u"b33"_s }));
        QCOMPARE(handled.last(), u"b99"_s);
        // The next turn handles a lone frame as it arrives again.
        inbox.add(quiet, u"pong"_s);
        QCOMPARE(handled.last(), u"pong"_s);
    }

    // A spent refresh token presented again ends its session for as long as it would
    // have lived unspent; after that it is forgotten, and a copy is merely refused.
    void spentRefreshTokensLastTheirLifetime()
    {
        QTemporaryDir dir;
        Database db(dir.filePath(u"tokens.sqlite3"_s));
        Accounts accounts(db, 3600);
        const qint64 user = accounts.createUser(Registration { u"spender"_s, u"secret123"_s, {}, {}, {} });
        std::optional<qint64> ended;
        const IssuedTokens first = accounts.completeSignIn(user, u"127.0.0.1"_s);
        const IssuedTokens second = accounts.refresh(first.refreshToken, &ended);
        const IssuedTokens third = accounts.refresh(second.refreshToken, &ended);
        const auto kept = [&db](const IssuedTokens& issued) {
            return db.scalar(u"SELECT COUNT(*) FROM spent_refresh_tokens WHERE refresh_hash = ?"_s, { tokens::digest(issued.refreshToken) }).toInt();
        };
        QCOMPARE(kept(first) + kept(second), 2);
        // The first token's life has run out since; the next refresh clears it away.
        db.run(u"UPDATE spent_refresh_tokens SET expires_at = ? WHERE refresh_hash = ?"_s,
            { QDateTime::currentSecsSinceEpoch() - 1, tokens::digest(first.refreshToken) });
        const IssuedTokens fourth = accounts.refresh(third.refreshToken, &ended);
        QCOMPARE(kept(first), 0);
        QCOMPARE(kept(second) + kept(third), 2);
        QVERIFY(!ended);

        QVERIFY_THROWS_EXCEPTION(ServerError, accounts.refresh(first.refreshToken, &ended));
        QVERIFY2(!ended, "an expired copy ended the session");
        QVERIFY(accounts.authenticate(fourth.accessToken));
        QVERIFY_THROWS_EXCEPTION(ServerError, accounts.refresh(second.refreshToken, &ended));
        QCOMPARE(ended, std::optional<qint64>(first.sessionId));
        QVERIFY(!accounts.authenticate(fourth.accessToken));
    }

    void migrationsRunOnceAndRefuseNewerSchemas()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"m.sqlite3"_s);
        const QStringList connections = QSqlDatabase::connectionNames();
        int version = 0;
        {
            Database db(path);
            version = db.schemaVersion();
            QVERIFY(version >= 1);
            db.exec(u"INSERT INTO meta (key, value) VALUES ('kept', '1')"_s);
        }
        {
            Database again(path);
            QCOMPARE(again.schemaVersion(), version);
            QVERIFY(again.scalar(u"SELECT value FROM meta WHERE key = 'kept'"_s).isValid());
            again.exec(u"PRAGMA user_version = %1"_s.arg(version + 1));
        }
        // Each one closed its connection as it went: none is left holding the file.
        QCOMPARE(QSqlDatabase::connectionNames(), connections);
        QVERIFY_THROWS_EXCEPTION(DatabaseError, Database { path });
    }
};

QTEST_GUILESS_MAIN(TestServerUnits)
#include "tst_server_units.moc"
