// The renewal of the access token shortly before it lapses, on a clock the test moves.

#include "network/RefreshResponse.h"
#include "network/TokenRenewal.h"

#include "WebSocketManualClock.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 epochNowMs = 1'700'000'000'000;

// A JWT whose claims are the given JSON; header and signature do not matter here.
QString jwt(const QByteArray& claims)
{
    const auto encoding = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;
    return QString::fromLatin1(QByteArray(R"({"alg":"HS256"})").toBase64(encoding) + '.' + claims.toBase64(encoding) + ".c2ln");
}

// A JWT whose "exp" claim is the given JSON text.
QString jwtExpiring(const QByteArray& exp)
{
    return jwt("{\"sub\":\"1\",\"exp\":" + exp + '}');
}

} // namespace

class TestTokenRenewal : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // When the renewal falls due for a token: from the lifetime the reply gives beside
    // it (which needs no clock), else read from the token's own expiry. Both are the server's numbers: one out of range (negative, past what a
    // timer counts, a fraction, not a number, overflowing when made milliseconds) is
    // ignored, and the other one, if any, is used. Run under the sanitizers, no row may
    // overflow.
    void renewalFallsDue_data()
    {
        QTest::addColumn<QString>("token");
        QTest::addColumn<QByteArray>("expiresIn"); // JSON text of the reply's "expiresIn"; empty: not given
        QTest::addColumn<qint64>("dueMs"); // -1: nothing scheduled
        const qint64 nowSeconds = epochNowMs / 1000;
        const qint64 longest = TokenRenewal::longestLifetimeMs;
        const QString inAnHour = jwtExpiring(QByteArray::number(nowSeconds + 3600));
        QTest::newRow("an hour, by the server") << u"opaque"_s << QByteArray("3600") << qint64(3599'000 - 60'000);
        QTest::newRow("an hour, in the token") << inAnHour << QByteArray() << qint64(3600'000 - 60'000);
        QTest::newRow("the server's figure wins") << inAnHour << QByteArray("20") << qint64(15'200);
        QTest::newRow("a short lifetime renews a fifth early") << u"opaque"_s << QByteArray("3") << qint64(1600);
        QTest::newRow("nothing known") << u"opaque"_s << QByteArray() << qint64(-1);
        QTest::newRow("no lifetime") << u"opaque"_s << QByteArray("0") << qint64(-1);
        QTest::newRow("a JWT without exp") << jwt(R"({"sub":"1"})") << QByteArray() << qint64(-1);
        QTest::newRow("dots, but no JWT") << u"a.b!.c"_s << QByteArray("20") << qint64(15'200);
        QTest::newRow("already expired") << jwtExpiring(QByteArray::number(nowSeconds - 5)) << QByteArray() << qint64(0);
        QTest::newRow("expired at the epoch") << jwtExpiring("0") << QByteArray() << qint64(0);
        QTest::newRow("the longest lifetime, in the token")
            << jwtExpiring(QByteArray::number(nowSeconds + longest / 1000)) << QByteArray() << longest - 60'000;
        QTest::newRow("the longest lifetime, by the server")
            << u"opaque"_s << QByteArray::number(longest / 1000) << longest - 1000 - 60'000;

        // exp out of range: the server's lifetime is used instead, and without one nothing is scheduled.
        const QList<std::pair<const char*, QByteArray>> badExpiries {
            { "exp not a number", "\"soon\"" },
            { "exp negative", "-5" },
            { "exp a fraction", QByteArray::number(nowSeconds + 3600) + ".5" },
            { "exp past a timer's reach", QByteArray::number(nowSeconds + longest / 1000 + 1) },
            { "exp overflowing as milliseconds", "9223372036854775807" },
            { "exp at the 64-bit minimum", "-9223372036854775808" },
            { "exp beyond 64 bits", "1e300" },
            { "exp beyond a double", "1e400" },
        };
        for (const auto& [name, exp] : badExpiries) {
            QTest::addRow("%s", name) << jwtExpiring(exp) << QByteArray() << qint64(-1);
            QTest::addRow("%s, with a lifetime", name) << jwtExpiring(exp) << QByteArray("20") << qint64(15'200);
        }

        const QList<std::pair<const char*, QByteArray>> badLifetimes {
            { "lifetime negative", "-20" },
            { "lifetime past a timer's reach", QByteArray::number(longest / 1000 + 1) },
            { "lifetime overflowing as milliseconds", "9223372036854775807" },
            { "lifetime at the 64-bit minimum", "-9223372036854775808" },
            { "lifetime a fraction", "4.5" },
            { "lifetime beyond 64 bits", "1e300" },
            { "lifetime not a number", "\"3600\"" },
            { "lifetime null", "null" },
        };
        for (const auto& [name, expiresIn] : badLifetimes)
            QTest::addRow("%s", name) << u"opaque"_s << expiresIn << qint64(-1);
    }
    void renewalFallsDue()
    {
        QFETCH(QString, token);
        QFETCH(QByteArray, expiresIn);
        QFETCH(qint64, dueMs);
        auto clock = std::make_shared<WebSocketManualClock>();
        int renewals = 0;
        TokenRenewal renewal(clock, [] { return epochNowMs; }, [&] { ++renewals; });
        // The lifetime as the refresh reply's reading hands it over.
        const QByteArray reply = "{\"app_session_id\":\"t\"" + (expiresIn.isEmpty() ? QByteArray() : ",\"expiresIn\":" + expiresIn) + '}';
        renewal.tokenIssued(token, json::decode<RefreshResponse>(reply).expiresIn);
        QCOMPARE(renewal.isScheduled(), dueMs >= 0);
        if (dueMs < 0) {
            clock->advance(2 * TokenRenewal::longestLifetimeMs);
            QCOMPARE(renewals, 0);
            return;
        }
        if (dueMs > 0) {
            clock->advance(dueMs - 1);
            QCOMPARE(renewals, 0);
        }
        clock->advance(1);
        QCOMPARE(renewals, 1);
        QVERIFY(!renewal.isScheduled());
    }

    // Renewal after renewal, each new token issued from inside the renewal, on a machine
    // whose clock runs two hours ahead of the server's: a JWT's expiry then always looks
    // past, yet renewals come no faster than the floor. A lifetime the server gives is
    // used instead, and needs no clock.
    void renewalsUnderAClockTwoHoursAhead_data()
    {
        QTest::addColumn<QByteArray>("expiresIn"); // empty: not given
        QTest::addColumn<qint64>("windowMs");
        QTest::addColumn<QList<qint64>>("renewedAtMs");
        QTest::newRow("only the JWT's expiry") << QByteArray() << qint64(35'000) << QList<qint64> { 0, 10'000, 20'000, 30'000 };
        QTest::newRow("an hour, by the server") << QByteArray("3600") << qint64(3600'000) << QList<qint64> { 3539'000 };
        QTest::newRow("three seconds, by the server") << QByteArray("3") << qint64(5'000) << QList<qint64> { 1600, 3200, 4800 };
        QTest::newRow("a second, by the server") << QByteArray("1") << qint64(3'500) << QList<qint64> { 0, 1000, 2000, 3000 };
    }
    void renewalsUnderAClockTwoHoursAhead()
    {
        QFETCH(QByteArray, expiresIn);
        QFETCH(qint64, windowMs);
        QFETCH(QList<qint64>, renewedAtMs);
        constexpr qint64 aheadMs = 2 * 3600 * 1000;
        auto clock = std::make_shared<WebSocketManualClock>();
        // The server's tokens live an hour by its own clock.
        const QString token = jwtExpiring(QByteArray::number((epochNowMs + clock->nowMs()) / 1000 + 3600));
        const std::optional<qint64> lifetime = expiresIn.isEmpty() ? std::nullopt : std::optional(expiresIn.toLongLong());
        QList<qint64> renewals;
        std::unique_ptr<TokenRenewal> renewal;
        renewal = std::make_unique<TokenRenewal>(clock, [&clock] { return epochNowMs + aheadMs + clock->nowMs(); }, [&] {
            renewals.append(clock->nowMs());
            // A loop is cut short rather than left to spin.
            if (renewals.size() < 50)
                renewal->tokenIssued(token, lifetime);
        });
        renewal->tokenIssued(token, lifetime);
        clock->advance(windowMs);
        QCOMPARE(renewals, renewedAtMs);
    }

    // Each new token replaces the renewal of the one before; signing out cancels it.
    void newTokenReplacesTheRenewal()
    {
        auto clock = std::make_shared<WebSocketManualClock>();
        int renewals = 0;
        TokenRenewal renewal(clock, [] { return epochNowMs; }, [&] { ++renewals; });
        renewal.tokenIssued(u"first"_s, 10);
        clock->advance(5000);
        renewal.tokenIssued(u"second"_s, 10);
        clock->advance(5000);
        QCOMPARE(renewals, 0);
        clock->advance(2200);
        QCOMPARE(renewals, 1);

        renewal.tokenIssued(u"third"_s, 10);
        renewal.cancel();
        clock->advance(60'000);
        QCOMPARE(renewals, 1);
    }

    // The renewal may issue the next token from inside its own timer.
    void renewalChainsFromItsOwnTimer()
    {
        auto clock = std::make_shared<WebSocketManualClock>();
        int renewals = 0;
        std::unique_ptr<TokenRenewal> renewal;
        renewal = std::make_unique<TokenRenewal>(clock, [] { return epochNowMs; }, [&] {
            ++renewals;
            renewal->tokenIssued(u"next"_s, 10);
        });
        renewal->tokenIssued(u"first"_s, 10);
        clock->advance(3 * 7200);
        QCOMPARE(renewals, 3);
        QVERIFY(renewal->isScheduled());
    }
};

QTEST_GUILESS_MAIN(TestTokenRenewal)
#include "tst_token_renewal.moc"
