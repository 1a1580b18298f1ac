#include "Snapshot.h"
#include "SocialStack.h"

#include "state/common/LocalizationManager.h"
#include "state/contacts/MomentsViewModel.h"
#include "views/chat/AvatarView.h"
#include "views/common/Appearance.h"
#include "views/common/ElidedLabel.h"
#include "views/common/ErrorAlert.h"
#include "views/common/Icons.h"
#include "views/common/ImageLoader.h"
#include "views/common/Localized.h"
#include "views/common/RemoteImageView.h"
#include "views/common/Spinner.h"
#include "views/common/VisualTabOrder.h"
#include "views/contacts/MomentListModel.h"
#include "views/contacts/MomentRow.h"
#include "views/contacts/MomentsView.h"

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QListView>
#include <QPointer>
#include <QSignalSpy>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QAbstractScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QPushButton>
#include <QToolButton>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 me = 7;

// Moment 3 liked by someone else only, moment 4 liked by the signed-in user.
const QByteArray feed = R"([
    {"id":3,"userId":2,"userName":"Bob","content":"hello","likes":[{"id":1,"momentId":3,"userId":2}],"likeCount":1},
    {"id":4,"userId":2,"userName":"Bob","likes":[{"id":2,"momentId":4,"userId":7}],"likeCount":1}])";

struct Fixture {
    SocialStack stack;
    MomentsView* view;
    std::unique_ptr<MomentsView> owner;

    explicit Fixture(const QByteArray& moments = feed)
    {
        stack.server.respond(procedure("moments.list"), ok(moments));
        stack.server.respond(procedure("moments.like"), ok(R"({"success":true})"));
        stack.server.respond(procedure("moments.unlike"), ok(R"({"success":true})"));
        stack.server.respond(procedure("moments.create"), ok(R"({"momentId":40})"));
        stack.server.respond(procedure("moments.comment"), ok(R"({"commentId":50})"));
        owner = std::make_unique<MomentsView>(std::make_unique<MomentsViewModel>(me, &stack.moments));
        view = owner.get();
        view->resize(360, 700);
        view->show();
        waitIdle(1);
        // The feed makes its row widgets once the event loop turns.
        QTRY_VERIFY(list()->model()->rowCount() == 0 || !rows().isEmpty());
        ready = !QTest::currentTestFailed();
    }
    // False when a check above failed: the test stops there instead of reading rows
    // that were never made.
    bool ready = false;
    int loads() const { return stack.calls("moments.list"); }
    void waitIdle(int expectedLoads) const
    {
        QTRY_COMPARE(loads(), expectedLoads);
        QTRY_VERIFY(!view->viewModel()->isLoading());
    }
    // The rows shown, top to bottom; those the feed let go of wait hidden for deletion.
    QList<MomentRow*> rows() const
    {
        QList<MomentRow*> shown = view->findChildren<MomentRow*>();
        shown.removeIf([](MomentRow* row) { return row->parentWidget()->isHidden(); });
        std::ranges::sort(shown, {}, [this](MomentRow* row) { return row->mapTo(view, QPoint()).y(); });
        return shown;
    }
    QListView* list() const { return view->findChild<QListView*>(u"momentsList"_s); }
    template <typename T> T* in(QWidget* parent, const char* name) const { return parent->findChild<T*>(QString::fromLatin1(name)); }
};

} // namespace

