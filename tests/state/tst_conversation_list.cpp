#include "ClientStack.h"

#include "state/chat/ConversationListViewModel.h"
#include "state/chat/ConversationOrder.h"
#include "state/chat/SentPreviews.h"
#include "state/common/NotificationName.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 me = 1;

const QByteArray twoConversations = R"([
    {"id":10,"type":"private","name":"Ann","lastMessageTime":"2025-03-01T08:00:00Z"},
    {"id":20,"type":"group","name":"Team","lastMessageTime":"2025-03-02T08:00:00Z"}
])";

QByteArray privateConversations(int count)
{
    QJsonArray list;
    for (int i = 1; i <= count; ++i)
        list.append(QJsonObject { { u"id"_s, 100 + i }, { u"type"_s, u"private"_s }, { u"name"_s, u"P%1"_s.arg(i) } });
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}

// The conversations whose members were asked for, in order.
QList<qint64> lookedUp(const ClientStack& stack)
{
    QList<qint64> ids;
    for (const QJsonObject& input : stack.inputs("groups.getMembers"))
        ids << input.value(u"conversationId"_s).toInteger();
    return ids;
}

Message message(qint64 conversationId, qint64 senderId, qint64 id = 500, const QString& createdAt = u"2025-03-03T08:00:00Z"_s)
{
    return json::decode<Message>(QJsonObject { { u"id"_s, id }, { u"conversationId"_s, conversationId },
                                               { u"senderId"_s, senderId }, { u"type"_s, u"text"_s },
                                               { u"content"_s, u"hi"_s }, { u"createdAt"_s, createdAt } });
}

// A message of Ann (user 2) in conversation 10 as the server writes it: text "m<id>".
QByteArray messageJson(qint64 id)
{
    return QJsonDocument(QJsonObject { { u"id"_s, id }, { u"conversationId"_s, 10 }, { u"senderId"_s, 2 }, { u"senderName"_s, u"Ann"_s },
                                       { u"type"_s, u"text"_s }, { u"content"_s, u"m%1"_s.arg(id) },
                                       { u"createdAt"_s, u"2025-03-01T08:00:%1Z"_s.arg(id % 60, 2, 10, QLatin1Char('0')) } })
        .toJson(QJsonDocument::Compact);
}

// Conversation 10 as the server lists it, its newest message given as an object.
QByteArray listedWithLast(qint64 lastId)
{
    return "[{\"id\":10,\"type\":\"private\",\"name\":\"Ann\",\"lastMessage\":" + messageJson(lastId) + "}]";
}

Conversation conversation(qint64 id, std::optional<QString> time, bool pinned = false)
{
    Conversation c;
    c.id = id;
    c.type = u"private"_s;
    c.lastMessageTime = std::move(time);
    c.isPinned = pinned ? std::optional(true) : std::nullopt;
    return c;
}

// When a reload starts and is answered, against a deletion of a conversation.
enum ReloadTiming { ReloadBefore, ReloadDuring, ReloadAfter };

QList<qint64> ids(const QList<Conversation>& list)
{
    QList<qint64> result;
    for (const Conversation& c : list)
        result << c.id;
    return result;
}

struct Fixture {
    ClientStack stack;
    std::unique_ptr<ConversationListViewModel> model;

    explicit Fixture(const QByteArray& conversations = twoConversations, bool connected = false)
    {
        stack.server.respond(procedure("conversations.list"), ok(conversations));
        stack.server.respond(procedure("groups.getMembers"), ok(R"([{"userId":1},{"userId":2}])"));
        if (connected && !stack.connectChannel(ClientStack::user(me, u"Me"_s)))
            qFatal("channel did not connect");
        model = std::make_unique<ConversationListViewModel>(
            me,
            ConversationListViewModel::Dependencies { &stack.chat, &stack.groups, &stack.ws, &stack.notifications,
                                                      stack.timers },
            nullptr);
    }

    // Presence look-ups outlive the load; the client must not go away under them.
    ~Fixture() { (void)QTest::qWaitFor([this] { return !model->isResolvingPeers(); }, testsupport::kPatienceMs); }

    void load() { testsupport::runTask(model->loadConversations()); }
    std::optional<Conversation> conversation(qint64 id) const
    {
        for (const Conversation& c : model->conversations()) {
            if (c.id == id)
                return c;
        }
        return std::nullopt;
    }
    int loads() const { return stack.requestCount(procedure("conversations.list")); }
};

} // namespace

