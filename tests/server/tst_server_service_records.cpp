// End to end: every reply of the procedures beyond chatting decodes with the client's
// own service records (not only with the server's idea of them), on the demo data.

#include "ServerProcess.h"
#include "ServerTestClient.h"

#include "models/FriendRequest.h"
#include "models/Moment.h"
#include "models/User.h"
#include "network/LoginSession.h"
#include "services/ChatService.h"
#include "services/FileService.h"
#include "services/GiftService.h"
#include "services/GroupService.h"
#include "services/MFAService.h"
#include "services/SearchService.h"
#include "services/SessionService.h"
#include "services/VipService.h"

#include <QJsonArray>
#include <QTest>

using testsupport::ServerProcess;
using namespace Qt::StringLiterals;

class TestServerServiceRecords : public QObject {
    Q_OBJECT

private:
    ServerProcess m_server { ServerProcess::Options { true, -1, {} } };
    std::unique_ptr<ApiClient> m_alice;
    qint64 m_group = 0;
    qint64 m_file = 0;

    // Decodes the reply as the client's record and says what the screen would miss.
    static QString check(const QString& record, const QJsonValue& data)
    {
        if (record == u"DeviceSession") {
            const auto devices = json::decode<QList<SessionService::DeviceSession>>(data);
            return devices.isEmpty() || !devices.first().deviceId ? u"no device id"_s : QString();
        }
        if (record == u"LoginSession") {
            const auto sessions = json::decode<QList<LoginSession>>(data);
            return std::count_if(sessions.begin(), sessions.end(), [](const LoginSession& s) { return s.isCurrent.value_or(false); }) == 1
                ? QString()
                : u"not exactly one current session"_s;
        }
        if (record == u"VipStatus")
            return json::decode<VipService::VipStatus>(data).levelName ? QString() : u"no level name"_s;
        if (record == u"VipLevel")
            return json::decode<QList<VipService::VipLevel>>(data).first().price ? QString() : u"no price"_s;
        if (record == u"MFAStatus")
            return json::decode<MFAService::MFAStatus>(data).enabled ? u"two-factor already on"_s : QString();
        if (record == u"MFASetup") {
            const auto setup = json::decode<MFAService::MFASetup>(data);
            return setup.secret && setup.backupCodes && !setup.backupCodes->isEmpty() ? QString() : u"no secret or backup codes"_s;
        }
        if (record == u"FileItem")
            return json::decode<QList<FileItem>>(data).first().fileName ? QString() : u"no file name"_s;
        if (record == u"FileDownload")
            return json::decode<FileDownload>(data).signedUrl.startsWith(u"http://"_s) ? QString() : u"signed address not absolute"_s;
        if (record == u"Gift")
            return json::decode<QList<GiftService::Gift>>(data).first().name ? QString() : u"no gift name"_s;
        if (record == u"GlobalSearchResult")
            return json::decode<SearchService::GlobalSearchResult>(data).messages.isEmpty() ? u"no messages found"_s : QString();
        if (record == u"FavoriteRecord")
            return json::decode<QList<FavoriteRecord>>(data).first().message ? QString() : u"no message"_s;
        if (record == u"GroupRole")
            return json::decode<GroupService::GroupRole>(data).permissions ? QString() : u"no permissions"_s;
        if (record == u"Moment")
            return json::decode<QList<Moment>>(data).first().likes ? QString() : u"no likes"_s;
        if (record == u"FriendRequest")
            return json::decode<QList<FriendRequest>>(data).first().fromUserName ? QString() : u"no sender name"_s;
        if (record == u"User")
            return json::decode<QList<User>>(data).size() == 1 ? QString() : u"not one user found"_s;
        return u"unknown record "_s + record;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        m_alice = std::make_unique<ApiClient>(m_server.baseUrl());
        m_alice->login(u"alice"_s, u"alice123"_s);
        m_group = m_alice->query(u"groups.list"_s).data()[0]["id"_L1].toInteger();
        m_file = m_alice->query(u"files.getMyFiles"_s, QJsonObject { { u"page"_s, 1 }, { u"limit"_s, 1 } }).data()[0]["id"_L1].toInteger();
        QVERIFY(m_group > 0 && m_file > 0);
        // The current device is the one whose live channel announced it.
        LiveClient live(m_server.wsUrl());
        QVERIFY(live.authenticate(m_alice->token, m_alice->userId(), u"records-device"_s));
    }

