// The list columns of the signed-in main window, as the application hosts them,
// against a recording server that holds replies: what a column does when the
// person moves on while the server is still answering, how rows open, and what a
// new visit of a section starts from.

#include "PaintLog.h"
#include "RecordingHttpServer.h"

#include "app/MainView.h"
#include "app/SidebarSection.h"
#include "models/Json.h"
#include "models/User.h"
#include "network/APIClient.h"
#include "network/KeychainService.h"
#include "state/account/FavoritesViewModel.h"
#include "state/account/FileManagementViewModel.h"
#include "state/chat/ConversationListViewModel.h"
#include "state/chat/AuthViewModel.h"
#include "state/common/LocalizationManager.h"
#include "state/common/NotificationCenter.h"
#include "state/common/NotificationName.h"
#include "state/contacts/ContactDetailViewModel.h"
#include "state/contacts/ContactListViewModel.h"
#include "views/account/FavoritesView.h"
#include "views/account/FileManagementView.h"
#include "views/chat/ChatView.h"
#include "views/common/Appearance.h"
#include "views/common/ErrorAlert.h"
#include "views/common/Localized.h"
#include "views/common/PlaceholderView.h"
#include "views/contacts/ContactDetailView.h"
#include "views/contacts/ContactListModel.h"

#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using Reply = RecordingHttpServer::Reply;

namespace {

QString procedure(const char* name) { return u"/api/trpc/"_s + QLatin1StringView(name); }
QByteArray envelope(const QByteArray& json) { return R"({"result":{"data":{"json":)" + json + "}}}"; }
Reply ok(const QByteArray& json) { return Reply { 200, envelope(json) }; }
Reply held(const QByteArray& json) { return Reply { 200, envelope(json), {}, true }; }

const QByteArray twoContacts = R"([{"id":1,"userId":7,"contactId":42,"name":"Ann"},{"id":2,"userId":7,"contactId":43,"name":"Bo"}])";
const QByteArray oneGroup = R"([{"id":5,"conversationId":50,"name":"Hikers","ownerId":7,"memberCount":3}])";

} // namespace

class TestMainWindowLists : public QObject {
    Q_OBJECT

    RecordingHttpServer m_server;
    std::unique_ptr<AuthViewModel> m_auth;
    std::unique_ptr<MainView> m_main;
    QHash<QString, int> m_sentBefore;

    QListView* contactList() const { return m_main->findChild<QListView*>(u"contactList"_s); }

    // The row of the group with that id, or of the contact of that user.
    QModelIndex rowOf(ContactListModel::Kind kind, qint64 id) const
    {
        const auto* rows = qobject_cast<const ContactListModel*>(contactList()->model());
        for (int i = 0; i < rows->rowCount(); ++i) {
            const ChatGroup* group = rows->groupAt(i);
            const Contact* contact = rows->contactAt(i);
            if ((kind == ContactListModel::Kind::Group && group && group->id == id)
                || (kind == ContactListModel::Kind::Contact && contact && contact->contactId == id))
                return rows->index(i, 0);
        }
        return {};
    }

    void clickRow(const QModelIndex& index) const
    {
        QTest::mouseClick(contactList()->viewport(), Qt::LeftButton, {}, contactList()->visualRect(index).center());
    }

    // Shows the contact's detail by clicking its row, as a person would.
    ContactDetailView* showContact(qint64 contactId)
    {
        m_main->setSelectedSection(SidebarSection::contacts);
        const QModelIndex row = rowOf(ContactListModel::Kind::Contact, contactId);
        if (!row.isValid())
            return nullptr;
        QPointer<QWidget> before = m_main->contactDetailView();
        clickRow(row);
        ContactDetailView* shown = m_main->contactDetailView();
        if (!shown || shown == before || shown->viewModel()->contact().contactId != contactId)
            return nullptr;
        return shown;
    }

    // Requests to path since the test began: the server serves the whole run.
    int sent(const QString& path) const { return int(m_server.requestsTo(path).size()) - m_sentBefore.value(path); }

private Q_SLOTS:
    void initTestCase()
    {
        LocalizationManager::shared().setLanguage(AppLanguage::zhHans);
        qputenv("MORVANE_API_URL", m_server.baseUrl().toUtf8());
        User me;
        me.id = 7;
        me.openId = u"open-7"_s;
        me.name = u"Mei"_s;
        KeychainService::shared().saveText(u"token-1"_s, u"auth_token"_s);
        KeychainService::shared().save(json::serialize(json::encode(me).toObject()), u"cached_user"_s);
        m_server.respond(u"/api/auth/me"_s, { 200, R"({"user":{"id":7,"openId":"open-7","name":"Mei"}})" });
    }