class TestConversationList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void orders_data()
    {
        QTest::addColumn<QList<Conversation>>("input");
        QTest::addColumn<QList<qint64>>("expected");

        QTest::newRow("pinned old above unpinned new")
            << QList<Conversation> { conversation(1, u"2025-03-02T08:00:00Z"_s),
                                     conversation(2, u"2020-01-01T00:00:00Z"_s, true) }
            << QList<qint64> { 2, 1 };
        QTest::newRow("no time sorts last, ties keep order")
            << QList<Conversation> { conversation(1, std::nullopt), conversation(2, u"2025-03-01T08:00:00Z"_s),
                                     conversation(3, u"2025-03-01T08:00:00Z"_s), conversation(4, std::nullopt) }
            << QList<qint64> { 2, 3, 1, 4 };
        // As text "2025-03-01T09:00:00+08:00" > "2025-03-01T02:00:00Z", yet it is the earlier instant.
        QTest::newRow("offsets compare as instants")
            << QList<Conversation> { conversation(1, u"2025-03-01T09:00:00+08:00"_s),
                                     conversation(2, u"2025-03-01T02:00:00Z"_s) }
            << QList<qint64> { 2, 1 };
        QTest::newRow("fractions compare as instants")
            << QList<Conversation> { conversation(1, u"2025-03-01T08:00:00Z"_s),
                                     conversation(2, u"2025-03-01T08:00:00.5Z"_s) }
            << QList<qint64> { 2, 1 };
        QTest::newRow("unparsable times compare as text")
            << QList<Conversation> { conversation(1, u"earlier"_s), conversation(2, u"later"_s) }
            << QList<qint64> { 2, 1 };
    }

    void orders()
    {
        QFETCH(QList<Conversation>, input);
        QFETCH(QList<qint64>, expected);
        ConversationOrder().sort(input);
        QCOMPARE(ids(input), expected);
    }

    // One conversation changed in an ordered list moves to where a whole sort of the
    // changed list would put it, ties keeping their order, with the keys of the
    // others known from before.
    void repositionAgreesWithAWholeSort_data()
    {
        QTest::addColumn<qint64>("changed");
        QTest::addColumn<std::optional<QString>>("time");
        QTest::addColumn<bool>("pinned");
        const QString t2 = u"2025-03-02T08:00:00Z"_s;
        QTest::newRow("newest moves to the top") << qint64(6) << std::optional(u"2025-03-09T08:00:00Z"_s) << false;
        QTest::newRow("stays among equal times") << qint64(3) << std::optional(t2) << false;
        QTest::newRow("joins equal times below them") << qint64(6) << std::optional(t2) << false;
        QTest::newRow("joins equal times above them") << qint64(1) << std::optional(t2) << false;
        QTest::newRow("an offset of the same instant") << qint64(6) << std::optional(u"2025-03-02T16:00:00+08:00"_s) << false;
        QTest::newRow("loses its time") << qint64(1) << std::optional<QString>() << false;
        // From the row the search looks at first, past its neighbour below.
        QTest::newRow("goes down from the middle") << qint64(3) << std::optional(u"2025-03-01T07:00:00Z"_s) << false;
        QTest::newRow("pinned") << qint64(5) << std::optional(u"2025-03-01T08:00:00Z"_s) << true;
        QTest::newRow("unpinned") << qint64(0) << std::optional(u"2025-03-05T08:00:00Z"_s) << false;
    }
    void repositionAgreesWithAWholeSort()
    {
        QFETCH(qint64, changed);
        QFETCH(std::optional<QString>, time);
        QFETCH(bool, pinned);
        QList<Conversation> list { conversation(0, u"2025-03-05T08:00:00Z"_s, true), conversation(1, u"2025-03-04T08:00:00Z"_s),
                                   conversation(2, u"2025-03-02T08:00:00Z"_s), conversation(3, u"2025-03-02T08:00:00.000Z"_s),
                                   conversation(4, u"2025-03-02T09:00:00+01:00"_s), conversation(5, u"2025-03-01T08:00:00Z"_s),
                                   conversation(6, std::nullopt) };
        // Ordered already: the sort only learns the keys.
        ConversationOrder order;
        QList<Conversation> before = list;
        order.sort(list);
        QCOMPARE(ids(list), ids(before));
        const qsizetype row = changed;
        list[row].lastMessageTime = time;
        list[row].isPinned = pinned;
        QList<Conversation> sorted = list;
        ConversationOrder().sort(sorted);
        const qsizetype now = order.reposition(list, row);
        QCOMPARE(ids(list), ids(sorted));
        QCOMPARE(list.at(now).id, changed);
    }

    void unreadCounting_data()
    {
        QTest::addColumn<qint64>("senderId");
        QTest::addColumn<bool>("open");
        QTest::addColumn<qint64>("secondId");
        QTest::addColumn<qint64>("expected");

        QTest::newRow("another's message") << qint64(2) << false << qint64(501) << qint64(2);
        QTest::newRow("the same message twice") << qint64(2) << false << qint64(500) << qint64(1);
        QTest::newRow("own message from another device") << me << false << qint64(501) << qint64(0);
        QTest::newRow("conversation is open") << qint64(2) << true << qint64(501) << qint64(0);
    }

    void unreadCounting()
    {
        QFETCH(qint64, senderId);
        QFETCH(bool, open);
        QFETCH(qint64, secondId);
        QFETCH(qint64, expected);
        Fixture f(R"([{"id":20,"type":"group","name":"Team"},{"id":10,"type":"private","name":"Ann"}])");
        f.load();
        QCOMPARE(ids(f.model->filteredConversations()), (QList<qint64> { 20, 10 }));
        if (open)
            f.stack.notifications.post(NotificationName::conversationActive(),
                                       { { NotificationKey::conversationId(), qint64(10) } });
        Q_EMIT f.stack.ws.newMessageSubject(message(10, senderId));
        Q_EMIT f.stack.ws.newMessageSubject(message(10, senderId, secondId));
        QTRY_COMPARE(f.conversation(10)->lastMessage, std::optional<QString>(u"hi"_s));
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(f.conversation(10)->unreadCount.value_or(0), expected);
        // Newest activity moves it above the group.
        QCOMPARE(ids(f.model->filteredConversations()), (QList<qint64> { 10, 20 }));
    }

    // Chats open and close in any order (A on, B on, A off): the one still open is the
    // active one, and what arrives in it is not counted unread.
    void closingAnEarlierChatKeepsTheLaterActive()
    {
        Fixture f;
        f.load();
        const auto post = [&f](const QString& name, qint64 id) {
            f.stack.notifications.post(name, { { NotificationKey::conversationId(), id } });
        };
        post(NotificationName::conversationActive(), 10);
        post(NotificationName::conversationActive(), 20);
        post(NotificationName::conversationInactive(), 10);
        QTRY_COMPARE(f.model->activeConversationId(), std::optional<qint64>(20));
        Q_EMIT f.stack.ws.newMessageSubject(message(20, 2));
        QTRY_COMPARE(f.conversation(20)->lastMessage, std::optional<QString>(u"hi"_s));
        QCOMPARE(f.conversation(20)->unreadCount.value_or(0), 0);
    }

    // A conversation read locally shows 0 across reloads until it is closed
    // (opened in the chat) or gets a new message (marked read from the menu).
    void readConversationStaysZeroUntil_data()
    {
        QTest::addColumn<bool>("fromMenu");
        QTest::addColumn<bool>("refused"); // the server does not take the mark

        QTest::newRow("opened, until closed") << false << false;
        QTest::newRow("marked from the menu, until a new message") << true << false;
        // The list shows what the user did; the log says the server did not take it.
        QTest::newRow("marked from the menu, refused") << true << true;
    }

    void readConversationStaysZeroUntil()
    {
        QFETCH(bool, fromMenu);
        QFETCH(bool, refused);
        Fixture f(R"([{"id":10,"type":"private","unreadCount":4}])");
        f.stack.server.respond(procedure("conversations.markAsRead"),
                               refused ? RecordingHttpServer::Reply { 500, R"({"error":"down"})" } : ok("null"));
        if (refused)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^\\[Conversations\\] Mark as read failed: .*down"_s));
        const QVariantMap info { { NotificationKey::conversationId(), qint64(10) } };
        f.load();
        if (fromMenu) {
            testsupport::runTask(f.model->markAsRead(*f.conversation(10)));
            QCOMPARE(f.stack.inputs("conversations.markAsRead"), QList<QJsonObject>({ QJsonObject { { u"conversationId"_s, 10 } } }));
        } else {
            f.stack.notifications.post(NotificationName::conversationActive(), info);
        }
        QTRY_COMPARE(f.conversation(10)->unreadCount, std::optional<qint64>(0));
        f.load();
        QCOMPARE(f.conversation(10)->unreadCount, std::optional<qint64>(0));

        if (fromMenu) {
            Q_EMIT f.stack.ws.newMessageSubject(message(10, 2));
            QTRY_COMPARE(f.conversation(10)->unreadCount, std::optional<qint64>(1));
        } else {
            f.stack.notifications.post(NotificationName::conversationInactive(), info);
            QTRY_VERIFY(!f.model->activeConversationId());
        }
        f.load();
        QCOMPARE(f.conversation(10)->unreadCount, std::optional<qint64>(4));
    }

    // The notice of a revoked newest message lasts until a newer message: one that
    // arrives, one of the user's own, or one a reload lists; a reload without a newer
    // message keeps it.
    void newMessageReplacesTheRevokedPreview_data()
    {
        QTest::addColumn<QString>("next");
        QTest::addColumn<bool>("kept");
        QTest::newRow("a message arrives") << u"incoming"_s << false;
        QTest::newRow("the user sends one") << u"sent"_s << false;
        QTest::newRow("a reload lists a newer one") << u"newer reload"_s << false;
        QTest::newRow("a reload with nothing newer") << u"same reload"_s << true;
        // Thrown away, the failed message gives the row back to the server's newest,
        // the revoked one: its notice shows again, as after a reload.
        QTest::newRow("the user's failed one is thrown away") << u"sent, failed and discarded"_s << true;
    }
    void newMessageReplacesTheRevokedPreview()
    {
        QFETCH(QString, next);
        QFETCH(bool, kept);
        Fixture f;
        f.load();
        f.stack.server.respond(procedure("messages.list"),
            ok(R"([{"id":77,"conversationId":10,"senderId":2,"senderName":"Ann","type":"text","status":"revoked",)"
               R"("createdAt":"2025-03-01T08:00:00Z"}])"));
        Q_EMIT f.stack.ws.revokeSubject(77, 10, false);
        QTRY_VERIFY(f.conversation(10)->revokedPreview);
        // Taken back by its sender, not removed by an administrator.
        QCOMPARE(f.conversation(10)->revokedPreview->senderName, u"Ann"_s);
        QCOMPARE(f.conversation(10)->revokedPreview->senderId, 2);
        QVERIFY(!f.conversation(10)->revokedPreview->isMine);
        QVERIFY(!f.conversation(10)->revokedPreview->byAdministrator);
        // The other chat's notice is its own: whatever ends the first one leaves it.
        f.stack.server.respond(procedure("messages.list"),
            ok(R"([{"id":78,"conversationId":20,"senderId":2,"senderName":"Ann","type":"text","status":"revoked",)"
               R"("createdAt":"2025-03-02T08:00:00Z"}])"));
        Q_EMIT f.stack.ws.revokeSubject(78, 20, false);
        QTRY_VERIFY(f.conversation(20)->revokedPreview);
        std::optional<QString> preview;
        if (next == u"incoming") {
            Q_EMIT f.stack.ws.newMessageSubject(message(10, 2));
            preview = u"hi"_s;
        } else if (next == u"sent") {
            f.stack.notifications.post(NotificationName::messageSent(),
                                       { { NotificationKey::conversationId(), qint64(10) }, { NotificationKey::content(), u"mine"_s },
                                         { NotificationKey::createdAt(), u"2025-03-03T08:00:00Z"_s } });
            preview = u"mine"_s;
        } else if (next == u"sent, failed and discarded") {
            f.stack.server.respond(procedure("messages.list"),
                ok(R"([{"id":77,"conversationId":10,"senderId":2,"senderName":"Ann","type":"text","status":"revoked",)"
                   R"("createdAt":"2025-03-01T08:00:00Z"}])"));
            f.stack.notifications.post(NotificationName::messageSent(),
                                       { { NotificationKey::conversationId(), qint64(10) }, { NotificationKey::content(), u"mine"_s },
                                         { NotificationKey::createdAt(), u"2025-03-03T08:00:00Z"_s }, { NotificationKey::clientMsgId(), u"c1"_s },
                                         { NotificationKey::failed(), true } });
            QTRY_COMPARE(f.conversation(10)->lastMessage, std::optional(u"mine"_s));
            QVERIFY(!f.conversation(10)->revokedPreview);
            f.stack.notifications.post(NotificationName::messageDiscarded(),
                                       { { NotificationKey::conversationId(), qint64(10) }, { NotificationKey::clientMsgId(), u"c1"_s } });
            QTRY_COMPARE(f.conversation(10)->lastMessageTime, std::optional(u"2025-03-01T08:00:00Z"_s));
            preview = QString();
        } else {
            const QByteArray time = next == u"newer reload" ? "2025-03-04T08:00:00Z" : "2025-03-01T08:00:00Z";
            f.stack.server.respond(procedure("conversations.list"),
                ok(R"([{"id":10,"type":"private","name":"Ann","lastMessage":"later","lastMessageTime":")" + time + R"("},)"
                   R"({"id":20,"type":"group","name":"Team","lastMessageTime":"2025-03-02T08:00:00Z"}])"));
            f.load();
            preview = u"later"_s;
        }
        QVERIFY(f.stack.roundTrip());
        QTRY_COMPARE(f.conversation(10)->lastMessage, preview);
        QCOMPARE(f.conversation(10)->revokedPreview.has_value(), kept);
        QVERIFY(f.conversation(20)->revokedPreview);
    }

    void messageForAnUnknownConversationReloadsOnce()
    {
        Fixture f;
        f.load();
        Q_EMIT f.stack.ws.newMessageSubject(message(99, 2));
        QTRY_COMPARE(f.loads(), 2);
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(f.loads(), 2);
    }

    void reloadsOnReconnectionOnly_data()
    {
        QTest::addColumn<bool>("upAtStart");
        QTest::addColumn<QList<bool>>("changes");
        QTest::addColumn<int>("reloads");

        QTest::newRow("down at start: true false true") << false << QList<bool> { true, false, true } << 1;
        QTest::newRow("down at start: repeated true") << false << QList<bool> { true, true, true } << 0;
        QTest::newRow("up at start: false true") << true << QList<bool> { false, true } << 1;
        QTest::newRow("up at start: repeated true") << true << QList<bool> { true, true } << 0;
    }

    void reloadsOnReconnectionOnly()
    {
        QFETCH(bool, upAtStart);
        QFETCH(QList<bool>, changes);
        QFETCH(int, reloads);
        Fixture f(twoConversations, upAtStart);
        for (bool value : changes)
            Q_EMIT f.stack.ws.isConnectedChanged(value);
        QTRY_COMPARE(f.loads(), reloads);
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(f.loads(), reloads);
    }

    // A deleted conversation stays deleted against a reload that the server answered
    // before it knew of the deletion: a reload started before the deletion ended, or
    // answered while it was on its way. A refused deletion puts the row back, and a
    // reload started after the deletion ended is the server's word.
    void deletedConversationStaysDeletedAgainstAnOlderReload_data()
    {
        QTest::addColumn<int>("reload");
        QTest::addColumn<int>("deleteStatus");
        QTest::addColumn<bool>("listed");
        QTest::newRow("reload from before, deleted") << int(ReloadBefore) << 200 << false;
        QTest::newRow("reload from before, refused") << int(ReloadBefore) << 500 << true;
        QTest::newRow("reload during the deletion, deleted") << int(ReloadDuring) << 200 << false;
        QTest::newRow("reload during the deletion, refused") << int(ReloadDuring) << 500 << true;
        QTest::newRow("reload after the deletion") << int(ReloadAfter) << 200 << true;
    }
    void deletedConversationStaysDeletedAgainstAnOlderReload()
    {
        QFETCH(int, reload);
        QFETCH(int, deleteStatus);
        QFETCH(bool, listed);
        Fixture f;
        f.load();
        const Conversation team = *f.conversation(20);
        const QString list = procedure("conversations.list");
        const QString remove = procedure("conversations.deleteForUser");
        // Every answer of the server still lists conversation 20.
        if (reload == ReloadBefore)
            f.stack.server.respondOnce(list, { 200, envelope(twoConversations), {}, true });
        f.stack.server.respondOnce(remove, { deleteStatus, deleteStatus == 200 ? envelope("{\"success\":true}") : QByteArray("{}"),
                                             {}, reload == ReloadDuring });
        if (deleteStatus != 200)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^\\[Conversations\\] Delete failed"_s));

        if (reload == ReloadBefore) {
            auto loading = f.model->loadConversations();
            QTRY_COMPARE(f.stack.server.heldCount(list), 1);
            testsupport::runTask(f.model->deleteConversation(team));
            f.stack.server.release(list);
            testsupport::runTask(std::move(loading));
        } else if (reload == ReloadDuring) {
            auto deleting = f.model->deleteConversation(team);
            QTRY_COMPARE(f.stack.server.heldCount(remove), 1);
            f.load();
            f.stack.server.release(remove);
            testsupport::runTask(std::move(deleting));
        } else {
            testsupport::runTask(f.model->deleteConversation(team));
            f.load();
        }
        QVERIFY(!f.model->isLoading());
        QCOMPARE(ids(f.model->conversations()).count(20), listed ? 1 : 0);
        QCOMPARE(ids(f.model->filteredConversations()).count(20), listed ? 1 : 0);
        QCOMPARE(ids(f.model->conversations()).count(10), 1);
    }

    void searchIsDebounced()
    {
        Fixture f(R"([{"id":1,"type":"group","name":"Alpha"},{"id":2,"type":"group","name":"Alps"},
                      {"id":3,"type":"private"}])");
        f.load();
        QSignalSpy spy(f.model.get(), &ConversationListViewModel::filteredConversationsChanged);
        f.model->setSearchText(u"al"_s);
        f.stack.timers->advance(200);
        f.model->setSearchText(u"alp"_s);
        f.stack.timers->advance(299);
        QCOMPARE(spy.count(), 0);
        f.model->setSearchText(u"ALPH"_s);
        f.stack.timers->advance(300);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(ids(f.model->filteredConversations()), QList<qint64> { 1 });

    }

    // Under a search, a message into a conversation shown moves that one row, and one
    // into a conversation the search hides leaves the shown list alone.
    void messageUnderASearchMovesOneRow_data()
    {
        QTest::addColumn<qint64>("into");
        QTest::addColumn<QList<qint64>>("shown");
        QTest::addColumn<int>("moves");
        QTest::newRow("shown") << qint64(2) << QList<qint64> { 2, 1 } << 1;
        QTest::newRow("hidden") << qint64(3) << QList<qint64> { 1, 2 } << 0;
    }
    void messageUnderASearchMovesOneRow()
    {
        QFETCH(qint64, into);
        QFETCH(QList<qint64>, shown);
        QFETCH(int, moves);
        Fixture f(R"([{"id":1,"type":"group","name":"Alpha","lastMessageTime":"2025-03-01T09:00:00Z"},
                      {"id":2,"type":"group","name":"Alps","lastMessageTime":"2025-03-01T08:00:00Z"},
                      {"id":3,"type":"group","name":"Zed","lastMessageTime":"2025-03-01T07:00:00Z"}])");
        f.load();
        f.model->setSearchText(u"alp"_s);
        f.stack.timers->advance(300);
        // The first change orders the list as loaded, all at once: the one after is the case.
        Q_EMIT f.stack.ws.newMessageSubject(message(3, 2, 499, u"2025-03-02T08:00:00Z"_s));
        QTRY_COMPARE(f.conversation(3)->lastMessage, std::optional<QString>(u"hi"_s));
        QCOMPARE(ids(f.model->filteredConversations()), (QList<qint64> { 1, 2 }));
        QSignalSpy whole(f.model.get(), &ConversationListViewModel::filteredConversationsChanged);
        QSignalSpy moved(f.model.get(), &ConversationListViewModel::filteredConversationMoved);
        Q_EMIT f.stack.ws.newMessageSubject(message(into, 2));
        QTRY_COMPARE(f.conversation(into)->lastMessage, std::optional<QString>(u"hi"_s));
        QCOMPARE(ids(f.model->filteredConversations()), shown);
        QCOMPARE(moved.count(), moves);
        QCOMPARE(whole.count(), 0);
    }

    void onlyTheNewestOverlappingLoadApplies()
    {
        Fixture f;
        f.stack.server.respondOnce(procedure("conversations.list"),
                                   { 200, envelope(R"([{"id":1,"type":"private"}])"), {}, true });
        f.stack.server.respondOnce(procedure("conversations.list"), ok(R"([{"id":2,"type":"private"}])"));
        auto first = f.model->loadConversations();
        QTRY_COMPARE(f.loads(), 1);
        testsupport::runTask(f.model->loadConversations());
        QCOMPARE(ids(f.model->conversations()), QList<qint64> { 2 });
        f.stack.server.release(procedure("conversations.list"));
        testsupport::runTask(std::move(first));
        QCOMPARE(ids(f.model->conversations()), QList<qint64> { 2 });
        QVERIFY(!f.model->isLoading());
    }

    // Pinning puts a chat on top and unpinning sends it back among the others by
    // time; muting keeps its place. The list shown follows, the server hears nothing,
    // and a reload puts back what the server holds.
    void pinAndMuteToggleLocally_data()
    {
        QTest::addColumn<bool>("pin"); // else mute
        QTest::addColumn<QList<qint64>>("order");
        QTest::newRow("pin") << true << QList<qint64> { 30, 10, 20 };
        QTest::newRow("mute") << false << QList<qint64> { 10, 20, 30 };
    }
    void pinAndMuteToggleLocally()
    {
        QFETCH(bool, pin);
        QFETCH(QList<qint64>, order);
        Fixture f(R"([{"id":10,"type":"private","name":"Ann","lastMessageTime":"2025-03-03T08:00:00Z"},
                      {"id":20,"type":"group","name":"Team","lastMessageTime":"2025-03-02T08:00:00Z"},
                      {"id":30,"type":"group","name":"Old","lastMessageTime":"2025-03-01T08:00:00Z"}])");
        f.load();
        const QList<qint64> byTime { 10, 20, 30 };
        QCOMPARE(ids(f.model->filteredConversations()), byTime);
        const qsizetype requests = f.stack.server.requests().size();
        const auto toggle = [&] { pin ? f.model->togglePin(*f.conversation(30)) : f.model->toggleMute(*f.conversation(30)); };
        const auto flag = [&](const Conversation& c) { return pin ? c.isPinned : c.isMuted; };
        toggle();
        QCOMPARE(flag(*f.conversation(30)), std::optional(true));
        QCOMPARE(ids(f.model->conversations()), order);
        QCOMPARE(ids(f.model->filteredConversations()), order);
        QCOMPARE(flag(f.model->filteredConversations().at(order.indexOf(30))), std::optional(true));
        toggle();
        QCOMPARE(flag(*f.conversation(30)), std::optional(false));
        QCOMPARE(ids(f.model->filteredConversations()), byTime);
        QCOMPARE(flag(f.model->filteredConversations().at(2)), std::optional(false));
        toggle();
        QCOMPARE(f.stack.server.requests().size(), requests);
        f.load();
        QCOMPARE(flag(*f.conversation(30)), std::nullopt);
        QCOMPARE(ids(f.model->filteredConversations()), byTime);
    }

    // A reload that fails keeps the list as it was and says why; the loading flag is
    // announced on and off, so a spinner bound to it goes. A later load that works
    // leaves the message as it is.
    void failedLoadKeepsTheListAndSaysWhy()
    {
        Fixture f;
        // The first load shows its spinner too: nothing is loading before it.
        QSignalSpy firstLoading(f.model.get(), &ConversationListViewModel::isLoadingChanged);
        f.load();
        QCOMPARE(firstLoading.size(), 2);
        const QList<qint64> listed = ids(f.model->conversations());
        QVERIFY(!listed.isEmpty());
        QSignalSpy errorAnnounced(f.model.get(), &ConversationListViewModel::errorChanged);
        QSignalSpy loadingAnnounced(f.model.get(), &ConversationListViewModel::isLoadingChanged);
        f.stack.server.respondOnce(procedure("conversations.list"), { 500, R"({"error":"boom"})" });
        f.load();
        QCOMPARE(f.model->error(), std::optional(u"boom"_s));
        QCOMPARE(errorAnnounced.size(), 1);
        QCOMPARE(ids(f.model->conversations()), listed);
        QVERIFY(!f.model->isLoading());
        QCOMPARE(loadingAnnounced.size(), 2);
        f.load();
        QCOMPARE(f.model->error(), std::optional(u"boom"_s));
    }

    // Flags of the wrong type are ignored.
    void settingsChangedAppliesTypedFlags()
    {
        Fixture f(R"([{"id":20,"type":"group","lastMessageTime":"2025-03-02T08:00:00Z"},
                      {"id":10,"type":"private","lastMessageTime":"2025-03-01T08:00:00Z"}])");
        f.load();
        const QVariant id = QVariant::fromValue<qint64>(10);
        f.stack.notifications.post(NotificationName::conversationSettingsChanged(),
                                   { { u"conversationId"_s, id }, { u"isPinned"_s, 1 }, { u"isMuted"_s, u"true"_s } });
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(ids(f.model->conversations()), (QList<qint64> { 20, 10 }));
        QVERIFY(!f.conversation(10)->isMuted.value_or(false));
        f.stack.notifications.post(NotificationName::conversationSettingsChanged(),
                                   { { u"conversationId"_s, id }, { u"isPinned"_s, true }, { u"isMuted"_s, true } });
        QTRY_COMPARE(ids(f.model->conversations()), (QList<qint64> { 10, 20 }));
        QVERIFY(*f.conversation(10)->isMuted);
    }

    // Own sends update the preview; a time of the wrong type is not taken.
    // The preview a live message leaves in the list, by message type.
    void livePreviewText_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("fileName"); // empty: none
        QTest::addColumn<QString>("content"); // empty: none
        QTest::addColumn<QString>("preview");
        QTest::newRow("file") << u"file"_s << u"报告 1.pdf"_s << u"/u/k.pdf"_s << u"[文件] 报告 1.pdf"_s;
        QTest::newRow("file without a name") << u"file"_s << QString() << QString() << u"[文件] "_s;
        QTest::newRow("image") << u"image"_s << QString() << u"{}"_s << u"[图片]"_s;
        // The words a message of these types carries are not its preview.
        QTest::newRow("voice") << u"voice"_s << QString() << u"/u/v.m4a"_s << u"[语音]"_s;
        QTest::newRow("video") << u"video"_s << QString() << u"/u/v.mp4"_s << u"[视频]"_s;
        QTest::newRow("sticker") << u"sticker"_s << QString() << u"smile"_s << u"[表情]"_s;
        QTest::newRow("location") << u"location"_s << QString() << u"31.2,121.5"_s << u"[位置]"_s;
        QTest::newRow("contact card") << u"contact_card"_s << QString() << u"{\"userId\":7}"_s << u"[名片]"_s;
        QTest::newRow("type of another case") << u"Image"_s << QString() << u"pic"_s << u"pic"_s;
        QTest::newRow("system with text") << u"system"_s << QString() << u"群已解散"_s << u"群已解散"_s;
        QTest::newRow("system without text") << u"system"_s << QString() << QString() << u"[系统消息]"_s;
        QTest::newRow("text") << u"text"_s << QString() << u"你好"_s << u"你好"_s;
        QTest::newRow("unknown without text") << u"poll"_s << QString() << QString() << QString();
    }
    void livePreviewText()
    {
        QFETCH(QString, type);
        QFETCH(QString, fileName);
        QFETCH(QString, content);
        QFETCH(QString, preview);
        Message message;
        message.type = type;
        if (!fileName.isEmpty())
            message.fileName = fileName;
        if (!content.isEmpty())
            message.content = content;
        QCOMPARE(ConversationListViewModel::lastMessagePreview(message), preview);
    }

    void messageSentUpdatesThePreview()
    {
        Fixture f;
        f.load();
        f.stack.notifications.post(NotificationName::messageSent(), { { u"conversationId"_s, qint64(10) },
                                                                      { u"content"_s, u"[图片]"_s },
                                                                      { u"createdAt"_s, 12345 } });
        QTRY_COMPARE(f.conversation(10)->lastMessage, std::optional<QString>(u"[图片]"_s));
        QVERIFY(!f.conversation(10)->lastMessageTime);
        QCOMPARE(f.conversation(10)->unreadCount, std::nullopt);
    }

    // The row shows the newest message, by the server's ids: a late acknowledgement
    // (also after a failure) or a resend brings this user's message back, a reload
    // that came before the server stored it does not take it away, an older message
    // never covers a newer one, and a failed message thrown away leaves the row.
    void rowNeverGoesBackwards_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("preview");
        QTest::addColumn<bool>("failed");
        QTest::newRow("late acknowledgement after a failure") << QStringList { u"sent"_s, u"failed"_s, u"ack 600"_s } << u"mine"_s << false;
        QTest::newRow("resent after a failure") << QStringList { u"sent"_s, u"failed"_s, u"sent"_s } << u"mine"_s << false;
        QTest::newRow("a reload while it is on its way") << QStringList { u"sent"_s, u"reload 500"_s } << u"mine"_s << false;
        QTest::newRow("a reload before the server stored it") << QStringList { u"sent"_s, u"reload 500"_s, u"ack 600"_s } << u"mine"_s << false;
        // Once the server lists the message itself, its listing is what the row shows.
        QTest::newRow("a reload listing the acknowledged message") << QStringList { u"sent"_s, u"ack 600"_s, u"reload 600"_s } << u"m600"_s << false;
        QTest::newRow("a reload listing a newer message meanwhile")
            << QStringList { u"sent"_s, u"reload 700"_s, u"ack 600"_s } << u"m700"_s << false;
        QTest::newRow("a newer message before the acknowledgement")
            << QStringList { u"sent"_s, u"arrives 700"_s, u"ack 600"_s } << u"m700"_s << false;
        QTest::newRow("an older message before the acknowledgement")
            << QStringList { u"sent"_s, u"arrives 550"_s, u"ack 600"_s } << u"mine"_s << false;
        QTest::newRow("an older message delivered late") << QStringList { u"arrives 450"_s } << u"m500"_s << false;
        QTest::newRow("a message that came while a reload was on its way")
            << QStringList { u"held reload 500"_s, u"arrives 501"_s, u"released"_s } << u"m501"_s << false;
        QTest::newRow("a notice that came while a reload was on its way")
            << QStringList { u"held reload 500"_s, u"notice arrives 501"_s, u"released"_s } << u"m501"_s << false;
        QTest::newRow("a message sent after a notice") << QStringList { u"notice arrives 501"_s, u"sent"_s } << u"mine"_s << false;
        QTest::newRow("a failed message") << QStringList { u"sent"_s, u"failed"_s } << u"mine"_s << true;
        QTest::newRow("a newer message before the failure") << QStringList { u"sent"_s, u"arrives 700"_s, u"failed"_s } << u"m700"_s << false;
        QTest::newRow("a newer message before the failure, then a reload")
            << QStringList { u"sent"_s, u"arrives 700"_s, u"failed"_s, u"reload 700"_s } << u"m700"_s << false;
        QTest::newRow("a newer message, then a late acknowledgement after a failure")
            << QStringList { u"sent"_s, u"failed"_s, u"arrives 700"_s, u"ack 600"_s } << u"m700"_s << false;
        QTest::newRow("a failed message thrown away after a newer one")
            << QStringList { u"sent"_s, u"failed"_s, u"arrives 700"_s, u"discarded"_s } << u"m700"_s << false;
        // Messages sent from elsewhere (another device) are not this list's to follow.
        QTest::newRow("an acknowledgement of a message not sent here") << QStringList { u"ack 600"_s } << u"m500"_s << false;
        QTest::newRow("a failure of a message not sent here") << QStringList { u"failed"_s } << u"m500"_s << false;
        QTest::newRow("a failed message thrown away") << QStringList { u"sent"_s, u"failed"_s, u"discarded"_s } << u"m500"_s << false;
        // Empty: the row shows no last message.
        QTest::newRow("the only message thrown away")
            << QStringList { u"history cleared"_s, u"sent"_s, u"failed"_s, u"discarded"_s } << QString() << false;
        // The notice of a message revoked meanwhile goes with that message.
        QTest::newRow("thrown away after the history went, a revocation meanwhile")
            << QStringList { u"sent"_s, u"failed"_s, u"revoked 500"_s, u"history cleared"_s, u"discarded"_s } << QString() << false;
    }
    void rowNeverGoesBackwards()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, preview);
        QFETCH(bool, failed);
        Fixture f(listedWithLast(500));
        f.stack.server.respond(procedure("messages.list"), ok("[" + messageJson(500) + "]"));
        f.load();
        std::optional<QCoro::Task<>> heldLoad;
        for (const QString& step : std::as_const(steps)) {
            const qint64 id = step.section(u' ', -1).toLongLong();
            if (step == u"sent") {
                f.stack.notifications.post(NotificationName::messageSent(),
                                           { { NotificationKey::conversationId(), qint64(10) }, { NotificationKey::content(), u"mine"_s },
                                             { NotificationKey::createdAt(), u"2025-03-05T08:00:00Z"_s }, { NotificationKey::clientMsgId(), u"c1"_s } });
            } else if (step == u"failed") {
                Q_EMIT f.stack.ws.messageFailedSubject(u"c1"_s, std::nullopt);
            } else if (step.startsWith(u"ack")) {
                // Announced only when it changes what the row shows.
                const auto shows = [&f] {
                    const Conversation row = f.conversation(10).value_or(Conversation {});
                    return std::tuple(row.lastMessage, row.lastMessageTime, row.lastMessageId, row.lastMessageFailed);
                };
                const auto before = shows();
                QSignalSpy announced(f.model.get(), &ConversationListViewModel::conversationsChanged);
                Q_EMIT f.stack.ws.messageAckSubject(u"c1"_s, u"s"_s, id, false);
                QVERIFY(f.stack.roundTrip());
                QCOMPARE(announced.isEmpty(), shows() == before);
            } else if (step.startsWith(u"held reload")) {
                f.stack.server.respondOnce(procedure("conversations.list"), { 200, envelope(listedWithLast(id)), {}, true });
                heldLoad = f.model->loadConversations();
                QTRY_COMPARE(f.loads(), 2);
            } else if (step == u"released") {
                f.stack.server.release(procedure("conversations.list"));
                testsupport::runTask(std::move(*heldLoad));
            } else if (step.startsWith(u"reload")) {
                f.stack.server.respondOnce(procedure("conversations.list"), ok(listedWithLast(id)));
                f.load();
            } else if (step.startsWith(u"notice arrives")) {
                QJsonObject notice = json::parse(messageJson(id)).toObject();
                notice.insert(u"notice"_s, u"group_dissolved"_s);
                Q_EMIT f.stack.ws.newMessageSubject(json::decode<Message>(notice));
            } else if (step.startsWith(u"arrives")) {
                Q_EMIT f.stack.ws.newMessageSubject(json::decode<Message>(json::parse(messageJson(id))));
            } else if (step.startsWith(u"revoked")) {
                Q_EMIT f.stack.ws.revokeSubject(id, 10, false);
                QTRY_VERIFY(f.conversation(10)->revokedPreview);
            } else if (step == u"history cleared") {
                f.stack.server.respond(procedure("messages.list"), ok("[]"));
            } else if (step == u"discarded") {
                f.stack.notifications.post(NotificationName::messageDiscarded(),
                                           { { NotificationKey::conversationId(), qint64(10) }, { NotificationKey::clientMsgId(), u"c1"_s } });
            }
            QVERIFY(f.stack.roundTrip());
        }
        const std::optional<QString> expected = preview.isEmpty() ? std::nullopt : std::optional(preview);
        QTRY_COMPARE(f.conversation(10)->lastMessage, expected);
        QCOMPARE(f.conversation(10)->lastMessageFailed, failed);
        if (!expected)
            QCOMPARE(f.conversation(10)->lastMessageId, std::nullopt);
        // No row here ends on a revoked message; a notice the newest message carries stays with it.
        QVERIFY(!f.conversation(10)->revokedPreview);
        const bool noticed = std::any_of(steps.cbegin(), steps.cend(), [&preview](const QString& step) {
            return step.startsWith(u"notice") && u"m"_s + step.section(u' ', -1) == preview;
        });
        QCOMPARE(f.conversation(10)->lastMessageNotice, noticed ? std::optional(u"group_dissolved"_s) : std::nullopt);
        // The time shown is that of the message shown.
        const std::optional<QString> time = !expected ? std::nullopt
            : preview == u"mine" ? std::optional(u"2025-03-05T08:00:00Z"_s)
                                 : std::optional(u"2025-03-01T08:00:%1Z"_s.arg(preview.mid(1).toLongLong() % 60, 2, 10, QLatin1Char('0')));
        QCOMPARE(f.conversation(10)->lastMessageTime, time);
        // The list shown is told.
        const QList<Conversation> shown = f.model->filteredConversations();
        const auto row = std::find_if(shown.cbegin(), shown.cend(), [](const Conversation& c) { return c.id == 10; });
        QVERIFY(row != shown.cend());
        QCOMPARE(row->lastMessage, expected);
        QCOMPARE(row->lastMessageFailed, failed);
    }

    // A revocation changes the preview only when it takes back the newest message: an
    // older one is known from the row's own message id without asking, and an answer
    // that comes after a newer message arrived is stale.
    void revocationCoversOnlyTheNewest_data()
    {
        QTest::addColumn<qint64>("revoked");
        QTest::addColumn<bool>("newerMeanwhile");
        QTest::addColumn<bool>("notice");
        QTest::addColumn<int>("asked");
        QTest::addColumn<bool>("fails"); // the server cannot say which message is the newest
        QTest::newRow("the newest") << qint64(500) << false << true << 1 << false;
        QTest::newRow("an older one") << qint64(499) << false << false << 0 << false;
        QTest::newRow("the newest, a newer message came meanwhile") << qint64(500) << true << false << 1 << false;
        QTest::newRow("the newest, the server cannot say") << qint64(500) << false << false << 1 << true;
    }
    void revocationCoversOnlyTheNewest()
    {
        QFETCH(qint64, revoked);
        QFETCH(bool, newerMeanwhile);
        QFETCH(bool, notice);
        QFETCH(int, asked);
        QFETCH(bool, fails);
        Fixture f(listedWithLast(500));
        f.load();
        const QString list = procedure("messages.list");
        f.stack.server.respondOnce(list, fails ? RecordingHttpServer::Reply { 500, R"({"error":"busy"})", {}, true }
                                               : RecordingHttpServer::Reply { 200, envelope("[" + messageJson(500) + "]"), {}, true });
        if (fails)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^\\[Conversations\\] Newest message of 10 unavailable: .*busy"_s));
        Q_EMIT f.stack.ws.revokeSubject(revoked, 10, false);
        if (asked)
            QTRY_COMPARE(f.stack.requestCount(list), asked);
        if (newerMeanwhile) {
            Q_EMIT f.stack.ws.newMessageSubject(json::decode<Message>(json::parse(messageJson(501))));
            QTRY_COMPARE(f.conversation(10)->lastMessage, std::optional(u"m501"_s));
        }
        f.stack.server.release(list);
        if (notice)
            QTRY_VERIFY(f.conversation(10)->revokedPreview);
        // The answer (if any) is in once a later one is.
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(f.stack.requestCount(list), asked);
        QCOMPARE(f.conversation(10)->revokedPreview.has_value(), notice);
        QCOMPARE(f.conversation(10)->lastMessage, std::optional(newerMeanwhile ? u"m501"_s : u"m500"_s));
    }

    void privateConversationsFollowTheirOtherMembersPresence()
    {
        Fixture f(twoConversations, true);
        f.load();
        QTRY_COMPARE(f.stack.requestCount(procedure("groups.getMembers")), 1);
        QCOMPARE(lookedUp(f.stack), QList<qint64> { 10 });
        f.stack.peer.push(QJsonObject { { u"type"_s, u"online"_s }, { u"payload"_s, QJsonObject { { u"userId"_s, 2 } } } });
        QTRY_COMPARE(f.conversation(10)->online, std::optional<bool>(true));
        QCOMPARE(f.conversation(20)->online, std::nullopt);
        f.stack.peer.push(QJsonObject { { u"type"_s, u"offline"_s }, { u"payload"_s, QJsonObject { { u"userId"_s, 2 } } } });
        QTRY_COMPARE(f.conversation(10)->online, std::optional<bool>(false));
        // Resolved once: a reload does not ask again.
        f.load();
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(f.stack.requestCount(procedure("groups.getMembers")), 1);
    }

    // The list is there (and whoever awaited the load, the contact load among them,
    // goes on) while the members of private conversations are still being looked up,
    // a bounded number at a time.
    void loadDoesNotWaitForPresenceLookups_data()
    {
        QTest::addColumn<int>("privateCount");
        QTest::newRow("fewer than the bound") << 3;
        QTest::newRow("more than the bound") << 9;
    }
    void loadDoesNotWaitForPresenceLookups()
    {
        QFETCH(int, privateCount);
        Fixture f(privateConversations(privateCount));
        const QString members = procedure("groups.getMembers");
        f.stack.server.respond(members, RecordingHttpServer::Reply { 200, envelope(R"([{"userId":1},{"userId":2}])"), {}, true });
        testsupport::runTask(f.model->loadConversations());
        QCOMPARE(f.model->conversations().size(), privateCount);
        const int bound = ConversationListViewModel::maxParallelLookups;
        QTRY_COMPARE(f.stack.requestCount(members), qMin(privateCount, bound));
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(f.stack.requestCount(members), qMin(privateCount, bound));
        for (int round = 0; round < privateCount && f.stack.requestCount(members) < privateCount; ++round) {
            const int before = f.stack.requestCount(members);
            f.stack.server.release(members);
            QTRY_VERIFY(f.stack.requestCount(members) > before);
            QVERIFY(f.stack.requestCount(members) - before <= bound);
        }
        f.stack.server.release(members);
        QCOMPARE(f.stack.requestCount(members), privateCount);
        // Each private conversation once.
        QList<qint64> asked = lookedUp(f.stack);
        std::sort(asked.begin(), asked.end());
        QList<qint64> all;
        for (int i = 1; i <= privateCount; ++i)
            all << 100 + i;
        QCOMPARE(asked, all);
    }

    // The server may name the other member of a private conversation; only the
    // conversations it did not name cost a members request, and presence follows
    // the named member either way.
    void listedPeersNeedNoLookup_data()
    {
        QTest::addColumn<int>("named");
        QTest::addColumn<int>("unnamed");
        QTest::newRow("all named") << 6 << 0;
        QTest::newRow("some named") << 4 << 2;
        QTest::newRow("none named (another server)") << 0 << 3;
    }
    void listedPeersNeedNoLookup()
    {
        QFETCH(int, named);
        QFETCH(int, unnamed);
        QJsonArray list;
        for (int i = 1; i <= named + unnamed; ++i) {
            QJsonObject entry { { u"id"_s, 100 + i }, { u"type"_s, u"private"_s }, { u"name"_s, u"P%1"_s.arg(i) } };
            if (i <= named)
                entry.insert(u"peerId"_s, 1000 + i);
            list.append(entry);
        }
        Fixture f(QJsonDocument(list).toJson(QJsonDocument::Compact), true);
        const QString members = procedure("groups.getMembers");
        f.load();
        QCOMPARE(f.model->isResolvingPeers(), unnamed > 0);
        QTRY_VERIFY(!f.model->isResolvingPeers());
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(f.stack.requestCount(members), unnamed);
        // The unnamed ones, and only those.
        QList<qint64> asked = lookedUp(f.stack);
        std::sort(asked.begin(), asked.end());
        QList<qint64> expected;
        for (int i = named + 1; i <= named + unnamed; ++i)
            expected << 100 + i;
        QCOMPARE(asked, expected);
        if (named == 0)
            return;
        f.stack.peer.push(QJsonObject { { u"type"_s, u"online"_s }, { u"payload"_s, QJsonObject { { u"userId"_s, 1001 } } } });
        QTRY_COMPARE(f.conversation(101)->online, std::optional<bool>(true));
        QCOMPARE(f.conversation(102)->online.value_or(false), false);
    }

    // A look-up that failed is not repeated at every reload of the session.
    // A row whose newest message was not sent from here (or was sent without a client
    // message id, which cannot be followed) is left alone by every later step, and
    // each step says it changed nothing.
    void sentPreviewsLeaveUnfollowedRowsAlone_data()
    {
        QTest::addColumn<bool>("sentWithoutId");
        QTest::newRow("nothing sent") << false;
        QTest::newRow("sent without a client message id") << true;
    }
    void sentPreviewsLeaveUnfollowedRowsAlone()
    {
        QFETCH(bool, sentWithoutId);
        SentPreviews previews;
        Conversation row = conversation(10, u"2025-03-01T08:00:00Z"_s);
        row.lastMessage = u"m500"_s;
        row.lastMessageId = 500;
        if (sentWithoutId) {
            previews.sent(row, std::nullopt, u"mine"_s, u"2025-03-05T08:00:00Z"_s);
            QCOMPARE(row.lastMessage, std::optional(u"mine"_s));
            QCOMPARE(row.lastMessageId, std::nullopt);
        }
        const Conversation before = row;
        QCOMPARE(previews.conversationOf(QString()), std::nullopt);
        QVERIFY(!previews.acknowledged(row, 600));
        QVERIFY(!previews.failed(row));
        QVERIFY(!previews.discarded(10, QString()));
        QVERIFY(!previews.isShownAs(10, 600));
        QList<Conversation> rows { row };
        QVERIFY(!previews.applyTo(rows));
        for (const Conversation& after : { row, rows.constFirst() }) {
            QCOMPARE(after.lastMessage, before.lastMessage);
            QCOMPARE(after.lastMessageId, before.lastMessageId);
            QCOMPARE(after.lastMessageTime, before.lastMessageTime);
            QCOMPARE(after.lastMessageFailed, before.lastMessageFailed);
        }
    }

    void failedLookupsAreRemembered()
    {
        Fixture f(privateConversations(3));
        const QString members = procedure("groups.getMembers");
        f.stack.server.respond(members, { 500, QByteArray("{}") });
        // Each failed lookup is said once in the log, naming its conversation.
        for (int id : { 101, 102, 103 })
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^\\[Conversations\\] Members of %1 unavailable: .*500"_s.arg(id)));
        f.load();
        QTRY_COMPARE(f.stack.requestCount(members), 3);
        f.load();
        f.load();
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(f.stack.requestCount(members), 3);
        QCOMPARE(f.loads(), 3);
    }
};

QTEST_GUILESS_MAIN(TestConversationList)
#include "tst_conversation_list.moc"
