#include "PaintLog.h"
#include "PainterState.h"
#include "Snapshot.h"
#include "SocialStack.h"

#include "state/common/NotificationCenter.h"
#include "state/common/NotificationName.h"
#include "state/contacts/SearchViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/contacts/SearchResultModel.h"
#include "views/common/Spinner.h"
#include "views/contacts/SearchView.h"

#include <QApplication>
#include <QLabel>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListView>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
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
    // What the list's delegate paints for the row, at the size the list gives it.
    Painting paint(const QModelIndex& index, int width = 460) const
    {
        QStyleOptionViewItem option;
        option.initFrom(list()->viewport());
        option.rect = QRect(0, 0, width, list()->visualRect(index).height());
        return PaintLog::record(option.rect.size(),
            [&](QPainter* painter) { testsupport::markPainter(painter); list()->itemDelegateForIndex(index)->paint(painter, option, index); });
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
    void initTestCase()
    {
        Icons::install();
        Snapshot::holdStill();
    }

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
        QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
        VERIFY_SNAPSHOT(f.view.get(), u"search-"_s + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-'));
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

    // A contact or group result: the 32-point avatar, 8 to its right the name in the
    // body font over the bio or member count in the secondary caption font, the pair
    // centred on the avatar.
    void resultRowPainting_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("second");
        using Kind = SearchResultModel::Kind;
        QTest::newRow("contact with a bio") << int(Kind::Contact) << 0 << u"bob"_s << u"hi"_s;
        // (The member count's words are read in the language the test sets.)
        QTest::newRow("group with a count") << int(Kind::Group) << 0 << u"Hikers"_s << u"4 members"_s;
        QTest::newRow("group without a count") << int(Kind::Group) << 1 << u"Quiet"_s << QString();
    }
    void resultRowPainting()
    {
        QFETCH(int, kind);
        QFETCH(int, position);
        QFETCH(QString, name);
        QFETCH(QString, second);
        // In English: a line of one script has one font's ascent and descent to measure by.
        LocalizationManager::shared().setLanguage(AppLanguage::en);
        if (second == u"4 members"_s)
            second = u"4 "_s + Localized::text("contacts.members_count").trimmed();
        Fixture f;
        QVERIFY(f.search(u"h"_s));
        const QList<QModelIndex> rows = f.rows(SearchResultModel::Kind(kind));
        QVERIFY(rows.size() > position);
        const QModelIndex index = rows.at(position);
        const int height = f.list()->visualRect(index).height();
        const Painting painted = f.paint(index);
        QCOMPARE(testsupport::rowsLeavingPainterChanged(f.list()), QString());

        QVERIFY(!painted.shapes().isEmpty());
        const QRectF avatar = painted.shapes().first().rect;
        QCOMPARE(avatar.size(), QSizeF(32, 32));
        QVERIFY2(qAbs(avatar.center().y() - height / 2.0) <= 1.5, qPrintable(QDebug::toString(avatar)));
        // Padded 2 above and below at least: the avatar is within the row.
        QVERIFY2(avatar.top() >= 2 && avatar.bottom() <= height - 2, qPrintable(QDebug::toString(avatar)));
        const std::optional<PaintedItem> title = painted.text(name);
        QVERIFY2(title, qPrintable(painted.allText()));
        QCOMPARE(title->font.pixelSize(), Appearance::font(Appearance::TextStyle::Body).pixelSize());
        QCOMPARE(title->pen, QApplication::palette().color(QPalette::Text));
        QVERIFY2(qAbs(title->rect.left() - avatar.right() - 8) <= 0.5, qPrintable(QDebug::toString(title->rect)));
        QRectF block = title->rect;
        if (second.isEmpty()) {
            for (const PaintedItem& text : painted.texts())
                QVERIFY2(text.text == name || avatar.contains(text.rect.center()), qPrintable(painted.allText()));
        } else {
            const std::optional<PaintedItem> line = painted.text(second);
            QVERIFY2(line, qPrintable(painted.allText()));
            QCOMPARE(line->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
            QCOMPARE(line->pen, Appearance::secondaryText());
            QVERIFY2(qAbs(line->rect.left() - title->rect.left()) <= 0.5, "leading-aligned");
            QVERIFY2(line->rect.top() >= title->rect.bottom() && line->rect.top() - title->rect.bottom() <= 4,
                     qPrintable(QDebug::toString(line->rect)));
            block = block.united(line->rect);
        }
        QVERIFY2(qAbs(block.center().y() - avatar.center().y()) <= 1.5, qPrintable(QDebug::toString(block)));
    }

    // A message result: the sender in the caption font at medium weight and, across
    // on the right, the time in the secondary caption-2 font; 2 under them the message
    // in the body font, cut after two lines. Padded 4 above.
    void messageRowPainting_data()
    {
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("time");
        const QString longText = u"a word "_s.repeated(60).trimmed();
        QTest::newRow("short") << u"Ann"_s << u"hello there"_s << u"2024-05-01T10:00:00Z"_s;
        QTest::newRow("long message") << u"Ann"_s << longText << u"2024-05-01T10:00:00Z"_s;
        QTest::newRow("long sender") << u"Annabel "_s.repeated(20).trimmed() << u"hello there"_s << u"2024-05-01T10:00:00Z"_s;
        QTest::newRow("long sender, no time") << u"Annabel "_s.repeated(20).trimmed() << u"hello there"_s << QString();
    }
    void messageRowPainting()
    {
        QFETCH(QString, sender);
        QFETCH(QString, content);
        QFETCH(QString, time);
        LocalizationManager::shared().setLanguage(AppLanguage::en);
        QJsonObject message { { u"id"_s, 9 }, { u"conversationId"_s, 51 }, { u"senderId"_s, 2 },
                              { u"senderName"_s, sender }, { u"content"_s, content } };
        if (!time.isEmpty())
            message.insert(u"createdAt"_s, time);
        const QJsonObject reply { { u"contacts"_s, QJsonArray() }, { u"groups"_s, QJsonArray() },
                                  { u"messages"_s, QJsonArray { message } } };
        Fixture f(QJsonDocument(reply).toJson(QJsonDocument::Compact));
        QVERIFY(f.search(u"h"_s));
        const QList<QModelIndex> rows = f.rows(SearchResultModel::Kind::Message);
        QVERIFY(!rows.isEmpty());
        const int width = 460;
        const Painting painted = f.paint(rows.first(), width);
        QCOMPARE(testsupport::rowsLeavingPainterChanged(f.list()), QString());

        const QFont caption = Appearance::font(Appearance::TextStyle::Caption);
        const QFont body = Appearance::font(Appearance::TextStyle::Body);
        QList<PaintedItem> senders, times, lines;
        for (const PaintedItem& text : painted.texts()) {
            if (text.font.pixelSize() == body.pixelSize())
                lines << text;
            else if (!time.isEmpty() && text.text == time)
                times << text;
            else
                senders << text;
        }
        QCOMPARE(senders.size(), 1);
        const PaintedItem name = senders.first();
        QCOMPARE(name.font.pixelSize(), caption.pixelSize());
        QCOMPARE(name.font.weight(), QFont::Medium);
        QCOMPARE(name.pen, QApplication::palette().color(QPalette::Text));
        QVERIFY2(qAbs(name.rect.top() - 4) <= 1, qPrintable(QDebug::toString(name.rect)));
        QVERIFY2(name.rect.left() >= 0 && name.rect.right() <= width, qPrintable(QDebug::toString(name.rect)));
        if (sender.size() < 10)
            QCOMPARE(name.text, sender);
        else
            QVERIFY2(name.text.endsWith(QChar(0x2026)) && name.text.size() < sender.size(), qPrintable(name.text));

        if (time.isEmpty()) {
            QVERIFY(times.isEmpty());
            // Without a time the sender has the row's whole width.
            if (sender.size() >= 10)
                QVERIFY2(name.rect.right() >= width - name.rect.left() - QFontMetricsF(name.font).averageCharWidth() * 3,
                         qPrintable(QDebug::toString(name.rect)));
        } else {
            QCOMPARE(times.size(), 1);
            const PaintedItem stamp = times.first();
            QCOMPARE(stamp.font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption2).pixelSize());
            QCOMPARE(stamp.pen, Appearance::secondaryText());
            // Across from the sender: trailing edge mirrors the sender's leading one.
            QVERIFY2(qAbs((width - stamp.rect.right()) - name.rect.left()) <= 1.5, qPrintable(QDebug::toString(stamp.rect)));
            QVERIFY2(qAbs(stamp.rect.center().y() - name.rect.center().y()) <= 1.5, qPrintable(QDebug::toString(stamp.rect)));
            QVERIFY2(stamp.rect.left() - name.rect.right() >= 8 - 0.5, qPrintable(QDebug::toString(name.rect)));
        }

        QVERIFY2(!lines.isEmpty(), qPrintable(painted.allText()));
        const QFontMetricsF metrics(body);
        QRectF shown;
        for (const PaintedItem& line : lines) {
            QCOMPARE(line.pen, QApplication::palette().color(QPalette::Text));
            QVERIFY2(qAbs(line.rect.left() - name.rect.left()) <= 0.5, qPrintable(QDebug::toString(line.rect)));
            const QRectF visible = line.clip.isEmpty() ? line.rect : line.rect.intersected(line.clip);
            if (!visible.isEmpty())
                shown = shown.united(visible);
        }
        // The message starts 2 under the sender's line.
        QVERIFY2(qAbs(lines.first().rect.top() - name.rect.bottom() - 2) <= 1.5, qPrintable(QDebug::toString(lines.first().rect)));
        const int expectedLines = content.size() > 100 ? 2 : 1;
        QVERIFY2(qAbs(shown.height() - (expectedLines - 1) * metrics.lineSpacing() - metrics.height()) <= 1.5,
                 qPrintable(QDebug::toString(shown)));
        QVERIFY2(shown.bottom() <= f.list()->visualRect(rows.first()).height(), qPrintable(QDebug::toString(shown)));
    }

    // The sheet as it is laid out: the headline title with Close at the far end; the
    // field row padded 8 on a rounded control-coloured box; a divider 8 below it; the
    // hint (a 40-point magnifying glass 12 over grey words); an error in red caption type.
    void layoutAsStated()
    {
        Icons::install();
        Fixture f;
        auto* title = f.view->findChild<QLabel*>(u"searchTitle"_s);
        auto* close = f.view->findChild<QPushButton*>(u"searchCloseButton"_s);
        auto* box = f.view->findChild<QWidget*>(u"searchFieldBox"_s);
        QVERIFY(title && close && box);
        QCOMPARE(title->font().pixelSize(), Appearance::font(Appearance::TextStyle::Headline).pixelSize());
        QVERIFY(close->geometry().left() > title->geometry().right());
        QVERIFY2(f.view->width() - close->geometry().right() <= 24, qPrintable(QDebug::toString(close->geometry())));

        QTest::keyClicks(f.field(), u"b"_s);
        QRect inner;
        for (QWidget* child : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisible())
                inner = inner.united(child->geometry());
        }
        QCOMPARE(inner.left(), 8);
        QCOMPARE(box->width() - 1 - inner.right(), 8);
        QCOMPARE(inner.top(), 8);
        QCOMPARE(box->height() - 1 - inner.bottom(), 8);
        // Filled in the control colour up to its edges, but not in its rounded corners.
        const QImage filled = f.view->grab(QRect(box->mapTo(f.view.get(), QPoint()), box->size())).toImage();
        const QRgb control = Appearance::controlBackground().rgb();
        QCOMPARE(QColor(filled.pixel(box->width() / 2, 0)).rgb(), control);
        QCOMPARE(QColor(filled.pixel(0, box->height() / 2)).rgb(), control);
        QCOMPARE(QColor(filled.pixel(4, 4)).rgb(), control);
        QVERIFY(QColor(filled.pixel(0, 0)).rgb() != control);
        QVERIFY(QColor(filled.pixel(1, 1)).rgb() != control);

        QFrame* line = nullptr;
        for (QFrame* frame : f.view->findChildren<QFrame*>()) {
            if (frame->frameShape() == QFrame::HLine && frame->parentWidget() == f.view.get())
                line = frame;
        }
        QVERIFY(line);
        QCOMPARE(line->geometry().top() - box->mapTo(f.view.get(), QPoint(0, box->height())).y(), 8);

        auto* hint = f.view->findChild<QLabel*>(u"searchHint"_s);
        QLabel* glass = nullptr;
        for (QLabel* label : hint->parentWidget()->findChildren<QLabel*>()) {
            if (label->property("symbol").toString() == u"magnifyingglass"_s)
                glass = label;
        }
        QVERIFY(glass);
        if (!glass->pixmap().isNull())
            QCOMPARE(glass->pixmap().deviceIndependentSize(), QSizeF(40, 40));
        QCOMPARE(hint->geometry().top() - glass->geometry().bottom() - 1, 12);
        QCOMPARE(hint->palette().color(QPalette::WindowText), Appearance::secondaryText());
        QVERIFY(qAbs(hint->geometry().center().x() - glass->geometry().center().x()) <= 1);
        QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
        VERIFY_SNAPSHOT(f.view.get(), u"search-hint"_s);

        f.stack.server.respond(procedure("search.global"), { 500, R"({"error":"search down"})" });
        QTest::keyClick(f.field(), Qt::Key_Return);
        auto* error = f.view->findChild<QLabel*>(u"searchError"_s);
        QTRY_VERIFY(error->isVisible());
        QCOMPARE(error->palette().color(QPalette::WindowText), QColor(Qt::red));
        QCOMPARE(error->font().pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
        // Under the content, across the sheet's bottom.
        QVERIFY(error->geometry().top() >= f.view->findChild<QStackedWidget*>()->geometry().bottom());
        VERIFY_SNAPSHOT(f.view.get(), u"search-failed"_s);

        f.stack.server.respond(procedure("search.global"), ok(R"({"contacts":[],"groups":[],"messages":[]})"));
        QTest::keyClick(f.field(), Qt::Key_Return);
        auto* none = f.view->findChild<QLabel*>(u"searchNoResults"_s);
        QTRY_VERIFY(none->isVisible());
        QCOMPARE(none->palette().color(QPalette::WindowText), Appearance::secondaryText());
        // Across the full width, centred.
        QCOMPARE(none->width(), none->parentWidget()->width());
        QVERIFY(none->alignment() & Qt::AlignHCenter);
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
        QCOMPARE(clear->cursor().shape(), Qt::PointingHandCursor);
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