    // Every test starts with the window shown and its lists loaded.
    void init()
    {
        m_sentBefore.clear();
        for (const auto& request : m_server.requests())
            ++m_sentBefore[request.path];
        m_server.respond(procedure("conversations.list"), ok("[]"));
        m_server.respond(procedure("messages.list"), ok("[]"));
        m_server.respond(procedure("conversations.markAsRead"), ok("null"));
        m_server.respond(procedure("contacts.list"), ok(twoContacts));
        m_server.respond(procedure("groups.list"), ok(oneGroup));
        m_server.respond(procedure("contacts.getPendingRequestCount"), ok("0"));
        m_auth = std::make_unique<AuthViewModel>();
        QVERIFY(m_auth->isAuthenticated());
        m_main = std::make_unique<MainView>(m_auth.get());
        m_main->resize(1100, 700);
        QSignalSpy loaded(m_main.get(), &MainView::launchLoadFinished);
        m_main->show();
        QVERIFY(loaded.wait(10000));
        m_main->setSelectedSection(SidebarSection::contacts);
        QTRY_VERIFY(rowOf(ContactListModel::Kind::Contact, 43).isValid());
    }

    void cleanup()
    {
        m_main.reset();
        m_auth.reset();
    }

    // With nothing chosen in its list (or no list of its own) a section's detail column
    // shows its placeholder: the text of its key in the title-2 font and the secondary
    // colour, centred in a frame that fills the column.
    void detailPlaceholderPerSection_data()
    {
        QTest::addColumn<int>("section"); // a SidebarSection
        QTest::addColumn<QString>("key");
        QTest::newRow("messages") << int(SidebarSection::messages) << u"content.select_conversation"_s;
        QTest::newRow("contacts") << int(SidebarSection::contacts) << u"content.select_contact"_s;
        QTest::newRow("moments") << int(SidebarSection::moments) << u"moments.title"_s;
        QTest::newRow("favourites") << int(SidebarSection::favorites) << u"favorites.title"_s;
        QTest::newRow("files") << int(SidebarSection::files) << u"files.title"_s;
    }
    void detailPlaceholderPerSection()
    {
        QFETCH(int, section);
        QFETCH(QString, key);
        m_server.respond(procedure("favorites.list"), ok("[]"));
        m_server.respond(procedure("files.getMyFiles"), ok("[]"));
        m_server.respond(procedure("moments.list"), ok("[]"));
        // Coming from another section, so that the detail is built for this one.
        m_main->setSelectedSection(SidebarSection(section) == SidebarSection::files ? SidebarSection::moments : SidebarSection::files);
        m_main->setSelectedSection(SidebarSection(section));
        QTRY_COMPARE(m_main->findChildren<PlaceholderView*>().size(), 1);
        PlaceholderView* placeholder = m_main->findChild<PlaceholderView*>();
        QVERIFY(placeholder->isVisible());
        QWidget* column = placeholder->parentWidget();
        QVERIFY(column);
        QCOMPARE(placeholder->geometry(), column->rect());
        // The detail column is the one right of the list column.
        QWidget* list = m_main->findChild<QWidget*>(u"contentColumn"_s);
        QVERIFY(list);
        QVERIFY(column->mapTo(m_main.get(), QPoint()).x() > list->mapTo(m_main.get(), QPoint()).x() + list->width() - 1);

        PaintLog log(placeholder->size());
        placeholder->render(&log);
        const Painting painted = log.painting();
        const std::optional<PaintedItem> text = painted.text(Localized::text(key));
        QVERIFY2(text, qPrintable(painted.allText()));
        QCOMPARE(text->font.pixelSize(), Appearance::font(Appearance::TextStyle::Title2).pixelSize());
        QCOMPARE(text->pen, Appearance::secondaryText());
        QVERIFY(std::abs(text->rect.center().x() - QRectF(placeholder->rect()).center().x()) <= 3.0);
        QVERIFY(std::abs(text->rect.center().y() - QRectF(placeholder->rect()).center().y()) <= 3.0);
    }

