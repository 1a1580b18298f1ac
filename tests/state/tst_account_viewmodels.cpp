// The view models of the account's security and library screens against a
// recording HTTP server: what each action sends, in which order, and what the
// screen keeps when a call fails.

#include "AccountStack.h"
#include "TaskRunner.h"

#include "state/account/DeviceManagementViewModel.h"
#include "state/account/FavoritesViewModel.h"
#include "state/account/FileManagementViewModel.h"
#include "state/account/GeneralSettings.h"
#include "state/account/NotificationSettings.h"
#include "state/account/PrivacySettingsViewModel.h"
#include "state/account/ProfileViewModel.h"
#include "state/account/TwoFactorViewModel.h"
#include "state/common/LocalizationManager.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;
using testsupport::runTask;

Q_DECLARE_METATYPE(SessionService::DeviceSession)

namespace {

const QByteArray off = R"({"enabled":false})";
const QByteArray on = R"({"enabled":true,"hasBackupCodes":true})";
const QByteArray setupReply = R"({"secret":"JBSWY3DPEHPK3PXP","qrCodeUrl":"otpauth:x","backupCodes":["a1","b2"]})";
const QByteArray wrongCode = R"({"error":"The code is not correct"})";

QList<qint64> ids(const QList<SessionService::DeviceSession>& devices)
{
    QList<qint64> result;
    for (const auto& device : devices)
        result << device.id;
    return result;
}

SessionService::DeviceSession device(qint64 id, std::optional<bool> current, std::optional<QString> lastActive,
                                      std::optional<QString> deviceId = std::nullopt)
{
    SessionService::DeviceSession d;
    d.id = id;
    d.isCurrent = current;
    d.lastActiveAt = lastActive;
    d.deviceId = deviceId;
    return d;
}

FileItem file(std::optional<QString> mimeType, std::optional<QString> fileUrl)
{
    FileItem f;
    f.id = 1;
    f.mimeType = std::move(mimeType);
    f.fileUrl = std::move(fileUrl);
    return f;
}

QByteArray filePage(qint64 firstId, int count)
{
    QByteArray page = "[";
    for (int i = 0; i < count; ++i)
        page += QByteArray(i ? "," : "") + "{\"id\":" + QByteArray::number(firstId + i) + "}";
    return page + "]";
}

QString text(const char* key) { return LocalizationManager::shared().localizedString(QString::fromLatin1(key)); }

// Closing a screen's alert clears its failure and says so once; closing it again says nothing.
template <typename Model, typename Signal>
void dismissError(Model& vm, Signal changed)
{
    QVERIFY(vm.error());
    QSignalSpy said(&vm, changed);
    vm.clearError();
    QVERIFY(!vm.error());
    vm.clearError();
    QCOMPARE(said.count(), 1);
}

// A failed list load stays what the empty list shows after its alert is closed,
// until a load succeeds.
template <typename Model>
void loadFailureOutlivesTheAlert(Model& vm, const QString& shown, const std::function<QCoro::Task<>()>& loadAgain)
{
    QVERIFY(vm.error());
    vm.clearError();
    QVERIFY(vm.loadFailure());
    QCOMPARE(vm.loadFailure()->text(), shown);
    runTask(loadAgain());
    QVERIFY(!vm.error());
    QVERIFY(!vm.loadFailure());
}

template <typename Entry>
QList<qint64> idsOf(const QList<Entry>& entries, qint64 Entry::*field)
{
    QList<qint64> result;
    for (const Entry& entry : entries)
        result << entry.*field;
    return result;
}

} // namespace

