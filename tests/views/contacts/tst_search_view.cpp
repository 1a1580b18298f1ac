#include "SocialStack.h"

#include "state/chat/UserInfo.h"
#include "state/common/NotificationName.h"
#include "state/contacts/SearchViewModel.h"
#include "views/common/Localized.h"
#include "views/contacts/SearchResultModel.h"
#include "views/contacts/SearchView.h"

#include <QLabel>
#include <QListView>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

const QByteArray everything = R"({"contacts":[{"id":2,"username":"bob","bio":"hi"}],
    "groups":[{"id":5,"name":"Hikers","conversationId":50,"memberCount":4},{"id":6,"name":"Quiet"}],
    "messages":[{"id":9,"conversationId":51,"senderId":2,"content":"hello there"}]})";

struct Fixture {
    SocialStack stack;
    std::unique_ptr<SearchView> view;

    explicit Fixture(const QByteArray& reply = everything)
    {
        stack.server.respond(procedure("search.global"), ok(reply));
        view = std::make_unique<SearchView>(std::make_unique<SearchViewModel>(
            SearchViewModel::Dependencies { &stack.search, &stack.notifications }, QList<Conversation> {}, QList<Contact> {}));
        view->resize(500, 600);
        view->show();
    }
    QLineEdit* field() const { return view->findChild<QLineEdit*>(u"searchField"_s); }
    bool shown(const char* name) const
    {
        auto* widget = view->findChild<QWidget*>(QString::fromLatin1(name));
        return widget && widget->isVisible();
    }
    void search(const QString& keyword)
    {
        const int before = stack.calls("search.global");
        QTest::keyClicks(field(), keyword);
        QTest::keyClick(field(), Qt::Key_Return);
        QTRY_COMPARE(stack.calls("search.global"), before + 1);
        QTRY_VERIFY(!view->viewModel()->isSearching());
    }
    QListView* list() const { return view->findChild<QListView*>(u"searchResults"_s); }
    QList<QModelIndex> rows(SearchResultModel::Kind kind) const
    {
        QList<QModelIndex> found;
        for (int i = 0; i < list()->model()->rowCount(); ++i) {
            const QModelIndex index = list()->model()->index(i, 0);
            if (SearchResultModel::Kind(index.data(SearchResultModel::KindRole).toInt()) == kind)
                found << index;
        }
        return found;
    }
    // The section headers shown, as "contactsSection" and so on.
    QStringList sections() const
    {
        QStringList names;
        if (!list()->isVisible())
            return names;
        for (const QModelIndex& header : rows(SearchResultModel::Kind::Header))
            names << header.data(SearchResultModel::SectionRole).toString() + u"Section"_s;
        return names;
    }
    void click(const QModelIndex& index) const
    {
        list()->scrollTo(index);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualRect(index).center());
    }
};

} // namespace

