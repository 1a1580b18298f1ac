// One-time passwords of the server's two-factor sign-in against the published test
// vectors (RFC 6238 appendix B, RFC 4648 section 10).

#include "Totp.h"

#include <QTest>

class TestServerTotp : public QObject {
    Q_OBJECT

private:
    // The RFC 6238 seeds: the ASCII digits "1234567890" repeated to the hash's key length.
    static QByteArray seed(Totp::Algorithm algorithm)
    {
        const int length = algorithm == Totp::Algorithm::Sha1 ? 20 : algorithm == Totp::Algorithm::Sha256 ? 32 : 64;
        return QByteArray("1234567890").repeated(7).left(length);
    }

private Q_SLOTS:
    void rfc6238Vectors_data()
    {
        QTest::addColumn<qint64>("time");
        QTest::addColumn<int>("algorithm");
        QTest::addColumn<QString>("expected");
        const struct {
            qint64 time;
            const char* sha1;
            const char* sha256;
            const char* sha512;
        } rows[] = {
            { 59, "94287082", "46119246", "90693936" },
            { 1111111109, "07081804", "68084774", "25091201" },
            { 1111111111, "14050471", "67062674", "99943326" },
            { 1234567890, "89005924", "91819424", "93441116" },
            { 2000000000, "69279037", "90698825", "38618901" },
            { 20000000000, "65353130", "77737706", "47863826" },
        };
        for (const auto& row : rows) {
            QTest::addRow("SHA1 at %lld", row.time) << row.time << int(Totp::Algorithm::Sha1) << QString::fromLatin1(row.sha1);
            QTest::addRow("SHA256 at %lld", row.time) << row.time << int(Totp::Algorithm::Sha256) << QString::fromLatin1(row.sha256);
            QTest::addRow("SHA512 at %lld", row.time) << row.time << int(Totp::Algorithm::Sha512) << QString::fromLatin1(row.sha512);
        }
    }

    void rfc6238Vectors()
    {
        QFETCH(qint64, time);
        QFETCH(int, algorithm);
        QFETCH(QString, expected);
        const auto hash = static_cast<Totp::Algorithm>(algorithm);
        QCOMPARE(Totp::code(seed(hash), Totp::stepAt(time), 8, hash), expected);
    }

    // A six-digit code is the last six digits of the eight-digit one.
    void acceptsOneStepEitherSide_data()
    {
        QTest::addColumn<qint64>("codeTime");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("same step") << qint64(1111111109) << true;
        QTest::newRow("one step earlier") << qint64(1111111109 - 30) << true;
        QTest::newRow("one step later") << qint64(1111111109 + 30) << true;
        QTest::newRow("two steps earlier") << qint64(1111111109 - 60) << false;
        QTest::newRow("two steps later") << qint64(1111111109 + 60) << false;
    }

    void acceptsOneStepEitherSide()
    {
        QFETCH(qint64, codeTime);
        QFETCH(bool, accepted);
        const QByteArray key = seed(Totp::Algorithm::Sha1);
        QCOMPARE(Totp::code(key, Totp::stepAt(1111111109)), QStringLiteral("081804"));
        const QString code = Totp::code(key, Totp::stepAt(codeTime));
        const auto step = Totp::matchingStep(key, code, 1111111109);
        QCOMPARE(step.has_value(), accepted);
        if (accepted)
            QCOMPARE(*step, Totp::stepAt(codeTime));
    }

    void base32_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("f") << QByteArray("f") << QStringLiteral("MY");
        QTest::newRow("fo") << QByteArray("fo") << QStringLiteral("MZXQ");
        QTest::newRow("foo") << QByteArray("foo") << QStringLiteral("MZXW6");
        QTest::newRow("foob") << QByteArray("foob") << QStringLiteral("MZXW6YQ");
        QTest::newRow("fooba") << QByteArray("fooba") << QStringLiteral("MZXW6YTB");
        QTest::newRow("foobar") << QByteArray("foobar") << QStringLiteral("MZXW6YTBOI");
    }

    void base32()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(Totp::toBase32(bytes), text);
        QCOMPARE(Totp::fromBase32(text), std::optional(bytes));
        // Authenticator apps show secrets in groups, in either case, sometimes padded.
        QCOMPARE(Totp::fromBase32(text.toLower() + QStringLiteral(" ==")), std::optional(bytes));
    }

    void base32RefusesForeignCharacters()
    {
        QVERIFY(!Totp::fromBase32(QStringLiteral("MZXW1")));
        QVERIFY(!Totp::fromBase32(QStringLiteral("MZXW6É")));
    }
};

QTEST_GUILESS_MAIN(TestServerTotp)
#include "tst_server_totp.moc"
