// Deleting from the conversation list's menu asks first, and a refusal brings
// the row back with the reason in an alert.

#include "ClientStack.h"
#include "Snapshot.h"

#include "state/chat/ConversationListViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/chat/ConversationListModel.h"
#include "views/chat/ConversationRow.h"
#include "views/chat/ConversationListView.h"
#include "views/common/Appearance.h"
#include "views/common/Localized.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QContextMenuEvent>
#include <QApplication>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>

using namespace Qt::StringLiterals;

class TestConversationListView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        Appearance::install();
        Snapshot::holdStill();
    }

    // A new list from the state is taken in as what it is: rows that go are removed,
    // rows that move are moved, new rows inserted, and only rows whose contents
    // changed redrawn; never a reset or a whole-layout change. The row the user is
    // on stays current, on its conversation.
    // An index that names no row (none, or one whose row has since gone with a shorter
    // list a view still holds) reads as nothing rather than as some other conversation.
    void indexWithoutARowReadsNothing()
    {
        QList<Conversation> three;
        for (qint64 id : { 1, 2, 3 }) {
            Conversation conversation;
            conversation.id = id;
            conversation.name = QStringLiteral("C%1").arg(id);
            three << conversation;
        }
        ConversationListModel model;
        model.setConversations(three);
        const QModelIndex last = model.index(2);
        QCOMPARE(last.data().toString(), QStringLiteral("C3"));
        model.setConversations({ three.first() });
        QCOMPARE(model.rowCount(), 1);
        for (const QModelIndex& index : { QModelIndex(), last }) {
            QVERIFY(!model.data(index, Qt::DisplayRole).isValid());
            QVERIFY(!model.data(index, ConversationListModel::ConversationIdRole).isValid());
        }
    }

    // A list that holds a conversation twice (a server's fault) is taken as it is, in
    // one reset: there is nothing to follow row by row.
    void duplicatesComeInOneReset()
    {
        Conversation a;
        a.id = 1;
        a.name = QStringLiteral("A");
        Conversation b;
        b.id = 2;
        b.name = QStringLiteral("B");
        ConversationListModel model;
        QAbstractItemModelTester tester(&model);
        model.setConversations({ a, b });
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        model.setConversations({ a, b, a });
        QCOMPARE(reset.count(), 1);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.index(2).data().toString(), QStringLiteral("A"));
    }

    void rowsChangeWithoutAReset_data()
    {
        QTest::addColumn<QList<qint64>>("after");
        QTest::addColumn<qint64>("current");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("moved");
        QTest::addColumn<int>("inserted");
        QTest::newRow("a preview changes in place") << QList<qint64> { 1, 2, 3 } << qint64(2) << 0 << 0 << 0;
        QTest::newRow("another row moves to the top") << QList<qint64> { 3, 1, 2 } << qint64(2) << 0 << 1 << 0;
        QTest::newRow("the current row moves to the top") << QList<qint64> { 2, 1, 3 } << qint64(2) << 0 << 1 << 0;
        QTest::newRow("a row moves to the bottom") << QList<qint64> { 2, 3, 1 } << qint64(1) << 0 << 2 << 0;
        QTest::newRow("another row goes away") << QList<qint64> { 1, 3 } << qint64(3) << 1 << 0 << 0;
        QTest::newRow("a new row goes in on top") << QList<qint64> { 4, 1, 2, 3 } << qint64(3) << 0 << 0 << 1;
        QTest::newRow("all at once") << QList<qint64> { 5, 3, 4, 1 } << qint64(3) << 1 << 1 << 2;
    }
    void rowsChangeWithoutAReset()
    {
        QFETCH(QList<qint64>, after);
        QFETCH(qint64, current);
        QFETCH(int, removed);
        QFETCH(int, moved);
        QFETCH(int, inserted);
        auto conversations = [](const QList<qint64>& ids, const QString& preview) {
            QList<Conversation> list;
            for (qint64 id : ids) {
                Conversation c;
                c.id = id;
                c.type = u"group"_s;
                c.name = u"G%1"_s.arg(id);
                c.lastMessage = id == 2 ? preview : u"old"_s;
                list << c;
            }
            return list;
        };
        ConversationListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setConversations(conversations({ 1, 2, 3 }, u"old"_s));
        QListView list;
        list.setModel(&model);
        list.setCurrentIndex(model.index(model.rowOf(current)));
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy layouts(&model, &QAbstractItemModel::layoutChanged);
        QSignalSpy removes(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy moves(&model, &QAbstractItemModel::rowsMoved);
        QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.setConversations(conversations(after, u"new"_s));
        QCOMPARE(resets.count(), 0);
        QCOMPARE(layouts.count(), 0);
        QCOMPARE(removes.count(), removed);
        QCOMPARE(moves.count(), moved);
        int insertedRows = 0;
        for (const QList<QVariant>& insert : std::as_const(inserts))
            insertedRows += insert.at(2).toInt() - insert.at(1).toInt() + 1;
        QCOMPARE(insertedRows, inserted);
        // Only the conversation whose preview changed is redrawn.
        QCOMPARE(changed.count(), after.contains(2) ? 1 : 0);
        QCOMPARE(list.currentIndex().data(ConversationListModel::ConversationIdRole).toLongLong(), current);
        QCOMPARE(model.rowCount(), after.size());
        for (int row = 0; row < model.rowCount(); ++row) {
            QCOMPARE(model.conversationAt(row).id, after.at(row));
            QCOMPARE(model.index(row).data(ConversationListModel::ConversationIdRole).toLongLong(), after.at(row));
        }
    }

    // A live message, a pin, a mute or a read mark changes one conversation: the
    // list hosted in its screen moves that one row (or redraws it where it is),
    // never a reset, a whole layout or a new list, and the row the user chose stays
    // chosen. With a search, only the matching rows are there to move. (A load
    // shows the server's order until the list is sorted once.)
    void oneConversationChangesOneRow_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QList<qint64>>("after");
        QTest::addColumn<int>("moved");
        QTest::newRow("a message from the bottom") << u"message 5"_s << QString() << QList<qint64> { 1, 5, 2, 3, 4 } << 1;
        QTest::newRow("a message in the top row") << u"message 2"_s << QString() << QList<qint64> { 1, 2, 3, 4, 5 } << 0;
        QTest::newRow("a message under a search") << u"message 5"_s << u"a"_s << QList<qint64> { 1, 5, 3 } << 1;
        QTest::newRow("pinned") << u"pin 4"_s << QString() << QList<qint64> { 4, 1, 2, 3, 5 } << 1;
        QTest::newRow("unpinned") << u"pin 1"_s << QString() << QList<qint64> { 2, 3, 4, 5, 1 } << 1;
        QTest::newRow("muted") << u"mute 3"_s << QString() << QList<qint64> { 1, 2, 3, 4, 5 } << 0;
        QTest::newRow("read") << u"read 4"_s << QString() << QList<qint64> { 1, 2, 3, 4, 5 } << 0;
    }
    void oneConversationChangesOneRow()
    {
        QFETCH(QString, change);
        QFETCH(QString, search);
        QFETCH(QList<qint64>, after);
        QFETCH(int, moved);
        ClientStack stack;
        // Newest first, the first one pinned; names with an "a": 1, 3, 5.
        stack.server.respond(procedure("conversations.list"),
            ok(R"([{"id":1,"type":"group","name":"Alpha","isPinned":true,"lastMessageTime":"2025-03-01T08:00:00Z"},)"
               R"({"id":2,"type":"group","name":"Two","lastMessageTime":"2025-03-05T08:00:00Z","unreadCount":1},)"
               R"({"id":3,"type":"group","name":"Bravo","lastMessageTime":"2025-03-04T08:00:00+00:00"},)"
               R"({"id":4,"type":"group","name":"Four","lastMessageTime":"2025-03-03T16:00:00+08:00","unreadCount":3},)"
               R"({"id":5,"type":"group","name":"Delta","lastMessageTime":"2025-03-02T08:00:00Z"}])"));
        ConversationListViewModel model(9, { &stack.chat, &stack.groups, &stack.ws, &stack.notifications, stack.timers });
        testsupport::runTask(model.loadConversations());
        model.sortConversations();
        ConversationListView view(&model);
        view.show();
        auto* rows = view.findChild<QListView*>(u"conversationList"_s);
        QAbstractItemModel* shown = rows->model();
        QAbstractItemModelTester tester(shown, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setSearchText(search);
        stack.timers->advance(ConversationListViewModel::searchDebounceMs);
        const auto conversation = [&model](qint64 id) {
            for (const Conversation& c : model.conversations()) {
                if (c.id == id)
                    return c;
            }
            return Conversation {};
        };
        // The user is on conversation 3.
        view.setSelectedConversation(conversation(3));
        QSignalSpy resets(shown, &QAbstractItemModel::modelReset);
        QSignalSpy layouts(shown, &QAbstractItemModel::layoutChanged);
        QSignalSpy removes(shown, &QAbstractItemModel::rowsRemoved);
        QSignalSpy inserts(shown, &QAbstractItemModel::rowsInserted);
        QSignalSpy moves(shown, &QAbstractItemModel::rowsMoved);
        QSignalSpy changed(shown, &QAbstractItemModel::dataChanged);
        QSignalSpy wholeLists(&model, &ConversationListViewModel::filteredConversationsChanged);

        const qint64 id = change.section(u' ', 1).toLongLong();
        const QString what = change.section(u' ', 0, 0);
        if (what == u"message") {
            Message message;
            message.id = 900;
            message.conversationId = id;
            message.senderId = 2;
            message.type = u"text"_s;
            message.content = u"news"_s;
            message.createdAt = u"2025-03-06T08:00:00Z"_s;
            Q_EMIT stack.ws.newMessageSubject(message);
            QTRY_COMPARE(conversation(id).lastMessage, std::optional(u"news"_s));
        } else if (what == u"pin") {
            model.togglePin(conversation(id));
        } else if (what == u"mute") {
            model.toggleMute(conversation(id));
        } else {
            model.markLocallyRead(id);
        }

        QCOMPARE(resets.count(), 0);
        QCOMPARE(layouts.count(), 0);
        QCOMPARE(removes.count(), 0);
        QCOMPARE(inserts.count(), 0);
        QCOMPARE(wholeLists.count(), 0);
        QCOMPARE(moves.count(), moved);
        // The changed row, and only it, is redrawn where it now is.
        QCOMPARE(changed.count(), 1);
        const int row = int(after.indexOf(id));
        QCOMPARE(changed.at(0).at(0).toModelIndex().row(), row);
        QCOMPARE(changed.at(0).at(1).toModelIndex().row(), row);
        QCOMPARE(shown->rowCount(), after.size());
        for (int i = 0; i < shown->rowCount(); ++i)
            QCOMPARE(shown->index(i, 0).data(ConversationListModel::ConversationIdRole).toLongLong(), after.at(i));
        // What the screen shows is what the state holds.
        QCOMPARE(qobject_cast<ConversationListModel*>(shown)->conversationAt(row).lastMessage, conversation(id).lastMessage);
        QCOMPARE(qobject_cast<ConversationListModel*>(shown)->conversationAt(row).unreadCount, conversation(id).unreadCount);
        const QModelIndexList selected = rows->selectionModel()->selectedIndexes();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.at(0).data(ConversationListModel::ConversationIdRole).toLongLong(), qint64(3));
    }

    void deleteAsksAndARefusalComesBack()
    {
        ClientStack stack;
        stack.server.respond(procedure("conversations.list"),
            ok(R"([{"id":1,"type":"group","name":"One"},{"id":2,"type":"group","name":"Two"}])"));
        stack.server.respond(procedure("conversations.deleteForUser"), { 400, R"({"error":"refused"})" });
        ConversationListViewModel model(9, { &stack.chat, &stack.groups, &stack.ws, &stack.notifications, stack.timers });
        testsupport::runTask(model.loadConversations());
        ConversationListView view(&model);
        view.show();
        auto* rows = view.findChild<QListView*>(u"conversationList"_s);
        auto remove = [&view, &model] {
            std::unique_ptr<QMenu> menu(view.contextMenu(model.conversations().at(1)));
            menu->findChild<QAction*>(u"deleteAction"_s)->trigger();
            QMessageBox* box = view.findChild<QMessageBox*>(u"confirmation"_s);
            return box;
        };

        QMessageBox* box = remove();
        QVERIFY(box && box->isVisible());
        QCOMPARE(box->text(), Localized::text("conversation.delete_confirm"));
        QTest::mouseClick(box->findChild<QPushButton*>(u"cancelButton"_s), Qt::LeftButton);
        QVERIFY(stack.roundTrip());
        QCOMPARE(rows->model()->rowCount(), 2);
        QCOMPARE(stack.requestCount(procedure("conversations.deleteForUser")), 0);

        QTRY_VERIFY(!view.findChild<QMessageBox*>(u"confirmation"_s));
        box = remove();
        QTest::ignoreMessage(QtWarningMsg, "[Conversations] Delete failed: refused");
        QTest::mouseClick(box->findChild<QPushButton*>(u"confirmButton"_s), Qt::LeftButton);
        QCOMPARE(rows->model()->rowCount(), 1);
        QTRY_VERIFY(view.findChild<QMessageBox*>(u"errorAlert"_s));
        QCOMPARE(view.findChild<QMessageBox*>(u"errorAlert"_s)->text(), u"refused"_s);
        // Titled as an error, with its one button labelled OK in the interface language.
        QCOMPARE(view.findChild<QMessageBox*>(u"errorAlert"_s)->windowTitle(), Localized::text("common.error"));
        auto* ok = view.findChild<QPushButton*>(u"errorAlertOk"_s);
        QVERIFY(ok);
        QCOMPARE(ok->text(), Localized::text("common.ok"));
        QCOMPARE(rows->model()->rowCount(), 2);
    }

    // The column as stated: at least 260 wide; in order and without gaps, its title,
    // the search bar (padded 8 on every side, the field named by its placeholder), and
    // below a divider the list, named as the column is.
    void columnLayout()
    {
        ClientStack stack;
        ConversationListViewModel model(9, { &stack.chat, &stack.groups, &stack.ws, &stack.notifications, stack.timers });
        ConversationListView view(&model);
        view.resize(200, 500);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.minimumWidth(), 260);
        auto* title = view.findChild<QLabel*>(u"conversationListTitle"_s);
        auto* bar = view.findChild<QWidget*>(u"conversationSearchBar"_s);
        auto* field = view.findChild<QLineEdit*>(u"conversationSearchField"_s);
        auto* list = view.findChild<QListView*>(u"conversationList"_s);
        QVERIFY(title && bar && field && list);
        QCOMPARE(title->text(), Localized::text("conversation.title"));
        QCOMPARE(field->placeholderText(), Localized::text("conversation.search_placeholder"));
        QCOMPARE(field->accessibleName(), Localized::text("conversation.search_placeholder"));
        QCOMPARE(list->accessibleName(), Localized::text("conversation.title"));
        QTRY_COMPARE(title->y(), 0);
        QCOMPARE(bar->y(), title->geometry().bottom() + 1);
        QCOMPARE(bar->width(), view.width());
        const QRect inBar(field->mapTo(bar, QPoint()), field->size());
        QVERIFY2(inBar.top() >= 8 && bar->height() - (inBar.bottom() + 1) >= 8, qPrintable(QDebug::toString(inBar)));
        // Only a divider between the bar and the list.
        const QFrame* divider = nullptr;
        for (const QFrame* frame : view.findChildren<QFrame*>()) {
            if (frame->parentWidget() == &view && frame->frameShape() == QFrame::HLine)
                divider = frame;
        }
        QVERIFY(divider);
        QCOMPARE(divider->y(), bar->geometry().bottom() + 1);
        QCOMPARE(list->y(), divider->geometry().bottom() + 1);
        QCOMPARE(list->geometry().bottom() + 1, view.height());

        // A search set from elsewhere shows in the field, with its clear button; cleared, both go.
        auto* clear = view.findChild<QWidget*>(u"clearSearchButton"_s);
        QVERIFY(clear);
        QVERIFY(clear->isHidden());
        model.setSearchText(u"ann"_s);
        QCOMPARE(field->text(), u"ann"_s);
        QVERIFY(clear->isVisible());
        model.setSearchText(QString());
        QCOMPARE(field->text(), QString());
        QVERIFY(clear->isHidden());
    }

    // The list as loaded, with a row of each kind: pinned (tinted) with unread messages,
    // muted (a grey badge and the bell), a private chat whose contact is online, a newest
    // message taken back, a name too long for the row, and the chosen row. The
    // times are dates long past, so the picture holds on any day.
    void rowsOfEveryKind()
    {
        ClientStack stack;
        stack.server.respond(procedure("conversations.list"),
            ok(R"([{"id":1,"type":"group","name":"Pinned group","isPinned":true,"unreadCount":3,"lastMessage":"lunch?","lastMessageTime":"2024-03-09T12:00:00Z"},)"
               R"({"id":2,"type":"group","name":"Muted group","isMuted":true,"unreadCount":120,"lastMessage":"so many messages","lastMessageTime":"2024-03-08T12:00:00Z"},)"
               R"({"id":3,"type":"private","name":"Ann","online":true,"lastMessage":"hi","lastMessageTime":"2024-03-07T12:00:00Z"},)"
               R"({"id":4,"type":"private","name":"Bo","lastMessage":"taken back","lastMessageTime":"2024-03-06T12:00:00Z"},)"
               R"({"id":5,"type":"group","name":"A group whose name is far too long to fit in the row","lastMessage":"a preview that is also much too long to be shown whole","lastMessageTime":"2024-03-05T12:00:00Z","unreadCount":1},)"
               R"({"id":6,"type":"group","name":"Chosen","lastMessage":"the open chat","lastMessageTime":"2024-03-04T12:00:00Z"}])"));
        stack.server.respond(procedure("messages.list"),
            ok(R"([{"id":77,"conversationId":4,"senderId":2,"senderName":"Bo","type":"text","createdAt":"2024-03-06T12:00:00Z"}])"));
        stack.server.respond(procedure("groups.getMembers"), ok(R"([{"userId":9},{"userId":2}])"));
        QVERIFY(stack.connectChannel(ClientStack::user(9, u"Me"_s)));
        ConversationListViewModel model(9, { &stack.chat, &stack.groups, &stack.ws, &stack.notifications, stack.timers });
        testsupport::runTask(model.loadConversations());
        model.sortConversations();
        ConversationListView view(&model);
        view.resize(300, 460);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto* list = view.findChild<QListView*>(u"conversationList"_s);
        QTRY_COMPARE(list->model()->rowCount(), 6);
        const auto* rows = qobject_cast<const ConversationListModel*>(list->model());
        stack.peer.push(QJsonObject { { u"type"_s, u"revoke"_s },
                                      { u"payload"_s, QJsonObject { { u"messageId"_s, 77 }, { u"conversationId"_s, 4 } } } });
        QTRY_VERIFY(rows->conversationAt(rows->rowOf(4)).revokedPreview.has_value());
        view.setSelectedConversation(rows->conversationAt(rows->rowOf(6)));
        QTRY_COMPARE(list->currentIndex().data(ConversationListModel::ConversationIdRole).toLongLong(), 6);
        VERIFY_SNAPSHOT(&view, u"conversation-list"_s);
    }

    // Once loaded, an empty list is no stop for the keyboard; a list with any row is,
    // however few.
    void keyboardStopsOnlyAtAListWithRows_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<bool>("stop");
        QTest::newRow("none") << QByteArray("[]") << false;
        QTest::newRow("one") << QByteArray(R"([{"id":1,"type":"group","name":"One"}])") << true;
        QTest::newRow("two") << QByteArray(R"([{"id":1,"type":"group","name":"One"},{"id":2,"type":"group","name":"Two"}])") << true;
    }
    void keyboardStopsOnlyAtAListWithRows()
    {
        QFETCH(QByteArray, list);
        QFETCH(bool, stop);
        ClientStack stack;
        stack.server.respond(procedure("conversations.list"), ok(list));
        ConversationListViewModel model(9, { &stack.chat, &stack.groups, &stack.ws, &stack.notifications, stack.timers });
        ConversationListView view(&model);
        testsupport::runTask(model.loadConversations());
        auto* rows = view.findChild<QListView*>(u"conversationList"_s);
        QVERIFY(!model.isLoading());
        QCOMPARE(rows->focusPolicy() != Qt::NoFocus, stop);
    }

    // Each entry of a row's menu, opened by a right click on that row, acts on that
    // row's conversation and no other.
    void menuEntriesActOnTheirRow_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::newRow("pin") << u"pinAction"_s;
        QTest::newRow("mute") << u"muteAction"_s;
        QTest::newRow("mark read") << u"markReadAction"_s;
        QTest::newRow("delete") << u"deleteAction"_s;
    }
    void menuEntriesActOnTheirRow()
    {
        QFETCH(QString, entry);
        ClientStack stack;
        stack.server.respond(procedure("conversations.list"),
            ok(R"([{"id":1,"type":"group","name":"One","unreadCount":3},{"id":2,"type":"group","name":"Two","unreadCount":4}])"));
        stack.server.respond(procedure("conversations.markAsRead"), ok("null"));
        ConversationListViewModel model(9, { &stack.chat, &stack.groups, &stack.ws, &stack.notifications, stack.timers });
        testsupport::runTask(model.loadConversations());
        ConversationListView view(&model);
        view.resize(300, 400);
        view.show();
        auto* list = view.findChild<QListView*>(u"conversationList"_s);
        QTRY_COMPARE(list->model()->rowCount(), 2);
        const QPoint onTwo = list->visualRect(list->model()->index(1, 0)).center();
        QContextMenuEvent click(QContextMenuEvent::Mouse, onTwo, list->viewport()->mapToGlobal(onTwo));
        QApplication::sendEvent(list->viewport(), &click);
        QMenu* menu = nullptr;
        QTRY_VERIFY((menu = view.findChild<QMenu*>(u"conversationContextMenu"_s)) && menu->isVisible());
        menu->findChild<QAction*>(entry)->trigger();
        menu->close();
        auto conversation = [&model](qint64 id) {
            for (const Conversation& c : model.conversations())
                if (c.id == id)
                    return c;
            return Conversation();
        };
        // The other row is left as it was.
        QCOMPARE(conversation(1).isPinned.value_or(false), false);
        QCOMPARE(conversation(1).isMuted.value_or(false), false);
        QCOMPARE(conversation(1).unreadCount, std::optional<qint64>(3));
        if (entry == u"pinAction")
            QVERIFY(conversation(2).isPinned.value_or(false));
        if (entry == u"muteAction")
            QVERIFY(conversation(2).isMuted.value_or(false));
        if (entry == u"markReadAction") {
            QCOMPARE(conversation(2).unreadCount, std::optional<qint64>(0));
            QTRY_COMPARE(stack.requestCount(procedure("conversations.markAsRead")), 1);
            QVERIFY(stack.server.requestsTo(procedure("conversations.markAsRead")).at(0).body.contains("\"conversationId\":2"));
        }
        if (entry == u"deleteAction") {
            QMessageBox* box = nullptr;
            QTRY_VERIFY((box = view.findChild<QMessageBox*>(u"confirmation"_s)) && box->isVisible());
            QCOMPARE(model.pendingDeletion()->id, 2);
            QTest::mouseClick(box->findChild<QPushButton*>(u"cancelButton"_s), Qt::LeftButton);
        }
    }

    // The preview of a revoked newest message is worded in the language in force,
    // not in the one in force when the message was taken back; an administrator's
    // removal says so instead of the sender's unsend.
    void revokedPreviewFollowsTheLanguage_data()
    {
        QTest::addColumn<QByteArray>("mark");
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QString>("key");
        QTest::newRow("sender") << QByteArray() << u"Ann"_s << u"chat.revoked_other"_s;
        QTest::newRow("administrator") << QByteArray(R"(,"removedByAdmin":true)") << QString() << u"chat.removed_by_admin"_s;
    }
    void revokedPreviewFollowsTheLanguage()
    {
        QFETCH(QByteArray, mark);
        QFETCH(QString, sender);
        QFETCH(QString, key);
        ClientStack stack;
        stack.server.respond(procedure("conversations.list"),
            ok(R"([{"id":1,"type":"private","name":"Ann","lastMessage":"hi","lastMessageTime":"2025-03-01T08:00:00Z"}])"));
        stack.server.respond(procedure("messages.list"),
            ok(R"([{"id":77,"conversationId":1,"senderId":2,"senderName":"Ann","type":"text","createdAt":"2025-03-01T08:00:00Z")" + mark + "}]"));
        stack.server.respond(procedure("groups.getMembers"), ok(R"([{"userId":9},{"userId":2}])"));
        QVERIFY(stack.connectChannel(ClientStack::user(9, u"Me"_s)));
        ConversationListViewModel model(9, { &stack.chat, &stack.groups, &stack.ws, &stack.notifications, stack.timers });
        testsupport::runTask(model.loadConversations());
        ConversationListView view(&model);
        view.show();
        const auto* rows = qobject_cast<const ConversationListModel*>(view.findChild<QListView*>(u"conversationList"_s)->model());
        auto preview = [rows] { return ConversationRow::previewText(rows->conversationAt(0)); };
        QCOMPARE(preview(), u"hi"_s);
        stack.peer.push(QJsonObject { { u"type"_s, u"revoke"_s },
                                      { u"payload"_s, QJsonObject { { u"messageId"_s, 77 }, { u"conversationId"_s, 1 } } } });
        QTRY_COMPARE(preview(), sender + Localized::text(key));
        LocalizationManager& language = LocalizationManager::shared();
        const AppLanguage first = language.currentLanguage();
        for (AppLanguage next : { AppLanguage::vi, AppLanguage::en, AppLanguage::zhHans, first }) {
            language.setLanguage(next);
            QCOMPARE(preview(), sender + Localized::text(key));
        }
    }
};

QTEST_MAIN(TestConversationListView)
#include "tst_conversation_list_view.moc"
