#include "SocialStack.h"

#include "state/common/NotificationCenter.h"
#include "state/common/NotificationName.h"
#include "state/contacts/SearchViewModel.h"
#include "views/common/Localized.h"
#include "views/contacts/SearchResultModel.h"
#include "views/common/Spinner.h"
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
        view = std::make_unique<SearchView>(std::make_unique<SearchViewModel>(&stack.search));
        view->resize(500, 600);
        view->show();
    }
    QLineEdit* field() const { return view->findChild<QLineEdit*>(u"searchField"_s); }
    bool shown(const char* name) const
    {
        auto* widget = view->findChild<QWidget*>(QString::fromLatin1(name));
        return widget && widget->isVisible();
    }
    // False when the search was not asked for or did not end: the test stops there.
    [[nodiscard]] bool search(const QString& keyword)
    {
        const int before = stack.calls("search.global");
        QTest::keyClicks(field(), keyword);
        QTest::keyClick(field(), Qt::Key_Return);
        return QTest::qWaitFor([&] { return stack.calls("search.global") == before + 1; }, testsupport::kPatienceMs)
            && QTest::qWaitFor([&] { return !view->viewModel()->isSearching(); }, testsupport::kPatienceMs);
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
        QVERIFY(f.search(u"b"_s));
        const int rows = f.list()->model()->rowCount();
        // A second answer replaces the first one's rows.
        QVERIFY(f.search(u"o"_s));
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
        QVERIFY(f.search(u"h"_s));
        using Kind = SearchResultModel::Kind;
        const QList<QModelIndex> groups = f.rows(Kind::Group);
        QCOMPARE(groups.at(0).data(SearchResultModel::DetailRole).toString(), u"4 "_s + Localized::text("contacts.members_count").trimmed());
        QCOMPARE(groups.at(1).data(SearchResultModel::DetailRole).toString(), QString());
        const QModelIndex message = f.rows(Kind::Message).at(0);
        QCOMPARE(message.data().toString(), Localized::text("default.unknown"));
        QCOMPARE(message.data(SearchResultModel::DetailRole).toString(), QString());
    }

    // A screen reader hears each result as it is drawn: the title, the line under
    // it and, for a message, its time.
    void rowsReadWhatTheyShow_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("heard");
        const QString members = u"4 "_s + Localized::text("contacts.members_count").trimmed();
        QTest::newRow("contact") << int(SearchResultModel::Kind::Contact) << u"bob, hi"_s;
        QTest::newRow("group") << int(SearchResultModel::Kind::Group) << u"Hikers, "_s + members;
        QTest::newRow("message") << int(SearchResultModel::Kind::Message) << u"Ann, hello there, 2024-05-01T10:00:00Z"_s;
    }
    void rowsReadWhatTheyShow()
    {
        QFETCH(int, kind);
        QFETCH(QString, heard);
        Fixture f(R"({"contacts":[{"id":2,"username":"bob","bio":"hi"}],"groups":[{"id":5,"name":"Hikers","memberCount":4}],
                      "messages":[{"id":9,"conversationId":51,"senderId":2,"senderName":"Ann","content":"hello there",
                                   "createdAt":"2024-05-01T10:00:00Z"}]})");
        QVERIFY(f.search(u"h"_s));
        QCOMPARE(f.rows(SearchResultModel::Kind(kind)).at(0).data(Qt::AccessibleTextRole).toString(), heard);
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
        QVERIFY(f.search(u"x"_s));
        QVERIFY(f.shown("searchError"));
        QCOMPARE(f.view->findChild<QLabel*>(u"searchError"_s)->text(), u"search down"_s);
        QTest::mouseClick(f.view->findChild<QToolButton*>(u"searchClearButton"_s), Qt::LeftButton);
        QVERIFY(f.shown("searchHint"));
        QVERIFY(f.shown("searchError"));
    }

    // A new sheet shows its hint, not a spinner: nothing is being searched yet.
    // A search shows the spinner until its answer is in.
    void opensWithItsHint()
    {
        SocialStack stack;
        stack.server.respond(procedure("search.global"), { 200, envelope(everything), {}, true });
        SearchView view(std::make_unique<SearchViewModel>(&stack.search));
        view.resize(500, 600);
        view.show();
        auto* hint = view.findChild<QLabel*>(u"searchHint"_s);
        auto* spinner = view.findChild<Spinner*>();
        QVERIFY(hint && spinner);
        QVERIFY(hint->isVisible());
        QCOMPARE(hint->text(), Localized::text("search.empty_hint"));
        QVERIFY(!spinner->isVisible());
        auto* field = view.findChild<QLineEdit*>(u"searchField"_s);
        QTest::keyClicks(field, u"h"_s);
        QVERIFY(hint->isVisible());
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(spinner->isVisible());
        QVERIFY(!hint->isVisible());
        QTRY_COMPARE(stack.calls("search.global"), 1);
        stack.server.release(procedure("search.global"));
        QTRY_VERIFY(!spinner->isVisible());
        QVERIFY(view.findChild<QListView*>(u"searchResults"_s)->isVisible());
    }

    // The results are for reading: a click, a double click or a key on any row
    // opens nothing and keeps the sheet open; only the close button and Escape
    // close it.
    void resultsAreForReadingOnly()
    {
        Fixture f;
        QVERIFY(f.search(u"h"_s));
        int posted = 0;
        QObject observer;
        NotificationCenter::shared().observe(NotificationName::navigateToConversation(), &observer,
                                             [&](const QVariantMap&) { ++posted; }, Qt::DirectConnection);
        QSignalSpy dismissed(f.view.get(), &SearchView::dismissRequested);
        using Kind = SearchResultModel::Kind;
        for (Kind kind : { Kind::Header, Kind::Contact, Kind::Group, Kind::Message }) {
            for (const QModelIndex& row : f.rows(kind)) {
                f.click(row);
                QTest::mouseDClick(f.list()->viewport(), Qt::LeftButton, {}, f.list()->visualRect(row).center());
                f.list()->setFocus();
                f.list()->setCurrentIndex(row);
                QTest::keyClick(f.list(), Qt::Key_Return);
                QTest::keyClick(f.list(), Qt::Key_Space);
            }
        }
        QCOMPARE(posted, 0);
        QCOMPARE(dismissed.count(), 0);
        QVERIFY(f.list()->isVisible());
        QVERIFY(f.list()->selectionModel()->selectedIndexes().isEmpty());

        QTest::mouseClick(f.view->findChild<QPushButton*>(u"searchCloseButton"_s), Qt::LeftButton);
        QTest::keyClick(f.field(), Qt::Key_Escape);
        QCOMPARE(dismissed.count(), 2);
    }
};

QTEST_MAIN(TestSearchView)
#include "tst_search_view.moc"
