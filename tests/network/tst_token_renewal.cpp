// The renewal of the access token shortly before it lapses, on a clock the test moves.

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

} // namespace

class TestTokenRenewal : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // When the renewal falls due for a token: read from the token's own expiry when it
    // has one (it wins over the server's figure), else from the lifetime given beside it.
    void renewalFallsDue_data()
    {
        QTest::addColumn<QString>("token");
        QTest::addColumn<qint64>("expiresIn"); // -1: not given
        QTest::addColumn<qint64>("dueMs"); // -1: nothing scheduled
        const QString inAnHour = jwt(QByteArray("{\"sub\":\"1\",\"exp\":") + QByteArray::number(epochNowMs / 1000 + 3600) + '}');
        QTest::newRow("an hour, by the server") << u"opaque"_s << qint64(3600) << qint64(3599'000 - 60'000);
        QTest::newRow("an hour, in the token") << inAnHour << qint64(-1) << qint64(3600'000 - 60'000);
        QTest::newRow("the token wins") << inAnHour << qint64(20) << qint64(3600'000 - 60'000);
        QTest::newRow("a short lifetime renews a fifth early") << u"opaque"_s << qint64(3) << qint64(1600);
        QTest::newRow("nothing known") << u"opaque"_s << qint64(-1) << qint64(-1);
        QTest::newRow("no lifetime") << u"opaque"_s << qint64(0) << qint64(-1);
        QTest::newRow("a JWT without exp") << jwt(R"({"sub":"1"})") << qint64(-1) << qint64(-1);
        QTest::newRow("exp not a number") << jwt(R"({"exp":"soon"})") << qint64(20) << qint64(15'200);
        QTest::newRow("dots, but no JWT") << u"a.b!.c"_s << qint64(20) << qint64(15'200);
        QTest::newRow("already expired") << jwt("{\"exp\":" + QByteArray::number(epochNowMs / 1000 - 5) + '}') << qint64(-1)
                                         << qint64(0);
    }
    void renewalFallsDue()
    {
        QFETCH(QString, token);
        QFETCH(qint64, expiresIn);
        QFETCH(qint64, dueMs);
        auto clock = std::make_shared<WebSocketManualClock>();
        int renewals = 0;
        TokenRenewal renewal(clock, [] { return epochNowMs; }, [&] { ++renewals; });
        renewal.tokenIssued(token, expiresIn < 0 ? std::nullopt : std::optional(expiresIn));
        QCOMPARE(renewal.isScheduled(), dueMs >= 0);
        if (dueMs < 0) {
            clock->advance(24LL * 3600 * 1000);
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