class TestSearchView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sectionsShowOnlyWhatWasFound_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QStringList>("visible");

        QTest::newRow("all three") << everything << QStringList { u"contactsSection"_s, u"groupsSection"_s, u"messagesSection"_s };
        QTest::newRow("messages only") << QByteArray(R"({"contacts":[],"groups":[],"messages":[{"id":1,"conversationId":2,"senderId":3}]})")
                                       << QStringList { u"messagesSection"_s };
        QTest::newRow("nothing") << QByteArray(R"({"contacts":[],"groups":[],"messages":[]})") << QStringList { u"searchNoResults"_s };
    }

    void sectionsShowOnlyWhatWasFound()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, visible);
        Fixture f(reply);
        f.search(u"b"_s);
        const int rows = f.list()->model()->rowCount();
        // A second answer replaces the first one's rows.
        f.search(u"o"_s);
        QCOMPARE(f.list()->model()->rowCount(), rows);
        QStringList shown = f.sections();
        if (f.shown("searchNoResults"))
            shown << u"searchNoResults"_s;
        QCOMPARE(shown, visible);
        if (visible.contains(u"searchNoResults"_s))
            QCOMPARE(f.view->findChild<QLabel*>(u"searchNoResults"_s)->text(), Localized::text("search.no_results"));
    }

    void rowTexts()
    {
        Fixture f(R"({"contacts":[],"groups":[{"id":5,"name":"Hikers","memberCount":4},{"id":6,"name":"Quiet"}],
                      "messages":[{"id":9,"conversationId":51,"senderId":2}]})");
        f.search(u"h"_s);
        using Kind = SearchResultModel::Kind;
        const QList<QModelIndex> groups = f.rows(Kind::Group);
        QCOMPARE(groups.at(0).data(SearchResultModel::DetailRole).toString(), u"4 "_s + Localized::text("contacts.members_count").trimmed());
        QCOMPARE(groups.at(1).data(SearchResultModel::DetailRole).toString(), QString());
        const QModelIndex message = f.rows(Kind::Message).at(0);
        QCOMPARE(message.data().toString(), Localized::text("default.unknown"));
        QCOMPARE(message.data(SearchResultModel::DetailRole).toString(), QString());
    }

    // Typing sends nothing; Return sends the keyword; an empty field sends nothing.
    void onlyReturnSearches()
    {
        Fixture f;
        auto* clear = f.view->findChild<QToolButton*>(u"searchClearButton"_s);
        QVERIFY(!clear->isVisible());
        QTest::keyClick(f.field(), Qt::Key_Return);
        QTest::keyClicks(f.field(), u"bo"_s);
        QVERIFY(clear->isVisible());
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(f.stack.calls("search.global"), 0);
        QTest::keyClick(f.field(), Qt::Key_Return);
        QTRY_COMPARE(f.stack.calls("search.global"), 1);
        QCOMPARE(f.stack.input("search.global").value(u"keyword"_s).toString(), u"bo"_s);
        QTest::mouseClick(clear, Qt::LeftButton);
        QCOMPARE(f.field()->text(), QString());
        QVERIFY(!clear->isVisible());
    }

    void errorStaysAfterClear()
    {
        Fixture f;
        f.stack.server.respond(procedure("search.global"), { 500, R"({"error":"search down"})" });
        f.search(u"x"_s);
        QVERIFY(f.shown("searchError"));
        QCOMPARE(f.view->findChild<QLabel*>(u"searchError"_s)->text(), u"search down"_s);
        QTest::mouseClick(f.view->findChild<QToolButton*>(u"searchClearButton"_s), Qt::LeftButton);
        QVERIFY(f.shown("searchHint"));
        QVERIFY(f.shown("searchError"));
    }

    // A group opens its conversation, a contact goes to whoever shows contacts;
    // either way the sheet asks to close.
    void choosingAResult()
    {
        Fixture f;
        f.search(u"h"_s);
        std::optional<Conversation> opened;
        f.stack.notifications.observe(NotificationName::navigateToConversation(), this, [&](const QVariantMap& info) {
            opened = userInfo::record<Conversation>(info, NotificationKey::conversation());
        }, Qt::DirectConnection);
        QSignalSpy dismissed(f.view.get(), &SearchView::dismissRequested);
        QSignalSpy contact(f.view.get(), &SearchView::contactChosen);

        using Kind = SearchResultModel::Kind;
        f.click(f.rows(Kind::Group).at(1));
        QVERIFY(!opened);
        f.click(f.rows(Kind::Group).at(0));
        QCOMPARE(opened->id, 50);
        f.click(f.rows(Kind::Message).at(0));
        QCOMPARE(opened->id, 51);
        // Headers are not results: a click on one chooses nothing.
        f.click(f.rows(Kind::Header).at(0));
        QCOMPARE(dismissed.count(), 2);
        f.click(f.rows(Kind::Contact).at(0));
        QCOMPARE(contact.count(), 1);
        QCOMPARE(contact.at(0).at(0).value<Contact>().contactId, 2);
        QCOMPARE(dismissed.count(), 3);

        QTest::mouseClick(f.view->findChild<QPushButton*>(u"searchCloseButton"_s), Qt::LeftButton);
        QTest::keyClick(f.field(), Qt::Key_Escape);
        QCOMPARE(dismissed.count(), 5);
    }
};

QTEST_MAIN(TestSearchView)
#include "tst_search_view.moc"
