// The state behind the contact screens: what each one sends, what it shows after
// the server answered, and the mended faults (confirmation before a delete, a
// refused delete or report kept visible, a reload after answering a friend
// request, the newest search winning).

#include "ClientStack.h"

#include "state/chat/ConversationListViewModel.h"
#include "state/chat/UserInfo.h"
#include "state/common/LocalizationManager.h"
#include "state/common/NotificationName.h"
#include "state/contacts/AddContactViewModel.h"
#include "state/contacts/ContactDetailViewModel.h"
#include "state/contacts/ContactListViewModel.h"
#include "state/contacts/FriendRequestsViewModel.h"
#include "state/contacts/ReportViewModel.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace {

// The "json" member of a procedure call's input, from the query (GET) or the body (POST).
const RecordingHttpServer::Reply refused { 400, R"({"error":"refused"})" };
const RecordingHttpServer::Reply done = ok(R"({"success":true})");

QByteArray usersJson(const QStringList& names)
{
    QJsonArray list;
    for (qsizetype i = 0; i < names.size(); ++i)
        list.append(QJsonObject { { u"id"_s, 10 + i }, { u"openId"_s, u"o%1"_s.arg(i) }, { u"name"_s, names.at(i) } });
    return json::serialize(list);
}

User someone(qint64 id)
{
    return ClientStack::user(id, u"Someone"_s);
}

} // namespace