    // A deletion the server confirms after the detail that asked for it was
    // replaced still takes the contact off the list; the detail shown then stays,
    // unless it shows the deleted contact.
    void deletionOutlivesItsDetail_data()
    {
        QTest::addColumn<QString>("then"); // what the person does while the server answers
        QTest::addColumn<bool>("placeholder"); // the detail column is empty afterwards
        QTest::newRow("another contact") << u"show 43"_s << false;
        QTest::newRow("the same contact afresh") << u"show 42"_s << true;
        QTest::newRow("another section") << u"favourites"_s << true;
    }
    void deletionOutlivesItsDetail()
    {
        QFETCH(QString, then);
        QFETCH(bool, placeholder);
        m_server.respond(procedure("favorites.list"), ok("[]"));
        m_server.respond(procedure("contacts.delete"), held("null"));
        ContactDetailView* detail = showContact(42);
        QVERIFY(detail);
        QTest::mouseClick(detail->findChild<QPushButton*>(u"deleteContactButton"_s), Qt::LeftButton);
        QMessageBox* confirm = nullptr;
        QTRY_VERIFY((confirm = detail->findChild<QMessageBox*>(u"confirmation"_s)) && confirm->isVisible());
        QTest::mouseClick(confirm->findChild<QPushButton*>(u"confirmButton"_s), Qt::LeftButton);
        QTRY_COMPARE(sent(procedure("contacts.delete")), 1);

        const QPointer<ContactDetailView> asked(detail);
        if (then == u"favourites")
            m_main->setSelectedSection(SidebarSection::favorites);
        else
            QVERIFY(showContact(then.mid(5).toLongLong()));
        QTRY_VERIFY(!asked);
        m_server.release(procedure("contacts.delete"));

        QTRY_VERIFY(!m_main->contactListViewModel()->sections().isEmpty()
                    && m_main->contactListViewModel()->contacts().size() == 1);
        QCOMPARE(m_main->contactListViewModel()->contacts().at(0).contactId, 43);
        m_main->setSelectedSection(SidebarSection::contacts);
        QTRY_VERIFY(!rowOf(ContactListModel::Kind::Contact, 42).isValid());
        QVERIFY(rowOf(ContactListModel::Kind::Contact, 43).isValid());
        if (placeholder) {
            QTRY_VERIFY(!m_main->selectedContact());
            QVERIFY(!m_main->contactDetailView());
        } else {
            QCOMPARE(m_main->selectedContact()->contactId, 43);
            QCOMPARE(m_main->contactDetailView()->viewModel()->contact().contactId, 43);
        }
    }

    // A conversation the server opens after its detail was replaced is still shown.
    void openedChatOutlivesItsDetail()
    {
        m_server.respond(procedure("conversations.create"), held(R"({"conversationId":77})"));
        ContactDetailView* detail = showContact(42);
        QVERIFY(detail);
        QTest::mouseClick(detail->findChild<QPushButton*>(u"sendMessageButton"_s), Qt::LeftButton);
        QTRY_COMPARE(sent(procedure("conversations.create")), 1);
        const QPointer<ContactDetailView> asked(detail);
        QVERIFY(showContact(43));
        QTRY_VERIFY(!asked);
        const int listed = sent(procedure("conversations.list"));
        m_server.release(procedure("conversations.create"));
        QTRY_COMPARE(m_main->selectedSection(), SidebarSection::messages);
        QTRY_VERIFY(m_main->chatView());
        QCOMPARE(m_main->chatView()->conversationId(), 77);
        // Back from another section, the list is read again (once), the new chat in it.
        QTRY_COMPARE(sent(procedure("conversations.list")), listed + 1);
        QVERIFY(QTest::qWaitFor([&] { return !m_main->conversationListViewModel()->isLoading(); }, testsupport::kPatienceMs));
        QCOMPARE(sent(procedure("conversations.list")), listed + 1);
    }

