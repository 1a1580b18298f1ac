// Deleting from the conversation list's menu asks first, and a refusal brings
// the row back with the reason in an alert.

#include "ClientStack.h"

#include "state/ConversationListViewModel.h"
#include "views/chat/ConversationListView.h"
#include "views/common/Localized.h"

#include <QAction>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

class TestConversationListView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

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
        QTest::qWait(20);
        QCOMPARE(rows->model()->rowCount(), 2);
        QCOMPARE(stack.requestCount(procedure("conversations.deleteForUser")), 0);

        QTRY_VERIFY(!view.findChild<QMessageBox*>(u"confirmation"_s));
        box = remove();
        QTest::ignoreMessage(QtWarningMsg, "[Conversations] Delete failed: refused");
        QTest::mouseClick(box->findChild<QPushButton*>(u"confirmButton"_s), Qt::LeftButton);
        QCOMPARE(rows->model()->rowCount(), 1);
        QTRY_VERIFY(view.findChild<QMessageBox*>(u"errorAlert"_s));
        QCOMPARE(view.findChild<QMessageBox*>(u"errorAlert"_s)->text(), u"refused"_s);
        QCOMPARE(rows->model()->rowCount(), 2);
    }
};

QTEST_MAIN(TestConversationListView)
#include "tst_conversation_list_view.moc"