class TestAccountViewModels : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Expected texts are the Chinese ones, whatever the machine's language.
        LocalizationManager::shared().setLanguage(AppLanguage::zhHans);
    }

    // Each language is offered under its own name, whatever the language in force.
    void languagesNamedInThemselves_data()
    {
        QTest::addColumn<AppLanguage>("language");
        QTest::addColumn<QString>("label");
        QTest::newRow("Chinese") << AppLanguage::zhHans << u"简体中文"_s;
        QTest::newRow("English") << AppLanguage::en << u"English"_s;
        QTest::newRow("Vietnamese") << AppLanguage::vi << u"Tiếng Việt"_s;
    }
    void languagesNamedInThemselves()
    {
        QFETCH(AppLanguage, language);
        QFETCH(QString, label);
        QCOMPARE(GeneralSettings::languageLabel(language), label);
    }

    // Each two-factor flow from a read status: the calls it makes in order and
    // what stays on screen afterwards.
    void twoFactorFlows_data()
    {
        QTest::addColumn<bool>("startOn");
        QTest::addColumn<int>("actionStatus"); // of set-up + verify, or of disable
        QTest::addColumn<int>("rereadStatus"); // of the status read after it; 0: not read
        QTest::addColumn<QStringList>("expectedCalls");
        QTest::addColumn<bool>("endsOn"); // the status read last says on
        QTest::addColumn<bool>("endsKnown"); // a status is known at the end
        QTest::addColumn<bool>("formStays"); // set-up section or sheet still open, code still typed
        QTest::addColumn<QString>("error");
        const QString status = u"GET user.mfaStatus"_s;
        const QString setup = u"POST user.setupMFA"_s;
        // Codes travel exactly as typed, white space and all.
        const QString verify = u"POST user.verifyMFA {\"code\":\" 123456 \"}"_s;
        const QString disable = u"POST user.disableMFA {\"code\":\"\\t654 321\\n\"}"_s;
        QTest::newRow("enable") << false << 200 << 200 << QStringList { status, setup, verify, status } << true << true << false << QString();
        QTest::newRow("enable, code refused") << false << 400 << 0 << QStringList { status, setup, verify } << false << true << true
                                              << u"The code is not correct"_s;
        QTest::newRow("enable, status read fails") << false << 200 << 500 << QStringList { status, setup, verify, status } << false
                                                   << false << true << u"HTTP错误: 500"_s;
        QTest::newRow("disable") << true << 200 << 200 << QStringList { status, disable, status } << false << true << false << QString();
        QTest::newRow("disable, code refused") << true << 400 << 0 << QStringList { status, disable } << true << true << true
                                               << u"The code is not correct"_s;
        QTest::newRow("disable, status read fails") << true << 200 << 500 << QStringList { status, disable, status } << false << false << true
                                                    << u"HTTP错误: 500"_s;
    }
    void twoFactorFlows()
    {
        QFETCH(bool, startOn);
        QFETCH(int, actionStatus);
        QFETCH(int, rereadStatus);
        QFETCH(QStringList, expectedCalls);
        QFETCH(bool, endsOn);
        QFETCH(bool, endsKnown);
        QFETCH(bool, formStays);
        QFETCH(QString, error);
        AccountStack s;
        TwoFactorViewModel vm(&s.mfa);
        s.reply("user.mfaStatus", 200, startOn ? on : off);
        // The screen hears the load end, not only begin.
        bool loadingWhenLastHeard = true;
        connect(&vm, &TwoFactorViewModel::changed, &vm, [&] { loadingWhenLastHeard = vm.isLoading(); });
        runTask(vm.loadStatus());
        QVERIFY(!vm.isLoading());
        QVERIFY(!loadingWhenLastHeard);
        const QByteArray failure = actionStatus == 400 ? wrongCode : QByteArray("{}");
        if (startOn) {
            s.reply("user.disableMFA", actionStatus, actionStatus == 200 ? "null" : failure);
            vm.requestDisable();
            QVERIFY(vm.showDisable());
            vm.setDisableCode(u"\t654 321\n"_s);
            if (rereadStatus)
                s.reply("user.mfaStatus", rereadStatus, rereadStatus == 200 ? off : "{}");
            runTask(vm.disableMFA());
            QCOMPARE(vm.showDisable(), formStays);
            QCOMPARE(vm.disableCode(), formStays ? u"\t654 321\n"_s : QString());
        } else {
            s.reply("user.setupMFA", 200, setupReply);
            runTask(vm.startSetup());
            QVERIFY(vm.showSetup());
            QCOMPARE(vm.setup()->secret, std::optional<QString>(u"JBSWY3DPEHPK3PXP"_s));
            s.reply("user.verifyMFA", actionStatus, actionStatus == 200 ? "null" : failure);
            if (rereadStatus)
                s.reply("user.mfaStatus", rereadStatus, rereadStatus == 200 ? on : "{}");
            vm.setVerifyCode(u" 123456 "_s);
            runTask(vm.verifyAndEnable());
            QCOMPARE(vm.showSetup(), formStays);
            QCOMPARE(vm.verifyCode(), formStays ? u" 123456 "_s : QString());
            // The secret stays kept, only hidden.
            QVERIFY(vm.setup().has_value());
        }
        QCOMPARE(s.calls(), expectedCalls);
        if (!startOn)
            QVERIFY(s.server.requestsTo(AccountStack::path("user.setupMFA")).at(0).body.isEmpty()); // no input, no body
        QCOMPARE(vm.isEnabled(), endsOn);
        // A code taken and a status read that failed leave the status unknown: a
        // stale "off" would offer a new secret to an account that may be on.
        QCOMPARE(vm.status().has_value(), endsKnown);
        QCOMPARE(vm.canStartSetup(), endsKnown && !endsOn);
        QCOMPARE(vm.canRetry(), !endsKnown);
        // The alert holds the description alone.
        QCOMPARE(vm.errorMessage().value_or(QString()), error);
        QVERIFY(!vm.isBusy());
    }

    // Nothing is offered before the status is known; a failed read offers a retry.
    void twoFactorWaitsForStatus()
    {
        AccountStack s;
        TwoFactorViewModel vm(&s.mfa);
        QVERIFY(vm.isLoading());
        QVERIFY(!vm.canStartSetup() && !vm.canRequestDisable() && !vm.canRetry());
        runTask(vm.startSetup());
        QVERIFY(s.server.requests().isEmpty());

        s.reply("user.mfaStatus", 503, R"({"error":"down"})");
        runTask(vm.loadStatus());
        QCOMPARE(vm.errorMessage(), std::optional<QString>(u"down"_s));
        QVERIFY(!vm.status());
        QVERIFY(!vm.canStartSetup() && !vm.canRequestDisable());
        QVERIFY(vm.canRetry());
        runTask(vm.startSetup());
        vm.requestDisable();
        QVERIFY(!vm.showDisable());
        QCOMPARE(s.calls(), QStringList { u"GET user.mfaStatus"_s });

        dismissError(vm, &TwoFactorViewModel::errorMessageChanged);
        // The retry reads again: no second retry is offered while it runs.
        s.server.respondOnce(AccountStack::path("user.mfaStatus"), Reply { 200, AccountStack::envelope(on), {}, true });
        auto retry = vm.loadStatus();
        QVERIFY(vm.isLoading());
        QVERIFY(!vm.canRetry());
        QTRY_COMPARE(s.server.requests().size(), 2);
        s.server.release(AccountStack::path("user.mfaStatus"));
        runTask(std::move(retry));
        QVERIFY(vm.isEnabled() && vm.canRequestDisable() && !vm.canRetry() && !vm.canStartSetup());
    }

    // While a request runs, the buttons' actions send nothing more.
    void twoFactorOneRequestAtATime()
    {
        AccountStack s;
        TwoFactorViewModel vm(&s.mfa);
        s.reply("user.mfaStatus", 200, off);
        runTask(vm.loadStatus());
        s.server.respond(AccountStack::path("user.setupMFA"), Reply { 200, AccountStack::envelope(setupReply), {}, true });
        vm.startSetup();
        QTRY_COMPARE(s.server.requests().size(), 2);
        QVERIFY(vm.isBusy() && !vm.canStartSetup());
        vm.startSetup();
        vm.loadStatus();
        QVERIFY(s.roundTrip());
        QCOMPARE(s.server.requests().size(), 2);
        s.server.release(AccountStack::path("user.setupMFA"));
        QTRY_VERIFY(!vm.isBusy());
        QVERIFY(vm.showSetup() && vm.canStartSetup());

        s.server.respond(AccountStack::path("user.verifyMFA"), Reply { 400, wrongCode, {}, true });
        vm.setVerifyCode(u"123456"_s);
        vm.verifyAndEnable();
        QTRY_COMPARE(s.server.requests().size(), 3);
        QVERIFY(!vm.canVerify() && !vm.canStartSetup());
        vm.verifyAndEnable();
        QVERIFY(s.roundTrip());
        QCOMPARE(s.server.requests().size(), 3);
        s.server.release(AccountStack::path("user.verifyMFA"));
        QTRY_VERIFY(vm.canVerify());
    }

    // The sheet's cancel closes it and forgets the typed code; closed any other way it
    // keeps the code for the next opening. Each change is said once, a non-change never.
    void twoFactorDisableSheetCloses_data()
    {
        QTest::addColumn<bool>("cancelled");
        QTest::newRow("cancel") << true;
        QTest::newRow("closed otherwise") << false;
    }
    void twoFactorDisableSheetCloses()
    {
        QFETCH(bool, cancelled);
        AccountStack s;
        TwoFactorViewModel vm(&s.mfa);
        s.reply("user.mfaStatus", 200, on);
        runTask(vm.loadStatus());
        vm.requestDisable();
        vm.setDisableCode(u"654321"_s);
        QSignalSpy changed(&vm, &TwoFactorViewModel::changed);
        vm.setDisableCode(u"654321"_s);
        vm.setVerifyCode(QString());
        QCOMPARE(changed.count(), 0);
        if (cancelled)
            vm.cancelDisable();
        else
            vm.dismissDisable();
        QVERIFY(!vm.showDisable());
        QCOMPARE(vm.disableCode(), cancelled ? QString() : u"654321"_s);
        QCOMPARE(changed.count(), 1);
        vm.dismissDisable();
        QCOMPARE(changed.count(), 1);
        vm.requestDisable();
        QVERIFY(vm.showDisable());
        QCOMPARE(vm.canDisable(), !cancelled);
    }

    // Six characters as a person counts them, whatever they are: blanks count too.
    void twoFactorCodeLength_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("enough");
        const QString family = u"\U0001F468\u200D\U0001F469\u200D\U0001F467"_s; // one person-perceived character
        const QString accented = u"e\u0301"_s;
        QTest::newRow("five digits") << u"12345"_s << false;
        QTest::newRow("six digits") << u"123456"_s << true;
        QTest::newRow("letters and a space") << u"ab cde"_s << true;
        QTest::newRow("five inside white space") << u"  12345\n"_s << true;
        QTest::newRow("six blanks") << u"      "_s << true;
        QTest::newRow("four and a line break") << u"1234\n"_s << false;
        QTest::newRow("five emoji families") << family.repeated(5) << false;
        QTest::newRow("six emoji families") << family.repeated(6) << true;
        QTest::newRow("five combined accents") << accented.repeated(5) << false;
        QTest::newRow("six combined accents") << accented.repeated(6) << true;
    }
    void twoFactorCodeLength()
    {
        QFETCH(QString, code);
        QFETCH(bool, enough);
        QCOMPARE(TwoFactorViewModel::isCodeLongEnough(code), enough);
    }

    void sortDevices_data()
    {
        QTest::addColumn<QList<SessionService::DeviceSession>>("devices");
        QTest::addColumn<QList<qint64>>("order");
        const auto t1 = std::optional<QString>(u"2024-05-01T10:00:00Z"_s);
        const auto t2 = std::optional<QString>(u"2024-05-02T10:00:00Z"_s);
        QTest::newRow("current first, then newest")
            << QList { device(1, false, t2), device(2, true, t1), device(3, std::nullopt, t1), device(4, false, t2) }
            << QList<qint64> { 2, 1, 4, 3 };
        QTest::newRow("ties keep the server's order")
            << QList { device(5, false, t1), device(6, false, t1), device(7, false, std::nullopt), device(8, false, std::nullopt) }
            << QList<qint64> { 5, 6, 7, 8 };
        QTest::newRow("missing time last among current and others")
            << QList { device(1, true, std::nullopt), device(2, true, t1), device(3, false, std::nullopt), device(4, false, t1) }
            << QList<qint64> { 2, 1, 4, 3 };
        // Long enough that an unstable sort would reorder ties.
        QList<SessionService::DeviceSession> many;
        QList<qint64> newerFirst, older;
        for (qint64 id = 1; id <= 40; ++id) {
            many << device(id, false, id % 2 ? t1 : t2);
            (id % 2 ? older : newerFirst) << id;
        }
        QTest::newRow("many ties keep the server's order") << many << newerFirst + older;
    }
    void sortDevices()
    {
        QFETCH(QList<SessionService::DeviceSession>, devices);
        QFETCH(QList<qint64>, order);
        DeviceManagementViewModel::sortDevices(devices);
        QCOMPARE(ids(devices), order);
    }

    void shownLastActive_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("full time") << u"2024-05-01T10:20:30.000Z"_s << u"2024-05-01 10:20"_s;
        QTest::newRow("ten characters") << u"2024-05-01"_s << u"2024-05-01"_s;
        QTest::newRow("eleven characters") << u"2024-05-01T"_s << u"2024-05-01 "_s;
        QTest::newRow("only the first sixteen") << u"TTTTTTTTTTTTTTTTTT"_s << QString(16, u' ');
        QTest::newRow("emoji count as one") << u"\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600"_s
                                            << u"\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600"_s;
    }
    void shownLastActive()
    {
        QFETCH(QString, value);
        QFETCH(QString, shown);
        QCOMPARE(DeviceManagementViewModel::shownLastActive(value), shown);
    }

    // What signing out sends, and what the list keeps.
    void deviceActions_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QString>("action"); // "one:<id>" or "others"
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QList<qint64>>("left");
        QTest::addColumn<QString>("errorKey");
        const QByteArray mixed = R"([{"id":1,"deviceId":"d-1","isCurrent":false},{"id":2,"deviceId":"d-2","isCurrent":true},)"
                                 R"({"id":3},{"id":4,"deviceId":"d-4","isCurrent":true}])";
        const QByteArray noCurrent = R"([{"id":1,"deviceId":"d-1"}])";
        const QByteArray currentWithoutId = R"([{"id":1,"isCurrent":true},{"id":2,"deviceId":"d-2"}])";
        const QByteArray ok = AccountStack::envelope("{\"success\":true}");
        QTest::newRow("one device") << mixed << u"one:1"_s << 200 << ok << QStringList { u"POST session.logout {\"token\":\"d-1\"}"_s }
                                    << QList<qint64> { 2, 4, 3 } << QString();
        QTest::newRow("one device, empty reply") << mixed << u"one:1"_s << 200 << QByteArray()
                                                 << QStringList { u"POST session.logout {\"token\":\"d-1\"}"_s } << QList<qint64> { 2, 4, 3 }
                                                 << QString();
        QTest::newRow("one device refused") << mixed << u"one:1"_s << 500 << QByteArray(R"({"error":"boom"})")
                                            << QStringList { u"POST session.logout {\"token\":\"d-1\"}"_s } << QList<qint64> { 2, 4, 1, 3 }
                                            << u"devices.logout_device_failed"_s;
        QTest::newRow("device without id") << mixed << u"one:3"_s << 200 << ok << QStringList {} << QList<qint64> { 2, 4, 1, 3 } << QString();
        QTest::newRow("all others") << mixed << u"others"_s << 200 << ok
                                    << QStringList { u"POST session.revokeOthers {\"currentToken\":\"d-2\"}"_s } << QList<qint64> { 2, 4 }
                                    << QString();
        QTest::newRow("all others refused") << mixed << u"others"_s << 400 << QByteArray(R"({"error":"no"})")
                                            << QStringList { u"POST session.revokeOthers {\"currentToken\":\"d-2\"}"_s }
                                            << QList<qint64> { 2, 4, 1, 3 } << u"devices.operation_failed"_s;
        QTest::newRow("no current device") << noCurrent << u"others"_s << 200 << ok << QStringList {} << QList<qint64> { 1 } << QString();
        QTest::newRow("current device without id") << currentWithoutId << u"others"_s << 200 << ok << QStringList {} << QList<qint64> { 1, 2 }
                                                    << QString();
    }
    void deviceActions()
    {
        QFETCH(QByteArray, list);
        QFETCH(QString, action);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QStringList, sent);
        QFETCH(QList<qint64>, left);
        QFETCH(QString, errorKey);
        AccountStack s;
        DeviceManagementViewModel vm(&s.sessions);
        s.reply("session.myDevices", 200, list);
        runTask(vm.loadDevices());
        const int before = int(s.server.requests().size());
        const QList<qint64> shown = ids(vm.devices());
        QSignalSpy rowsChanged(&vm, &DeviceManagementViewModel::devicesChanged);
        QSignalSpy waiting(&vm, &DeviceManagementViewModel::loggingOutChanged);
        s.server.respond(AccountStack::path(action == u"others" ? "session.revokeOthers" : "session.logout"), Reply { status, body });
        if (action == u"others") {
            runTask(vm.revokeOtherDevices());
        } else {
            const qint64 id = action.mid(4).toLongLong();
            runTask(vm.logoutDevice(*std::find_if(vm.devices().cbegin(), vm.devices().cend(), [id](const auto& d) { return d.id == id; })));
        }
        QCOMPARE(s.calls().mid(before), sent);
        QCOMPARE(ids(vm.devices()), left);
        // This device's rows stand apart from the others', in the list's order.
        QCOMPARE(ids(vm.currentDevices()) + ids(vm.otherDevices()), left);
        for (const auto& current : vm.currentDevices())
            QVERIFY(current.isCurrent.value_or(false));
        // The list is said to change only when a row went; a signed-out row's button
        // waits while its request runs, and only then.
        QCOMPARE(rowsChanged.count(), left == shown ? 0 : 1);
        QCOMPARE(waiting.count(), action != u"others" && !sent.isEmpty() ? 2 : 0);
        for (const qint64 id : shown)
            QVERIFY(!vm.isLoggingOut(id));
        if (errorKey.isEmpty())
            QVERIFY(!vm.errorMessage());
        else
            QVERIFY(vm.errorMessage()->startsWith(text(errorKey.toLatin1().constData())));
    }

    // A failed load keeps the rows and reports the failure after its key's text.
    void deviceLoadFailure()
    {
        AccountStack s;
        DeviceManagementViewModel vm(&s.sessions);
        QVERIFY(vm.isLoading());
        QStringList said;
        connect(&vm, &DeviceManagementViewModel::isLoadingChanged, this, [&] { said << u"loading %1"_s.arg(vm.isLoading()); });
        connect(&vm, &DeviceManagementViewModel::devicesChanged, this, [&] { said << u"devices %1"_s.arg(vm.devices().size()); });
        connect(&vm, &DeviceManagementViewModel::errorMessageChanged, this, [&] { said << u"error %1"_s.arg(vm.error().has_value()); });
        s.reply("session.myDevices", 200, R"([{"id":9,"isCurrent":true}])");
        runTask(vm.loadDevices());
        s.reply("session.myDevices", 500, "{}");
        runTask(vm.loadDevices());
        QCOMPARE(said, (QStringList { u"devices 1"_s, u"loading 0"_s, u"loading 1"_s, u"error 1"_s, u"loading 0"_s }));
        QCOMPARE(ids(vm.devices()), QList<qint64> { 9 });
        QCOMPARE(vm.errorMessage(), std::optional<QString>(text("devices.load_failed") + u"HTTP错误: 500"_s));
        QVERIFY(!vm.isLoading());
        dismissError(vm, &DeviceManagementViewModel::errorMessageChanged);
        s.reply("session.myDevices", 500, "{}");
        runTask(vm.loadDevices());
        loadFailureOutlivesTheAlert(vm, text("devices.load_failed") + u"HTTP错误: 500"_s, [&] {
            s.reply("session.myDevices", 200, R"([{"id":9,"isCurrent":true}])");
            return vm.loadDevices();
        });
    }

    // A blocked contact is shown by its remark whenever one is given, even an empty one.
    void blockedContactShownName_data()
    {
        QTest::addColumn<std::optional<QString>>("nickname");
        QTest::addColumn<std::optional<QString>>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("remark") << std::optional<QString>(u"Bobby"_s) << std::optional<QString>(u"Bob"_s) << u"Bobby"_s;
        QTest::newRow("empty remark") << std::optional<QString>(u""_s) << std::optional<QString>(u"Bob"_s) << QString();
        QTest::newRow("no remark") << std::optional<QString>() << std::optional<QString>(u"Bob"_s) << u"Bob"_s;
        QTest::newRow("empty name") << std::optional<QString>() << std::optional<QString>(u""_s) << QString();
        QTest::newRow("neither") << std::optional<QString>() << std::optional<QString>() << u"未知用户"_s;
    }
    void blockedContactShownName()
    {
        QFETCH(std::optional<QString>, nickname);
        QFETCH(std::optional<QString>, name);
        QFETCH(QString, shown);
        Contact contact;
        contact.nickname = nickname;
        contact.name = name;
        QCOMPARE(PrivacySettingsViewModel::shownName(contact), shown);
    }

    void favorites()
    {
        AccountStack s;
        FavoritesViewModel vm(&s.chat);
        QStringList said;
        connect(&vm, &FavoritesViewModel::isLoadingChanged, this, [&] { said << u"loading %1"_s.arg(vm.isLoading()); });
        connect(&vm, &FavoritesViewModel::favoritesChanged, this, [&] { said << u"favorites %1"_s.arg(vm.favorites().size()); });
        connect(&vm, &FavoritesViewModel::errorMessageChanged, this, [&] { said << u"error %1"_s.arg(vm.error().has_value()); });
        s.reply("favorites.list", 200,
                R"([{"id":1,"message":{"id":7,"conversationId":1,"senderId":2,"type":"text","content":"a"}},{"id":2,"message":null},)"
                R"({"id":3},{"id":4,"message":{"id":8,"conversationId":1,"senderId":2,"type":"image"}},)"
                R"({"id":5,"message":{"id":7,"conversationId":1,"senderId":2,"type":"text","content":"a"}}])");
        runTask(vm.loadFavorites());
        QCOMPARE(s.calls(), QStringList { u"GET favorites.list {\"limit\":50,\"offset\":0}"_s });
        QList<qint64> shown;
        for (const Message& m : vm.favorites())
            shown << m.id;
        QCOMPARE(shown, (QList<qint64> { 7, 8, 7 }));

        s.reply("favorites.remove", 500, R"({"error":"boom"})");
        runTask(vm.removeFavorite(vm.favorites().at(0)));
        QCOMPARE(vm.favorites().size(), 3);
        QCOMPARE(vm.errorMessage(), std::optional<QString>(text("favorites.remove_failed") + u"\uFF1Aboom"_s));
        dismissError(vm, &FavoritesViewModel::errorMessageChanged);

        s.reply("favorites.remove", 200, "{\"success\":true}");
        runTask(vm.removeFavorite(vm.favorites().at(0)));
        QCOMPARE(s.calls().last(), u"POST favorites.remove {\"messageId\":7}"_s);
        QCOMPARE(vm.favorites().size(), 1); // both entries of message 7 go
        QCOMPARE(vm.favorites().at(0).id, 8);
        QCOMPARE(said, (QStringList { u"favorites 3"_s, u"loading 0"_s, u"error 1"_s, u"error 0"_s, u"favorites 1"_s }));
        said.clear();

        s.reply("favorites.list", 400, R"({"error":"bad"})");
        runTask(vm.loadFavorites());
        QCOMPARE(vm.favorites().size(), 1);
        QCOMPARE(vm.errorMessage(), std::optional<QString>(text("favorites.load_failed") + u"\uFF1Abad"_s));
        QCOMPARE(said, (QStringList { u"loading 1"_s, u"error 1"_s, u"loading 0"_s }));
        loadFailureOutlivesTheAlert(vm, text("favorites.load_failed") + u"\uFF1Abad"_s, [&] {
            s.reply("favorites.list", 200, "[]");
            return vm.loadFavorites();
        });
    }

    // The page numbers the server sees: a page counts only once it arrived.
    void filePaging()
    {
        AccountStack s;
        FileManagementViewModel vm(&s.files);
        // Before its first page the screen is waiting, not empty.
        QVERIFY(vm.isLoading());
        QVERIFY(!vm.canLoadMore());
        QSignalSpy listShown(&vm, &FileManagementViewModel::filesChanged);
        QSignalSpy spinner(&vm, &FileManagementViewModel::loadingChanged);
        s.reply("files.getMyFiles", 200, filePage(1, 50));
        runTask(vm.loadFiles());
        QCOMPARE(listShown.count(), 1);
        QCOMPARE(spinner.count(), 1);
        s.reply("files.getMyFiles", 200, filePage(51, 50));
        runTask(vm.loadMore());
        QCOMPARE(vm.page(), 2);
        QCOMPARE(listShown.count(), 2);
        QCOMPARE(spinner.count(), 3);
        s.reply("files.getMyFiles", 500, "{}");
        runTask(vm.loadMore());
        QCOMPARE(vm.page(), 2);
        QCOMPARE(listShown.count(), 2);
        QCOMPARE(spinner.count(), 5);
        QVERIFY(!vm.isLoadingMore());
        QVERIFY(!vm.errorMessage()); // a next page fails silently
        s.reply("files.getMyFiles", 200, "[]");
        runTask(vm.loadMore());
        QCOMPARE(vm.files().size(), 100);
        QVERIFY(vm.canLoadMore());
        QStringList pages;
        for (const QString& call : s.calls())
            pages << call.section(u' ', 2);
        QCOMPARE(pages, (QStringList { u"{\"limit\":50,\"page\":1}"_s, u"{\"limit\":50,\"page\":2}"_s, u"{\"limit\":50,\"page\":3}"_s,
                                       u"{\"limit\":50,\"page\":3}"_s }));
    }

    // One next page at a time, and a first page asked for later wins over it.
    void fileStaleReplies()
    {
        AccountStack s;
        FileManagementViewModel vm(&s.files);
        s.reply("files.getMyFiles", 200, filePage(1, 2));
        runTask(vm.loadFiles());
        s.server.respondOnce(AccountStack::path("files.getMyFiles"), Reply { 200, AccountStack::envelope(filePage(3, 2)), {}, true });
        vm.loadMore();
        QTRY_COMPARE(s.server.requests().size(), 2);
        QVERIFY(vm.isLoadingMore() && !vm.canLoadMore());
        vm.loadMore();
        QVERIFY(s.roundTrip());
        QCOMPARE(s.server.requests().size(), 2);

        s.reply("files.getMyFiles", 200, filePage(10, 1));
        runTask(vm.loadFiles());
        s.server.release(AccountStack::path("files.getMyFiles"));
        QVERIFY(s.roundTrip());
        QCOMPARE(vm.files().size(), 1);
        QCOMPARE(vm.files().at(0).id, 10);
        QCOMPARE(vm.page(), 1);
        QVERIFY(vm.canLoadMore());

        // Two first pages under way: the older one's answer, list or failure, is dropped.
        for (const int olderStatus : { 200, 500 }) {
            const qsizetype sent = s.server.requests().size();
            s.server.respondOnce(AccountStack::path("files.getMyFiles"),
                                 Reply { olderStatus, olderStatus == 200 ? AccountStack::envelope(filePage(20, 1)) : "{}", {}, true });
            auto older = vm.loadFiles();
            QTRY_COMPARE(s.server.requests().size(), sent + 1);
            // A list already shown is replaced under the first page's spinner, not the next page's.
            QVERIFY(vm.isLoading() && !vm.isLoadingMore());
            s.reply("files.getMyFiles", 200, filePage(10, 1));
            runTask(vm.loadFiles());
            s.server.release(AccountStack::path("files.getMyFiles"));
            runTask(std::move(older));
            QCOMPARE(vm.files().size(), 1);
            QCOMPARE(vm.files().at(0).id, 10);
            QVERIFY(!vm.errorMessage());
            QVERIFY(!vm.isLoading());
        }

        s.reply("files.getMyFiles", 403, R"({"error":"nope"})");
        runTask(vm.loadFiles());
        QCOMPARE(vm.files().size(), 1);
        QCOMPARE(vm.errorMessage(), std::optional<QString>(text("files.load_failed") + u"nope"_s));
        dismissError(vm, &FileManagementViewModel::errorMessageChanged);
        s.reply("files.getMyFiles", 403, R"({"error":"nope"})");
        runTask(vm.loadFiles());
        loadFailureOutlivesTheAlert(vm, text("files.load_failed") + u"nope"_s, [&] {
            s.reply("files.getMyFiles", 200, filePage(10, 1));
            return vm.loadFiles();
        });
    }

    // A switch or an hour reads its default until set, then what was stored, and every
    // screen showing it hears which one changed. An hour stored as no whole number
    // reads its default.
    void storedPreferences()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QSettings settings(dir.filePath(u"preferences.ini"_s), QSettings::IniFormat);
        UserDefaults defaults(&settings);
        QSignalSpy changed(&defaults, &UserDefaults::valueChanged);
        QCOMPARE(defaults.value(NotificationSettings::doNotDisturb), false);
        QCOMPARE(defaults.value(NotificationSettings::soundEnabled), true);
        QCOMPARE(defaults.value(NotificationSettings::dndStartHour), 22);
        defaults.setValue(NotificationSettings::doNotDisturb, true);
        defaults.setValue(NotificationSettings::soundEnabled, false);
        defaults.setValue(NotificationSettings::dndStartHour, 0);
        QCOMPARE(defaults.value(NotificationSettings::doNotDisturb), true);
        QCOMPARE(defaults.value(NotificationSettings::soundEnabled), false);
        QCOMPARE(defaults.value(NotificationSettings::dndStartHour), 0);
        QStringList names;
        for (const QList<QVariant>& call : changed)
            names << call.at(0).toString();
        QCOMPARE(names, (QStringList { u"doNotDisturb"_s, u"soundEnabled"_s, u"dndStartHour"_s }));
        settings.setValue(u"dndEndHour"_s, u"late"_s);
        QCOMPARE(defaults.value(NotificationSettings::dndEndHour), 7);
    }

    // A session's symbol by its platform, matched whole and case-blind; its title is the
    // device's name, else the platform; only an explicit true marks this machine.
    void sessionRows_data()
    {
        QTest::addColumn<std::optional<QString>>("platform");
        QTest::addColumn<std::optional<QString>>("deviceName");
        QTest::addColumn<std::optional<bool>>("current");
        QTest::addColumn<QString>("icon");
        QTest::addColumn<std::optional<QString>>("title");
        QTest::addColumn<bool>("isCurrent");
        const auto some = [](const char* text) { return std::optional<QString>(QString::fromUtf8(text)); };
        const std::optional<QString> none;
        QTest::newRow("nothing known") << none << none << std::optional<bool>() << u"desktopcomputer"_s << none << false;
        QTest::newRow("iOS") << some("iOS") << some("Mei's phone") << std::optional<bool>(true) << u"iphone"_s << some("Mei's phone") << true;
        QTest::newRow("MacOS") << some("MacOS") << none << std::optional<bool>(false) << u"laptopcomputer"_s << some("MacOS") << false;
        QTest::newRow("mac") << some("mac") << some("") << std::optional<bool>() << u"laptopcomputer"_s << some("") << false;
        QTest::newRow("Android") << some("Android") << none << std::optional<bool>() << u"phone"_s << some("Android") << false;
        QTest::newRow("WEB") << some("WEB") << none << std::optional<bool>() << u"globe"_s << some("WEB") << false;
        QTest::newRow("another platform") << some("ipados") << none << std::optional<bool>() << u"desktopcomputer"_s << some("ipados") << false;
        QTest::newRow("part of a name") << some("macos 14") << none << std::optional<bool>() << u"desktopcomputer"_s << some("macos 14")
                                        << false;
    }
    void sessionRows()
    {
        QFETCH(std::optional<QString>, platform);
        QFETCH(std::optional<QString>, deviceName);
        QFETCH(std::optional<bool>, current);
        QFETCH(QString, icon);
        QFETCH(std::optional<QString>, title);
        QFETCH(bool, isCurrent);
        LoginSession session;
        session.platform = platform;
        session.deviceName = deviceName;
        session.isCurrent = current;
        QCOMPARE(ProfileViewModel::platformIcon(platform), icon);
        QCOMPARE(ProfileViewModel::title(session), title);
        QCOMPARE(ProfileViewModel::isCurrent(session), isCurrent);
    }

    void sessionRevoke_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QList<qint64>>("left");
        QTest::addColumn<QString>("error");
        QTest::newRow("confirmed") << 200 << QList<qint64> { 1 } << QString();
        QTest::newRow("already ended") << 404 << QList<qint64> { 1 } << QString();
        QTest::newRow("server error") << 500 << QList<qint64> { 1, 9, 9 } << text("profile.revoke_failed") + u"not now"_s;
    }
    // A session leaves the list, every entry of it, only once the server ended it or
    // no longer knows it; its button waits meanwhile and a second press sends nothing.
    void sessionRevoke()
    {
        QFETCH(int, status);
        QFETCH(QList<qint64>, left);
        QFETCH(QString, error);
        AccountStack s;
        ProfileViewModel vm(s.auth);
        QSignalSpy listed(&vm, &ProfileViewModel::sessionsChanged);
        s.reply("user.listSessions", 200, R"([{"id":1,"isCurrent":true},{"id":9,"deviceName":"Phone"},{"id":9,"deviceName":"Tablet"}])");
        runTask(vm.loadSessions());
        QCOMPARE(idsOf(vm.sessions(), &LoginSession::id), (QList<qint64> { 1, 9, 9 }));
        QCOMPARE(listed.count(), 1);

        const QByteArray body = status == 200 ? AccountStack::envelope(R"({"success":true})")
            : status == 404                   ? QByteArray(R"({"error":{"json":{"message":"Session not found"}}})")
                                              : QByteArray(R"({"error":"not now"})");
        s.server.respondOnce(AccountStack::path("user.revokeSession"), Reply { status, body, {}, true });
        QSignalSpy waiting(&vm, &ProfileViewModel::revokingChanged);
        QSignalSpy failed(&vm, &ProfileViewModel::errorChanged);
        const LoginSession phone = vm.sessions().at(1);
        auto revoke = vm.revokeSession(phone);
        QVERIFY(vm.isRevoking(9));
        QCOMPARE(waiting.count(), 1);
        runTask(vm.revokeSession(vm.sessions().at(2)));
        QTRY_COMPARE(s.server.requests().size(), 2);
        s.server.release(AccountStack::path("user.revokeSession"));
        runTask(std::move(revoke));
        QVERIFY(!vm.isRevoking(9));
        QCOMPARE(waiting.count(), 2);
        QCOMPARE(s.calls().mid(1), QStringList { u"POST user.revokeSession {\"sessionId\":9}"_s });
        QCOMPARE(idsOf(vm.sessions(), &LoginSession::id), left);
        QCOMPARE(listed.count(), error.isEmpty() ? 2 : 1);
        QCOMPARE(failed.count(), error.isEmpty() ? 0 : 1);
        QCOMPARE(vm.error() ? vm.error()->text() : QString(), error);
        if (!error.isEmpty()) {
            dismissError(vm, &ProfileViewModel::errorChanged);
        } else {
            // Ended again from a screen still showing it: nothing left to take away, nothing said.
            s.reply("user.revokeSession", 200, R"({"success":true})");
            runTask(vm.revokeSession(phone));
            QCOMPARE(listed.count(), 2);
        }

        // A failed read leaves no stale sessions behind, and no alert.
        s.reply("user.listSessions", 500, "{}");
        runTask(vm.loadSessions());
        QVERIFY(vm.sessions().isEmpty());
        QCOMPARE(listed.count(), error.isEmpty() ? 3 : 2);
        QVERIFY(!vm.error());
    }

    // The blacklist is the contacts the server marks blocked, in its order. A failed
    // read is not "nobody is blocked"; an entry leaves only once its unblock is confirmed.
    void blacklist()
    {
        AccountStack s;
        PrivacySettingsViewModel vm(s.contacts);
        QVERIFY(vm.isLoading());
        QVERIFY(!vm.isLoaded());
        QSignalSpy loading(&vm, &PrivacySettingsViewModel::isLoadingChanged);
        QSignalSpy listed(&vm, &PrivacySettingsViewModel::blockedUsersChanged);
        QSignalSpy failed(&vm, &PrivacySettingsViewModel::errorChanged);
        s.reply("contacts.list", 500, R"({"error":"down"})");
        runTask(vm.loadBlockedUsers());
        QVERIFY(!vm.isLoading());
        QVERIFY(!vm.isLoaded());
        QCOMPARE(loading.count(), 1);
        QCOMPARE(failed.count(), 1);
        QCOMPARE(vm.error() ? vm.error()->text() : QString(), text("privacy.blacklist_load_failed") + u"down"_s);
        dismissError(vm, &PrivacySettingsViewModel::errorChanged);

        s.reply("contacts.list", 200,
                R"([{"id":1,"userId":5,"contactId":11,"blocked":true},{"id":2,"userId":5,"contactId":12,"blocked":false},)"
                R"({"id":3,"userId":5,"contactId":13},{"id":4,"userId":5,"contactId":14,"blocked":true}])");
        runTask(vm.loadBlockedUsers());
        QVERIFY(vm.isLoaded());
        QVERIFY(!vm.error());
        QCOMPARE(idsOf(vm.blockedUsers(), &Contact::contactId), (QList<qint64> { 11, 14 }));
        const qsizetype shown = listed.count();

        s.reply("contacts.unblock", 500, R"({"error":"busy"})");
        runTask(vm.unblock(vm.blockedUsers().at(1)));
        QCOMPARE(idsOf(vm.blockedUsers(), &Contact::contactId), (QList<qint64> { 11, 14 }));
        QCOMPARE(vm.error() ? vm.error()->text() : QString(), text("privacy.unblock_failed") + u"busy"_s);
        s.reply("contacts.unblock", 200, "null");
        runTask(vm.unblock(vm.blockedUsers().at(1)));
        QCOMPARE(s.calls().last(), u"POST contacts.unblock {\"contactId\":14}"_s);
        QCOMPARE(idsOf(vm.blockedUsers(), &Contact::contactId), QList<qint64> { 11 });
        QCOMPARE(listed.count(), shown + 1);
    }

    void previewUrl_data()
    {
        QTest::addColumn<std::optional<QString>>("mimeType");
        QTest::addColumn<std::optional<QString>>("fileUrl");
        QTest::addColumn<QString>("expected"); // empty: no preview; "BASE" stands for the server address
        const auto some = [](const char* text) { return std::optional<QString>(QString::fromUtf8(text)); };
        QTest::newRow("relative address") << some("image/png") << some("/uploads/a.png") << u"BASE/uploads/a.png"_s;
        QTest::newRow("upper-case type") << some("IMAGE/PNG") << some("https://cdn.example/a.png") << u"https://cdn.example/a.png"_s;
        QTest::newRow("not an image") << some("application/pdf") << some("/uploads/a.pdf") << QString();
        QTest::newRow("no type") << std::optional<QString>() << some("/uploads/a.png") << QString();
        QTest::newRow("no address") << some("image/png") << std::optional<QString>() << QString();
        QTest::newRow("local file") << some("image/png") << some("file:///etc/passwd") << QString();
        QTest::newRow("data address") << some("image/png") << some("data:image/png;base64,AAAA") << QString();
        QTest::newRow("not an address") << some("image/png") << some("http://a b/%zz") << QString();
    }
    void previewUrl()
    {
        QFETCH(std::optional<QString>, mimeType);
        QFETCH(std::optional<QString>, fileUrl);
        QFETCH(QString, expected);
        AccountStack s;
        FileManagementViewModel vm(&s.files);
        const std::optional<QUrl> url = vm.previewUrl(file(mimeType, fileUrl));
        QCOMPARE(url.has_value(), !expected.isEmpty());
        if (url)
            QCOMPARE(url->toString(), QString(expected).replace(u"BASE"_s, s.server.baseUrl()));
    }

    // Only an http or https signed address reaches the desktop; failures are logged.
    void download_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("opened"); // empty: nothing opened
        QTest::newRow("signed address") << 200 << QByteArray("{\"id\":4,\"signedUrl\":\"https://files.example/f?sig=1\"}")
                                        << u"https://files.example/f?sig=1"_s;
        QTest::newRow("local file refused") << 200 << QByteArray("{\"id\":4,\"signedUrl\":\"file:///etc/passwd\"}") << QString();
        QTest::newRow("custom scheme refused") << 200 << QByteArray(R"({"id":4,"signedUrl":"x-open:run"})") << QString();
        QTest::newRow("request fails") << 404 << QByteArray(R"({"error":"File not found"})") << QString();
    }
    void download()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(QString, opened);
        AccountStack s;
        FileManagementViewModel vm(&s.files);
        QStringList urls;
        FileService::setUrlOpener([&urls](const QUrl& url) { urls << url.toString(); });
        s.reply("files.getDownloadUrl", status, reply);
        if (opened.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^\\[FileManagement\\] Download failed: "_s));
        if (status == 200 && opened.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^\\[FileManagement\\] Refused"_s));
        QSignalSpy rowWaits(&vm, &FileManagementViewModel::downloadingChanged);
        vm.download(4);
        QVERIFY(vm.isDownloading(4));
        QTRY_VERIFY(!vm.isDownloading(4));
        QCOMPARE(rowWaits.count(), 2);
        QCOMPARE(rowWaits.at(1).at(0).toLongLong(), 4);
        FileService::setUrlOpener({});
        QCOMPARE(s.calls(), QStringList { u"POST files.getDownloadUrl {\"fileId\":4}"_s });
        QCOMPARE(urls, opened.isEmpty() ? QStringList() : QStringList { opened });
    }
};

QTEST_GUILESS_MAIN(TestAccountViewModels)
#include "tst_account_viewmodels.moc"
