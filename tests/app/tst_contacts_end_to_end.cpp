// The contacts road against a real morvane-server: Alice (the whole client, signed
// in through its window) adds a new user, who accepts from a client of their own;
// both lists show each other, Alice opens a private chat from the detail and
// writes; then she deletes the contact, and as the owner of her group she makes a
// role and gives it to a member.

#include "ClientAgainstServer.h"
#include "ServerProcess.h"
#include "TaskRunner.h"

#include "app/ContentView.h"
#include "app/MainView.h"
#include "app/MorvaneApp.h"
#include "network/APIClient.h"
#include "network/AuthService.h"
#include "network/ClientIdService.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "network/WebSocketClock.h"
#include "network/WebSocketService.h"
#include "services/ContactService.h"
#include "services/GroupService.h"
#include "state/chat/AuthViewModel.h"
#include "state/contacts/ContactListViewModel.h"
#include "state/contacts/FriendRequestsViewModel.h"
#include "views/chat/ChatView.h"
#include "views/chat/MessageInputBar.h"
#include "views/common/Localized.h"
#include "views/contacts/ContactDetailView.h"
#include "views/contacts/ContactListView.h"
#include "views/contacts/ContactListModel.h"
#include "views/contacts/MemberAssignmentModel.h"
#include "views/contacts/UserResultModel.h"
#include "views/contacts/UserResultRow.h"
#include "views/contacts/GroupRolesButton.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMainWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using testsupport::ServerProcess;
using namespace Qt::StringLiterals;

namespace {

// A second person with a client state of their own.
struct OtherClient {
    KeychainService keychain { std::make_unique<MemorySecretStore>() };
    ClientIdService clientIds { keychain };
    APIClient api;
    AuthService auth { api, keychain };
    ContactService contacts { api };
    GroupService groups { api };
    WebSocketService ws;
    ContactListViewModel contactList { ContactListViewModel::Dependencies { &contacts, &groups, &ws } };
    qint64 id = 0;

    explicit OtherClient(const ServerProcess& server)
        : api(server.baseUrl().toString(), keychain)
        , ws(server.wsUrl().toString(), WebSocketClock::system(), keychain, clientIds)
    {
    }
};

template <typename T> T* child(QObject* parent, const char* name)
{
    return parent->findChild<T*>(QString::fromLatin1(name));
}

QModelIndex rowOf(QListView* list, ContactListModel::Kind kind, const std::function<bool(const QModelIndex&)>& matches)
{
    for (int i = 0; i < list->model()->rowCount(); ++i) {
        const QModelIndex index = list->model()->index(i, 0);
        if (ContactListModel::Kind(index.data(ContactListModel::KindRole).toInt()) == kind && matches(index))
            return index;
    }
    return {};
}

void click(QListView* list, const QModelIndex& index)
{
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
}

} // namespace

class TestContactsEndToEnd : public QObject {
    Q_OBJECT

    ServerProcess m_server { ServerProcess::Options { true, -1, {} } };
    std::unique_ptr<MorvaneApp> m_app;
    std::unique_ptr<OtherClient> m_quinn;

    MainView* main() const { return qobject_cast<MainView*>(m_app->contentView()->currentScreen()); }