class TestMomentsView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        Icons::install();
        Snapshot::holdStill();
    }

    // The heart sends unlike only over the signed-in user's own like, then reloads.
    void likeButtonSendsByOwnLike()
    {
        Fixture f;
        QVERIFY(f.ready);
        QCOMPARE(f.rows().size(), 2);
        // The heart and the compose button show the pointing hand, as links do.
        QCOMPARE(f.in<QToolButton>(f.rows().at(0), "likeButton")->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(f.in<QToolButton>(f.view, "composeButton")->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseClick(f.in<QToolButton>(f.rows().at(0), "likeButton"), Qt::LeftButton);
        f.waitIdle(2);
        QTest::mouseClick(f.in<QToolButton>(f.rows().at(1), "likeButton"), Qt::LeftButton);
        f.waitIdle(3);
        QCOMPARE(f.stack.input("moments.like"), (QJsonObject { { u"id"_s, 3 } }));
        QCOMPARE(f.stack.input("moments.unlike"), (QJsonObject { { u"id"_s, 4 } }));
        QCOMPARE(f.stack.calls("moments.like") + f.stack.calls("moments.unlike"), 2);
        QVERIFY(QTest::qWaitForWindowExposed(f.view));
        QTRY_COMPARE(f.rows().size(), 2);
        VERIFY_SNAPSHOT(f.view, u"moments-liked"_s);
    }

    void composeSheetKeepsTextOnCancelAndClosesOnPost()
    {
        Fixture f;
        QVERIFY(f.ready);
        QDialog* sheet = f.view->composeSheet();
        QTest::mouseClick(f.in<QToolButton>(f.view, "composeButton"), Qt::LeftButton);
        QVERIFY(sheet->isVisible());
        QCOMPARE(sheet->windowTitle(), Localized::text("moments.compose"));
        auto* editor = f.in<QPlainTextEdit>(sheet, "composeEditor");
        auto* publish = f.in<QPushButton>(sheet, "publishButton");
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::keyClicks(editor, u" "_s);
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(!publish->isEnabled());
        QTest::keyClicks(editor, u"hi "_s);
        QVERIFY(publish->isEnabled());
        QVERIFY(QTest::qWaitForWindowExposed(sheet));
        VERIFY_SNAPSHOT(sheet, u"moments-compose"_s);
        QTest::mouseClick(f.in<QPushButton>(sheet, "composeCancelButton"), Qt::LeftButton);
        QVERIFY(!sheet->isVisible());
        QVERIFY(!f.view->viewModel()->showCompose());

        QTest::mouseClick(f.in<QToolButton>(f.view, "composeButton"), Qt::LeftButton);
        QVERIFY(sheet->isVisible());
        QCOMPARE(editor->toPlainText(), u"\n \nhi "_s);
        QTest::mouseClick(publish, Qt::LeftButton);
        QTRY_VERIFY(!sheet->isVisible());
        f.waitIdle(2);
        QCOMPARE(f.stack.input("moments.create"), (QJsonObject { { u"content"_s, u"\n \nhi "_s }, { u"visibility"_s, u"friends"_s } }));
        QCOMPARE(editor->toPlainText(), QString());
    }

    void commentFieldSendsAsTypedAndEmptiesOnSuccess()
    {
        Fixture f;
        QVERIFY(f.ready);
        auto* field = f.in<QLineEdit>(f.rows().at(0), "commentField");
        auto* send = f.in<QPushButton>(f.rows().at(0), "sendCommentButton");
        QVERIFY(!send->isEnabled());
        QTest::keyClicks(field, u"   "_s);
        QVERIFY(!send->isEnabled());
        QTest::keyClicks(field, u"ok "_s);
        QVERIFY(send->isEnabled());
        // Return in the field sends nothing.
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(f.stack.calls("moments.comment"), 0);
        QTest::mouseClick(send, Qt::LeftButton);
        f.waitIdle(2);
        QCOMPARE(f.stack.input("moments.comment"), (QJsonObject { { u"id"_s, 3 }, { u"content"_s, u"   ok "_s } }));
        QCOMPARE(f.in<QLineEdit>(f.rows().at(0), "commentField")->text(), QString());
    }

    // A failed fetch says so and offers a retry instead of the empty feed.
    void failedFeedShowsErrorAndRetries()
    {
        Fixture f;
        QVERIFY(f.ready);
        f.stack.server.respondOnce(procedure("moments.list"), { 503, R"({"error":"feed down"})" });
        f.view->viewModel()->loadMoments();
        f.waitIdle(2);
        QWidget* errorPage = f.view->findChild<QWidget*>(u"momentsErrorPage"_s);
        QVERIFY(errorPage->isVisible());
        QVERIFY(!f.view->findChild<QWidget*>(u"momentsEmptyPage"_s)->isVisible());
        QCOMPARE(f.in<QLabel>(f.view, "momentsError")->text(), Localized::text("moments.load_failed") + u"feed down"_s);
        QVERIFY(QTest::qWaitForWindowExposed(f.view));
        VERIFY_SNAPSHOT(f.view, u"moments-failed"_s);
        QTest::mouseClick(f.in<QPushButton>(f.view, "momentsRetryButton"), Qt::LeftButton);
        f.waitIdle(3);
        QVERIFY(!errorPage->isVisible());
        QTRY_COMPARE(f.rows().size(), 2);
    }

    // A feed on its way turns a spinner: over the feed shown, 8 below the divider and
    // centred; over an error, in place of it, centred at the top.
    void feedOnItsWayShowsASpinner_data()
    {
        QTest::addColumn<bool>("overFeed");
        QTest::newRow("over the feed") << true;
        QTest::newRow("over an error") << false;
    }

    void feedOnItsWayShowsASpinner()
    {
        QFETCH(bool, overFeed);
        Fixture f;
        QVERIFY(f.ready);
        if (!overFeed) {
            f.stack.server.respondOnce(procedure("moments.list"), { 503, R"({"error":"feed down"})" });
            f.view->viewModel()->loadMoments();
            f.waitIdle(2);
        }
        const auto turning = [&f] {
            QList<Spinner*> shown = f.view->findChildren<Spinner*>();
            shown.removeIf([](const Spinner* spinner) { return !spinner->isVisible(); });
            return shown;
        };
        QVERIFY(turning().isEmpty());
        f.stack.server.respondOnce(procedure("moments.list"), { 200, envelope(feed), {}, true });
        f.view->viewModel()->loadMoments();
        QTRY_COMPARE(f.loads(), overFeed ? 2 : 3);
        QVERIFY(f.view->viewModel()->isLoading());
        QCOMPARE(turning().size(), 1);
        Spinner* spinner = turning().first();
        QWidget* body = f.view->findChild<QStackedWidget*>();
        QVERIFY(body);
        const QRect where(spinner->mapTo(body, QPoint()), spinner->size());
        QCOMPARE(where.size(), QSize(20, 20));
        QVERIFY2(qAbs(where.center().x() - body->width() / 2) <= 1, qPrintable(QDebug::toString(where)));
        QVERIFY2(where.top() >= 8 && where.top() <= 20, qPrintable(QDebug::toString(where)));
        QCOMPARE(f.list()->isVisible(), overFeed);
        // Over the feed it is drawn above the rows.
        if (overFeed)
            QCOMPARE(body->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).last(), spinner);
        QCOMPARE(f.view->findChild<QWidget*>(u"momentsErrorPage"_s)->isVisible(), false);
        f.stack.server.release(procedure("moments.list"));
        QTRY_VERIFY(!f.view->viewModel()->isLoading());
        QVERIFY(turning().isEmpty());
        QTRY_COMPARE(f.rows().size(), 2);
    }

    void rowShowsWhatTheServerSent_data()
    {
        QTest::addColumn<QByteArray>("moment");
        QTest::addColumn<QString>("author");
        QTest::addColumn<QString>("avatarName");
        QTest::addColumn<QString>("likes");
        QTest::addColumn<bool>("pictures");
        QTest::addColumn<bool>("replyWord");

        QTest::newRow("count is the server's") << QByteArray(R"({"id":1,"userId":2,"userName":"Bo","likes":[{"id":1,"momentId":1,"userId":3},{"id":2,"momentId":1,"userId":4},{"id":3,"momentId":1,"userId":5}]})")
                                               << u"Bo"_s << u"Bo"_s << u"0"_s << false << false;
        QTest::newRow("no author") << QByteArray(R"({"id":1,"userId":2,"likeCount":4})")
                                   << Localized::text("moments.author_unknown") << u"?"_s << u"4"_s << false << false;
        QTest::newRow("no pictures") << QByteArray(R"({"id":1,"userId":2,"userName":"Bo","images":[]})")
                                     << u"Bo"_s << u"Bo"_s << u"0"_s << false << false;
        QTest::newRow("pictures and a reply") << QByteArray(R"({"id":1,"userId":2,"userName":"Bo","content":"<b>hi</b>","createdAt":"2019-03-04 10:00","images":["/uploads/a.png"],"comments":[{"id":5,"momentId":1,"userId":3,"content":"<i>yes</i>","userName":"Cy","replyToUserName":"Bo"}]})")
                                              << u"Bo"_s << u"Bo"_s << u"0"_s << true << true;
    }

    void rowShowsWhatTheServerSent()
    {
        QFETCH(QByteArray, moment);
        QFETCH(QString, author);
        QFETCH(QString, avatarName);
        QFETCH(QString, likes);
        QFETCH(bool, pictures);
        QFETCH(bool, replyWord);
        Fixture f("[" + moment + "]");
        QVERIFY(f.ready);
        MomentRow* row = f.rows().at(0);
        QCOMPARE(f.in<ElidedLabel>(row, "momentAuthor")->fullText(), author);
        QCOMPARE(row->findChild<AvatarView*>()->name(), avatarName);
        QCOMPARE(f.in<QToolButton>(row, "likeButton")->text(), likes);
        QCOMPARE(row->findChild<QWidget*>(u"momentImages"_s) != nullptr, pictures);
        // A server path is fetched from the API's own address.
        if (pictures)
            QCOMPARE(row->findChild<RemoteImageView*>()->url(), QUrl(f.stack.server.baseUrl() + u"/uploads/a.png"_s));
        QCOMPARE(row->findChild<QLabel*>(u"commentReplyWord"_s) != nullptr, replyWord);
        // What people wrote shows as typed, never as markup, and wraps in the row's width.
        for (QLabel* text : row->findChildren<QLabel*>(QRegularExpression(u"^(momentContent|commentContent)$"_s))) {
            QCOMPARE(text->textFormat(), Qt::PlainText);
            QVERIFY(text->wordWrap());
        }
        if (pictures) {
            const QUrl picture = row->findChild<RemoteImageView*>()->url();
            QTRY_VERIFY(ImageLoader::shared().state(picture) != ImageLoader::State::Loading
                && ImageLoader::shared().state(picture) != ImageLoader::State::Idle);
        }
        QVERIFY(QTest::qWaitForWindowExposed(f.view));
        VERIFY_SNAPSHOT(f.view, u"moments-"_s + QString::fromLatin1(QTest::currentDataTag()).replace(QRegularExpression(u"[^a-z]+"_s), u"-"_s));
    }

    // Picture cells are the grid's 100 by 100 whatever the address looks like.
    void pictureCellsAreSquare_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("server path") << u"/uploads/a.png"_s;
        QTest::newRow("full address") << u"http://127.0.0.1:9/b.png"_s;
        QTest::newRow("not an address") << u"::"_s;
    }

    void pictureCellsAreSquare()
    {
        QFETCH(QString, address);
        Fixture f(R"([{"id":1,"userId":2,"userName":"Bo","images":[")" + address.toUtf8() + R"(","/uploads/c.png"]}])");
        QVERIFY(f.ready);
        const QList<RemoteImageView*> cells = f.rows().at(0)->findChildren<RemoteImageView*>();
        QCOMPARE(cells.size(), 2);
        for (RemoteImageView* cell : cells) {
            QTRY_COMPARE(cell->size(), QSize(100, 100));
            // The grid holding it is as tall as the cell: nothing is cut to a strip.
            QTRY_VERIFY2(cell->parentWidget()->rect().contains(cell->geometry()), "the cell is clipped by its grid");
        }
    }

    // A long feed asks for the pictures on screen, not for those further down.
    void offScreenPicturesAreNotRequested()
    {
        QByteArray moments = "[";
        for (int i = 1; i <= 30; ++i)
            moments += (i > 1 ? "," : "") + QStringLiteral(R"({"id":%1,"userId":2,"userName":"Bo","content":"day %1","images":["/uploads/lazy-%1.png"]})").arg(i).toUtf8();
        Fixture f(moments + "]");
        QVERIFY(f.ready);
        auto requested = [&f](int i) {
            return f.stack.server.requestsTo(u"/uploads/lazy-%1.png"_s.arg(i)).size() > 0
                || ImageLoader::shared().state(QUrl(f.stack.server.baseUrl() + u"/uploads/lazy-%1.png"_s.arg(i))) != ImageLoader::State::Idle;
        };
        QTRY_VERIFY(requested(1));
        QVERIFY2(!requested(30), "the last moment's picture is far below the window");
        auto* scroll = f.view->findChild<QAbstractScrollArea*>(u"momentsList"_s);
        scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
        QTRY_VERIFY(requested(30));
    }

    // The server refuses a post (too long, say): the refusal shows over the sheet,
    // which stays open with the text; Publish waits while the post is on its way.
    void refusedPostKeepsTheText()
    {
        Fixture f;
        QVERIFY(f.ready);
        f.stack.server.respondOnce(procedure("moments.create"), { 400, R"({"error":"too long"})", {}, true });
        f.view->viewModel()->setShowCompose(true);
        QDialog* sheet = f.view->composeSheet();
        QTRY_VERIFY(sheet->isVisible());
        QTest::keyClicks(f.in<QPlainTextEdit>(sheet, "composeEditor"), u"a long story"_s);
        auto* publish = f.in<QPushButton>(sheet, "publishButton");
        QVERIFY(publish->isEnabled());
        QTest::mouseClick(publish, Qt::LeftButton);
        QTRY_COMPARE(f.stack.calls("moments.create"), 1);
        QVERIFY(!publish->isEnabled());
        QTest::mouseClick(publish, Qt::LeftButton);
        f.stack.server.release(procedure("moments.create"));
        ErrorAlert* alert = nullptr;
        QTRY_VERIFY((alert = sheet->findChild<ErrorAlert*>()));
        QVERIFY(alert->text().contains(u"too long"_s));
        QVERIFY(sheet->isVisible());
        QCOMPARE(f.in<QPlainTextEdit>(sheet, "composeEditor")->toPlainText(), u"a long story"_s);
        QVERIFY(publish->isEnabled());
        QCOMPARE(f.stack.calls("moments.create"), 1);
    }

    void relabelsOnLanguageSwitch()
    {
        Fixture f("[]");
        QVERIFY(f.ready);
        auto* empty = f.in<QLabel>(f.view, "momentsEmpty");
        auto* title = f.in<QLabel>(f.view, "momentsTitle");
        QVERIFY(title);
        QVERIFY(QTest::qWaitForWindowExposed(f.view));
        VERIFY_SNAPSHOT(f.view, u"moments-empty"_s);
        LocalizationManager::shared().setLanguage(AppLanguage::en);
        QCOMPARE(empty->text(), u"No moments yet"_s);
        QCOMPARE(title->text(), u"Moments"_s);
        // The headline title; the empty feed's 40-point camera 12 over the grey words.
        QCOMPARE(title->font().pixelSize(), Appearance::font(Appearance::TextStyle::Headline).pixelSize());
        QVERIFY(empty->isVisible());
        QCOMPARE(empty->palette().color(QPalette::WindowText), Appearance::secondaryText());
        QLabel* camera = nullptr;
        for (QLabel* label : empty->parentWidget()->findChildren<QLabel*>()) {
            if (label->property("symbol").toString() == u"camera"_s)
                camera = label;
        }
        QVERIFY(camera && camera->isVisible());
        if (!camera->pixmap().isNull())
            QCOMPARE(camera->pixmap().deviceIndependentSize(), QSizeF(40, 40));
        QCOMPARE(empty->geometry().top() - camera->geometry().bottom() - 1, 12);
        QVERIFY(qAbs(empty->geometry().center().x() - camera->geometry().center().x()) <= 1);
        // The pair stands in the middle of the height it is given.
        const int middle = (camera->geometry().top() + empty->geometry().bottom()) / 2;
        QVERIFY2(qAbs(middle - empty->parentWidget()->height() / 2) <= 2, qPrintable(QString::number(middle)));
        LocalizationManager::shared().setLanguage(AppLanguage::zhHans);
        QCOMPARE(empty->text(), u"还没有动态"_s);
        QCOMPARE(title->text(), Localized::text("moments.title"));
        QCOMPARE(f.in<QPushButton>(f.view->composeSheet(), "publishButton")->text(), u"发布"_s);
    }

    // The rows read their texts when made, so a new language must make them again.
    void rowsRelabelOnLanguageSwitch()
    {
        Fixture f;
        QVERIFY(f.ready);
        // The rows are remade after a switch: until then there may be none.
        const auto firstSendText = [&f] {
            const auto rows = f.rows();
            return rows.isEmpty() ? QString() : f.in<QPushButton>(rows.first(), "sendCommentButton")->text();
        };
        LocalizationManager::shared().setLanguage(AppLanguage::en);
        QTRY_COMPARE(firstSendText(), u"Send"_s);
        LocalizationManager::shared().setLanguage(AppLanguage::zhHans);
        QTRY_COMPARE(firstSendText(), u"发送"_s);
        QTRY_COMPARE(f.rows().size(), 2);
    }

    // The whole feed comes back after a like: rows whose moment did not change
    // keep their widgets, added moments are appended, and only a new order resets.
    void reloadTouchesOnlyChangedRows_data()
    {
        QTest::addColumn<QByteArray>("reloaded");
        QTest::addColumn<QList<int>>("changedRows");
        QTest::addColumn<int>("insertedRows");
        QTest::addColumn<bool>("reset");
        // The first moment of the old feed: its like count after the reload.
        QTest::addColumn<QString>("likes");
        const QByteArray liked = R"({"id":3,"userId":2,"userName":"Bob","content":"hello","likes":[{"id":1,"momentId":3,"userId":2},{"id":9,"momentId":3,"userId":7}],"likeCount":2})";
        const QByteArray second = R"({"id":4,"userId":2,"userName":"Bob","likes":[{"id":2,"momentId":4,"userId":7}],"likeCount":1})";
        const QByteArray added = R"({"id":5,"userId":2,"userName":"Bob","content":"later"})";
        QTest::newRow("liked") << "[" + liked + "," + second + "]" << QList<int> { 0 } << 0 << false << u"2"_s;
        QTest::newRow("nothing changed") << feed << QList<int> {} << 0 << false << u"1"_s;
        QTest::newRow("one more at the end") << "[" + liked + "," + second + "," + added + "]" << QList<int> { 0 } << 1 << false << u"2"_s;
        QTest::newRow("a new one on top") << "[" + added + "," + liked + "," + second + "]" << QList<int> {} << 0 << true << u"2"_s;
    }

    void reloadTouchesOnlyChangedRows()
    {
        QFETCH(QByteArray, reloaded);
        QFETCH(QList<int>, changedRows);
        QFETCH(int, insertedRows);
        QFETCH(bool, reset);
        QFETCH(QString, likes);
        Fixture f;
        QVERIFY(f.ready);
        QTRY_COMPARE(f.rows().size(), 2);
        auto* model = qobject_cast<MomentListModel*>(f.list()->model());
        QSignalSpy changes(model, &QAbstractItemModel::dataChanged);
        QSignalSpy inserts(model, &QAbstractItemModel::rowsInserted);
        QSignalSpy resets(model, &QAbstractItemModel::modelReset);
        const QPointer<MomentRow> untouched = f.rows().at(1);
        // A changed row is made again at once where it stood: the feed shows no gap meanwhile.
        QList<bool> madeAtOnce;
        QObject watch;
        connect(model, &QAbstractItemModel::dataChanged, &watch,
                [&](const QModelIndex& first) { madeAtOnce << (f.list()->indexWidget(first) != nullptr); });
        f.stack.server.respond(procedure("moments.list"), ok(reloaded));
        QTest::mouseClick(f.in<QToolButton>(f.rows().at(0), "likeButton"), Qt::LeftButton);
        f.waitIdle(2);

        QList<int> changed;
        for (const QList<QVariant>& change : std::as_const(changes)) {
            QCOMPARE(change.at(0).toModelIndex(), change.at(1).toModelIndex());
            changed.append(change.at(0).toModelIndex().row());
        }
        QCOMPARE(changed, changedRows);
        QCOMPARE(madeAtOnce, QList<bool>(changedRows.size(), true));
        int inserted = 0;
        for (const QList<QVariant>& insert : std::as_const(inserts))
            inserted += insert.at(2).toInt() - insert.at(1).toInt() + 1;
        QCOMPARE(inserted, insertedRows);
        QCOMPARE(resets.size(), reset ? 1 : 0);
        QCOMPARE(model->rowCount(), reset ? 3 : 2 + insertedRows);
        if (!reset)
            QVERIFY2(untouched && f.rows().contains(untouched.data()), "an unchanged moment's row was made again");
        // What the rows show follows the reload either way.
        // Rows are placed once the feed has laid itself out again.
        const auto shownInModelOrder = [&f, model] {
            const QList<MomentRow*> rows = f.rows();
            if (rows.size() != model->rowCount())
                return false;
            for (int row = 0; row < model->rowCount(); ++row) {
                if (rows.at(row)->momentId() != model->moment(row).id)
                    return false;
            }
            return true;
        };
        QTRY_VERIFY(shownInModelOrder());
        QTRY_COMPARE(f.in<QToolButton>(f.rows().at(reset ? 1 : 0), "likeButton")->text(), likes);
        // Each row stands as tall as its moment needs, none with the height of what stood there before.
        const auto heights = [&f, model](bool wanted) {
            QList<int> result;
            for (int row = 0; row < model->rowCount(); ++row) {
                QWidget* item = f.list()->indexWidget(model->index(row));
                if (!item)
                    return QList<int> { -1 };
                const int width = f.list()->viewport()->width();
                result << (!wanted ? f.list()->visualRect(model->index(row)).height()
                               : item->hasHeightForWidth() ? item->heightForWidth(width) : item->sizeHint().height());
            }
            return result;
        };
        QTRY_COMPARE(heights(false), heights(true));
    }

    // The feed comes back after a like: the keyboard stays on the same moment's
    // control, wherever the moment now stands; a moment gone leaves it on the row
    // that took its place; a feed that failed gives it to the retry button, an
    // empty one to the compose button.
    void reloadKeepsTheFocus_data()
    {
        QTest::addColumn<QByteArray>("reloaded");
        QTest::addColumn<qint64>("moment");
        QTest::addColumn<QString>("control");
        const QByteArray liked = R"({"id":3,"userId":2,"userName":"Bob","content":"hello","likes":[],"likeCount":0})";
        const QByteArray second = R"({"id":4,"userId":2,"userName":"Bob","likeCount":1})";
        const QByteArray added = R"({"id":5,"userId":2,"userName":"Bob","content":"later"})";
        QTest::newRow("the row changed") << "[" + liked + "," + second + "]" << qint64(3) << u"likeButton"_s;
        QTest::newRow("a new moment on top") << "[" + added + "," + liked + "," + second + "]" << qint64(3) << u"likeButton"_s;
        QTest::newRow("the moment went away") << "[" + second + "]" << qint64(4) << u"likeButton"_s;
        QTest::newRow("the feed failed") << QByteArray() << qint64(-1) << u"momentsRetryButton"_s;
        QTest::newRow("the feed came back empty") << QByteArray("[]") << qint64(-1) << u"composeButton"_s;
    }
    void reloadKeepsTheFocus()
    {
        QFETCH(QByteArray, reloaded);
        QFETCH(qint64, moment);
        QFETCH(QString, control);
        Fixture f;
        QVERIFY(f.ready);
        QApplication::setActiveWindow(f.view);
        QVERIFY(QTest::qWaitForWindowActive(f.view));
        if (reloaded.isEmpty())
            f.stack.server.respond(procedure("moments.list"), { 503, R"({"error":"feed down"})" });
        else
            f.stack.server.respond(procedure("moments.list"), ok(reloaded));
        f.in<QToolButton>(f.rows().at(0), "likeButton")->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        f.waitIdle(2);
        // Nothing focused fails the comparison, never the test program.
        const auto focusedName = [] { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(); };
        QTRY_COMPARE(focusedName(), control);
        qint64 focusedMoment = -1;
        for (QWidget* up = QApplication::focusWidget(); up; up = up->parentWidget())
            if (auto* row = qobject_cast<MomentRow*>(up); row && focusedMoment < 0)
                focusedMoment = row->momentId();
        QCOMPARE(focusedMoment, moment);
    }

    // Tab goes through every moment of a feed longer than the window, each control
    // scrolled into sight as it is reached, and back to where it began.
    void tabWalksTheWholeFeed()
    {
        QByteArray moments = "[";
        for (int i = 1; i <= 30; ++i)
            moments += (i > 1 ? "," : "") + QStringLiteral(R"({"id":%1,"userId":2,"userName":"Bo","content":"day %1"})").arg(i).toUtf8();
        Fixture f(moments + "]");
        QVERIFY(f.ready);
        VisualTabOrder::keep(f.view);
        QApplication::setActiveWindow(f.view);
        QVERIFY(QTest::qWaitForWindowActive(f.view));
        f.in<QToolButton>(f.view, "composeButton")->setFocus(Qt::TabFocusReason);
        QList<qint64> reached;
        for (int presses = 0; presses < 100; ++presses) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* now = QApplication::focusWidget();
            QVERIFY(now);
            if (now->objectName() == u"composeButton")
                break;
            QCOMPARE(now->objectName(), reached.size() % 2 ? u"commentField"_s : u"likeButton"_s);
            const QRect shown(now->mapTo(f.list()->viewport(), QPoint()), now->size());
            QVERIFY2(f.list()->viewport()->rect().contains(shown), qPrintable(u"stop %1 out of sight"_s.arg(reached.size())));
            reached << qobject_cast<MomentRow*>(now->parentWidget()->parentWidget())->momentId();
        }
        QCOMPARE(reached.size(), 60);
        for (int i = 0; i < 60; ++i)
            QCOMPARE(reached.at(i), i / 2 + 1);
    }

    // A long feed makes widgets for the moments in and near the window only,
    // and trades them for others as it scrolls.
    void longFeedMakesRowsOnlyNearTheWindow()
    {
        QByteArray moments = "[";
        for (int i = 1; i <= 5000; ++i)
            moments += (i > 1 ? "," : "") + QStringLiteral(R"({"id":%1,"userId":2,"userName":"Bo","content":"day %1"})").arg(i).toUtf8();
        Fixture f(moments + "]");
        QVERIFY(f.ready);
        auto made = [&f] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return f.view->findChildren<MomentRow*>();
        };
        QTRY_VERIFY(!f.rows().isEmpty());
        QCOMPARE(f.rows().at(0)->momentId(), 1);
        QVERIFY2(made().size() < 20, qPrintable(u"%1 rows made for a window of 700 pixels"_s.arg(made().size())));

        QScrollBar* bar = f.list()->verticalScrollBar();
        bar->setValue(bar->maximum() / 2);
        QTRY_VERIFY(!f.rows().isEmpty() && f.rows().at(0)->momentId() > 1000);
        QTRY_VERIFY(made().size() < 20);
        for (MomentRow* row : made())
            QVERIFY2(row->momentId() > 100, "a row far above the window kept its widget");
        // The rows in the window lie within it, one below the other.
        const QList<MomentRow*> rows = f.rows();
        for (qsizetype i = 1; i < rows.size(); ++i)
            QCOMPARE(rows.at(i)->momentId(), rows.at(i - 1)->momentId() + 1);
        // A moment far above the window, with no row made, still tells a screen reader
        // where it stands, for its highlight.
        QAccessibleInterface* far = QAccessible::queryAccessibleInterface(f.list())->child(0);
        QVERIFY(far && !far->object());
        const QRect place = f.list()->visualRect(f.list()->model()->index(0, 0));
        QVERIFY(!place.isEmpty());
        QCOMPARE(far->rect(), QRect(f.list()->viewport()->mapToGlobal(place.topLeft()), place.size()));
    }
};

QTEST_MAIN(TestMomentsView)
#include "tst_moments_view.moc"
