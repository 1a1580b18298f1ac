// The conversation list and the chat after a reload, against a real morvane-server:
// a last message an administrator removed or its sender took back shows its notice,
// not an empty row; the notice of a dissolved group reads in the reader's language
// and follows a language switch, in the list and in the chat.

#include "ServerClient.h"
#include "ServerProcess.h"
#include "ServerTestClient.h"
#include "TaskRunner.h"

#include "state/chat/ConversationListViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/chat/ConversationRow.h"
#include "views/chat/MessageListModel.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using testsupport::runTask;
using testsupport::ServerProcess;

class TestPreviewsEndToEnd : public QObject {
    Q_OBJECT

    ServerProcess m_server { ServerProcess::Options { true, -1, {} } };
    std::unique_ptr<testsupport::ServerClient> m_alice;
    // Conversations whose last message is: a dissolved group's notice, one of Bob's
    // removed by the administrator, one of Alice's that she took back.
    qint64 m_dissolved = 0;
    qint64 m_removed = 0;
    qint64 m_revoked = 0;

    // The previews of a list loaded afresh, as after a restart.
    QHash<qint64, QString> reloadedPreviews()
    {
        ConversationListViewModel list(m_alice->id(), { &m_alice->chat, &m_alice->groups, &m_alice->ws, &m_alice->notifications,
                                                           StateTimer::systemFactory() });
        runTask(list.loadConversations());
        QHash<qint64, QString> previews;
        for (const Conversation& conversation : list.conversations())
            previews.insert(conversation.id, ConversationRow::previewText(conversation));
        return previews;
    }

private Q_SLOTS:
    void initTestCase()
    {
        LocalizationManager::shared().setLanguage(AppLanguage::en);
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        m_alice = std::make_unique<testsupport::ServerClient>(m_server);
        QVERIFY(m_alice->signIn(u"alice"_s, u"alice123"_s) && m_alice->connect());
        ApiClient bob(m_server.baseUrl());
        bob.login(u"bob"_s, u"bob12345"_s);
        ApiClient admin(m_server.baseUrl());
        admin.login(u"admin"_s, u"admin123"_s);
        LiveClient bobLive(m_server.wsUrl());
        QVERIFY(bobLive.authenticate(bob.token, bob.userId()));
        int sent = 0;
        const auto send = [&](qint64 conversationId, const QString& text) {
            bobLive.sendFrame(u"message_send"_s, { { u"clientMsgId"_s, u"previews-%1"_s.arg(++sent) }, { u"conversationId"_s, conversationId },
                                                   { u"type"_s, u"text"_s }, { u"content"_s, text } });
            return bobLive.waitFor(u"message_ack"_s).value_or(QJsonObject())["messageId"_L1].toInteger();
        };
        const auto group = [&](const QString& name) {
            return runTask(m_alice->chat.createConversation(u"group"_s, name, { bob.userId() }));
        };

        m_dissolved = group(u"Previews dissolved"_s);
        QVERIFY(send(m_dissolved, u"before the end"_s) > 0);
        const QJsonArray groups = admin.get(u"/api/admin/groups?search=Previews%20dissolved"_s).json()["groups"_L1].toArray();
        QCOMPARE(groups.size(), 1);
        // The administrator works in Vietnamese; nobody else reads that.
        admin.language = "vi";
        QCOMPARE(admin.postJson(u"/api/admin/groups/dissolve"_s, { { u"groupId"_s, groups.first()["id"_L1] } }).status, 200);

        m_removed = group(u"Previews removed"_s);
        const qint64 removed = send(m_removed, u"something forbidden"_s);
        QCOMPARE(admin.postJson(u"/api/admin/messages/delete"_s, { { u"messageId"_s, removed } }).status, 200);

        m_revoked = group(u"Previews revoked"_s);
        auto chat = m_alice->chatModel(m_revoked);
        chat->sendMessage(u"oops"_s);
        QTRY_VERIFY(!chat->messages().isEmpty() && chat->messages().constLast().status == u"sent"_s);
        runTask(chat->revokeMessage(chat->messages().constLast()));
    }

    void previewsAfterAReload_data()
    {
        QTest::addColumn<AppLanguage>("language");
        QTest::newRow("English") << AppLanguage::en;
        QTest::newRow("Chinese") << AppLanguage::zhHans;
    }
    void previewsAfterAReload()
    {
        QFETCH(AppLanguage, language);
        LocalizationManager& localization = LocalizationManager::shared();
        localization.setLanguage(language);
        const QHash<qint64, QString> previews = reloadedPreviews();
        QCOMPARE(previews.value(m_dissolved), localization.localizedString(u"chat.group_dissolved"_s));
        QCOMPARE(previews.value(m_removed), localization.localizedString(u"chat.removed_by_admin"_s));
        QCOMPARE(previews.value(m_revoked), localization.localizedString(u"chat.revoked_mine"_s));
        localization.setLanguage(AppLanguage::en);
    }

    // A group dissolved while the list is shown: its row turns into the notice, which
    // follows a language switch.
    void dissolvedWhileListed()
    {
        ApiClient bob(m_server.baseUrl());
        bob.login(u"bob"_s, u"bob12345"_s);
        const qint64 conversation = runTask(m_alice->chat.createConversation(u"group"_s, u"Previews live"_s, { bob.userId() }));
        ConversationListViewModel list(m_alice->id(), { &m_alice->chat, &m_alice->groups, &m_alice->ws, &m_alice->notifications,
                                                           StateTimer::systemFactory() });
        runTask(list.loadConversations());
        const auto preview = [&list, conversation] {
            for (const Conversation& c : list.conversations()) {
                if (c.id == conversation)
                    return ConversationRow::previewText(c);
            }
            return QString();
        };
        ApiClient admin(m_server.baseUrl());
        admin.login(u"admin"_s, u"admin123"_s);
        admin.language = "vi";
        const QJsonArray groups = admin.get(u"/api/admin/groups?search=Previews%20live"_s).json()["groups"_L1].toArray();
        QCOMPARE(groups.size(), 1);
        QCOMPARE(admin.postJson(u"/api/admin/groups/dissolve"_s, { { u"groupId"_s, groups.first()["id"_L1] } }).status, 200);
        LocalizationManager& localization = LocalizationManager::shared();
        QTRY_COMPARE(preview(), localization.localizedString(u"chat.group_dissolved"_s));
        localization.setLanguage(AppLanguage::zhHans);
        QCOMPARE(preview(), u"本群已被管理员解散"_s);
        localization.setLanguage(AppLanguage::en);
    }

    // The notice in the chat reads in the language in force, before and after a switch.
    void dissolvedNoticeInTheChat()
    {
        auto chat = m_alice->chatModel(m_dissolved);
        runTask(chat->loadMessages());
        QVERIFY(!chat->messages().isEmpty());
        MessageListModel rows(m_alice->id());
        rows.setMessages(chat->messages());
        const QModelIndex notice = rows.index(rows.rowCount() - 1);
        LocalizationManager& localization = LocalizationManager::shared();
        for (const AppLanguage language : { AppLanguage::en, AppLanguage::zhHans, AppLanguage::vi }) {
            localization.setLanguage(language);
            QCOMPARE(rows.data(notice, Qt::AccessibleTextRole).toString(), localization.localizedString(u"chat.group_dissolved"_s));
        }
        localization.setLanguage(AppLanguage::en);
        QCOMPARE(rows.data(notice, Qt::AccessibleTextRole).toString(), u"This group was dissolved by an administrator"_s);
    }
};

QTEST_MAIN(TestPreviewsEndToEnd)
#include "tst_previews_end_to_end.moc"