    QModelIndex contactItem(qint64 contactId) const
    {
        auto* list = main()->findChild<QListView*>(u"contactList"_s);
        return list ? rowOf(list, ContactListModel::Kind::Contact, [contactId](const QModelIndex& index) {
            return index.data(ContactListModel::UserIdRole).toLongLong() == contactId;
        })
                    : QModelIndex();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        testsupport::useServerSignedOut(m_server);

        m_quinn = std::make_unique<OtherClient>(m_server);
        const AuthResponse registered = testsupport::runTask(
            m_quinn->auth.registerAccount(u"quinn"_s, u"quinn-secret"_s, u"Quinn Park"_s, std::nullopt, std::nullopt));
        QVERIFY(registered.user);
        m_quinn->id = registered.user->id;
        m_quinn->ws.connect(m_quinn->id);
        QTRY_VERIFY_WITH_TIMEOUT(m_quinn->ws.isConnected(), 10000);

        m_app = std::make_unique<MorvaneApp>();
        m_app->show();
        QWidget* login = m_app->contentView()->currentScreen();
        QTest::keyClicks(login->findChild<QLineEdit*>(u"usernameField"_s), u"alice"_s);
        QTest::keyClicks(login->findChild<QLineEdit*>(u"passwordField"_s), u"alice123"_s);
        QTest::keyClick(login->findChild<QLineEdit*>(u"passwordField"_s), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(main(), 10000);
        QSignalSpy loaded(main(), &MainView::launchLoadFinished);
        QTRY_VERIFY_WITH_TIMEOUT(!main()->contactListViewModel()->contacts().isEmpty(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(WebSocketService::shared()->isConnected(), 10000);
    }

    void addAcceptChatAndDelete()
    {
        // Alice finds Quinn through Ctrl+N and sends a request. The window's keys need
        // it active, which a sheet closed before (offscreen) does not give back.
        m_app->mainWindow()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_app->mainWindow()));
        QTest::keyClick(main(), Qt::Key_N, Qt::ControlModifier);
        QTRY_VERIFY(main()->showNewChat());
        auto* sheet = main()->findChild<QDialog*>(u"addContactSheet"_s);
        auto* field = child<QLineEdit>(sheet, "keywordField");
        QTest::keyClicks(field, u"quinn"_s);
        QTest::keyClick(field, Qt::Key_Return);
        auto* results = child<QListView>(sheet, "resultList");
        QTRY_VERIFY_WITH_TIMEOUT(results->model()->rowCount() > 0, 10000);
        const QModelIndex quinn = results->model()->index(0, 0);
        QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, UserResultRow::addRect(results->visualRect(quinn)).center());
        QTRY_VERIFY_WITH_TIMEOUT(quinn.data(UserResultModel::SentRole).toBool(), 10000);
        QTest::keyClick(sheet, Qt::Key_Escape);
        QTRY_VERIFY(!main()->showNewChat());

        // Quinn accepts; his own list follows at once, Alice's through the server's push.
        FriendRequestsViewModel requests({ &m_quinn->contacts, &m_quinn->contactList });
        testsupport::runTask(requests.loadRequests());
        QCOMPARE(requests.requests().size(), 1);
        testsupport::runTask(requests.acceptRequest(requests.requests().at(0)));
        const qint64 aliceId = m_app->authViewModel()->user()->id;
        auto hasContact = [](const ContactListViewModel& list, qint64 userId) {
            for (const Contact& c : list.contacts())
                if (c.contactId == userId)
                    return true;
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(hasContact(m_quinn->contactList, aliceId), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(hasContact(*main()->contactListViewModel(), m_quinn->id), 10000);

        // In Alice's contacts column Quinn has a row; its detail opens a private chat.
        main()->setSelectedSection(SidebarSection::contacts);
        QTRY_VERIFY(contactItem(m_quinn->id).isValid());
        click(main()->findChild<QListView*>(u"contactList"_s), contactItem(m_quinn->id));
        QTRY_VERIFY(main()->contactDetailView());
        QTest::mouseClick(child<QPushButton>(main()->contactDetailView(), "sendMessageButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(main()->chatView(), 10000);
        QCOMPARE(main()->selectedSection(), SidebarSection::messages);
        QCOMPARE(child<QLabel>(main()->chatView(), "chatTitle")->text(), u"Quinn Park"_s);

        QSignalSpy delivered(&m_quinn->ws, &WebSocketService::newMessageSubject);
        auto* input = main()->chatView()->inputBar()->findChild<QPlainTextEdit*>(u"messageField"_s);
        QTest::keyClicks(input, u"hello Quinn"_s);
        QTest::keyClick(input, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!delivered.isEmpty(), 10000);
        const Message message = delivered.last().at(0).value<Message>();
        QCOMPARE(message.content, std::optional<QString>(u"hello Quinn"_s));
        QCOMPARE(message.conversationId, main()->chatView()->conversationId());

        // Deleting asks first; once the server removed him, the row and the detail go.
        main()->setSelectedSection(SidebarSection::contacts);
        QTRY_VERIFY(main()->contactDetailView());
        QTest::mouseClick(child<QPushButton>(main()->contactDetailView(), "deleteContactButton"), Qt::LeftButton);
        QMessageBox* confirm = nullptr;
        QTRY_VERIFY((confirm = main()->contactDetailView()->findChild<QMessageBox*>(u"confirmation"_s)));
        QTest::mouseClick(child<QPushButton>(confirm, "confirmButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!main()->contactDetailView(), 10000);
        QVERIFY(!main()->selectedContact());
        QVERIFY(!contactItem(m_quinn->id).isValid());
        QVERIFY(!hasContact(*main()->contactListViewModel(), m_quinn->id));
    }

    // Alice owns the demo group: its header offers her the roles.
    void ownerMakesAndAssignsARole()
    {
        main()->setSelectedSection(SidebarSection::contacts);
        auto* list = main()->findChild<QListView*>(u"contactList"_s);
        const QModelIndex group = rowOf(list, ContactListModel::Kind::Group, [](const QModelIndex&) { return true; });
        QVERIFY(group.isValid());
        click(list, group);
        QTRY_VERIFY_WITH_TIMEOUT(main()->chatView(), 10000);
        GroupRolesButton* roles = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((roles = main()->chatView()->findChild<GroupRolesButton*>()) && roles->isVisible(), 10000);

        roles->rolesMenu()->actions().at(0)->trigger();
        QTest::keyClicks(child<QLineEdit>(roles->openSheet(), "roleNameField"), u"Trail guide"_s);
        QTest::mouseClick(child<QPushButton>(roles->openSheet(), "saveButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(roles->openSheet() && roles->openSheet()->objectName() == u"assignRoleSheet"_s, 10000);
        QDialog* assign = roles->openSheet();
        auto* members = child<QListView>(assign, "memberList");
        QTRY_VERIFY_WITH_TIMEOUT(members->model()->rowCount() == 4, 10000);
        const QModelIndex second = members->model()->index(1, 0);
        QTest::mouseClick(members->viewport(), Qt::LeftButton, {}, members->visualRect(second).center());
        QTRY_VERIFY_WITH_TIMEOUT(second.data(MemberAssignmentModel::AssignedRole).toBool(), 10000);
        QTest::keyClick(assign, Qt::Key_Escape);
        QTRY_VERIFY(!roles->openSheet() || !roles->openSheet()->isVisible());
    }
};

QTEST_MAIN(TestContactsEndToEnd)
#include "tst_contacts_end_to_end.moc"
