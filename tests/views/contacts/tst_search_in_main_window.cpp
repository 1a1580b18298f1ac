// The social screens in the signed-in main window against the demo server: Ctrl+F
// opens with its hint and finds a contact, a group and a message that are shown
// for reading only; the moments section and the VIP and gift links show their
// screens.

#include "ClientAgainstServer.h"
#include "KeyboardWalk.h"
#include "ServerProcess.h"

#include "app/ContentView.h"
#include "app/MainView.h"
#include "app/MorvaneApp.h"
#include "models/Conversation.h"
#include "state/chat/AuthViewModel.h"
#include "state/common/NotificationCenter.h"
#include "state/common/NotificationName.h"
#include "state/contacts/ContactDetailViewModel.h"
#include "state/contacts/ContactListViewModel.h"
#include "views/chat/ChatView.h"
#include "views/chat/LoginView.h"
#include "views/contacts/ContactDetailView.h"
#include "views/contacts/GiftShopView.h"
#include "views/contacts/MomentRow.h"
#include "views/contacts/MomentsView.h"
#include "views/contacts/SearchResultModel.h"
#include "views/contacts/SearchView.h"
#include "views/contacts/VipCenterView.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QSignalSpy>
#include <QMainWindow>
#include <QPointer>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;
using testsupport::ServerProcess;

class TestSearchInMainWindow : public QObject {
    Q_OBJECT

    ServerProcess m_server { ServerProcess::Options { true, -1, {} } };
    std::unique_ptr<MorvaneApp> m_app;
    MainView* m_main = nullptr;

