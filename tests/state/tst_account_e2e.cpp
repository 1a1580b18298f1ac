// The account view models against the real morvane-server with its demo data:
// two-factor sign-in turned on with a code computed from the issued secret and
// off again, a second device signed out, a favourite unstarred, the files paged
// and one downloaded.

#include "ServerProcess.h"
#include "TaskRunner.h"

#include "network/APIClient.h"
#include "network/AuthService.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "services/ChatService.h"
#include "services/FileService.h"
#include "services/MFAService.h"
#include "services/SessionService.h"
#include "state/account/DeviceManagementViewModel.h"
#include "state/account/FavoritesViewModel.h"
#include "state/account/FileManagementViewModel.h"
#include "state/account/TwoFactorViewModel.h"

#include <QDateTime>
#include <QMessageAuthenticationCode>
#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;
using testsupport::runTask;

namespace {

// RFC 4648 Base32, as authenticator apps read the secret.
QByteArray fromBase32(const QString& text)
{
    static const QString alphabet = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ234567"_s;
    QByteArray bytes;
    quint32 buffer = 0;
    int bits = 0;
    for (const QChar c : text.toUpper()) {
        const qsizetype value = alphabet.indexOf(c);
        if (value < 0)
            continue;
        buffer = (buffer << 5) | quint32(value);
        bits += 5;
        if (bits >= 8) {
            bits -= 8;
            bytes.append(char((buffer >> bits) & 0xff));
        }
    }
    return bytes;
}

// RFC 6238 with the defaults authenticators use: HMAC-SHA1, 30-second steps, six digits.
QString totp(const QByteArray& key, qint64 step)
{
    QByteArray counter(8, '\0');
    qToBigEndian(quint64(step), counter.data());
    const QByteArray mac = QMessageAuthenticationCode::hash(counter, key, QCryptographicHash::Sha1);
    const int offset = mac.at(mac.size() - 1) & 0x0f;
    const quint32 value = qFromBigEndian<quint32>(mac.constData() + offset) & 0x7fffffff;
    return QString::number(value % 1000000).rightJustified(6, u'0');
}

} // namespace

class TestAccountEndToEnd : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ServerProcess> m_server;
    KeychainService m_keychain { std::make_unique<MemorySecretStore>() };
    std::unique_ptr<APIClient> m_api;

private Q_SLOTS:
    void initTestCase()
    {
        testsupport::ServerProcess::Options options;
        options.demo = true;
        m_server = std::make_unique<testsupport::ServerProcess>(options);
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
        m_api = std::make_unique<APIClient>(m_server->baseUrl().toString(), m_keychain);
        AuthService auth(*m_api, m_keychain);
        const AuthResponse signedIn = runTask(auth.login(u"alice"_s, u"alice123"_s));
        QVERIFY(signedIn.user.has_value());
    }

    void twoFactorOnAndOff()
    {
        MFAService mfa(*m_api);
        TwoFactorViewModel vm(&mfa);
        runTask(vm.loadStatus());
        QVERIFY2(!vm.errorMessage(), qPrintable(vm.errorMessage().value_or(QString())));
        QVERIFY(!vm.isEnabled());
        runTask(vm.startSetup());
        QVERIFY(vm.showSetup());
        QVERIFY(vm.setup()->secret);
        QVERIFY(!vm.setup()->backupCodes.value_or(QStringList()).isEmpty());
        const QByteArray key = fromBase32(*vm.setup()->secret);
        const qint64 step = QDateTime::currentSecsSinceEpoch() / 30;

        // A wrong code is refused and leaves everything in place.
        vm.setVerifyCode(totp(key, step + 5));
        runTask(vm.verifyAndEnable());
        QVERIFY(vm.errorMessage() && vm.showSetup() && !vm.isEnabled());
        vm.clearError();

        vm.setVerifyCode(totp(key, step));
        runTask(vm.verifyAndEnable());
        QVERIFY2(!vm.errorMessage(), qPrintable(vm.errorMessage().value_or(QString())));
        QVERIFY(vm.isEnabled());
        QVERIFY(!vm.showSetup());

        // The server takes each time step once: turning off uses the next one,
        // which it accepts within its one-step window.
        vm.requestDisable();
        vm.setDisableCode(totp(key, step + 1));
        runTask(vm.disableMFA());
        QVERIFY2(!vm.errorMessage(), qPrintable(vm.errorMessage().value_or(QString())));
        QVERIFY(!vm.isEnabled());
        QVERIFY(!vm.showDisable());
        MFAService::MFAStatus status = runTask(mfa.getStatus());
        QVERIFY(!status.enabled);
    }

    void signOutSecondDevice()
    {
        SessionService sessions(*m_api);
        DeviceManagementViewModel vm(&sessions);
        runTask(vm.loadDevices());
        QVERIFY2(!vm.errorMessage(), qPrintable(vm.errorMessage().value_or(QString())));
        const auto others = vm.otherDevices();
        QVERIFY(others.size() >= 2);
        runTask(vm.logoutDevice(others.first()));
        QVERIFY2(!vm.errorMessage(), qPrintable(vm.errorMessage().value_or(QString())));
        QCOMPARE(vm.otherDevices().size(), others.size() - 1);
        runTask(vm.loadDevices());
        QCOMPARE(vm.otherDevices().size(), others.size() - 1);
        for (const auto& device : vm.devices())
            QVERIFY(device.deviceId != others.first().deviceId);
    }

    void unstarFavourite()
    {
        ChatService chat(*m_api);
        FavoritesViewModel vm(&chat);
        runTask(vm.loadFavorites());
        QVERIFY2(!vm.errorMessage(), qPrintable(vm.errorMessage().value_or(QString())));
        const qsizetype before = vm.favorites().size();
        QVERIFY(before >= 1);
        runTask(vm.removeFavorite(vm.favorites().first()));
        QVERIFY2(!vm.errorMessage(), qPrintable(vm.errorMessage().value_or(QString())));
        runTask(vm.loadFavorites());
        QCOMPARE(vm.favorites().size(), before - 1);
    }

    void pageAndDownloadFiles()
    {
        FileService files(*m_api);
        FileManagementViewModel vm(&files);
        runTask(vm.loadFiles());
        QVERIFY2(!vm.errorMessage(), qPrintable(vm.errorMessage().value_or(QString())));
        QVERIFY(vm.files().size() >= 2);
        const qsizetype first = vm.files().size();
        runTask(vm.loadMore());
        QCOMPARE(vm.page(), 2);
        QCOMPARE(vm.files().size(), first);

        QList<QUrl> opened;
        FileService::setUrlOpener([&opened](const QUrl& url) { opened << url; });
        runTask(vm.download(vm.files().first().id));
        FileService::setUrlOpener({});
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.at(0).scheme(), u"http"_s);
        QCOMPARE(opened.at(0).host(), m_server->baseUrl().host());
    }
};

QTEST_GUILESS_MAIN(TestAccountEndToEnd)
#include "tst_account_e2e.moc"