    // A group row opens its chat once for each activation, whichever way it comes.
    void groupRowOpensOnce_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("double click") << u"double click"_s;
        QTest::newRow("click") << u"click"_s;
        QTest::newRow("Return") << u"Return"_s;
    }
    void groupRowOpensOnce()
    {
        QFETCH(QString, how);
        int opened = 0;
        QObject observer;
        NotificationCenter::shared().observe(NotificationName::navigateToConversation(), &observer,
            [&opened](const QVariantMap&) { ++opened; }, Qt::DirectConnection);
        const QModelIndex group = rowOf(ContactListModel::Kind::Group, 5);
        QVERIFY(group.isValid());
        QListView* list = contactList();
        const QPoint at = list->visualRect(group).center();
        if (how == u"double click") {
            // A double click is a click, then a second press that the platform reports as a double click.
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        } else if (how == u"click") {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        } else {
            // The mouse was used before: the keyboard's own activation still counts.
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(rowOf(ContactListModel::Kind::Contact, 43)).center());
            list->setFocus(Qt::TabFocusReason);
            list->setCurrentIndex(group);
            QTest::keyClick(list, Qt::Key_Return);
        }
        QTRY_COMPARE(m_main->selectedSection(), SidebarSection::messages);
        QCOMPARE(opened, 1);
        QCOMPARE(m_main->chatView()->conversationId(), 50);
    }

    // The favourites and files sections start from fresh state at each visit: the
    // list, the page and the error of the last visit are gone, and the first page
    // is asked for again.
    void sectionStartsFresh_data()
    {
        QTest::addColumn<int>("shown"); // a SidebarSection
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("rows");
        QTest::newRow("favourites") << int(SidebarSection::favorites) << procedure("favorites.list")
                                    << QByteArray(R"([{"message":{"id":9,"conversationId":1,"senderId":2,"type":"text","content":"hi"}}])");
        QTest::newRow("files") << int(SidebarSection::files) << procedure("files.getMyFiles") << QByteArray(R"([{"id":9,"fileName":"a.pdf"}])");
    }
    void sectionStartsFresh()
    {
        QFETCH(int, shown);
        const auto section = SidebarSection(shown);
        QFETCH(QString, path);
        QFETCH(QByteArray, rows);
        const auto column = [this, section]() -> QWidget* {
            if (section == SidebarSection::favorites)
                return m_main->findChild<FavoritesView*>();
            return m_main->findChild<FileManagementView*>();
        };
        const auto isLoading = [section](QWidget* screen) {
            return section == SidebarSection::favorites ? static_cast<FavoritesView*>(screen)->viewModel()->isLoading()
                                                        : static_cast<FileManagementView*>(screen)->viewModel()->isLoading();
        };
        // The first visit: a page of rows, then a failed reload that leaves its alert.
        m_server.respondOnce(path, ok(rows));
        m_server.respond(path, { 500, R"({"error":"boom"})" });
        m_main->setSelectedSection(section);
        QTRY_VERIFY(column() && !isLoading(column()));
        QPointer<QWidget> first(column());
        QCOMPARE(first->findChild<QListView*>()->model()->rowCount(), 1);
        if (section == SidebarSection::favorites)
            static_cast<FavoritesView*>(first.data())->viewModel()->loadFavorites();
        else
            static_cast<FileManagementView*>(first.data())->viewModel()->loadFiles();
        ErrorAlert* alert = nullptr;
        QTRY_VERIFY((alert = first->findChild<ErrorAlert*>()) && alert->isVisible());

        m_main->setSelectedSection(SidebarSection::messages);
        m_server.respond(path, held("[]"));
        m_main->setSelectedSection(section);
        QTRY_VERIFY(!first);
        QWidget* again = column();
        QVERIFY(again);
        QTRY_COMPARE(sent(path), 3);
        QVERIFY(isLoading(again));
        QCOMPARE(again->findChild<QListView*>()->model()->rowCount(), 0);
        for (ErrorAlert* shown : again->findChildren<ErrorAlert*>())
            QVERIFY(!shown->isVisible());
        m_server.release(path);
        QTRY_VERIFY(!isLoading(again));
        if (section == SidebarSection::files) {
            const auto* files = static_cast<FileManagementView*>(again)->viewModel();
            QCOMPARE(files->page(), 1);
            QVERIFY(!files->errorMessage());
        } else {
            QVERIFY(!static_cast<FavoritesView*>(again)->viewModel()->errorMessage());
        }
    }
};

QTEST_MAIN(TestMainWindowLists)
#include "tst_main_window_lists.moc"