class TestContactScreens : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // ---- add contact ----

    void searchSendsTheKeywordAsTyped()
    {
        ClientStack stack;
        stack.server.respond(procedure("user.search"), ok(usersJson({ u"Al"_s })));
        AddContactViewModel model({ &stack.contacts });
        // The sheet opens idle: its search button waits only for a keyword.
        QVERIFY(!model.isSearching());
        QVERIFY(!model.canSearch());
        testsupport::runTask(model.search());
        QCOMPARE(stack.requestCount(procedure("user.search")), 0);

        model.setKeyword(u"  al "_s);
        QVERIFY(model.canSearch());
        testsupport::runTask(model.search());
        QCOMPARE(stack.lastInput("user.search"), QJsonValue(QJsonObject { { u"keyword"_s, u"  al "_s } }));
        QCOMPARE(model.results().size(), 1);
        QVERIFY(!model.error());
    }

    void searchOutcomes_data()
    {
        QTest::addColumn<RecordingHttpServer::Reply>("second");
        QTest::addColumn<int>("results");
        QTest::addColumn<QString>("errorKey");
        QTest::newRow("nobody found") << ok("[]") << 0 << u"add.not_found"_s;
        // A failed search keeps the earlier users listed.
        QTest::newRow("failure") << refused << 2 << u"refused"_s;
    }

    void searchOutcomes()
    {
        QFETCH(RecordingHttpServer::Reply, second);
        QFETCH(int, results);
        QFETCH(QString, errorKey);
        ClientStack stack;
        stack.server.respondOnce(procedure("user.search"), ok(usersJson({ u"A"_s, u"B"_s })));
        stack.server.respondOnce(procedure("user.search"), second);
        AddContactViewModel model({ &stack.contacts });
        model.setKeyword(u"a"_s);
        testsupport::runTask(model.search());
        // What the sheet follows, each said as it changes: the spinner, the earlier
        // alert taken away as the search starts, the list, then the outcome's alert.
        QStringList said;
        connect(&model, &AddContactViewModel::isSearchingChanged, this, [&] { said << u"searching %1"_s.arg(model.isSearching()); });
        connect(&model, &AddContactViewModel::errorChanged, this, [&] { said << u"error "_s + model.errorText(); });
        connect(&model, &AddContactViewModel::resultsChanged, this, [&] { said << u"results %1"_s.arg(model.results().size()); });
        testsupport::runTask(model.search());
        QCOMPARE(model.results().size(), results);
        const QString error = LocalizationManager::shared().localizedString(errorKey);
        QCOMPARE(model.errorText(), error);
        QVERIFY(!model.isSearching());
        QStringList expected { u"searching 1"_s, u"error "_s };
        if (second.status == 200)
            expected << u"results 0"_s;
        expected << u"error "_s + error << u"searching 0"_s;
        QCOMPARE(said, expected);
    }

    // Only the newest search's outcome shows, and the spinner ends with it.
    void newestSearchWins_data()
    {
        QTest::addColumn<bool>("olderEndsFirst");
        QTest::newRow("older ends first") << true;
        QTest::newRow("older ends last") << false;
    }

    void newestSearchWins()
    {
        QFETCH(bool, olderEndsFirst);
        ClientStack stack;
        const QString path = procedure("user.search");
        stack.server.respondOnce(path, { 200, envelope(usersJson({ u"Old"_s })), {}, true });
        stack.server.respondOnce(path, { 200, envelope(usersJson({ u"New1"_s, u"New2"_s })), {}, olderEndsFirst });
        AddContactViewModel model({ &stack.contacts });
        model.setKeyword(u"x"_s);
        auto older = model.search();
        QTRY_COMPARE(stack.requestCount(path), 1);
        auto newer = model.search();
        QTRY_COMPARE(stack.requestCount(path), 2);
        if (olderEndsFirst) {
            stack.server.releaseOldest(path);
            testsupport::runTask(std::move(older));
            QVERIFY2(model.isSearching(), "the spinner belongs to the newest search");
            QVERIFY(model.results().isEmpty());
            stack.server.release(path);
            testsupport::runTask(std::move(newer));
        } else {
            testsupport::runTask(std::move(newer));
            stack.server.release(path);
            testsupport::runTask(std::move(older));
        }
        QCOMPARE(model.results().size(), 2);
        QVERIFY(!model.isSearching());
    }

    void sendRequest_data()
    {
        QTest::addColumn<RecordingHttpServer::Reply>("reply");
        QTest::addColumn<bool>("sent");
        QTest::newRow("accepted") << done << true;
        QTest::newRow("refused") << refused << false;
    }

    void sendRequest()
    {
        QFETCH(RecordingHttpServer::Reply, reply);
        QFETCH(bool, sent);
        ClientStack stack;
        stack.server.respond(procedure("contacts.sendFriendRequest"), reply);
        AddContactViewModel model({ &stack.contacts });
        // The row goes from "on its way" straight to "sent": it never shows "add" in between.
        QStringList said;
        connect(&model, &AddContactViewModel::sendingChanged, this,
                [&](qint64 id) { said << u"%1 sending %2 sent %3"_s.arg(id).arg(model.isSending(id)).arg(model.wasSent(id)); });
        connect(&model, &AddContactViewModel::sentRequestsChanged, this, [&] { said << u"sent"_s; });
        connect(&model, &AddContactViewModel::errorChanged, this, [&] { said << u"error "_s + model.errorText(); });
        testsupport::runTask(model.sendRequest(someone(42)));
        QCOMPARE(stack.lastInput("contacts.sendFriendRequest"), QJsonValue(QJsonObject { { u"toUserId"_s, 42 } }));
        QCOMPARE(model.wasSent(42), sent);
        QCOMPARE(model.error().has_value(), !sent);
        QCOMPARE(said, (QStringList { u"42 sending 1 sent 0"_s, u"42 sending 0 sent %1"_s.arg(sent),
                                      sent ? u"sent"_s : u"error refused"_s }));
    }

    // ---- friend requests ----

    void rowState_data()
    {
        QTest::addColumn<std::optional<QString>>("status");
        QTest::addColumn<int>("state");
        using S = FriendRequestsViewModel::RowState;
        QTest::newRow("pending") << std::optional<QString>(u"pending"_s) << int(S::Pending);
        QTest::newRow("accepted") << std::optional<QString>(u"accepted"_s) << int(S::Accepted);
        QTest::newRow("rejected") << std::optional<QString>(u"rejected"_s) << int(S::Rejected);
        QTest::newRow("absent") << std::optional<QString>() << int(S::Rejected);
        QTest::newRow("case differs") << std::optional<QString>(u"Pending"_s) << int(S::Rejected);
        QTest::newRow("unknown") << std::optional<QString>(u"expired"_s) << int(S::Rejected);
    }

    void rowState()
    {
        QFETCH(std::optional<QString>, status);
        QFETCH(int, state);
        FriendRequest request;
        request.status = status;
        QCOMPARE(int(FriendRequestsViewModel::rowState(request)), state);
    }

    // An answer the server took changes the first matching row and reloads the
    // contact list and its badge; a refused one changes nothing and shows why.
    void answers_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::addColumn<RecordingHttpServer::Reply>("reply");
        QTest::addColumn<QString>("firstStatus");
        QTest::newRow("accept") << true << done << u"accepted"_s;
        QTest::newRow("reject") << false << done << u"rejected"_s;
        QTest::newRow("accept refused") << true << refused << u"pending"_s;
        QTest::newRow("reject refused") << false << refused << u"pending"_s;
    }

    void answers()
    {
        QFETCH(bool, accept);
        QFETCH(RecordingHttpServer::Reply, reply);
        QFETCH(QString, firstStatus);
        ClientStack stack;
        stack.server.respond(procedure("contacts.list"), ok("[]"));
        stack.server.respond(procedure("groups.list"), ok("[]"));
        stack.server.respond(procedure("contacts.getPendingRequestCount"), ok("0"));
        stack.server.respond(procedure("contacts.getFriendRequests"),
            ok(R"([{"id":7,"fromUserId":2,"toUserId":1,"status":"pending"},{"id":7,"fromUserId":3,"toUserId":1,"status":"pending"}])"));
        const char* name = accept ? "contacts.acceptFriendRequest" : "contacts.rejectFriendRequest";
        stack.server.respond(procedure(name), reply);
        ContactListViewModel list({ &stack.contacts, &stack.groups, &stack.ws });
        FriendRequestsViewModel model({ &stack.contacts, &list });
        testsupport::runTask(model.loadRequests());
        const FriendRequest request = model.requests().at(1);
        QSignalSpy rowsChanged(&model, &FriendRequestsViewModel::requestsChanged);
        testsupport::runTask(accept ? model.acceptRequest(request) : model.rejectRequest(request));

        QCOMPARE(stack.lastInput(name), QJsonValue(QJsonObject { { u"requestId"_s, 7 } }));
        QCOMPARE(model.requests().at(0).status, std::optional<QString>(firstStatus));
        QCOMPARE(model.requests().at(1).status, std::optional<QString>(u"pending"_s));
        const bool tookIt = reply.status == 200;
        QCOMPARE(model.error().has_value(), !tookIt);
        QCOMPARE(rowsChanged.count(), tookIt ? 1 : 0);
        QTRY_COMPARE(stack.requestCount(procedure("contacts.getPendingRequestCount")), tookIt ? 1 : 0);
        QCOMPARE(stack.requestCount(procedure("contacts.list")), tookIt ? 1 : 0);
        // The reload ends before the client it talks through goes away.
        QTRY_VERIFY(!list.isLoading());
    }

    // A second answer to a request whose first one is still on its way sends nothing.
    void oneAnswerAtATime()
    {
        ClientStack stack;
        stack.server.respond(procedure("contacts.getFriendRequests"), ok(R"([{"id":7,"fromUserId":2,"toUserId":1,"status":"pending"}])"));
        stack.server.respondOnce(procedure("contacts.acceptFriendRequest"), { 200, envelope(R"({"success":true})"), {}, true });
        FriendRequestsViewModel model({ &stack.contacts, nullptr });
        testsupport::runTask(model.loadRequests());
        const FriendRequest request = model.requests().at(0);
        QSignalSpy answering(&model, &FriendRequestsViewModel::answeringChanged);
        auto first = model.acceptRequest(request);
        QVERIFY(model.isAnswering(7));
        QTRY_COMPARE(stack.requestCount(procedure("contacts.acceptFriendRequest")), 1);
        testsupport::runTask(model.acceptRequest(request));
        testsupport::runTask(model.rejectRequest(request));
        stack.server.release(procedure("contacts.acceptFriendRequest"));
        testsupport::runTask(std::move(first));
        QVERIFY(!model.isAnswering(7));
        QCOMPARE(answering.count(), 2);
        QCOMPARE(stack.requestCount(procedure("contacts.acceptFriendRequest")), 1);
        QCOMPARE(stack.requestCount(procedure("contacts.rejectFriendRequest")), 0);
        QCOMPARE(model.requests().at(0).status, std::optional<QString>(u"accepted"_s));
    }

    void failedLoadKeepsTheListAndShowsWhy()
    {
        ClientStack stack;
        stack.server.respondOnce(procedure("contacts.getFriendRequests"), ok(R"([{"id":1,"fromUserId":2,"toUserId":1}])"));
        stack.server.respond(procedure("contacts.getFriendRequests"), refused);
        FriendRequestsViewModel model({ &stack.contacts, nullptr });
        // What the sheet follows, each said as it changes.
        QStringList said;
        connect(&model, &FriendRequestsViewModel::isLoadingChanged, this, [&] { said << u"loading %1"_s.arg(model.isLoading()); });
        connect(&model, &FriendRequestsViewModel::requestsChanged, this, [&] { said << u"requests %1"_s.arg(model.requests().size()); });
        connect(&model, &FriendRequestsViewModel::errorChanged, this, [&] { said << u"error "_s + model.errorText(); });
        testsupport::runTask(model.loadRequests());
        testsupport::runTask(model.loadRequests());
        QCOMPARE(model.requests().size(), 1);
        QCOMPARE(model.errorText(), u"refused"_s);
        QVERIFY(!model.isLoading());
        QCOMPARE(said, (QStringList { u"loading 1"_s, u"requests 1"_s, u"loading 0"_s, u"loading 1"_s, u"error refused"_s, u"loading 0"_s }));
    }

    // ---- contact detail ----

    void sendMessageOpensThePrivateConversation_data()
    {
        QTest::addColumn<std::optional<QString>>("nickname");
        QTest::addColumn<std::optional<QString>>("name");
        QTest::addColumn<QString>("title");
        QTest::newRow("nickname") << std::optional<QString>(u"Bobby"_s) << std::optional<QString>(u"Bob"_s) << u"Bobby"_s;
        QTest::newRow("empty nickname") << std::optional<QString>(u""_s) << std::optional<QString>(u"Bob"_s) << u""_s;
        QTest::newRow("no names") << std::optional<QString>() << std::optional<QString>() << u"未知用户"_s;
    }

    void sendMessageOpensThePrivateConversation()
    {
        QFETCH(std::optional<QString>, nickname);
        QFETCH(std::optional<QString>, name);
        QFETCH(QString, title);
        ClientStack stack;
        stack.server.respondOnce(procedure("conversations.create"), { 200, envelope(R"({"conversationId":77})"), {}, true });
        stack.server.respond(procedure("conversations.create"), ok(R"({"conversationId":78})"));
        Contact contact;
        contact.id = 5;
        contact.contactId = 42;
        contact.nickname = nickname;
        contact.name = name;
        contact.avatar = u"http://a/b.png"_s;
        ContactDetailViewModel model(contact, { &stack.chat, &stack.contacts, &stack.notifications });
        QList<QVariantMap> posted;
        stack.notifications.observe(NotificationName::navigateToConversation(), this,
            [&posted](const QVariantMap& info) { posted.append(info); }, Qt::DirectConnection);

        QSignalSpy creating(&model, &ContactDetailViewModel::isCreatingChatChanged);
        auto first = model.startConversation();
        QTRY_COMPARE(stack.requestCount(procedure("conversations.create")), 1);
        QVERIFY(model.isCreatingChat());
        auto second = model.startConversation();
        QVERIFY(stack.roundTrip());
        stack.server.release(procedure("conversations.create"));
        testsupport::runTask(std::move(first));
        testsupport::runTask(std::move(second));
        QCOMPARE(stack.requestCount(procedure("conversations.create")), 1);

        QCOMPARE(stack.lastInput("conversations.create"),
            QJsonValue(QJsonObject { { u"type"_s, u"private"_s }, { u"memberIds"_s, QJsonArray { 42 } } }));
        QCOMPARE(posted.size(), 1);
        const auto conversation = userInfo::record<Conversation>(posted.at(0), u"conversation"_s);
        QVERIFY(conversation);
        QCOMPARE(conversation->id, 77);
        QCOMPARE(conversation->type, u"private"_s);
        QCOMPARE(conversation->name, std::optional<QString>(title));
        QCOMPARE(conversation->avatar, contact.avatar);
        QVERIFY(!conversation->memberCount && !conversation->unreadCount && !conversation->lastMessage);
        QVERIFY(!model.isCreatingChat());
        QCOMPARE(creating.count(), 2);
    }

    void failedCreationNavigatesNowhere()
    {
        ClientStack stack;
        stack.server.respond(procedure("conversations.create"), refused);
        ContactDetailViewModel model(Contact {}, { &stack.chat, &stack.contacts, &stack.notifications });
        int posted = 0;
        stack.notifications.observe(NotificationName::navigateToConversation(), this, [&posted](const QVariantMap&) { ++posted; },
            Qt::DirectConnection);
        QTest::ignoreMessage(QtWarningMsg, "[ContactDetail] Failed to create conversation: refused");
        testsupport::runTask(model.startConversation());
        QCOMPARE(posted, 0);
        QVERIFY(!model.isCreatingChat());
    }

    // The chat made for a detail that was replaced meanwhile still opens.
    void chatOutlivesItsDetail()
    {
        ClientStack stack;
        stack.server.respond(procedure("conversations.create"), { 200, envelope(R"({"conversationId":77})"), {}, true });
        Contact contact;
        contact.contactId = 42;
        auto model = std::make_unique<ContactDetailViewModel>(contact, ContactDetailViewModel::Dependencies { &stack.chat, &stack.contacts, &stack.notifications });
        QList<qint64> opened;
        stack.notifications.observe(NotificationName::navigateToConversation(), this, [&opened](const QVariantMap& info) {
            opened.append(userInfo::record<Conversation>(info, u"conversation"_s).value_or(Conversation {}).id);
        }, Qt::DirectConnection);
        auto creating = model->startConversation();
        QTRY_COMPARE(stack.requestCount(procedure("conversations.create")), 1);
        model.reset();
        stack.server.release(procedure("conversations.create"));
        testsupport::runTask(std::move(creating));
        QCOMPARE(opened, QList<qint64> { 77 });
    }

    // Nothing goes before the user confirms; a refusal keeps the contact and says why.
    void deleteAsksFirst_data()
    {
        QTest::addColumn<RecordingHttpServer::Reply>("reply");
        QTest::newRow("deleted") << done;
        QTest::newRow("refused") << refused;
    }

    void deleteAsksFirst()
    {
        QFETCH(RecordingHttpServer::Reply, reply);
        ClientStack stack;
        stack.server.respond(procedure("contacts.delete"), reply);
        Contact contact;
        contact.id = 5;
        contact.contactId = 42;
        ContactListViewModel list({ &stack.contacts, &stack.groups, &stack.ws });
        ContactDetailViewModel model(contact, { &stack.chat, &stack.contacts, &stack.notifications, &list });
        QSignalSpy deleted(&list, &ContactListViewModel::contactRemoved);
        // What the screen follows: the confirmation, the busy state and the alert, each
        // said when it changes and only then.
        QStringList said;
        connect(&model, &ContactDetailViewModel::isConfirmingDeleteChanged, this,
                [&] { said << u"confirming %1"_s.arg(model.isConfirmingDelete()); });
        connect(&model, &ContactDetailViewModel::isDeletingChanged, this, [&] { said << u"deleting %1"_s.arg(model.isDeleting()); });
        connect(&model, &ContactDetailViewModel::errorChanged, this, [&] { said << u"error "_s + model.errorText(); });

        model.cancelDelete();
        model.requestDelete();
        QVERIFY(model.isConfirmingDelete());
        model.cancelDelete();
        testsupport::runTask(model.confirmDelete());
        QCOMPARE(stack.requestCount(procedure("contacts.delete")), 0);

        model.requestDelete();
        testsupport::runTask(model.confirmDelete());
        QVERIFY(!model.isConfirmingDelete());
        QCOMPARE(stack.lastInput("contacts.delete"), QJsonValue(QJsonObject { { u"contactId"_s, 42 } }));
        const bool tookIt = reply.status == 200;
        QCOMPARE(deleted.count(), tookIt ? 1 : 0);
        QCOMPARE(model.errorText(), tookIt ? QString() : u"refused"_s);
        QVERIFY(!model.isDeleting());
        QStringList expected { u"confirming 1"_s, u"confirming 0"_s, u"confirming 1"_s, u"confirming 0"_s, u"deleting 1"_s };
        expected << (tookIt ? QStringList { u"deleting 0"_s } : QStringList { u"error refused"_s, u"deleting 0"_s });
        QCOMPARE(said, expected);
        if (tookIt)
            return;

        // Another try takes the old alert away before it goes.
        said.clear();
        model.requestDelete();
        testsupport::runTask(model.confirmDelete());
        QCOMPARE(said, (QStringList { u"confirming 1"_s, u"confirming 0"_s, u"deleting 1"_s, u"error "_s, u"error refused"_s,
                                      u"deleting 0"_s }));
    }

    void deletedContactLeavesTheList()
    {
        ClientStack stack;
        stack.server.respond(procedure("contacts.list"),
            ok(R"([{"id":1,"userId":9,"contactId":42,"nickname":"Ann"},{"id":2,"userId":9,"contactId":43,"nickname":"Bo"}])"));
        stack.server.respond(procedure("groups.list"), ok("[]"));
        stack.server.respond(procedure("contacts.getPendingRequestCount"), ok("0"));
        ContactListViewModel list({ &stack.contacts, &stack.groups, &stack.ws });
        testsupport::runTask(list.loadContacts());
        list.removeContact(42);
        QCOMPARE(list.contacts().size(), 1);
        QCOMPARE(list.sections().size(), 1);
        QCOMPARE(list.sections().at(0).letter, u"B"_s);
    }

    // A contact deleted while a load of the column is on its way stays out of that
    // load's older answer; a load that leaves afterwards is the server's word.
    void deletedContactStaysOutOfAnOlderLoad_data()
    {
        QTest::addColumn<bool>("loadFirst");
        QTest::addColumn<int>("listed");
        QTest::newRow("older load") << true << 1;
        QTest::newRow("newer load") << false << 2;
    }
    void deletedContactStaysOutOfAnOlderLoad()
    {
        QFETCH(bool, loadFirst);
        QFETCH(int, listed);
        ClientStack stack;
        const QString path = procedure("contacts.list");
        const QByteArray both = R"([{"id":1,"userId":9,"contactId":42,"nickname":"Ann"},{"id":2,"userId":9,"contactId":43,"nickname":"Bo"}])";
        stack.server.respondOnce(path, ok(both));
        stack.server.respond(path, { 200, envelope(both), {}, true });
        stack.server.respond(procedure("groups.list"), ok("[]"));
        stack.server.respond(procedure("contacts.getPendingRequestCount"), ok("0"));
        ContactListViewModel list({ &stack.contacts, &stack.groups, &stack.ws });
        testsupport::runTask(list.loadContacts());
        std::optional<QCoro::Task<>> load;
        if (loadFirst)
            load.emplace(list.loadContacts());
        list.removeContact(42);
        if (!loadFirst)
            load.emplace(list.loadContacts());
        QTRY_COMPARE(stack.requestCount(path), 2);
        stack.server.release(path);
        testsupport::runTask(std::move(*load));
        QCOMPARE(list.contacts().size(), listed);
        QCOMPARE(list.sections().size(), listed);
    }

    // Overlapping loads of the contact column: the loading flag ends with the newest.
    void contactLoadingEndsWithTheNewestLoad()
    {
        ClientStack stack;
        const QString path = procedure("contacts.list");
        stack.server.respond(path, { 200, envelope("[]"), {}, true });
        stack.server.respond(procedure("groups.list"), ok("[]"));
        stack.server.respond(procedure("contacts.getPendingRequestCount"), ok("0"));
        ContactListViewModel list({ &stack.contacts, &stack.groups, &stack.ws });
        auto older = list.loadContacts();
        auto newer = list.loadContacts();
        QTRY_COMPARE(stack.requestCount(path), 2);
        stack.server.releaseOldest(path);
        testsupport::runTask(std::move(older));
        QVERIFY(list.isLoading());
        stack.server.release(path);
        testsupport::runTask(std::move(newer));
        QVERIFY(!list.isLoading());
    }

    // ---- report ----

    void reportPayload_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QJsonObject>("sent");
        QTest::newRow("no description")
            << u""_s << QJsonObject { { u"userId"_s, 42 }, { u"reason"_s, u"harassment"_s } };
        QTest::newRow("blanks go as typed")
            << u"  "_s << QJsonObject { { u"userId"_s, 42 }, { u"reason"_s, u"harassment"_s }, { u"description"_s, u"  "_s } };
        QTest::newRow("text") << u"rude"_s
                              << QJsonObject { { u"userId"_s, 42 }, { u"reason"_s, u"harassment"_s }, { u"description"_s, u"rude"_s } };
    }

    void reportPayload()
    {
        QFETCH(QString, description);
        QFETCH(QJsonObject, sent);
        ClientStack stack;
        stack.server.respond(procedure("user.report"), done);
        ReportViewModel model(42, &stack.contacts);
        QCOMPARE(model.reason(), u"spam"_s);
        // The sheet's picker and field follow each change, said once.
        QSignalSpy reasonShown(&model, &ReportViewModel::reasonChanged);
        QSignalSpy descriptionShown(&model, &ReportViewModel::descriptionChanged);
        model.setReason(u"harassment"_s);
        model.setReason(u"harassment"_s);
        model.setDescription(description);
        model.setDescription(description);
        QCOMPARE(reasonShown.count(), 1);
        QCOMPARE(descriptionShown.count(), description.isEmpty() ? 0 : 1);
        testsupport::runTask(model.submit());
        QCOMPARE(stack.lastInput("user.report"), QJsonValue(sent));
    }

    // Only a report the server took closes the sheet; a refused one shows why.
    void reportOutcome_data()
    {
        QTest::addColumn<RecordingHttpServer::Reply>("reply");
        QTest::newRow("taken") << done;
        QTest::newRow("refused") << refused;
    }

    void reportOutcome()
    {
        QFETCH(RecordingHttpServer::Reply, reply);
        ClientStack stack;
        stack.server.respond(procedure("user.report"), { reply.status, reply.body, {}, true });
        ReportViewModel model(42, &stack.contacts);
        QSignalSpy submitted(&model, &ReportViewModel::submitted);
        // What the sheet's buttons follow: busy while the report goes, free again after.
        QList<bool> submitting;
        connect(&model, &ReportViewModel::isSubmittingChanged, &model, [&] { submitting << model.isSubmitting(); });
        auto first = model.submit();
        QTRY_COMPARE(stack.requestCount(procedure("user.report")), 1);
        // A second press while the report goes sends nothing more.
        testsupport::runTask(model.submit());
        stack.server.release(procedure("user.report"));
        testsupport::runTask(std::move(first));
        QCOMPARE(stack.requestCount(procedure("user.report")), 1);
        const bool tookIt = reply.status == 200;
        QCOMPARE(submitted.count(), tookIt ? 1 : 0);
        QCOMPARE(model.errorText(), tookIt ? QString() : u"refused"_s);
        QCOMPARE(submitting, (QList<bool> { true, false }));
    }

    // ---- deleting a conversation ----

    void conversationDeleteAsksFirstAndComesBackWhenRefused_data()
    {
        QTest::addColumn<RecordingHttpServer::Reply>("reply");
        QTest::addColumn<QList<qint64>>("after");
        QTest::newRow("deleted") << done << QList<qint64> { 1, 3 };
        QTest::newRow("refused") << refused << QList<qint64> { 1, 2, 3 };
    }

    void conversationDeleteAsksFirstAndComesBackWhenRefused()
    {
        QFETCH(RecordingHttpServer::Reply, reply);
        QFETCH(QList<qint64>, after);
        ClientStack stack;
        stack.server.respond(procedure("conversations.list"),
            ok(R"([{"id":1,"type":"group","lastMessageTime":"2024-05-03T00:00:00Z"},)"
               R"({"id":2,"type":"group","lastMessageTime":"2024-05-02T00:00:00Z"},)"
               R"({"id":3,"type":"group","lastMessageTime":"2024-05-01T00:00:00Z"}])"));
        stack.server.respond(procedure("conversations.deleteForUser"), { reply.status, reply.body, {}, true });
        ConversationListViewModel::Dependencies deps { &stack.chat, &stack.groups, &stack.ws, &stack.notifications, stack.timers };
        ConversationListViewModel model(1, deps);
        testsupport::runTask(model.loadConversations());
        auto ids = [&model] {
            QList<qint64> list;
            for (const Conversation& c : model.conversations())
                list << c.id;
            return list;
        };
        QSignalSpy failed(&model, &ConversationListViewModel::deleteFailed);
        if (reply.status != 200)
            QTest::ignoreMessage(QtWarningMsg, "[Conversations] Delete failed: refused");

        model.requestDelete(model.conversations().at(1));
        QCOMPARE(ids(), (QList<qint64> { 1, 2, 3 }));
        model.cancelDelete();
        QVERIFY(!model.pendingDeletion());
        model.requestDelete(model.conversations().at(1));
        auto deletion = model.confirmDelete();
        QCOMPARE(ids(), (QList<qint64> { 1, 3 }));
        QTRY_COMPARE(stack.requestCount(procedure("conversations.deleteForUser")), 1);
        stack.server.release(procedure("conversations.deleteForUser"));
        testsupport::runTask(std::move(deletion));
        QCOMPARE(stack.lastInput("conversations.deleteForUser"), QJsonValue(QJsonObject { { u"conversationId"_s, 2 } }));
        QCOMPARE(ids(), after);
        QCOMPARE(failed.count(), reply.status == 200 ? 0 : 1);
    }
};

QTEST_GUILESS_MAIN(TestContactScreens)
#include "tst_contact_screens.moc"
