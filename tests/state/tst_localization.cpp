#include "network/APIError.h"
#include "network/RequestLanguage.h"
#include "state/common/ErrorDescription.h"
#include "state/common/LocalizationManager.h"
#include "state/common/StringBundle.h"
#include "state/common/StringTable.h"

#include <QDir>
#include <QNetworkReply>
#include <QScopeGuard>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestLocalization : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    std::unique_ptr<QSettings> freshSettings(const QString& name)
    {
        auto settings = std::make_unique<QSettings>(m_dir.filePath(name + u".ini"_s), QSettings::IniFormat);
        settings->clear();
        return settings;
    }

    // A bundle root holding tables for the given languages, each mapping
    // "greeting" to "hello from <language>".
    QString makeRoot(const QString& name, const QStringList& languages)
    {
        const QString root = m_dir.filePath(name);
        for (const QString& language : languages) {
            QDir().mkpath(root + u'/' + language + u".lproj"_s);
            QFile file(root + u'/' + language + u".lproj/Localizable.strings"_s);
            if (!file.open(QIODevice::WriteOnly))
                qFatal("cannot write table");
            file.write((u"\"greeting\" = \"hello from "_s + language + u"\";\n"_s).toUtf8());
        }
        return root;
    }

private Q_SLOTS:
    // The value of "k", or where and why a malformed table is refused.
    void parsesTables_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result");

        QTest::newRow("plain") << u"\"k\" = \"Text\";"_s << u"Text"_s;
        QTest::newRow("comments") << u"/* k = \"y\"; */\n// \"k\" = \"no\";\n\"k\" = \"yes\"; // trailing"_s << u"yes"_s;
        QTest::newRow("escapes") << u"\"k\" = \"say \\\"hi\\\"\\\\\\n\\tend\";"_s << u"say \"hi\"\\\n\tend"_s;
        QTest::newRow("surrogate pair") << u"\"k\" = \"\\uD83D\\uDE00\";"_s << u"😀"_s;
        QTest::newRow("unquoted") << u"k = value;"_s << u"value"_s;
        QTest::newRow("unquoted with punctuation") << u"k = $1.5-a_b/c:d;"_s << u"$1.5-a_b/c:d"_s;
        QTest::newRow("byte-order mark") << u"\uFEFF\"k\" = \"v\";"_s << u"v"_s;
        QTest::newRow("missing semicolon") << u"\"a\" = \"b\"\n\"k\" = \"d\";"_s << u"line 2: expected ';' after the value"_s;
        QTest::newRow("open quote") << u"\n\"k\" = \"b;\n"_s << u"line 2: quoted text is not closed"_s;
        QTest::newRow("open comment") << u"\"k\" = \"b\";\n/* never closed"_s << u"line 2: comment is not closed"_s;
        QTest::newRow("short unicode escape") << u"\"k\" = \"\\u12\";"_s << u"line 1: \\u needs four hexadecimal digits"_s;
        QTest::newRow("lone surrogate") << u"\"k\" = \"\\uD83D\";"_s << u"line 1: an escaped surrogate lacks its other half"_s;
        QTest::newRow("value over two lines") << u"\"k\" = \"one\ntwo \\\"x\\\" three\";"_s << u"one\ntwo \"x\" three"_s;
        QTest::newRow("error after a value over two lines") << u"\"a\" = \"b\nc\";\n\"k\" = \"d\""_s << u"line 3: expected ';' after the value"_s;
        QTest::newRow("carriage return and null escapes") << u"\"k\" = \"a\\rb\\0c\";"_s << u"a\rb"_s + QChar(u'\0') + u"c"_s;
        QTest::newRow("upper-case unicode escape") << u"\"k\" = \"\\u00E9\\U00e9\";"_s << u"éé"_s;
        QTest::newRow("every kind of hexadecimal digit") << u"\"k\" = \"\\u00AF\\u00fa\\u0039\\u0030\";"_s << u"¯ú90"_s;
        QTest::newRow("not a hexadecimal digit") << u"\"k\" = \"\\u12G4\";"_s << u"line 1: \\u needs four hexadecimal digits"_s;
        QTest::newRow("unknown escape") << u"\n\"k\" = \"\\q\";"_s << u"line 2: unknown escape \\q"_s;
        QTest::newRow("escape at the end") << u"\n\"k\" = \"ab\\"_s << u"line 2: quoted text is not closed"_s;
        QTest::newRow("no equals sign") << u"\n\"k\" \"v\";"_s << u"line 2: expected '=' after the key"_s;
        QTest::newRow("no value") << u"\n\"k\" = ;"_s << u"line 2: expected a value"_s;
        QTest::newRow("ends before the value") << u"\n\"k\" ="_s << u"line 2: expected a value"_s;
        QTest::newRow("unreadable key after an entry") << u"\"k\" = \"v\";\n\"\\q\" = \"w\";"_s << u"line 2: unknown escape \\q"_s;
        QTest::newRow("a slash after the last entry") << u"\"k\" = \"v\";\n/"_s << u"line 2: expected '=' after the key"_s;
    }

    // A table that cannot be read or is not UTF-8 is refused with a reason.
    void loadRefusesWhatItCannotRead_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // empty: no file
        QTest::newRow("no file") << QByteArray();
        QTest::newRow("not UTF-8") << QByteArray("\"k\" = \"\xff\xfe\";");
    }
    void loadRefusesWhatItCannotRead()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Localizable.strings"_s);
        if (!bytes.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        QString error;
        QVERIFY(!StringTable::load(path, &error));
        QVERIFY(!error.isEmpty());

        // Its folder still opens as a bundle without texts, so keys show as themselves;
        // a table that is there but unreadable is named in the log.
        if (!bytes.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^\\[Localization\\] Unreadable string table "_s
                                                                  + QRegularExpression::escape(path)));
        const std::optional<StringBundle> bundle = StringBundle::open(dir.path());
        QVERIFY(bundle);
        QCOMPARE(bundle->path(), dir.path());
        QCOMPARE(bundle->localizedString(u"k"_s), u"k"_s);
        QVERIFY(!StringBundle::open(dir.filePath(u"no such folder"_s)));
    }

    void parsesTables()
    {
        QFETCH(QString, text);
        QFETCH(QString, result);
        QString error;
        const std::optional<StringTable> table = StringTable::parse(text, &error);
        QCOMPARE(table ? table->value(u"k"_s).value_or(u"?"_s) : error, result);
    }

    void choosesStartLanguage_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QStringList>("preferred");
        QTest::addColumn<AppLanguage>("expected");

        QTest::newRow("stored en on Vietnamese system") << QVariant(u"en"_s) << QStringList { u"vi-VN"_s }
                                                        << AppLanguage::en;
        QTest::newRow("empty stored, vi system") << QVariant(u""_s) << QStringList { u"vi"_s } << AppLanguage::vi;
        QTest::newRow("stored fr counts as absent") << QVariant(u"fr"_s) << QStringList { u"en-US"_s }
                                                    << AppLanguage::en;
        QTest::newRow("stored case differs") << QVariant(u"ZH-HANS"_s) << QStringList { u"vi"_s } << AppLanguage::vi;
        QTest::newRow("zh-Hant-HK system") << QVariant() << QStringList { u"zh-Hant-HK"_s } << AppLanguage::zhHans;
        QTest::newRow("de-DE before en") << QVariant() << QStringList { u"de-DE"_s, u"en-US"_s } << AppLanguage::zhHans;
        QTest::newRow("empty system list") << QVariant() << QStringList {} << AppLanguage::zhHans;
        QTest::newRow("upper-case EN") << QVariant() << QStringList { u"EN-us"_s } << AppLanguage::zhHans;
    }

    void choosesStartLanguage()
    {
        QFETCH(QVariant, stored);
        QFETCH(QStringList, preferred);
        QFETCH(AppLanguage, expected);

        auto settings = freshSettings(QString::fromUtf8(QTest::currentDataTag()));
        if (stored.isValid())
            settings->setValue(LocalizationManager::storedLanguageKey(), stored);
        const QString root = makeRoot(u"all"_s, { u"zh-Hans"_s, u"en"_s, u"vi"_s });

        LocalizationManager manager(settings.get(), root, preferred);
        QCOMPARE(manager.currentLanguage(), expected);
        QCOMPARE(manager.localizedString(u"greeting"_s), u"hello from "_s + appLanguage::rawValue(expected));
        // A language derived from the system is never written back.
        QCOMPARE(settings->value(LocalizationManager::storedLanguageKey()), stored);
    }

    // A language without its own folder still switches, showing the main table.
    void switchesLanguage()
    {
        auto settings = freshSettings(u"switch"_s);
        const QString root = makeRoot(u"switch"_s, { u"zh-Hans"_s, u"en"_s });
        LocalizationManager manager(settings.get(), root, { u"en-US"_s });
        // What a listener of each signal reads at that moment.
        QStringList heard;
        auto listen = [&] { heard << manager.localizedString(u"greeting"_s); };
        connect(&manager, &LocalizationManager::currentLanguageChanged, this, listen);
        connect(&manager, &LocalizationManager::bundleChanged, this, listen);

        manager.setLanguage(AppLanguage::en);
        QVERIFY(!settings->contains(LocalizationManager::storedLanguageKey()));
        QVERIFY(heard.isEmpty());

        manager.setLanguage(AppLanguage::vi);
        QCOMPARE(manager.currentLanguage(), AppLanguage::vi);
        QCOMPARE(heard, QStringList(2, u"hello from en"_s));
        QCOMPARE(manager.localizedString(u"no.such_key"_s), u"no.such_key"_s);

        // The choice survives a restart.
        LocalizationManager restarted(settings.get(), root, { u"en-US"_s });
        QCOMPARE(restarted.currentLanguage(), AppLanguage::vi);
    }

    // What a screen shows for each kind of failure, in the language in force; the
    // server's own words pass unchanged, and the shared manager tells the server the
    // language on every switch.
    void errorDescriptions_data()
    {
        QTest::addColumn<AppLanguage>("language");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("expected");
        const auto add = [](const char* name, AppLanguage language, int error, const QString& expected) {
            QTest::newRow(name) << language << error << expected;
        };
        enum { Http500, Decoding, Unauthorized, InvalidUrl, InvalidResponse, Keychain, OtherTransport, Timeout, ServerText, SignInWithoutText };
        add("zh: status without text", AppLanguage::zhHans, Http500, u"HTTP错误: 500"_s);
        add("zh: decoding", AppLanguage::zhHans, Decoding, u"数据解析错误"_s);
        add("zh: unauthorized", AppLanguage::zhHans, Unauthorized, u"请先登录"_s);
        add("zh: address", AppLanguage::zhHans, InvalidUrl, u"无效的请求地址"_s);
        add("zh: response", AppLanguage::zhHans, InvalidResponse, u"无效的服务器响应"_s);
        add("en: status without text", AppLanguage::en, Http500, u"HTTP error: 500"_s);
        add("en: decoding", AppLanguage::en, Decoding, u"The server's reply could not be read"_s);
        add("en: unauthorized", AppLanguage::en, Unauthorized, u"Please sign in first"_s);
        add("en: keyring", AppLanguage::en, Keychain, u"The keyring could not be read"_s);
        add("en: other transport failure", AppLanguage::en, OtherTransport, u"Network error"_s);
        add("vi: status without text", AppLanguage::vi, Http500, u"Lỗi HTTP: 500"_s);
        add("vi: unauthorized", AppLanguage::vi, Unauthorized, u"Vui lòng đăng nhập trước"_s);
        add("vi: address", AppLanguage::vi, InvalidUrl, u"Địa chỉ yêu cầu không hợp lệ"_s);
        add("vi: response", AppLanguage::vi, InvalidResponse, u"Phản hồi của máy chủ không hợp lệ"_s);
        add("vi: time-out", AppLanguage::vi, Timeout, u"Yêu cầu đã hết thời gian chờ"_s);
        add("vi: the server's words", AppLanguage::vi, ServerText, u"Mã không đúng"_s);
        // Never an empty text: a refusal without the server's words is told as a failure.
        add("zh: refused without words", AppLanguage::zhHans, SignInWithoutText, u"出错了"_s);
        add("en: refused without words", AppLanguage::en, SignInWithoutText, u"Error"_s);
        add("vi: refused without words", AppLanguage::vi, SignInWithoutText, u"Lỗi"_s);
    }
    void errorDescriptions()
    {
        QFETCH(AppLanguage, language);
        QFETCH(int, error);
        QFETCH(QString, expected);
        const QList<APIError> errors {
            APIError::httpError(500, std::nullopt),
            APIError::decodingError(u"$.id: missing"_s),
            APIError::unauthorized(u"expired"_s),
            APIError::invalidURL(),
            APIError::invalidResponse(),
            APIError::keychainUnavailable(),
            APIError::transport(QNetworkReply::SslHandshakeFailedError, u"SSL handshake failed"_s),
            APIError::transport(QNetworkReply::TimeoutError, u"Request timed out"_s),
            APIError::httpError(400, u"Mã không đúng"_s),
            APIError::serverError(std::nullopt),
        };
        LocalizationManager& shared = LocalizationManager::shared();
        const AppLanguage before = shared.currentLanguage();
        const auto restore = qScopeGuard([&] { shared.setLanguage(before); });
        // Through a language other than the one under test, so the switch itself is seen.
        shared.setLanguage(language == AppLanguage::en ? AppLanguage::vi : AppLanguage::en);
        shared.setLanguage(language);
        QCOMPARE(errorDescription(errors.at(error)), expected);
        QCOMPARE(RequestLanguage::tag(), appLanguage::rawValue(language).toLatin1());
    }

    // Every language must offer the same keys, and a text used as a format must
    // take the same conversions in every language.
    void builtInTablesAgree()
    {
        static const QRegularExpression conversions(u"%(?:lld|@|d)"_s);
        auto conversionsOf = [](const QString& text) {
            QStringList found;
            for (auto it = conversions.globalMatch(text); it.hasNext();)
                found << it.next().captured();
            return found;
        };
        std::optional<StringTable> reference;
        for (AppLanguage language : appLanguage::allCases()) {
            const QString path = LocalizationManager::builtInBundleRoot() + u'/' + appLanguage::rawValue(language)
                + u".lproj/Localizable.strings"_s;
            QString error;
            const std::optional<StringTable> table = StringTable::load(path, &error);
            QVERIFY2(table, qPrintable(path + u": "_s + error));
            QVERIFY(table->size() > 100);
            if (!reference)
                reference = table;
            QStringList keys = table->keys(), referenceKeys = reference->keys();
            keys.sort();
            referenceKeys.sort();
            QCOMPARE(keys, referenceKeys);
            for (const QString& key : keys)
                QCOMPARE(conversionsOf(*table->value(key)), conversionsOf(*reference->value(key)));
        }
    }

    // One thing has one name in a language, wherever it shows: the link that opens a
    // screen says that screen's title. Each language also quotes with its own marks:
    // the Chinese corner brackets stay in the Chinese table.
    void namesAgreeAcrossScreens_data()
    {
        QTest::addColumn<AppLanguage>("language");
        for (AppLanguage language : appLanguage::allCases())
            QTest::newRow(qPrintable(appLanguage::rawValue(language))) << language;
    }
    void namesAgreeAcrossScreens()
    {
        QFETCH(AppLanguage, language);
        const QString path = LocalizationManager::builtInBundleRoot() + u'/' + appLanguage::rawValue(language)
            + u".lproj/Localizable.strings"_s;
        const std::optional<StringTable> table = StringTable::load(path);
        QVERIFY(table);
        const std::pair<const char*, const char*> sameNames[] = {
            { "profile.two_factor", "2fa.title" },
            { "2fa.status_section", "2fa.title" },
        };
        for (const auto& [link, title] : sameNames)
            QCOMPARE(*table->value(QString::fromLatin1(link)), *table->value(QString::fromLatin1(title)));
        if (language == AppLanguage::zhHans)
            return;
        for (const QString& key : table->keys()) {
            const QString text = *table->value(key);
            QVERIFY2(!text.contains(u'「') && !text.contains(u'」'), qPrintable(key + u": "_s + text));
        }
    }
};

QTEST_GUILESS_MAIN(TestLocalization)
#include "tst_localization.moc"