    void repliesDecode_data()
    {
        QTest::addColumn<QString>("procedure");
        QTest::addColumn<bool>("mutation");
        QTest::addColumn<QJsonValue>("input");
        QTest::addColumn<QString>("record");
        const QJsonValue none = QJsonValue::Undefined;
        const auto row = [](const char* name, const QString& procedure, bool mutation, const QJsonValue& input, const QString& record) {
            QTest::newRow(name) << procedure << mutation << input << record;
        };
        row("devices", u"session.myDevices"_s, false, none, u"DeviceSession"_s);
        row("login sessions", u"user.listSessions"_s, false, none, u"LoginSession"_s);
        row("VIP status", u"vip.status"_s, false, none, u"VipStatus"_s);
        row("VIP levels", u"vip.levels"_s, false, none, u"VipLevel"_s);
        row("two-factor status", u"user.mfaStatus"_s, false, none, u"MFAStatus"_s);
        row("two-factor setup", u"user.setupMFA"_s, true, none, u"MFASetup"_s);
        row("files", u"files.getMyFiles"_s, false, QJsonObject { { u"page"_s, 1 }, { u"limit"_s, 50 } }, u"FileItem"_s);
        row("download link", u"files.getDownloadUrl"_s, true, QJsonObject { { u"fileId"_s, m_file } }, u"FileDownload"_s);
        row("gifts", u"gifts.list"_s, false, none, u"Gift"_s);
        row("search", u"search.global"_s, false, QJsonObject { { u"keyword"_s, u"爬山"_s }, { u"limit"_s, 10 } }, u"GlobalSearchResult"_s);
        row("favourites", u"favorites.list"_s, false, QJsonObject { { u"limit"_s, 50 }, { u"offset"_s, 0 } }, u"FavoriteRecord"_s);
        row("new role", u"groupRole.create"_s, true,
            QJsonObject { { u"groupId"_s, m_group }, { u"name"_s, u"Photographer"_s },
                          { u"permissions"_s, QJsonObject { { u"canSendMessage"_s, true }, { u"canPin"_s, false } } } },
            u"GroupRole"_s);
        row("moments", u"moments.list"_s, false, QJsonObject { { u"page"_s, 1 }, { u"limit"_s, 20 } }, u"Moment"_s);
        row("friend requests", u"contacts.getFriendRequests"_s, false, none, u"FriendRequest"_s);
        row("user search", u"user.search"_s, false, QJsonObject { { u"keyword"_s, u"王五"_s } }, u"User"_s);
    }

    void repliesDecode()
    {
        QFETCH(QString, procedure);
        QFETCH(bool, mutation);
        QFETCH(QJsonValue, input);
        QFETCH(QString, record);
        const std::optional<QJsonValue> sent = input.isUndefined() ? std::nullopt : std::optional(input);
        const HttpResult result = mutation ? m_alice->mutation(procedure, sent) : m_alice->query(procedure, sent);
        QVERIFY2(result.status == 200, result.body.constData());
        try {
            const QString missing = check(record, result.data());
            QVERIFY2(missing.isEmpty(), qPrintable(missing));
        } catch (const json::DecodeError& error) {
            QFAIL(qPrintable(error.description()));
        }
    }
};

QTEST_GUILESS_MAIN(TestServerServiceRecords)
#include "tst_server_service_records.moc"
