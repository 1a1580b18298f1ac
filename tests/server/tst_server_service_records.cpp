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
#include <QDateTime>
#include <QTest>

#include <algorithm>

using testsupport::ServerProcess;
using namespace Qt::StringLiterals;

// Reads the reply as the client's record and says whether the screen gets what it shows.
using Check = bool (*)(const QJsonValue&);
Q_DECLARE_METATYPE(Check)

class TestServerServiceRecords : public QObject {
    Q_OBJECT

private:
    ServerProcess m_server { ServerProcess::Options { true, -1, {} } };
    std::unique_ptr<ApiClient> m_alice;
    qint64 m_group = 0;
    qint64 m_file = 0;

    template <typename T> static QList<T> list(const QJsonValue& data) { return json::decode<QList<T>>(data); }

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
        QTest::addColumn<Check>("check");
        const QJsonValue none = QJsonValue::Undefined;
        const auto row = [](const char* name, const QString& procedure, bool mutation, const QJsonValue& input, Check check) {
            QTest::newRow(name) << procedure << mutation << input << check;
        };
        row("devices with ids", u"session.myDevices"_s, false, none,
            [](const QJsonValue& d) { return bool(list<SessionService::DeviceSession>(d).value(0).deviceId); });
        row("devices named as their sessions name them", u"session.myDevices"_s, false, none, [](const QJsonValue& d) {
            const auto devices = list<SessionService::DeviceSession>(d);
            return std::any_of(devices.begin(), devices.end(), [](const SessionService::DeviceSession& s) { return s.deviceName == u"Office PC"_s; });
        });
        row("exactly one current login session", u"user.listSessions"_s, false, none, [](const QJsonValue& d) {
            const auto sessions = list<LoginSession>(d);
            return std::count_if(sessions.begin(), sessions.end(), [](const LoginSession& s) { return s.isCurrent.value_or(false); }) == 1;
        });
        row("VIP status with level name", u"vip.status"_s, false, none, [](const QJsonValue& d) { return bool(json::decode<VipService::VipStatus>(d).levelName); });
        // Alice's demo membership: the catalogue's second level, renewing by itself.
        row("VIP status as stored", u"vip.status"_s, false, none, [](const QJsonValue& d) {
            const auto status = json::decode<VipService::VipStatus>(d);
            return status.isVip == true && status.level == 2 && status.levelName == u"黄金 Gold"_s && status.autoRenew == true;
        });
        row("login sessions with their times", u"user.listSessions"_s, false, none, [](const QJsonValue& d) {
            const QJsonArray sessions = d.toArray();
            return !sessions.isEmpty() && std::all_of(sessions.begin(), sessions.end(), [](const QJsonValue& s) {
                return QDateTime::fromString(s["createdAt"_L1].toString(), Qt::ISODate).isValid()
                    && QDateTime::fromString(s["lastActiveAt"_L1].toString(), Qt::ISODate).isValid();
            });
        });
        row("conversations with their times", u"conversations.list"_s, false, none, [](const QJsonValue& d) {
            const QJsonArray conversations = d.toArray();
            return !conversations.isEmpty() && std::all_of(conversations.begin(), conversations.end(), [](const QJsonValue& c) {
                const QDateTime created = QDateTime::fromString(c["createdAt"_L1].toString(), Qt::ISODate);
                const QDateTime updated = QDateTime::fromString(c["updatedAt"_L1].toString(), Qt::ISODate);
                return created.isValid() && updated.isValid() && created <= updated;
            });
        });
        row("VIP levels with price", u"vip.levels"_s, false, none, [](const QJsonValue& d) { return bool(list<VipService::VipLevel>(d).value(0).price); });
        row("two-factor status, off", u"user.mfaStatus"_s, false, none, [](const QJsonValue& d) { return !json::decode<MFAService::MFAStatus>(d).enabled; });
        row("two-factor setup with backup codes", u"user.setupMFA"_s, true, none, [](const QJsonValue& d) {
            const auto setup = json::decode<MFAService::MFASetup>(d);
            return setup.secret && setup.backupCodes && !setup.backupCodes->isEmpty();
        });
        row("files with names", u"files.getMyFiles"_s, false, QJsonObject { { u"page"_s, 1 }, { u"limit"_s, 50 } },
            [](const QJsonValue& d) { return bool(list<FileItem>(d).value(0).fileName); });
        row("absolute download link", u"files.getDownloadUrl"_s, true, QJsonObject { { u"fileId"_s, m_file } },
            [](const QJsonValue& d) { return json::decode<FileDownload>(d).signedUrl.startsWith(u"http://"_s); });
        row("gifts with names", u"gifts.list"_s, false, none, [](const QJsonValue& d) { return bool(list<GiftService::Gift>(d).value(0).name); });
        row("search finds messages", u"search.global"_s, false, QJsonObject { { u"keyword"_s, u"爬山"_s }, { u"limit"_s, 10 } },
            [](const QJsonValue& d) { return !json::decode<SearchService::GlobalSearchResult>(d).messages.isEmpty(); });
        row("favourites with messages", u"favorites.list"_s, false, QJsonObject { { u"limit"_s, 50 }, { u"offset"_s, 0 } },
            [](const QJsonValue& d) { return bool(list<FavoriteRecord>(d).value(0).message); });
        row("new role with permissions", u"groupRole.create"_s, true,
            QJsonObject { { u"groupId"_s, m_group }, { u"name"_s, u"Photographer"_s },
                          { u"permissions"_s, QJsonObject { { u"canSendMessage"_s, true }, { u"canPin"_s, false } } } },
            [](const QJsonValue& d) { return bool(json::decode<GroupService::GroupRole>(d).permissions); });
        row("moments with likes", u"moments.list"_s, false, QJsonObject { { u"page"_s, 1 }, { u"limit"_s, 20 } },
            [](const QJsonValue& d) { return bool(list<Moment>(d).value(0).likes); });
        row("friend requests with sender names", u"contacts.getFriendRequests"_s, false, none,
            [](const QJsonValue& d) { return bool(list<FriendRequest>(d).value(0).fromUserName); });
        row("user search finds one", u"user.search"_s, false, QJsonObject { { u"keyword"_s, u"王五"_s } }, [](const QJsonValue& d) { return list<User>(d).size() == 1; });
    }

    void repliesDecode()
    {
        QFETCH(QString, procedure);
        QFETCH(bool, mutation);
        QFETCH(QJsonValue, input);
        QFETCH(Check, check);
        const std::optional<QJsonValue> sent = input.isUndefined() ? std::nullopt : std::optional(input);
        const HttpResult result = mutation ? m_alice->mutation(procedure, sent) : m_alice->query(procedure, sent);
        QVERIFY2(result.status == 200, result.body.constData());
        try {
            QVERIFY(check(result.data()));
        } catch (const json::DecodeError& error) {
            QFAIL(qPrintable(error.description()));
        }
    }
};

QTEST_GUILESS_MAIN(TestServerServiceRecords)
#include "tst_server_service_records.moc"