    // Opens the sheet, which shows its hint, searches and clicks the first row of
    // that kind; the sheet must stay open.
    void searchAndClick(const QString& keyword, SearchResultModel::Kind kind)
    {
        // The offscreen platform leaves a closed sheet the active window; a desktop
        // hands activation back to the main window.
        QApplication::setActiveWindow(m_app->mainWindow());
        QTest::keyClick(m_app->mainWindow(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(m_main->showSearch());
        SearchView* search = m_main->searchView();
        auto* field = search->findChild<QLineEdit*>(u"searchField"_s);
        QVERIFY(field->text().isEmpty());
        QVERIFY(search->findChild<QLabel*>(u"searchHint"_s)->isVisible());
        // The frameless field shows the keyboard by a ring, not by its caret alone.
        const int ring = keyboardwalk::ringPixels(field);
        QVERIFY2(ring >= field->width() + field->height(), qPrintable(QString::number(ring)));
        QTest::keyClicks(field, keyword);
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY2(m_main->showSearch(), "Return searches; it does not close the sheet");
        auto* list = search->findChild<QListView*>(u"searchResults"_s);
        QModelIndex found;
        QTRY_VERIFY_WITH_TIMEOUT((found = [&]() -> QModelIndex {
            for (int i = 0; i < list->model()->rowCount(); ++i)
                if (list->model()->index(i, 0).data(SearchResultModel::KindRole).toInt() == int(kind))
                    return list->model()->index(i, 0);
            return {};
        }()).isValid(),
            10000);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(found).center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(found).center());
        QVERIFY2(m_main->showSearch(), "a result is for reading: clicking it closes nothing");
        QTest::keyClick(field, Qt::Key_Escape);
        QTRY_VERIFY(!m_main->showSearch());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        testsupport::useServerSignedOut(m_server);
        MorvaneApp::Channel channel { [](qint64) {}, [] {}, [] { return false; } };
        m_app = std::make_unique<MorvaneApp>(std::make_unique<AuthViewModel>(), channel);
        m_app->show();
        QTRY_VERIFY(qobject_cast<LoginView*>(m_app->contentView()->currentScreen()));
        auto* login = m_app->contentView()->currentScreen();
        QTest::keyClicks(login->findChild<QLineEdit*>(u"usernameField"_s), u"alice"_s);
        QTest::keyClicks(login->findChild<QLineEdit*>(u"passwordField"_s), u"alice123"_s);
        QTest::keyClick(login->findChild<QLineEdit*>(u"passwordField"_s), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT((m_main = qobject_cast<MainView*>(m_app->contentView()->currentScreen())), 10000);
        // The launch load ends with the contacts.
        QTRY_VERIFY_WITH_TIMEOUT(!m_main->contactListViewModel()->contacts().isEmpty(), 10000);
    }

    // No result opens a contact, group or conversation: the window stays where it was.
    void resultsOpenNothing()
    {
        m_main->setSelectedSection(SidebarSection::moments);
        QTRY_VERIFY(m_main->findChild<MomentsView*>());
        const auto contactBefore = m_main->selectedContact();
        const auto conversationBefore = m_main->selectedConversation();
        int navigations = 0;
        QObject observer;
        NotificationCenter::shared().observe(NotificationName::navigateToConversation(), &observer,
                                             [&](const QVariantMap&) { ++navigations; }, Qt::DirectConnection);
        for (const auto& [keyword, kind] : { std::pair { u"Bob"_s, SearchResultModel::Kind::Contact },
                                             std::pair { u"Hiking"_s, SearchResultModel::Kind::Group },
                                             std::pair { u"noodle"_s, SearchResultModel::Kind::Message } }) {
            searchAndClick(keyword, kind);
            if (QTest::currentTestFailed())
                return;
        }
        QCOMPARE(navigations, 0);
        QCOMPARE(m_main->selectedSection(), SidebarSection::moments);
        QCOMPARE(m_main->selectedContact().has_value(), contactBefore.has_value());
        QCOMPARE(m_main->selectedConversation().has_value(), conversationBefore.has_value());
        QVERIFY(!m_main->contactDetailView());
    }

    void momentsSectionAndSettingsLinks()
    {
        m_main->setSelectedSection(SidebarSection::moments);
        QTRY_VERIFY(m_main->findChild<MomentsView*>());
        // In the window the feed makes its rows, and a like changes its own row alone.
        auto shownRow = [this](const QString& words) -> MomentRow* {
            for (MomentRow* row : m_main->findChildren<MomentRow*>()) {
                auto* content = row->findChild<QLabel*>(u"momentContent"_s);
                if (!row->parentWidget()->isHidden() && content && content->text().contains(words))
                    return row;
            }
            return nullptr;
        };
        QTRY_VERIFY_WITH_TIMEOUT(shownRow(u"coffee"_s) && shownRow(u"爬山"_s), 10000);
        const QPointer<MomentRow> hike = shownRow(u"爬山"_s);
        auto* like = shownRow(u"coffee"_s)->findChild<QToolButton*>(u"likeButton"_s);
        QCOMPARE(like->text(), u"1"_s);
        QTest::mouseClick(like, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(shownRow(u"coffee"_s)
                && shownRow(u"coffee"_s)->findChild<QToolButton*>(u"likeButton"_s)->text() == u"2"_s,
            10000);
        QVERIFY2(hike && shownRow(u"爬山"_s) == hike.data(), "the moment the like did not touch was made again");
        m_main->setSelectedSection(SidebarSection::settings);
        auto* links = m_main->findChild<QListWidget*>(u"settingsLinks"_s);
        links->setCurrentRow(3);
        QTRY_VERIFY(m_main->findChild<VipCenterView*>());
        links->setCurrentRow(4);
        QTRY_VERIFY(m_main->findChild<GiftShopView*>());
        QTRY_VERIFY(!m_main->findChild<VipCenterView*>());
    }

    // Leaving the contacts section and coming back builds a new column over the
    // same rows: nothing is reset or inserted again.
    void returningToContactsKeepsTheRows()
    {
        m_main->setSelectedSection(SidebarSection::contacts);
        QListView* list = nullptr;
        QTRY_VERIFY((list = m_main->findChild<QListView*>(u"contactList"_s)));
        QAbstractItemModel* rows = list->model();
        QVERIFY(rows->rowCount() > 0);
        const int count = rows->rowCount();
        QSignalSpy reset(rows, &QAbstractItemModel::modelReset);
        QSignalSpy inserted(rows, &QAbstractItemModel::rowsInserted);
        QSignalSpy changed(rows, &QAbstractItemModel::dataChanged);
        m_main->setSelectedSection(SidebarSection::moments);
        QTRY_VERIFY(!m_main->findChild<QListView*>(u"contactList"_s));
        m_main->setSelectedSection(SidebarSection::contacts);
        QTRY_VERIFY((list = m_main->findChild<QListView*>(u"contactList"_s)));
        QCOMPARE(list->model(), rows);
        QCOMPARE(rows->rowCount(), count);
        QCOMPARE(reset.count(), 0);
        QCOMPARE(inserted.count(), 0);
        QCOMPARE(changed.count(), 0);
    }

    // Contacts found outside the loaded list carry no relation id: they are told
    // apart by their user id, and choosing one again shows its detail afresh.
    void detailFollowsTheChosenUser()
    {
        m_main->setSelectedSection(SidebarSection::contacts);
        auto strange = [](qint64 userId, const QString& name, bool online) {
            Contact c;
            c.contactId = userId;
            c.name = name;
            c.online = online;
            return c;
        };
        m_main->setSelectedContact(strange(901, u"Stranger One"_s, false));
        QTRY_VERIFY(m_main->contactDetailView());
        QCOMPARE(m_main->contactDetailView()->viewModel()->contact().contactId, 901);
        m_main->setSelectedContact(strange(902, u"Stranger Two"_s, false));
        QTRY_COMPARE(m_main->contactDetailView()->viewModel()->contact().contactId, 902);
        // The same user again, now online: the detail says so.
        m_main->setSelectedContact(strange(902, u"Stranger Two"_s, true));
        QTRY_COMPARE(m_main->contactDetailView()->viewModel()->contact().online, std::optional<bool>(true));
    }

    void cleanupTestCase() { m_app.reset(); }
};

QTEST_MAIN(TestSearchInMainWindow)
#include "tst_search_in_main_window.moc"
