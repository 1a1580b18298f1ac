// The built program, started the way a user starts it: what it sets up before the
// window shows is seen from outside, in the files it reads, the requests it sends
// and the lines it prints.
#include "RecordingHttpServer.h"

#include "network/FileSecretStore.h"
#include "network/KeychainService.h"

#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

class TestAppLaunch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A user signed in before, who chose Vietnamese on an English desktop: the program
    // finds the session and the choice where it keeps them (under its organisation
    // and application name), asks the server in that language from the first request,
    // and prints its log lines on standard output.
    void restoresTheStoredSessionInTheChosenLanguage()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString config = home.filePath(u"config"_s);
        const QString data = home.filePath(u"data"_s);
        FileSecretStore secrets(data + u"/Morvane/Morvane/secrets/"_s + KeychainService::service);
        QVERIFY(secrets.write(u"cached_user"_s, R"({"id":7,"openId":"o7","name":"Lan"})"));
        QVERIFY(secrets.write(u"auth_token"_s, "stored-token"));
        {
            QSettings settings(config + u"/Morvane/Morvane.conf"_s, QSettings::IniFormat);
            settings.setValue(u"appLanguage"_s, u"vi"_s);
        }

        RecordingHttpServer server;
        server.respond(u"/api/auth/me"_s, { 200, R"({"user":{"id":7,"openId":"o7","name":"Lan"}})" });

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"HOME"_s, home.path());
        environment.insert(u"XDG_CONFIG_HOME"_s, config);
        environment.insert(u"XDG_DATA_HOME"_s, data);
        environment.insert(u"XDG_CACHE_HOME"_s, home.filePath(u"cache"_s));
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        environment.insert(u"MORVANE_SECRET_STORE"_s, u"file"_s);
        environment.insert(u"MORVANE_API_URL"_s, server.baseUrl());
        environment.insert(u"MORVANE_WS_URL"_s, u"ws://127.0.0.1:%1/ws"_s.arg(server.port()));
        environment.insert(u"LANG"_s, u"en_US.UTF-8"_s);
        environment.insert(u"LC_ALL"_s, u"en_US.UTF-8"_s);
        environment.insert(u"LANGUAGE"_s, u"en"_s);
        environment.remove(u"QT_LOGGING_RULES"_s);

        QProcess morvane;
        morvane.setProcessEnvironment(environment);
        morvane.start(QStringLiteral(MORVANE_APP_BINARY), {});
        const auto stop = qScopeGuard([&] {
            morvane.kill();
            morvane.waitForFinished();
        });
        QVERIFY(morvane.waitForStarted());

        QTRY_VERIFY(!server.requestsTo(u"/api/auth/me"_s).isEmpty() || morvane.state() == QProcess::NotRunning);
        QCOMPARE(morvane.state(), QProcess::Running);
        QCOMPARE(server.requestsTo(u"/api/auth/me"_s).constFirst().header("Authorization"),
                 QByteArray("Bearer stored-token"));
        for (const RecordingHttpServer::Recorded& request : server.requests())
            QCOMPARE(request.header("Accept-Language"), QByteArray("vi"));

        QByteArray printed;
        QTRY_VERIFY((printed += morvane.readAllStandardOutput()).contains("[Keychain] using the"));
        QVERIFY(!morvane.readAllStandardError().contains("[Keychain]"));
    }
};

QTEST_GUILESS_MAIN(TestAppLaunch)
#include "tst_app_launch.moc"
