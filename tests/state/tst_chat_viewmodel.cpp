#include "ClientStack.h"
#include "PostedEvents.h"

#include "state/chat/CallViewModel.h"
#include "state/chat/ChatCatchUp.h"
#include "state/chat/ChatMessageList.h"
#include "state/chat/ChatViewModel.h"
#include "state/chat/ConversationListViewModel.h"
#include "state/chat/MessageSender.h"
#include "state/chat/ReadMarker.h"
#include "state/chat/RevokedNotice.h"
#include "state/chat/UserInfo.h"
#include "state/common/LocalizationManager.h"
#include "state/common/NotificationName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMetaProperty>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 me = 1;
constexpr qint64 chatId = 10;

QByteArray messageJson(qint64 id, qint64 senderId, const char* status = nullptr)
{
    QJsonObject m { { u"id"_s, id }, { u"conversationId"_s, chatId }, { u"senderId"_s, senderId },
                    { u"type"_s, u"text"_s }, { u"content"_s, u"m%1"_s.arg(id) } };
    if (status)
        m.insert(u"status"_s, QString::fromLatin1(status));
    return QJsonDocument(m).toJson(QJsonDocument::Compact);
}

QByteArray page(const QByteArrayList& messages)
{
    return "[" + messages.join(',') + "]";
}

// The offsets of the pages asked for, in order.
QList<qint64> offsetsAsked(const ClientStack& stack)
{
    QList<qint64> offsets;
    for (const QJsonObject& input : stack.inputs("messages.list"))
        offsets << input.value(u"offset"_s).toInteger();
    return offsets;
}

QList<qint64> ids(const QList<Message>& messages)
{
    QList<qint64> result;
    for (const Message& m : messages)
        result << m.id;
    return result;
}

struct Fixture {
    ClientStack stack;
    QList<std::pair<QString, QVariantMap>> posted;
    std::unique_ptr<ChatViewModel> model;

    explicit Fixture(bool connected = true)
    {
        stack.server.respond(procedure("conversations.markAsRead"), ok("null"));
        QObject::connect(&stack.notifications, &NotificationCenter::posted,
                         [this](const QString& name, const QVariantMap& info) { posted.append({ name, info }); });
        if (connected) {
            if (!stack.connectChannel(ClientStack::user(me, u"Me"_s)))
                qFatal("channel did not connect");
        } else {
            stack.storeSession(ClientStack::user(me, u"Me"_s));
        }
        model = std::make_unique<ChatViewModel>(
            chatId, me,
            stack.chatDependencies());
    }

    QStringList postedNames() const
    {
        QStringList names;
        for (const auto& entry : posted)
            names << entry.first;
        return names;
    }

    // The user info of the first notification of that name.
    QVariantMap postedInfo(const QString& name) const
    {
        for (const auto& entry : posted) {
            if (entry.first == name)
                return entry.second;
        }
        return {};
    }

    QList<QJsonObject> sentMessages() const { return stack.peer.framesOfType(u"message_send"_s); }
    std::optional<Message> find(qint64 id) const
    {
        for (const Message& m : model->messages()) {
            if (m.id == id)
                return m;
        }
        return std::nullopt;
    }
};

} // namespace

class TestChatViewModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Expected texts are the Chinese ones, whatever the machine's language.
        LocalizationManager::shared().setLanguage(AppLanguage::zhHans);
    }

    // Newest first from the server, oldest first on screen; read marking only after a page arrived.
    void firstPage_data()
    {
        QTest::addColumn<bool>("fails");

        QTest::newRow("loaded") << false;
        QTest::newRow("failed") << true;
    }

    void firstPage()
    {
        QFETCH(bool, fails);
        Fixture f;
        f.stack.server.respond(procedure("messages.list"),
                               fails ? RecordingHttpServer::Reply { 500, R"({"error":"boom"})" }
                                     : ok(page({ messageJson(3, me), messageJson(2, 2), messageJson(1, me, "delivered") })));
        QSignalSpy replaced(f.model.get(), &ChatViewModel::messagesChanged);
        QSignalSpy errorAnnounced(f.model.get(), &ChatViewModel::errorChanged);
        testsupport::runTask(f.model->loadMessages());
        QCOMPARE(f.model->errorText(), fails ? u"boom"_s : QString());
        // The error line bound to it shows the failure.
        if (fails)
            QCOMPARE(errorAnnounced.count(), 1);
        // A list on screen hears of the page as a new list.
        QCOMPARE(replaced.count(), fails ? 0 : 1);
        QCOMPARE(f.postedNames().contains(NotificationName::conversationRead()), !fails);
        if (fails) {
            f.stack.ws.sendRaw(QJsonObject { { u"type"_s, u"marker"_s } });
            QTRY_COMPARE(f.stack.peer.framesOfType(u"marker"_s).size(), 1);
            QVERIFY(f.stack.peer.framesOfType(u"read"_s).isEmpty());
            return;
        }
        QCOMPARE(ids(f.model->messages()), (QList<qint64> { 1, 2, 3 }));
        QCOMPARE(f.model->offset(), 3);
        QTRY_COMPARE(f.stack.peer.framesOfType(u"read"_s).size(), 1);
        QCOMPARE(f.stack.peer.framesOfType(u"read"_s).at(0)[u"payload"_s][u"conversationId"_s].toInteger(), chatId);
    }

    void acknowledgementConfirmsTheMatchingMessage()
    {
        Fixture f;
        Message target;
        target.id = 77;
        f.model->setReplyToMessage(target);
        f.model->sendMessage(u"hello"_s);
        // The reply target is spent by the message that answers it.
        QCOMPARE(f.model->replyToMessage(), std::nullopt);
        f.model->sendMessage(u"again"_s);
        QCOMPARE(f.model->messages().size(), 2);
        QCOMPARE(f.model->messages().at(0).threadRootId, std::optional<qint64>(77));
        QCOMPARE(f.model->messages().at(1).threadRootId, std::nullopt);
        const Message first = f.model->messages().at(0);
        QVERIFY(first.id < 0 && first.id >= -999'999);
        QVERIFY(first.id != f.model->messages().at(1).id);
        QCOMPARE(userInfo::text(f.posted.at(1).second, u"content"_s), std::optional<QString>(u"hello"_s));

        QTRY_COMPARE(f.sentMessages().size(), 2);
        const QJsonObject payload = f.sentMessages().at(0).value(u"payload"_s).toObject();
        QCOMPARE(payload.value(u"replyToId"_s).toInteger(), 77);
        QVERIFY(!f.sentMessages().at(1).value(u"payload"_s).toObject().contains(u"replyToId"_s));
        QCOMPARE(payload.value(u"clientMsgId"_s).toString(), *first.clientMessageId);

        Q_EMIT f.stack.ws.messageAckSubject(u"unknown"_s, u"s0"_s, 900, false);
        Q_EMIT f.stack.ws.messageAckSubject(*first.clientMessageId, u"s1"_s, 901, false);
        QTRY_VERIFY(f.find(901));
        QVERIFY(!f.find(900));
        QCOMPARE(f.find(901)->status, std::optional<QString>(u"sent"_s));
        QCOMPARE(f.find(901)->content, std::optional<QString>(u"hello"_s));
        QCOMPARE(f.find(901)->createdAt, first.createdAt);
        QCOMPARE(f.model->pendingMessages().size(), 1);
        QCOMPARE(f.model->messages().at(1).status, std::optional<QString>(u"sending"_s));

        // The acknowledgement of the same message again (it was sent twice) leaves it as it is by now.
        Q_EMIT f.stack.ws.readSubject(chatId, 2);
        QTRY_COMPARE(f.find(901)->status, std::optional<QString>(u"read"_s));
        Q_EMIT f.stack.ws.messageAckSubject(*first.clientMessageId, u"s1"_s, 901, true);
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(f.find(901)->status, std::optional<QString>(u"read"_s));
    }

    // However the server's copy and the acknowledgement meet, the message is listed once.
    void ownMessageIsListedOnce_data()
    {
        QTest::addColumn<QStringList>("events");

        QTest::newRow("echo with client id, then ack") << QStringList { u"echo+id"_s, u"ack"_s };
        QTest::newRow("ack, then echo") << QStringList { u"ack"_s, u"echo"_s };
        QTest::newRow("echo without client id, then ack") << QStringList { u"echo"_s, u"ack"_s };
        QTest::newRow("reload holding it, then ack") << QStringList { u"reload"_s, u"ack"_s };
        // The channel gives up on an acknowledgement the reload made needless: the
        // message the server holds stays sent.
        QTest::newRow("reload holding it, then a late failure") << QStringList { u"reload"_s, u"timeout"_s };
        QTest::newRow("ack, then a late failure") << QStringList { u"ack"_s, u"timeout"_s };
    }

    void ownMessageIsListedOnce()
    {
        QFETCH(QStringList, events);
        Fixture f;
        f.model->sendMessage(u"hello"_s);
        const QString clientId = *f.model->messages().at(0).clientMessageId;
        QJsonObject copy = json::parse(messageJson(901, me)).toObject();
        for (const QString& event : events) {
            if (event == u"ack") {
                Q_EMIT f.stack.ws.messageAckSubject(clientId, u"s1"_s, 901, false);
            } else if (event == u"timeout") {
                Q_EMIT f.stack.ws.messageFailedSubject(clientId, std::nullopt);
            } else if (event == u"reload") {
                copy.insert(u"clientMessageId"_s, clientId);
                f.stack.server.respond(procedure("messages.list"),
                                       ok("[" + QJsonDocument(copy).toJson(QJsonDocument::Compact) + "]"));
                testsupport::runTask(f.model->loadMessages());
            } else {
                if (event == u"echo+id")
                    copy.insert(u"clientMessageId"_s, clientId);
                Q_EMIT f.stack.ws.newMessageSubject(json::decode<Message>(copy));
            }
            QCoreApplication::processEvents();
        }
        QCOMPARE(ids(f.model->messages()), QList<qint64> { 901 });
        QCOMPARE(f.model->messages().at(0).status, std::optional<QString>(u"sent"_s));
        QVERIFY(f.model->pendingMessages().isEmpty());
    }

    // A message the server refuses (an error frame naming it) or never acknowledges
    // turns failed, with the reason in the chat's error line; the others stay sending.
    void refusedOrUnacknowledgedMessageFails_data()
    {
        QTest::addColumn<int>("how"); // 0: error frame, 1: no acknowledgement, 2: another conversation's message
        QTest::addColumn<QString>("errorKey");
        QTest::newRow("refused by the server") << 0 << u"chat.not_sent_refused"_s;
        QTest::newRow("never acknowledged") << 1 << u"chat.not_acknowledged"_s;
        QTest::newRow("not one of ours") << 2 << QString();
    }
    void refusedOrUnacknowledgedMessageFails()
    {
        QFETCH(int, how);
        QFETCH(QString, errorKey);
        Fixture f;
        QSignalSpy sendingShown(f.model.get(), &ChatViewModel::isSendingChanged);
        f.model->sendMessage(u"hello"_s);
        QCOMPARE(sendingShown.size(), 2);
        QVERIFY(!f.model->isSending());
        f.model->sendMessage(u"again"_s);
        const QString first = *f.model->messages().at(0).clientMessageId;
        QTRY_COMPARE(f.sentMessages().size(), 2);
        const QString reason = u"The group has been dissolved"_s;
        if (how == 0) {
            f.stack.peer.push(QJsonObject { { u"type"_s, u"error"_s },
                                            { u"payload"_s, QJsonObject { { u"code"_s, u"FORBIDDEN"_s }, { u"reason"_s, reason },
                                                                         { u"clientMsgId"_s, first } } } });
        } else {
            Q_EMIT f.stack.ws.messageFailedSubject(how == 1 ? first : u"elsewhere"_s, std::nullopt);
        }
        if (errorKey.isEmpty()) {
            QVERIFY(f.stack.roundTrip());
            QCOMPARE(f.model->messages().at(0).status, std::optional(u"sending"_s));
            QCOMPARE(f.model->error(), std::nullopt);
            return;
        }
        QTRY_COMPARE(f.model->messages().at(0).status, std::optional(u"failed"_s));
        QCOMPARE(f.model->messages().at(1).status, std::optional(u"sending"_s));
        QCOMPARE(f.model->pendingMessages().size(), 1);
        // Only the server's refusal says it holds no copy.
        QCOMPARE(MessageSender::canDiscard(f.model->messages().at(0)), how == 0);
        QString text = LocalizationManager::shared().localizedString(errorKey);
        QCOMPARE(f.model->error(), std::optional(text.replace(u"%@"_s, reason)));
    }

    // After a gap the chat reads the newest pages until they reach what it lists and
    // merges what it missed by id: nothing twice, in order, nothing listed dropped, this
    // user's unconfirmed messages kept last, and paging stops at the first known message.
    void catchUpMergesWhatWasMissed_data()
    {
        QTest::addColumn<QList<qint64>>("firstPage");  // newest first
        QTest::addColumn<QList<qint64>>("delivered");  // arrived live before the catch-up
        QTest::addColumn<bool>("ownUnsent");            // a message of this user still on its way
        QTest::addColumn<QList<QList<qint64>>>("pages"); // what the server pages give, newest first; { -1 }: fails
        QTest::addColumn<QList<qint64>>("expected");   // 0: the unconfirmed message
        using Ids = QList<qint64>;
        using Pages = QList<Ids>;
        QTest::newRow("missed at the end") << Ids { 3, 2, 1 } << Ids {} << false << Pages { { 5, 4, 3, 2, 1 } } << Ids { 1, 2, 3, 4, 5 };
        QTest::newRow("missed before a live one") << Ids { 3, 2, 1 } << Ids { 6 } << false << Pages { { 6, 5, 4, 3, 2, 1 } }
                                                  << Ids { 1, 2, 3, 4, 5, 6 };
        QTest::newRow("own unsent stays last") << Ids { 2, 1 } << Ids {} << true << Pages { { 3, 2, 1 } } << Ids { 1, 2, 3, 0 };
        QTest::newRow("nothing missed") << Ids { 2, 1 } << Ids {} << false << Pages { { 2, 1 } } << Ids { 1, 2 };
        // Full pages: only reaching a listed message ends the paging.
        const auto range = [](qint64 newest, qint64 oldest) {
            Ids ids;
            for (qint64 id = newest; id >= oldest; --id)
                ids << id;
            return ids;
        };
        Ids all = range(170, 21);
        std::reverse(all.begin(), all.end());
        QTest::newRow("more than a page") << range(70, 21) << Ids {} << false
                                          << Pages { range(170, 121), range(120, 71), range(70, 21) } << all;
        // A page the server fails to give ends the paging: what came before it is merged.
        Ids listedThenNewest = range(70, 21) + range(170, 121);
        std::reverse(listedThenNewest.begin(), listedThenNewest.begin() + 50);
        std::reverse(listedThenNewest.begin() + 50, listedThenNewest.end());
        QTest::newRow("a later page fails") << range(70, 21) << Ids {} << false << Pages { range(170, 121), { -1 } }
                                            << listedThenNewest;
        // However far behind the list is, the catch-up reads twenty pages at most and
        // merges what they hold.
        Pages twenty;
        for (qint64 newest = 1050; newest > 50; newest -= 50)
            twenty << range(newest, newest - 49);
        Ids upTo1050 = range(1050, 1);
        std::reverse(upTo1050.begin(), upTo1050.end());
        QTest::newRow("twenty pages at most") << range(50, 1) << Ids {} << false << twenty << upTo1050;
    }
    void catchUpMergesWhatWasMissed()
    {
        QFETCH(QList<qint64>, firstPage);
        QFETCH(QList<qint64>, delivered);
        QFETCH(bool, ownUnsent);
        QFETCH(QList<QList<qint64>>, pages);
        QFETCH(QList<qint64>, expected);
        const auto json = [](const QList<qint64>& ids) {
            QByteArrayList list;
            for (qint64 id : ids)
                list << messageJson(id, 2);
            return page(list);
        };
        Fixture f;
        f.stack.server.respondOnce(procedure("messages.list"), ok(json(firstPage)));
        testsupport::runTask(f.model->loadMessages());
        for (qint64 id : delivered) {
            f.stack.peer.push(QJsonObject { { u"type"_s, u"message_deliver"_s },
                                            { u"payload"_s, QJsonObject { { u"message"_s, QJsonDocument::fromJson(messageJson(id, 2)).object() } } } });
        }
        QTRY_COMPARE(f.model->messages().size(), firstPage.size() + delivered.size());
        if (ownUnsent)
            f.model->sendMessage(u"on its way"_s);
        const int before = f.stack.requestCount(procedure("messages.list"));
        for (const QList<qint64>& ids : std::as_const(pages)) {
            f.stack.server.respondOnce(procedure("messages.list"), ids == QList<qint64> { -1 }
                                           ? RecordingHttpServer::Reply { 500, R"({"error":"boom"})" }
                                           : ok(json(ids)));
        }
        // A failed page is said in the log, with the server's reason.
        if (pages.contains(QList<qint64> { -1 }))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^\\[Chat\\] Catching up failed: .*boom"_s));

        testsupport::runTask(f.model->catchUp());
        QList<qint64> listed = ids(f.model->messages());
        for (qint64& id : listed)
            id = id < 0 ? 0 : id;
        QCOMPARE(listed, expected);
        // Pages follow each other from the newest on, without a gap.
        QList<qint64> offsets;
        for (qsizetype i = 0; i < pages.size(); ++i)
            offsets << i * ChatViewModel::pageSize;
        QCOMPARE(offsetsAsked(f.stack).mid(before), offsets);
        // Every page, the first and those of the catch-up, holds 50 messages.
        for (const QJsonObject& input : f.stack.inputs("messages.list"))
            QCOMPARE(input.value(u"limit"_s).toInteger(), 50);
        // The next older page starts past every listed message the server holds,
        // those merged and those that came live included.
        f.stack.server.respondOnce(procedure("messages.list"), ok("[]"));
        testsupport::runTask(f.model->loadMoreMessages());
        QCOMPARE(offsetsAsked(f.stack).constLast(), expected.size() - expected.count(0));
    }

    // Driven by itself: missed messages go in as runs of inserted rows where they
    // belong (never as a new list), the server's copy of this user's unconfirmed
    // message takes its place and ends its wait, and the read marking hears that
    // messages of others came.
    void catchUpInsertsMissedRunsInPlace()
    {
        ClientStack stack;
        QVERIFY(stack.connectChannel(ClientStack::user(me, u"Me"_s)));
        ChatMessageList list;
        MessageSender sender(chatId, me, list, MessageSender::Dependencies { &stack.ws, &stack.clientIds, &stack.keychain,
                                                                             &stack.notifications, &stack.unsent, &stack.api });
        ChatCatchUp catchUp(chatId, me, stack.chat, list, sender);
        QList<Message> listed;
        for (qint64 id : { 1, 2, 5, 6 })
            listed << json::decode<Message>(json::parse(messageJson(id, 2)));
        list.replaceAll(listed);
        QVERIFY(sender.sendText(u"on its way"_s, std::nullopt));
        const QString clientMsgId = *list.messages().constLast().clientMessageId;
        QJsonObject stored = json::parse(messageJson(9, me)).toObject();
        stored.insert(u"clientMessageId"_s, clientMsgId);
        stack.server.respondOnce(procedure("messages.list"),
                                 ok(page({ QJsonDocument(stored).toJson(QJsonDocument::Compact), messageJson(8, 2), messageJson(7, 2),
                                           messageJson(6, 2), messageJson(5, 2), messageJson(4, 2), messageJson(3, 2) })));
        QSignalSpy inserted(&list, &ChatMessageList::inserted);
        QSignalSpy changed(&list, &ChatMessageList::changed);
        QSignalSpy othersArrived(&catchUp, &ChatCatchUp::othersArrived);

        testsupport::runTask(catchUp.run());
        QCOMPARE(ids(list.messages()), (QList<qint64> { 1, 2, 3, 4, 5, 6, 7, 8, 9 }));
        // The server's copy of this user's message reads as sent, not as one of another's.
        QCOMPARE(list.messages().constLast().status, std::optional(u"sent"_s));
        QCOMPARE(inserted.count(), 2);
        QCOMPARE(inserted.at(0), (QVariantList { qsizetype(4), qsizetype(2) }));
        QCOMPARE(inserted.at(1), (QVariantList { qsizetype(2), qsizetype(2) }));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(othersArrived.count(), 1);
        QVERIFY(sender.pendingMessages().isEmpty());
        QCOMPARE(offsetsAsked(stack), QList<qint64> { 0 });
    }

    // Asked for again (once or more) while a catch-up reads its pages, the catch-up runs
    // once more after it: what came after its pages were read is not missed.
    void catchUpAskedAgainRunsOnceMore()
    {
        Fixture f;
        const QString list = procedure("messages.list");
        f.stack.server.respondOnce(list, ok(page({ messageJson(1, 2) })));
        testsupport::runTask(f.model->loadMessages());
        f.stack.server.respondOnce(list, { 200, envelope(page({ messageJson(2, 2), messageJson(1, 2) })), {}, true });
        QCoro::Task<> first = f.model->catchUp();
        QTRY_COMPARE(f.stack.server.heldCount(list), 1);
        testsupport::runTask(f.model->catchUp());
        testsupport::runTask(f.model->catchUp());
        f.stack.server.respondOnce(list, ok(page({ messageJson(3, 2), messageJson(2, 2), messageJson(1, 2) })));
        f.stack.server.release(list);
        testsupport::runTask(std::move(first));
        QCOMPARE(ids(f.model->messages()), (QList<qint64> { 1, 2, 3 }));
        QCOMPARE(offsetsAsked(f.stack), (QList<qint64> { 0, 0, 0 }));
    }

    // A list replaced while a catch-up reads its pages is newer than what the pages
    // said: the catch-up merges nothing into it (a cleared history stays empty, a
    // message gone from a reload does not come back).
    void catchUpYieldsToANewerList_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QList<qint64>>("expected");
        QTest::newRow("history cleared") << u"clear"_s << QList<qint64> {};
        QTest::newRow("reloaded without a deleted message") << u"reload"_s << QList<qint64> { 1, 3 };
    }
    void catchUpYieldsToANewerList()
    {
        QFETCH(QString, meanwhile);
        QFETCH(QList<qint64>, expected);
        Fixture f;
        f.stack.server.respondOnce(procedure("messages.list"), ok(page({ messageJson(1, 2) })));
        testsupport::runTask(f.model->loadMessages());
        RecordingHttpServer::Reply held = ok(page({ messageJson(3, 2), messageJson(2, 2), messageJson(1, 2) }));
        held.held = true;
        f.stack.server.respondOnce(procedure("messages.list"), held);
        QCoro::Task<> catchingUp = f.model->catchUp();
        QTRY_COMPARE(f.stack.server.heldCount(procedure("messages.list")), 1);

        if (meanwhile == u"clear"_s) {
            f.stack.notifications.post(NotificationName::clearChatHistory(), { { u"conversationId"_s, chatId } });
            QTRY_VERIFY(f.model->messages().isEmpty());
        } else {
            f.stack.server.respondOnce(procedure("messages.list"), ok(page({ messageJson(3, 2), messageJson(1, 2) })));
            testsupport::runTask(f.model->loadMessages());
        }
        f.stack.server.release(procedure("messages.list"));
        testsupport::runTask(std::move(catchingUp));
        QCOMPARE(ids(f.model->messages()), expected);
    }

    // While the chat is on screen in the active window, what arrives live or by
    // catching up is marked read (on the server and by a "read" frame, which the
    // senders see): one mark for a burst, not one per message. Away, nothing is
    // marked until the chat is back on screen; this user's own messages need none.
    void arrivalsAreMarkedReadOncePerBurst_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("onScreen");
        QTest::addColumn<int>("marks");
        QTest::newRow("live, on screen") << u"live"_s << true << 1;
        QTest::newRow("live, away") << u"live"_s << false << 0;
        QTest::newRow("caught up, on screen") << u"caught up"_s << true << 1;
        QTest::newRow("own, from another device") << u"own"_s << true << 0;
    }
    void arrivalsAreMarkedReadOncePerBurst()
    {
        QFETCH(QString, how);
        QFETCH(bool, onScreen);
        QFETCH(int, marks);
        Fixture f;
        // A chat just opened has nothing to mark and nothing to retry.
        QVERIFY(!f.model->readMarker().isMarking());
        QVERIFY(!f.model->readMarker().isWaitingToRetry());
        const QString markPath = procedure("conversations.markAsRead");
        f.stack.server.respondOnce(procedure("messages.list"), ok(page({ messageJson(1, 2) })));
        testsupport::runTask(f.model->loadMessages());
        QCOMPARE(f.stack.requestCount(markPath), 1);
        f.model->setOnScreen(onScreen);
        if (how == u"caught up") {
            f.stack.server.respondOnce(procedure("messages.list"),
                                       ok(page({ messageJson(4, 2), messageJson(3, 2), messageJson(2, 2), messageJson(1, 2) })));
            testsupport::runTask(f.model->catchUp());
        } else {
            for (qint64 id : { 2, 3, 4 }) {
                f.stack.peer.push(QJsonObject { { u"type"_s, u"message_deliver"_s },
                                                { u"payload"_s, QJsonObject { { u"message"_s, json::parse(messageJson(id, how == u"own" ? me : 2)).toObject() } } } });
            }
        }
        QTRY_COMPARE(f.model->messages().size(), 4);
        f.stack.timers->advance(ReadMarker::burstMs);
        QCOMPARE(f.model->readMarker().isMarking(), marks > 0);
        QTRY_COMPARE(f.stack.requestCount(markPath), 1 + marks);
        QTRY_COMPARE(f.stack.peer.framesOfType(u"read"_s).size(), 1 + marks);
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(f.stack.requestCount(markPath), 1 + marks);
        if (onScreen)
            return;
        // Back on screen: what came meanwhile is read now.
        f.model->setOnScreen(true);
        f.stack.timers->advance(ReadMarker::burstMs);
        QTRY_COMPARE(f.stack.requestCount(markPath), 2);
        QTRY_COMPARE(f.stack.peer.framesOfType(u"read"_s).size(), 2);
    }

    // A mark the server did not take leaves the messages unread, with no "read" frame
    // (the senders would see them read): it is made again once the channel is back,
    // not before, and only while the chat is on screen. Nothing that awaits a mark is
    // kept waiting by its failure (the first page's load ends), and a mark that fails
    // after the channel came back while it was on its way does not wait for another return.
    void failedReadMarkIsMadeAgainWhenTheChannelIsBack_data()
    {
        QTest::addColumn<QString>("when"); // what happens around the failed mark
        QTest::newRow("on screen when the channel is back") << u"on screen"_s;
        QTest::newRow("away when the channel is back") << u"away"_s;
        QTest::newRow("the first page's mark") << u"first page"_s;
        QTest::newRow("the channel is back before the failure") << u"back while marking"_s;
    }
    void failedReadMarkIsMadeAgainWhenTheChannelIsBack()
    {
        QFETCH(QString, when);
        Fixture f;
        const QString markPath = procedure("conversations.markAsRead");
        RecordingHttpServer::Reply refused { 500, R"({"error":"unreachable"})" };
        refused.held = when == u"back while marking";
        // Exactly one mark fails, and the log says why.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^\\[Chat\\] Mark as read failed: .*unreachable"_s));
        const auto reconnect = [&f] {
            f.stack.ws.disconnect();
            return f.stack.connectChannel(ClientStack::user(me, u"Me"_s));
        };
        // Marks made, and "read" frames sent, before the one that fails.
        const int taken = when == u"first page" ? 0 : 1;
        if (!taken)
            f.stack.server.respondOnce(markPath, refused);
        f.stack.server.respond(procedure("messages.list"), ok(page({ messageJson(1, 2) })));
        testsupport::runTask(f.model->loadMessages());
        QVERIFY(!f.model->isLoading());
        QTRY_COMPARE(f.stack.peer.framesOfType(u"read"_s).size(), taken);
        f.model->setOnScreen(true);

        if (taken) {
            f.stack.server.respondOnce(markPath, refused);
            f.stack.peer.push(QJsonObject { { u"type"_s, u"message_deliver"_s },
                                            { u"payload"_s, QJsonObject { { u"message"_s, json::parse(messageJson(2, 2)).toObject() } } } });
            QTRY_COMPARE(f.model->messages().size(), 2);
            f.stack.timers->advance(ReadMarker::burstMs);
        }
        QTRY_COMPARE(f.stack.requestCount(markPath), taken + 1);
        if (when == u"back while marking") {
            QTRY_COMPARE(f.stack.server.heldCount(markPath), 1);
            QVERIFY(reconnect());
            QVERIFY(testsupport::postedEventsHandled());
            f.stack.server.release(markPath);
        }
        QTRY_VERIFY(!f.model->readMarker().isMarking());
        QCOMPARE(f.model->readMarker().isWaitingToRetry(), when != u"back while marking");
        if (when != u"back while marking") {
            // Nothing more while the channel is not back: no retry of its own, and no frame.
            f.stack.timers->advance(10 * ReadMarker::burstMs);
            QVERIFY(f.stack.roundTrip());
            QCOMPARE(f.stack.requestCount(markPath), taken + 1);
            f.stack.ws.sendRaw(QJsonObject { { u"type"_s, u"marker"_s } });
            QTRY_COMPARE(f.stack.peer.framesOfType(u"marker"_s).size(), 1);
            QCOMPARE(f.stack.peer.framesOfType(u"read"_s).size(), taken);

            if (when == u"away")
                f.model->setOnScreen(false);
            QVERIFY(reconnect());
            QTRY_VERIFY(!f.model->readMarker().isWaitingToRetry());
            if (when == u"away") {
                f.stack.timers->advance(ReadMarker::burstMs);
                QVERIFY(f.stack.roundTrip());
                QCOMPARE(f.stack.requestCount(markPath), taken + 1);
                f.model->setOnScreen(true);
            }
        }
        f.stack.timers->advance(ReadMarker::burstMs);
        QTRY_COMPARE(f.stack.requestCount(markPath), taken + 2);
        QTRY_COMPARE(f.stack.peer.framesOfType(u"read"_s).size(), taken + 1);
        QVERIFY(!f.model->readMarker().isWaitingToRetry());
    }

    // Only a way back to the server starts a catch-up: a notice that repeats that the
    // channel is up, or down, changes nothing.
    void onlyAChannelComingBackCatchesUp_data()
    {
        QTest::addColumn<QList<bool>>("notices");
        QTest::addColumn<int>("catchUps");
        QTest::newRow("up again") << QList<bool> { true } << 0;
        QTest::newRow("down twice") << QList<bool> { false, false } << 0;
        QTest::newRow("down, then up") << QList<bool> { false, true } << 1;
    }
    void onlyAChannelComingBackCatchesUp()
    {
        QFETCH(QList<bool>, notices);
        QFETCH(int, catchUps);
        Fixture f;
        const QString listPath = procedure("messages.list");
        f.stack.server.respond(listPath, ok(page({ messageJson(1, 2) })));
        testsupport::runTask(f.model->loadMessages());
        const int before = f.stack.requestCount(listPath);
        for (bool up : std::as_const(notices))
            Q_EMIT f.stack.ws.isConnectedChanged(up);
        QVERIFY(testsupport::postedEventsHandled());
        // Waited for only when one is due: an unwanted one is there by the round trip.
        if (catchUps > 0)
            QTRY_COMPARE(f.stack.requestCount(listPath) - before, catchUps);
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(f.stack.requestCount(listPath) - before, catchUps);
    }

    // A chat whose first page never came (the server could not be reached), or came
    // empty, has nothing listed for a catch-up to meet: when the channel is back it
    // opens as it would now, at the newest page (one page asked for, not the whole
    // history), marked read, with older pages on demand.
    void chatOpenedOfflineOpensAtItsNewestPage_data()
    {
        QTest::addColumn<QString>("firstPage");
        QTest::newRow("failed") << u"failed"_s;
        QTest::newRow("failed after the channel came back") << u"failed late"_s;
        QTest::newRow("empty") << u"empty"_s;
    }
    void chatOpenedOfflineOpensAtItsNewestPage()
    {
        QFETCH(QString, firstPage);
        const auto range = [](qint64 newest, qint64 oldest) {
            QByteArrayList list;
            for (qint64 id = newest; id >= oldest; --id)
                list << messageJson(id, 2);
            return page(list);
        };
        Fixture f(firstPage == u"empty");
        const QString listPath = procedure("messages.list");
        RecordingHttpServer::Reply unreachable { 503, R"({"error":"unreachable"})" };
        unreachable.held = firstPage == u"failed late";
        f.stack.server.respondOnce(listPath, firstPage == u"empty" ? ok("[]") : unreachable);
        // The whole history: 225 messages, 50 to a page.
        f.stack.server.respondOnce(listPath, ok(range(225, 176)));
        f.stack.server.respondOnce(listPath, ok(range(175, 126)));
        f.stack.server.respondOnce(listPath, ok(range(125, 76)));
        f.stack.server.respondOnce(listPath, ok(range(75, 26)));
        f.stack.server.respondOnce(listPath, ok(range(25, 1)));
        f.stack.server.respond(listPath, ok("[]"));

        QCoro::Task<> load = f.model->loadMessages();
        if (firstPage == u"failed late")
            QTRY_COMPARE(f.stack.server.heldCount(listPath), 1);
        else
            testsupport::runTask(std::move(load));
        QVERIFY(f.model->messages().isEmpty());
        if (firstPage == u"empty")
            f.stack.ws.disconnect();
        QVERIFY(f.stack.connectChannel(ClientStack::user(me, u"Me"_s)));
        if (firstPage == u"failed late") {
            QVERIFY(testsupport::postedEventsHandled());
            f.stack.server.release(listPath);
            testsupport::runTask(std::move(load));
        }

        QTRY_COMPARE(f.model->messages().size(), 50);
        QTRY_VERIFY(!f.model->isLoading());
        QCOMPARE(f.model->messages().constFirst().id, 176);
        QCOMPARE(f.model->messages().constLast().id, 225);
        QVERIFY(!f.model->error());
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(offsetsAsked(f.stack), (QList<qint64> { 0, 0 }));
        QCOMPARE(f.stack.requestCount(procedure("conversations.markAsRead")), firstPage == u"empty" ? 2 : 1);
        testsupport::runTask(f.model->loadMoreMessages());
        QCOMPARE(offsetsAsked(f.stack).constLast(), 50);
        QCOMPARE(f.model->messages().constFirst().id, 126);
        QCOMPARE(f.model->messages().size(), 100);
    }

    // The error line goes once it no longer holds: when the channel comes back, or when
    // a message sent after it is acknowledged; an acknowledgement of one sent before keeps it.
    void errorLineClears_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("the channel comes back") << u"reconnect"_s << true;
        QTest::newRow("a later send is acknowledged") << u"later"_s << true;
        QTest::newRow("an earlier send is acknowledged") << u"earlier"_s << false;
    }
    void errorLineClears()
    {
        QFETCH(QString, how);
        QFETCH(bool, cleared);
        const auto acknowledge = [](Fixture& f, qsizetype index, qint64 id) {
            f.stack.peer.push(QJsonObject { { u"type"_s, u"message_ack"_s },
                                            { u"payload"_s, QJsonObject { { u"clientMsgId"_s, *f.model->messages().at(index).clientMessageId },
                                                                         { u"serverMsgId"_s, u"s%1"_s.arg(id) }, { u"messageId"_s, id } } } });
        };
        Fixture f(how != u"reconnect");
        if (how == u"reconnect") {
            f.model->sendMessage(u"offline"_s);
            QVERIFY(f.model->error());
            QSignalSpy announced(f.model.get(), &ChatViewModel::errorChanged);
            QVERIFY(f.stack.connectChannel(ClientStack::user(me, u"Me"_s)));
            QTRY_VERIFY(!f.model->error());
            // The screen hears of it, so the line goes.
            QCOMPARE(announced.count(), 1);
            return;
        }
        f.model->sendMessage(u"earlier"_s);
        f.model->sendMessage(u"refused"_s);
        QTRY_COMPARE(f.sentMessages().size(), 2);
        f.stack.peer.push(QJsonObject { { u"type"_s, u"error"_s },
                                        { u"payload"_s, QJsonObject { { u"code"_s, u"FORBIDDEN"_s }, { u"reason"_s, u"no"_s },
                                                                     { u"clientMsgId"_s, *f.model->messages().at(1).clientMessageId } } } });
        QTRY_VERIFY(f.model->error());
        QSignalSpy announced(f.model.get(), &ChatViewModel::errorChanged);
        if (how == u"later") {
            f.model->sendMessage(u"later"_s);
            acknowledge(f, 2, 102);
            QTRY_COMPARE(f.model->messages().at(2).status, std::optional(u"sent"_s));
        } else {
            acknowledge(f, 0, 100);
            QTRY_COMPARE(f.model->messages().at(0).status, std::optional(u"sent"_s));
        }
        QCOMPARE(!f.model->error(), cleared);
        QCOMPARE(announced.count(), cleared ? 1 : 0);
    }

    // A message whose end comes while its chat is closed is listed with that end when
    // the chat is opened again: failed with its text, or not at all once the server
    // has it; and the conversation row stops showing a failed one as sent.
    void endOfAMessageWhileItsChatIsClosed_data()
    {
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("listedAs"); // empty: not listed
        QTest::newRow("refused by the server") << u"refused"_s << u"failed"_s;
        QTest::newRow("never acknowledged") << u"timeout"_s << u"failed"_s;
        QTest::newRow("still on its way") << QString() << u"sending"_s;
        QTest::newRow("acknowledged") << u"ack"_s << QString();
    }
    void endOfAMessageWhileItsChatIsClosed()
    {
        QFETCH(QString, end);
        QFETCH(QString, listedAs);
        Fixture f;
        f.stack.server.respond(procedure("conversations.list"), ok(R"([{"id":10,"type":"group","name":"G","lastMessage":"old"}])"));
        ConversationListViewModel list(me, ConversationListViewModel::Dependencies { &f.stack.chat, &f.stack.groups, &f.stack.ws,
                                                                                    &f.stack.notifications, f.stack.timers });
        testsupport::runTask(list.loadConversations());
        f.model->sendMessage(u"lost words"_s);
        const QString clientMsgId = *f.model->messages().constLast().clientMessageId;
        QTRY_COMPARE(list.conversations().at(0).lastMessage, std::optional(u"lost words"_s));
        QTRY_COMPARE(f.sentMessages().size(), 1);
        f.model.reset();

        if (end == u"refused") {
            f.stack.peer.push(QJsonObject { { u"type"_s, u"error"_s },
                                            { u"payload"_s, QJsonObject { { u"code"_s, u"FORBIDDEN"_s }, { u"reason"_s, u"no"_s },
                                                                         { u"clientMsgId"_s, clientMsgId } } } });
        } else if (end == u"timeout") {
            Q_EMIT f.stack.ws.messageFailedSubject(clientMsgId, std::nullopt);
        } else if (end == u"ack") {
            f.stack.peer.push(QJsonObject { { u"type"_s, u"message_ack"_s },
                                            { u"payload"_s, QJsonObject { { u"clientMsgId"_s, clientMsgId }, { u"serverMsgId"_s, u"s"_s },
                                                                         { u"messageId"_s, 300 } } } });
        }
        // The time-out is the channel's own signal, raised above without the channel's outbox.
        if (end == u"refused" || end == u"ack")
            QTRY_VERIFY(!f.stack.ws.unacknowledgedMessages().contains(clientMsgId));
        QTRY_COMPARE(list.conversations().at(0).lastMessageFailed, listedAs == u"failed");
        QCOMPARE(list.conversations().at(0).lastMessage, std::optional(u"lost words"_s));

        ChatViewModel reopened(chatId, me, ChatViewModel::Dependencies { &f.stack.chat, &f.stack.ws, &f.stack.clientIds, &f.stack.keychain,
                                                                          &f.stack.api, &f.stack.notifications, f.stack.timers, &f.stack.unsent });
        f.stack.server.respond(procedure("messages.list"), ok(page({ messageJson(3, 2) })));
        testsupport::runTask(reopened.loadMessages());
        const QList<Message> shown = reopened.messages();
        QCOMPARE(shown.size(), listedAs.isEmpty() ? 1 : 2);
        if (listedAs.isEmpty())
            return;
        QCOMPARE(shown.last().content, std::optional(u"lost words"_s));
        QCOMPARE(shown.last().status, std::optional(listedAs));
        QCOMPARE(reopened.pendingMessages().contains(clientMsgId), listedAs == u"sending");
        // Only the server's refusal says it holds no copy: that one alone may be thrown away.
        QCOMPARE(MessageSender::canDiscard(shown.last()), end == u"refused");
    }

    // Whatever settles a message also forgets it among the unsent ones a reopened chat
    // lists: the server's copy found by a reload or a catch-up, or the end of the
    // account. The reopened chat lists only what the server gives.
    void settledMessagesAreNotListedAgain_data()
    {
        QTest::addColumn<QString>("settledBy");
        QTest::newRow("a reload holding its copy") << u"reload"_s;
        QTest::newRow("a catch-up holding its copy") << u"catch-up"_s;
        QTest::newRow("a sign-out") << u"sign-out"_s;
    }
    void settledMessagesAreNotListedAgain()
    {
        QFETCH(QString, settledBy);
        Fixture f;
        f.model->sendMessage(u"on its way"_s);
        const QString clientMsgId = *f.model->messages().constLast().clientMessageId;
        QTRY_COMPARE(f.sentMessages().size(), 1);
        QJsonObject copy = json::parse(messageJson(901, me)).toObject();
        copy.insert(u"clientMessageId"_s, clientMsgId);
        if (settledBy != u"sign-out")
            f.stack.server.respondOnce(procedure("messages.list"), ok(page({ QJsonDocument(copy).toJson(QJsonDocument::Compact) })));
        if (settledBy == u"reload") {
            testsupport::runTask(f.model->loadMessages());
        } else if (settledBy == u"catch-up") {
            testsupport::runTask(f.model->catchUp());
        } else {
            f.stack.ws.disconnect();
            QTRY_COMPARE(f.model->messages().constLast().status, std::optional(u"failed"_s));
        }
        if (settledBy != u"sign-out")
            QCOMPARE(ids(f.model->messages()), QList<qint64> { 901 });
        f.model.reset();

        ChatViewModel reopened(chatId, me, ChatViewModel::Dependencies { &f.stack.chat, &f.stack.ws, &f.stack.clientIds, &f.stack.keychain,
                                                                          &f.stack.api, &f.stack.notifications, f.stack.timers, &f.stack.unsent });
        f.stack.server.respondOnce(procedure("messages.list"), ok(page({ messageJson(3, 2) })));
        testsupport::runTask(reopened.loadMessages());
        QCOMPARE(ids(reopened.messages()), QList<qint64> { 3 });
    }

    // Offline, a message is one failed bubble and nothing else: the text is not handed
    // back for the input field (Return and Resend would post it twice), the bubble
    // stays across a reload, it keeps its reply target for resending and, having
    // never left, may be thrown away.
    void sendingWithoutAConnectionFails()
    {
        Fixture f(false);
        Message target;
        target.id = 77;
        f.model->setReplyToMessage(target);
        f.model->sendMessage(u"hello"_s);
        QCOMPARE(f.model->messages().size(), 1);
        const Message failed = f.model->messages().at(0);
        QCOMPARE(failed.status, std::optional<QString>(u"failed"_s));
        QCOMPARE(failed.threadRootId, std::optional<qint64>(77));
        QVERIFY(MessageSender::canDiscard(failed));
        QCOMPARE(f.model->replyToMessage(), std::nullopt);
        QVERIFY(f.model->error());
        QVERIFY(f.model->pendingMessages().isEmpty());
        // The conversation list hears of it as of any send, and that it failed.
        QCOMPARE(f.postedNames().count(NotificationName::messageSent()), 1);
        QCOMPARE(userInfo::flag(f.postedInfo(NotificationName::messageSent()), NotificationKey::failed()), std::optional(true));
        // The error is ours and follows a language switch.
        LocalizationManager& language = LocalizationManager::shared();
        const AppLanguage first = language.currentLanguage();
        for (AppLanguage next : { AppLanguage::vi, AppLanguage::en, AppLanguage::zhHans, first }) {
            language.setLanguage(next);
            QCOMPARE(f.model->error(), std::optional(language.localizedString(u"chat.not_sent_offline"_s)));
        }

        f.stack.server.respond(procedure("messages.list"), ok(page({ messageJson(3, 2) })));
        testsupport::runTask(f.model->loadMessages());
        QCOMPARE(f.model->messages().size(), 2);
        QCOMPARE(f.model->messages().at(1).status, std::optional<QString>(u"failed"_s));

        // Thrown away, it goes, and the conversation list hears which one it was; the
        // server's message stays, whatever is asked.
        // The row goes in place, not as a new list.
        QSignalSpy aboutToRemove(f.model.get(), &ChatViewModel::messagesAboutToBeRemoved);
        QSignalSpy removed(f.model.get(), &ChatViewModel::messagesRemoved);
        f.model->discardMessage(f.model->messages().at(0));
        f.model->discardMessage(f.model->messages().at(1));
        QCOMPARE(ids(f.model->messages()), QList<qint64> { 3 });
        QCOMPARE(aboutToRemove.count(), 1);
        QCOMPARE(aboutToRemove.first(), (QVariantList { qsizetype(1), qsizetype(1) }));
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.first(), (QVariantList { qsizetype(1), qsizetype(1) }));
        QCOMPARE(f.postedNames().count(NotificationName::messageDiscarded()), 1);
        QCOMPARE(userInfo::text(f.postedInfo(NotificationName::messageDiscarded()), NotificationKey::clientMsgId()), failed.clientMessageId);

        // Back online, the error about the way to the server goes, and a later
        // language switch does not bring it back.
        QVERIFY(f.model->error());
        QVERIFY(f.stack.connectChannel(ClientStack::user(me, u"Me"_s)));
        QTRY_VERIFY(!f.model->error());
        QSignalSpy errorSaid(f.model.get(), &ChatViewModel::errorChanged);
        language.setLanguage(AppLanguage::vi);
        language.setLanguage(first);
        QVERIFY(!f.model->error());
        QCOMPARE(errorSaid.count(), 0);
    }

    // A failed message shows in its conversation's row the same way whichever way it
    // failed: the row takes it (preview, time, place) when it is sent and marks it not
    // sent when it fails, at once when there is no connection; a reload then shows
    // what the server holds.
    void failedMessageRowIsOneRule_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("no connection") << u"offline"_s;
        QTest::newRow("never acknowledged") << u"timeout"_s;
        QTest::newRow("refused") << u"refused"_s;
    }
    void failedMessageRowIsOneRule()
    {
        QFETCH(QString, how);
        Fixture f(how != u"offline");
        f.stack.server.respond(procedure("conversations.list"),
                               ok(R"([{"id":11,"type":"group","name":"Newer","lastMessage":"newer","lastMessageTime":"2021-01-01T00:00:00Z","lastMessageId":7},)"
                                  R"({"id":10,"type":"group","name":"G","lastMessage":"old","lastMessageTime":"2020-01-01T00:00:00Z","lastMessageId":5}])"));
        ConversationListViewModel list(me, ConversationListViewModel::Dependencies { &f.stack.chat, &f.stack.groups, &f.stack.ws,
                                                                                    &f.stack.notifications, f.stack.timers });
        testsupport::runTask(list.loadConversations());
        QCOMPARE(list.conversations().at(1).id, chatId);

        // A reply: sent again, it is still one.
        Message target;
        target.id = 77;
        f.model->setReplyToMessage(target);
        f.model->sendMessage(u"lost words"_s);
        const Message sent = f.model->messages().constLast();
        if (how == u"refused") {
            QTRY_COMPARE(f.sentMessages().size(), 1);
            f.stack.peer.push(QJsonObject { { u"type"_s, u"error"_s },
                                            { u"payload"_s, QJsonObject { { u"code"_s, u"FORBIDDEN"_s }, { u"reason"_s, u"no"_s },
                                                                         { u"clientMsgId"_s, *sent.clientMessageId } } } });
        } else if (how == u"timeout") {
            QTRY_COMPARE(f.sentMessages().size(), 1);
            Q_EMIT f.stack.ws.messageFailedSubject(*sent.clientMessageId, std::nullopt);
        }
        QTRY_COMPARE(f.model->messages().constLast().status, std::optional(u"failed"_s));
        QTRY_VERIFY(list.conversations().at(0).lastMessageFailed);
        const Conversation row = list.conversations().at(0);
        QCOMPARE(row.id, chatId);
        QCOMPARE(row.lastMessage, std::optional(u"lost words"_s));
        QCOMPARE(row.lastMessageTime, sent.createdAt);
        QCOMPARE(row.lastMessageId, std::nullopt);
        QVERIFY(!list.conversations().at(1).lastMessageFailed);

        testsupport::runTask(list.loadConversations());
        QCOMPARE(list.conversations().at(1).id, chatId);
        QCOMPARE(list.conversations().at(1).lastMessage, std::optional(u"old"_s));
        QVERIFY(!list.conversations().at(1).lastMessageFailed);

        // Sent again, it goes out as the same message (its client id, its words) and
        // waits as any message on its way; without a connection it fails again.
        const qsizetype framesBefore = f.sentMessages().size();
        f.model->resendMessage(f.model->messages().constLast());
        QCOMPARE(f.model->messages().size(), 1);
        QCOMPARE(f.model->messages().constLast().clientMessageId, sent.clientMessageId);
        if (how == u"offline") {
            QCOMPARE(f.model->messages().constLast().status, std::optional(u"failed"_s));
            return;
        }
        QCOMPARE(f.model->messages().constLast().status, std::optional(u"sending"_s));
        QTRY_COMPARE(f.sentMessages().size(), framesBefore + 1);
        const QJsonObject again = f.sentMessages().constLast().value(u"payload"_s).toObject();
        QCOMPARE(again.value(u"clientMsgId"_s).toString(), *sent.clientMessageId);
        QCOMPARE(again.value(u"content"_s).toString(), u"lost words"_s);
        QCOMPARE(again.value(u"replyToId"_s).toInteger(), 77);
        QCOMPARE(again, f.sentMessages().constFirst().value(u"payload"_s).toObject());
    }

    void typingLineLastsThreeSecondsAfterTheLastEvent()
    {
        Fixture f;
        auto typing = [&](qint64 userId, const QString& name) {
            Q_EMIT f.stack.ws.typingSubject(chatId, userId, name);
            QVERIFY(testsupport::postedEventsHandled());
        };
        // The screen hears the line change, once each time.
        QStringList heard;
        connect(f.model.get(), &ChatViewModel::typingUserNameChanged, this,
                [&] { heard << f.model->typingUserName().value_or(u"(none)"_s); });
        typing(me, u"Me"_s);
        QCOMPARE(f.model->typingUserName(), std::nullopt);
        typing(2, u"Ann"_s);
        QCOMPARE(f.model->typingUserName(), std::optional<QString>(u"Ann"_s));
        f.stack.timers->advance(2000);
        typing(2, u"Ann"_s);
        f.stack.timers->advance(2999);
        QCOMPARE(f.model->typingUserName(), std::optional<QString>(u"Ann"_s));
        f.stack.timers->advance(1);
        QCOMPARE(f.model->typingUserName(), std::nullopt);
        QCOMPARE(heard, (QStringList { u"Ann"_s, u"(none)"_s }));
    }

    void reactionsAddAndRemove()
    {
        Fixture f;
        f.stack.server.respond(procedure("messages.list"), ok(page({ messageJson(5, 2) })));
        testsupport::runTask(f.model->loadMessages());
        auto react = [&](qint64 userId, const QString& emoji, const QString& action) {
            Q_EMIT f.stack.ws.reactionSubject(5, userId, emoji, action);
            QVERIFY(testsupport::postedEventsHandled());
        };
        react(1, u"👍"_s, u"add"_s);
        react(1, u"👍"_s, u"add"_s);
        react(2, u"👍"_s, u"add"_s);
        react(1, u"👍"_s, u"delete"_s);
        QCOMPARE(f.find(5)->reactions->size(), 1);
        QCOMPARE(f.find(5)->reactions->at(0).userId, 2);

        // A reaction of this user shows only when the server's event comes back: one the
        // server refuses changes nothing shown, and the log says why.
        f.stack.server.respond(procedure("messages.addReaction"), { 500, R"({"error":"no reactions"})" });
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^\\[Chat\\] Reaction failed: .*no reactions"_s));
        testsupport::runTask(f.model->addReaction(5, u"🎉"_s));
        QCOMPARE(f.stack.inputs("messages.addReaction"), QList<QJsonObject>({ QJsonObject { { u"messageId"_s, 5 }, { u"emoji"_s, u"🎉"_s } } }));
        QCOMPARE(f.find(5)->reactions->size(), 1);
    }

    // Only messages the server holds turn "read"; unconfirmed, failed and revoked ones keep their state.
    void readReceiptMarksOnlyDeliveredOwnMessages()
    {
        Fixture f;
        f.stack.server.respond(procedure("messages.list"),
                               ok(page({ messageJson(4, 2), messageJson(3, me, "revoked"),
                                         messageJson(2, me, "delivered"), messageJson(1, me) })));
        testsupport::runTask(f.model->loadMessages());
        f.model->sendMessage(u"pending"_s);

        Q_EMIT f.stack.ws.readSubject(chatId, me);
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(f.find(1)->status, std::optional<QString>(u"sent"_s));

        Q_EMIT f.stack.ws.readSubject(chatId, 2);
        QTRY_COMPARE(f.find(1)->status, std::optional<QString>(u"read"_s));
        QCOMPARE(f.find(2)->status, std::optional<QString>(u"read"_s));
        QCOMPARE(f.find(3)->status, std::optional<QString>(u"revoked"_s));
        QCOMPARE(f.find(4)->status, std::nullopt);
        QCOMPARE(f.model->messages().last().status, std::optional<QString>(u"sending"_s));
    }

    // Scrolling to the top while the first page is on its way asks for nothing older:
    // the offset of the next page is not known yet.
    void noOlderPageDuringTheFirstLoad()
    {
        Fixture f;
        const QString list = procedure("messages.list");
        f.stack.server.respondOnce(list, { 200, envelope(page({ messageJson(6, 2), messageJson(5, 2) })), {}, true });
        auto first = f.model->loadMessages();
        QTRY_COMPARE(f.stack.requestCount(list), 1);
        testsupport::runTask(f.model->loadMoreMessages());
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(f.stack.requestCount(list), 1);
        f.stack.server.release(list);
        testsupport::runTask(std::move(first));
        QCOMPARE(ids(f.model->messages()), (QList<qint64> { 5, 6 }));

        f.stack.server.respondOnce(list, ok(page({ messageJson(4, 2) })));
        testsupport::runTask(f.model->loadMoreMessages());
        QCOMPARE(f.stack.requestCount(list), 2);
        QCOMPARE(ids(f.model->messages()), (QList<qint64> { 4, 5, 6 }));
    }

    void pagingNeverDuplicatesAndKeepsLocalMessages()
    {
        Fixture f;
        f.stack.server.respondOnce(procedure("messages.list"), ok(page({ messageJson(6, 2), messageJson(5, 2) })));
        testsupport::runTask(f.model->loadMessages());

        // One older page at a time; the overlap with the listed messages is dropped.
        f.stack.server.respondOnce(procedure("messages.list"),
                                   { 200, envelope(page({ messageJson(5, 2), messageJson(4, 2) })), {}, true });
        auto older = f.model->loadMoreMessages();
        QTRY_COMPARE(f.stack.requestCount(procedure("messages.list")), 2);
        testsupport::runTask(f.model->loadMoreMessages());
        QCOMPARE(f.stack.requestCount(procedure("messages.list")), 2);
        // Inserted above the listed ones in place, not handed over as a new list.
        QSignalSpy aboutToInsert(f.model.get(), &ChatViewModel::messagesAboutToBeInserted);
        QSignalSpy inserted(f.model.get(), &ChatViewModel::messagesInserted);
        QSignalSpy replaced(f.model.get(), &ChatViewModel::messagesChanged);
        f.stack.server.release(procedure("messages.list"));
        testsupport::runTask(std::move(older));
        QCOMPARE(ids(f.model->messages()), (QList<qint64> { 4, 5, 6 }));
        QCOMPARE(replaced.count(), 0);
        QCOMPARE(aboutToInsert.count(), 1);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.first(), (QVariantList { qsizetype(0), qsizetype(1) }));
        QCOMPARE(f.model->offset(), 4);

        // A reload keeps what was sent or arrived while it was under way.
        f.model->sendMessage(u"mine"_s);
        const qint64 optimisticId = f.model->messages().last().id;
        f.stack.server.respondOnce(procedure("messages.list"),
                                   { 200, envelope(page({ messageJson(7, 2), messageJson(6, 2) })), {}, true });
        auto reload = f.model->loadMessages();
        QTRY_COMPARE(f.stack.requestCount(procedure("messages.list")), 3);
        Q_EMIT f.stack.ws.newMessageSubject(json::decode<Message>(json::parse(messageJson(8, 2))));
        Q_EMIT f.stack.ws.newMessageSubject(json::decode<Message>(json::parse(messageJson(7, 2))));
        QVERIFY(f.stack.roundTrip());
        f.stack.server.release(procedure("messages.list"));
        testsupport::runTask(std::move(reload));
        QCOMPARE(ids(f.model->messages()), (QList<qint64> { 6, 7, optimisticId, 8 }));
        // The next older page starts past the three listed messages the server holds.
        QCOMPARE(f.model->offset(), 3);

        // An older page asked for before a reload belongs to the list the reload replaced.
        f.stack.server.respondOnce(procedure("messages.list"), { 200, envelope(page({ messageJson(3, 2) })), {}, true });
        auto beforeReload = f.model->loadMoreMessages();
        QTRY_COMPARE(f.stack.requestCount(procedure("messages.list")), 4);
        f.stack.server.respondOnce(procedure("messages.list"), ok(page({ messageJson(8, 2), messageJson(7, 2), messageJson(6, 2) })));
        testsupport::runTask(f.model->loadMessages());
        f.stack.server.release(procedure("messages.list"));
        testsupport::runTask(std::move(beforeReload));
        QCOMPARE(ids(f.model->messages()), (QList<qint64> { 6, 7, 8, optimisticId }));
        QCOMPARE(f.model->offset(), 3);
    }

    void mimeTypes_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("type");
        const std::pair<const char*, const char*> table[] = {
            { "jpg", "image/jpeg" }, { "JPEG", "image/jpeg" }, { "png", "image/png" }, { "gif", "image/gif" },
            { "pdf", "application/pdf" }, { "doc", "application/msword" }, { "docx", "application/msword" },
            { "xls", "application/vnd.ms-excel" }, { "xlsx", "application/vnd.ms-excel" }, { "mp4", "video/mp4" },
            { "mp3", "audio/mpeg" }, { "Zip", "application/zip" }, { "txt", "application/octet-stream" },
            { "", "application/octet-stream" }, { "jpg.exe", "application/octet-stream" },
        };
        for (const auto& [extension, type] : table)
            QTest::newRow(*extension ? extension : "none") << QString::fromLatin1(extension) << QString::fromLatin1(type);
    }
    void mimeTypes()
    {
        QFETCH(QString, extension);
        QFETCH(QString, type);
        QCOMPARE(ChatViewModel::mimeType(extension), type);
    }

    // A file goes out with its fields, and the conversation list hears "[文件] " and its name.
    void fileMessageFieldsAndPreview()
    {
        Fixture f;
        const QString presign = procedure("upload.getPresignedUrl");
        f.stack.server.respondOnce(presign, { 200, envelope(R"({"fileKey":"k"})"), {}, true });
        f.stack.server.respond(procedure("upload.complete"), ok(R"({"url":"/u/k.pdf"})"));
        QTemporaryDir dir;
        QFile file(dir.filePath(u"报告 1.pdf"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("pdf");
        file.close();
        QCoro::Task<> sending = f.model->sendFile(file.fileName());
        // Read whole before the upload: the file is not held open while the server takes its time.
        QTRY_COMPARE(f.stack.server.heldCount(presign), 1);
        const QString canonical = QFileInfo(file.fileName()).canonicalFilePath();
        for (const QFileInfo& open : QDir(u"/proc/self/fd"_s).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
            QVERIFY2(open.symLinkTarget() != canonical, qPrintable(open.filePath()));
        f.stack.server.release(presign);
        testsupport::runTask(std::move(sending));
        QVERIFY2(!f.model->error(), qPrintable(f.model->errorText()));
        QTRY_COMPARE(f.sentMessages().size(), 1);
        const QJsonObject payload = f.sentMessages().at(0).value(u"payload"_s).toObject();
        QCOMPARE(payload.value(u"type"_s).toString(), u"file"_s);
        QCOMPARE(payload.value(u"fileName"_s).toString(), u"报告 1.pdf"_s);
        QCOMPARE(payload.value(u"fileMimeType"_s).toString(), u"application/pdf"_s);
        QCOMPARE(payload.value(u"fileSize"_s).toInteger(), 3);
        const auto& [name, info] = f.posted.last();
        QCOMPARE(name, NotificationName::messageSent());
        QCOMPARE(userInfo::text(info, u"content"_s), std::optional<QString>(u"[文件] 报告 1.pdf"_s));

        // Refused, then sent again: the second frame carries all that the first carried.
        const Message sent = f.model->messages().constLast();
        QVERIFY(sent.clientMessageId);
        f.stack.peer.push(QJsonObject { { u"type"_s, u"error"_s },
                                        { u"payload"_s, QJsonObject { { u"code"_s, u"FORBIDDEN"_s }, { u"reason"_s, u"no"_s },
                                                                     { u"clientMsgId"_s, *sent.clientMessageId } } } });
        QTRY_COMPARE(f.model->messages().constLast().status, std::optional(u"failed"_s));
        f.model->resendMessage(f.model->messages().constLast());
        QTRY_COMPARE(f.sentMessages().size(), 2);
        QCOMPARE(f.sentMessages().at(1).value(u"payload"_s).toObject(), payload);

        // Acknowledged, the row still shows the file it sent, under the server's id.
        const Message resent = f.model->messages().constLast();
        Q_EMIT f.stack.ws.messageAckSubject(*resent.clientMessageId, u"s2"_s, 902, false);
        QTRY_VERIFY(f.find(902));
        const Message confirmed = *f.find(902);
        QCOMPARE(confirmed.status, std::optional(u"sent"_s));
        QCOMPARE(confirmed.serverMsgId, std::optional(u"s2"_s));
        QCOMPARE(confirmed.clientMessageId, resent.clientMessageId);
        QCOMPARE(confirmed.type, u"file"_s);
        QCOMPARE(confirmed.conversationId, chatId);
        QCOMPARE(confirmed.senderId, me);
        QCOMPARE(confirmed.fileName, std::optional(u"报告 1.pdf"_s));
        QCOMPARE(confirmed.fileSize, std::optional<qint64>(3));
        QCOMPARE(confirmed.fileMimeType, std::optional(u"application/pdf"_s));
        QCOMPARE(confirmed.fileUrl, resent.fileUrl);
        QVERIFY(confirmed.fileUrl);
        QCOMPARE(confirmed.createdAt, resent.createdAt);
    }

    // Live revoke and edit events change the listed message of this conversation only.
    void liveRevokeAndEdit_data()
    {
        QTest::addColumn<bool>("revoking");
        QTest::addColumn<qint64>("conversation");
        QTest::addColumn<bool>("byAdministrator");
        QTest::newRow("revoke here") << true << chatId << false;
        QTest::newRow("revoke elsewhere") << true << chatId + 1 << false;
        QTest::newRow("administrator removes here") << true << chatId << true;
        QTest::newRow("edit here") << false << chatId << false;
        QTest::newRow("edit elsewhere") << false << chatId + 1 << false;
    }
    void liveRevokeAndEdit()
    {
        QFETCH(bool, revoking);
        QFETCH(qint64, conversation);
        QFETCH(bool, byAdministrator);
        Fixture f;
        f.stack.server.respond(procedure("messages.list"), ok(page({ messageJson(5, 2), messageJson(6, 2) })));
        testsupport::runTask(f.model->loadMessages());
        if (revoking)
            Q_EMIT f.stack.ws.revokeSubject(5, conversation, byAdministrator);
        else
            Q_EMIT f.stack.ws.editSubject(5, conversation, u"改过了"_s);
        Q_EMIT f.stack.ws.typingSubject(chatId, 2, u"x"_s); // queued after the event: once it is in, so is the event
        QTRY_COMPARE(f.model->typingUserName(), std::optional<QString>(u"x"_s));
        const bool here = conversation == chatId;
        const Message five = *f.find(5);
        QCOMPARE(five.status == std::optional<QString>(u"revoked"_s), here && revoking);
        QCOMPARE(five.revokedAt.has_value(), here && revoking);
        QCOMPARE(five.removedByAdmin.value_or(false), here && byAdministrator);
        if (here && revoking) {
            const QString notice = RevokedNotice::text(five, false);
            QCOMPARE(notice == LocalizationManager::shared().localizedString(u"chat.removed_by_admin"_s), byAdministrator);
        }
        QCOMPARE(*five.content, here && !revoking ? u"改过了"_s : u"m5"_s);
        QCOMPARE(five.editedAt.has_value(), here && !revoking);
        QCOMPARE(*f.find(6)->content, u"m6"_s);
        QVERIFY(!f.find(6)->revokedAt);
    }

    void imageMessagesCarryRealJson()
    {
        Fixture f;
        const QString url = u"http://files.local/a\"b\\c.png"_s;
        f.stack.server.respond(procedure("upload.getPresignedUrl"), ok(R"({"uploadUrl":"x","fileKey":"k"})"));
        f.stack.server.respond(procedure("upload.complete"),
                               ok(QJsonDocument(QJsonObject { { u"url"_s, url } }).toJson(QJsonDocument::Compact)));
        QTemporaryDir dir;
        QFile file(dir.filePath(u"Photo.PNG"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("png bytes");
        file.close();

        testsupport::runTask(f.model->sendFile(file.fileName()));
        QVERIFY2(!f.model->error(), qPrintable(f.model->errorText()));
        QCOMPARE(f.model->messages().size(), 1);
        const Message image = f.model->messages().at(0);
        QCOMPARE(json::parse(image.content->toUtf8()).toObject().value(u"url"_s).toString(), url);
        QTRY_COMPARE(f.sentMessages().size(), 1);
        const QJsonObject payload = f.sentMessages().at(0).value(u"payload"_s).toObject();
        QCOMPARE(payload.value(u"type"_s).toString(), u"image"_s);
        QVERIFY(f.stack.server.requestsTo(procedure("upload.getPresignedUrl")).at(0).body.contains("image/png"));
        const auto& [name, info] = f.posted.last();
        QCOMPARE(name, NotificationName::messageSent());
        QCOMPARE(userInfo::text(info, u"content"_s), std::optional<QString>(u"[图片]"_s));
    }

    void oversizedFilesAreRefusedBeforeReading_data()
    {
        QTest::addColumn<bool>("sizeKnown");
        QTest::newRow("file over the bound") << true;
        // A device tells no size up front: what is read of it is bounded instead.
        QTest::newRow("endless device") << false;
    }
    void oversizedFilesAreRefusedBeforeReading()
    {
        QFETCH(bool, sizeKnown);
        Fixture f;
        QTemporaryDir dir;
        QFile file(dir.filePath(u"big.zip"_s));
        if (sizeKnown) {
            QVERIFY(file.open(QIODevice::WriteOnly));
            // The bound the error line names: 50 MB.
            QVERIFY(file.resize(50LL * 1024 * 1024 + 1));
            file.close();
        } else {
            if (!QFileInfo::exists(u"/dev/zero"_s))
                QSKIP("no /dev/zero here");
            file.setFileName(u"/dev/zero"_s);
        }
        testsupport::runTask(f.model->sendFile(file.fileName()));
        QVERIFY(f.model->errorText().startsWith(u"文件上传失败: "_s));
        QVERIFY(f.model->messages().isEmpty());
        QVERIFY(f.stack.server.requests().isEmpty());
    }

    void clearHistoryOnlyForThisConversation()
    {
        Fixture f;
        f.stack.server.respond(procedure("messages.list"), ok(page({ messageJson(1, 2) })));
        testsupport::runTask(f.model->loadMessages());
        f.stack.notifications.post(NotificationName::clearChatHistory(), { { u"conversationId"_s, chatId + 1 } });
        f.stack.notifications.post(NotificationName::clearChatHistory(), { { u"conversationId"_s, u"10"_s } });
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(f.model->messages().size(), 1);
        f.stack.notifications.post(NotificationName::clearChatHistory(), { { u"conversationId"_s, chatId } });
        QTRY_VERIFY(f.model->messages().isEmpty());
        QCOMPARE(f.model->offset(), 0);
    }

    void announcesItsLifetime()
    {
        Fixture f;
        QCOMPARE(f.postedNames(), QStringList { NotificationName::conversationActive() });
        f.model.reset();
        QCOMPARE(f.postedNames().last(), NotificationName::conversationInactive());
        QCOMPARE(userInfo::integer(f.posted.last().second, u"conversationId"_s), std::optional<qint64>(chatId));
    }
    // Two call states are equal when they are the same case; an ended call's reason
    // is compared as text.
    void callStatesCompareByCaseAndReason_data()
    {
        QTest::addColumn<CallState>("a");
        QTest::addColumn<CallState>("b");
        QTest::addColumn<bool>("equal");
        QTest::newRow("same case") << CallState::connected() << CallState::connected() << true;
        QTest::newRow("other case") << CallState::incoming() << CallState::outgoing() << false;
        QTest::newRow("same reason") << CallState::ended(u"busy"_s) << CallState::ended(u"busy"_s) << true;
        QTest::newRow("other reason") << CallState::ended(u"busy"_s) << CallState::ended(u"Busy"_s) << false;
        QTest::newRow("ended without a reason, idle") << CallState::ended(QString()) << CallState::idle() << false;
    }
    void callStatesCompareByCaseAndReason()
    {
        QFETCH(CallState, a);
        QFETCH(CallState, b);
        QFETCH(bool, equal);
        QCOMPARE(a == b, equal);
        QCOMPARE(b == a, equal);
    }

    // Each field of a call's state object announces a change, and only a change.
    void callStateObjectAnnouncesChanges_data()
    {
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("call state") << QByteArray("callState") << QVariant::fromValue(CallState::ended(u"declined"_s));
        QTest::newRow("video") << QByteArray("isVideoCall") << QVariant(true);
        QTest::newRow("muted") << QByteArray("isMuted") << QVariant(true);
        QTest::newRow("camera") << QByteArray("isCameraEnabled") << QVariant(true);
        QTest::newRow("duration") << QByteArray("callDuration") << QVariant(qint64(61));
        QTest::newRow("peer name") << QByteArray("peerName") << QVariant(u"Ann"_s);
    }
    void callStateObjectAnnouncesChanges()
    {
        QFETCH(QByteArray, property);
        QFETCH(QVariant, value);
        CallViewModel model;
        const QMetaProperty field = model.metaObject()->property(model.metaObject()->indexOfProperty(property));
        QVERIFY(field.isValid());
        QSignalSpy announced(&model, field.notifySignal());
        const QVariant before = field.read(&model);
        QVERIFY(before != value);
        QVERIFY(field.write(&model, value));
        QCOMPARE(field.read(&model), value);
        QCOMPARE(announced.size(), 1);
        QVERIFY(field.write(&model, value));
        QCOMPARE(announced.size(), 1);
        QVERIFY(field.write(&model, before));
        QCOMPARE(field.read(&model), before);
        QCOMPARE(announced.size(), 2);
    }

    void callPeerAvatarAnnouncesChanges()
    {
        CallViewModel model;
        QSignalSpy announced(&model, &CallViewModel::peerAvatarChanged);
        model.setPeerAvatar(u"/a.png"_s);
        QCOMPARE(model.peerAvatar(), std::optional(u"/a.png"_s));
        model.setPeerAvatar(u"/a.png"_s);
        QCOMPARE(announced.size(), 1);
        model.setPeerAvatar(std::nullopt);
        QCOMPARE(model.peerAvatar(), std::nullopt);
        QCOMPARE(announced.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestChatViewModel)
#include "tst_chat_viewmodel.moc"
