// The role menu of a group chat's header, the role editor and the assignment
// screen, driven like the group's owner would.

#include "PaintLog.h"
#include "PainterState.h"
#include "ClientStack.h"
#include "ListKeys.h"
#include "Snapshot.h"

#include "state/common/LocalizationManager.h"
#include "state/common/PrintfFormat.h"
#include "state/contacts/AssignRoleViewModel.h"
#include "state/contacts/GroupRoleDetailViewModel.h"
#include "state/contacts/GroupRolesMenuViewModel.h"
#include "views/common/Localized.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/contacts/AssignRoleView.h"
#include "views/contacts/ColorSwatch.h"
#include "views/contacts/GroupRoleDetailView.h"
#include "views/contacts/GroupRolesButton.h"
#include "views/contacts/MemberAssignmentModel.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QRegularExpression>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace {

template <typename T> T* child(QObject* parent, const char* name)
{
    return parent->findChild<T*>(QString::fromLatin1(name));
}

QStringList marked(QWidget* editor)
{
    QStringList hexes;
    for (ColorSwatch* swatch : editor->findChildren<ColorSwatch*>())
        if (swatch->isMarked())
            hexes << swatch->hex();
    return hexes;
}

// The owner creates the role "Guides" from the header menu of window, by the
// main button or by Return in the name; the assignment sheet that follows,
// null when it did not open.
QDialog* createRole(ClientStack& stack, QWidget& window, bool byReturn = false)
{
    stack.server.respond(procedure("groups.list"), ok(R"([{"id":3,"conversationId":30,"name":"Hikers","ownerId":1}])"));
    stack.server.respond(procedure("groupRole.create"), ok(R"({"id":12,"groupId":3,"name":"Guides"})"));
    stack.server.respond(procedure("groupRole.assign"), ok(R"({"success":true})"));
    window.resize(600, 500);
    auto* button = new GroupRolesButton(new GroupRolesMenuViewModel(30, 1, &stack.groups), &window);
    window.show();
    if (!QTest::qWaitFor([button] { return button->isVisible(); }, testsupport::kPatienceMs))
        return nullptr;
    if (button->rolesMenu()->actions().at(0)->text() != Localized::text("roles.create_title"))
        return nullptr;
    button->rolesMenu()->actions().at(0)->trigger();
    QDialog* editor = button->openSheet();
    if (!editor || !editor->isVisible())
        return nullptr;
    auto* name = child<QLineEdit>(editor, "roleNameField");
    QTest::keyClicks(name, u" Guides "_s);
    if (byReturn)
        QTest::keyClick(name, Qt::Key_Return);
    else
        QTest::mouseClick(child<QPushButton>(editor, "saveButton"), Qt::LeftButton);
    const auto assigning = [button] { return button->openSheet() && button->openSheet()->objectName() == u"assignRoleSheet"_s; };
    return QTest::qWaitFor(assigning, testsupport::kPatienceMs) ? button->openSheet() : nullptr;
}

} // namespace

class TestGroupRoleViews : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        Icons::install();
        Snapshot::holdStill();
    }

    // A row that leaves the painter unbalanced paints the next one with its pen and font.
    void init() { QTest::failOnWarning(QRegularExpression(u"^QPainter::"_s)); }

    void editorButtons_data()
    {
        QTest::addColumn<bool>("creating");
        QTest::newRow("create") << true;
        QTest::newRow("edit") << false;
    }

    // Only a new role can be cancelled; the main button names what it does and
    // waits for a name; the swatch of the chosen colour carries the mark.
    void editorButtons()
    {
        QFETCH(bool, creating);
        ClientStack stack;
        std::optional<GroupService::GroupRole> role;
        if (!creating)
            role = GroupService::GroupRole { 9, 3, u"Mods"_s, u"#E74C3C"_s, std::nullopt };
        GroupRoleDetailView editor(new GroupRoleDetailViewModel(3, 30, role, GroupRolesMenuViewModel::presetColors(), &stack.groups));
        editor.show();
        QCOMPARE(child<QPushButton>(&editor, "cancelButton") != nullptr, creating);
        auto* save = child<QPushButton>(&editor, "saveButton");
        QCOMPARE(save->text(), Localized::text(creating ? "roles.create" : "roles.save"));
        QCOMPARE(editor.windowTitle(), Localized::text(creating ? "roles.create_title" : "roles.edit_title"));
        // The sheet says what it is above its fields, not only in the title bar.
        QCOMPARE(child<QLabel>(&editor, "sheetHeading")->text(), editor.windowTitle());
        QCOMPARE(marked(&editor), QStringList { creating ? u"#4A90D9"_s : u"#E74C3C"_s });
        QCOMPARE(save->isEnabled(), !creating);
        QCOMPARE(child<QCheckBox>(&editor, "canSendMessage")->isChecked(), true);
        QCOMPARE(child<QCheckBox>(&editor, "canPin")->isChecked(), false);

        auto* name = child<QLineEdit>(&editor, "roleNameField");
        name->clear();
        QTest::keyClicks(name, u"   "_s);
        QVERIFY(!save->isEnabled());
        QCOMPARE(editor.findChildren<ColorSwatch*>().at(3)->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseClick(editor.findChildren<ColorSwatch*>().at(3), Qt::LeftButton);
        QCOMPARE(marked(&editor), QStringList { GroupRolesMenuViewModel::presetColors().at(3) });
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        VERIFY_SNAPSHOT(&editor, u"role-editor-"_s + QString::fromLatin1(QTest::currentDataTag()));
    }

    // While the role is being saved a spinner turns in the middle of the form, over
    // it; it goes once the server answered.
    void savingShowsASpinnerOverTheForm()
    {
        ClientStack stack;
        stack.server.respond(procedure("groupRole.create"), { 200, envelope(R"({"id":12,"groupId":3,"name":"Guides"})"), {}, true });
        GroupRoleDetailView editor(new GroupRoleDetailViewModel(3, 30, std::nullopt, GroupRolesMenuViewModel::presetColors(), &stack.groups));
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        auto* spinner = child<QWidget>(&editor, "savingSpinner");
        QVERIFY(spinner && !spinner->isVisible());
        QTest::keyClicks(child<QLineEdit>(&editor, "roleNameField"), u"Guides"_s);
        QTest::mouseClick(child<QPushButton>(&editor, "saveButton"), Qt::LeftButton);
        QTRY_COMPARE(stack.requestCount(procedure("groupRole.create")), 1);
        QVERIFY(spinner->isVisible());
        QVERIFY2((spinner->geometry().center() - editor.rect().center()).manhattanLength() <= 2, qPrintable(QDebug::toString(spinner->geometry())));
        // Drawn over the form: the last of the form's widgets, stacked above the others.
        QList<QWidget*> stacked = editor.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        QCOMPARE(stacked.last(), spinner);
        stack.server.release(procedure("groupRole.create"));
        QTRY_VERIFY(!spinner->isVisible());
    }

    // The colours are one choice: one Tab stop (the chosen colour), arrows move and
    // choose, and a screen reader hears radio buttons named by colour in a named group.
    void colorChoiceByKeyboard()
    {
        ClientStack stack;
        GroupRoleDetailView editor(new GroupRoleDetailViewModel(3, 30, std::nullopt, GroupRolesMenuViewModel::presetColors(), &stack.groups));
        editor.show();
        QApplication::setActiveWindow(&editor);
        const QList<ColorSwatch*> swatches = editor.findChildren<ColorSwatch*>();
        auto* name = child<QLineEdit>(&editor, "roleNameField");
        name->setFocus(Qt::TabFocusReason);
        QTest::keyClick(name, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), swatches.at(0));
        QTest::keyClick(swatches.at(0), Qt::Key_Right);
        QCOMPARE(QApplication::focusWidget(), swatches.at(1));
        QCOMPARE(editor.viewModel()->selectedColor(), GroupRolesMenuViewModel::presetColors().at(1));
        QTest::keyClick(swatches.at(1), Qt::Key_Tab);
        QVERIFY(!qobject_cast<ColorSwatch*>(QApplication::focusWidget()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), swatches.at(1));
        QTest::keyClick(swatches.at(1), Qt::Key_Left);
        QTest::keyClick(swatches.at(0), Qt::Key_Left);
        QCOMPARE(QApplication::focusWidget(), swatches.last());
        QCOMPARE(marked(&editor), QStringList { GroupRolesMenuViewModel::presetColors().last() });

        QAccessibleInterface* group = QAccessible::queryAccessibleInterface(child<QWidget>(&editor, "colorPalette"));
        QCOMPARE(group->role(), QAccessible::Grouping);
        QCOMPARE(group->text(QAccessible::Name), Localized::text("roles.color"));
        QStringList heard;
        for (ColorSwatch* swatch : swatches) {
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(swatch);
            QCOMPARE(face->role(), QAccessible::RadioButton);
            QCOMPARE(face->state().checked, swatch == swatches.last());
            heard << face->text(QAccessible::Name);
        }
        QCOMPARE(heard, (QStringList { Localized::text("roles.color_blue"), Localized::text("roles.color_green"),
                                       Localized::text("roles.color_orange"), Localized::text("roles.color_red"),
                                       Localized::text("roles.color_purple"), Localized::text("roles.color_teal"),
                                       Localized::text("roles.color_pink"), Localized::text("roles.color_gray") }));

        // Up and Down go round as Left and Right do; right to left, Left and Right
        // swap; a screen reader's press chooses the colour it names.
        const QStringList colors = GroupRolesMenuViewModel::presetColors();
        QTest::keyClick(swatches.last(), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), swatches.at(0));
        QCOMPARE(marked(&editor), QStringList { colors.at(0) });
        QTest::keyClick(swatches.at(0), Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), swatches.last());
        QAccessibleInterface* third = QAccessible::queryAccessibleInterface(swatches.at(2));
        QCOMPARE(third->actionInterface()->actionNames(), QStringList { QAccessibleActionInterface::pressAction() });
        third->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(marked(&editor), QStringList { colors.at(2) });
        QVERIFY(third->state().checked);
        editor.setLayoutDirection(Qt::RightToLeft);
        QTest::keyClick(swatches.at(2), Qt::Key_Right);
        QCOMPARE(marked(&editor), QStringList { colors.at(1) });
        QTest::keyClick(swatches.at(1), Qt::Key_Left);
        QCOMPARE(marked(&editor), QStringList { colors.at(2) });
    }

    void ownerCreatesAndAssigns_data()
    {
        QTest::addColumn<bool>("byReturn");
        QTest::newRow("save button") << false;
        QTest::newRow("return in the name") << true;
    }

    // The owner creates a role from the header menu, then hands it to a member.
    void ownerCreatesAndAssigns()
    {
        QFETCH(bool, byReturn);
        ClientStack stack;
        stack.server.respond(procedure("groups.getMembers"),
            ok(R"([{"userId":1,"name":"Ann","role":"owner"},{"userId":2,"role":"member"},{"userId":3,"name":"Li","role":"admin"}])"));
        QWidget window;
        QDialog* assign = createRole(stack, window, byReturn);
        QVERIFY(assign);
        QCOMPARE(assign->windowTitle(), printfFormat(Localized::text("roles.assign_title"), { u"Guides"_s }));
        QCOMPARE(child<QLabel>(assign, "sheetHeading")->text(), assign->windowTitle());

        auto* list = child<QListView>(assign, "memberList");
        const QAbstractItemModel* rows = list->model();
        QTRY_COMPARE(rows->rowCount(), 3);
        auto at = [rows](int row, int role) { return rows->index(row, 0).data(role); };
        QStringList standings;
        for (int row = 0; row < rows->rowCount(); ++row)
            standings << at(row, MemberAssignmentModel::StandingRole).toString();
        QCOMPARE(standings, (QStringList { Localized::text("group.owner"), QString(), Localized::text("group.admin") }));
        QCOMPARE(at(1, Qt::DisplayRole).toString(), Localized::text("default.unknown"));
        list->viewport()->grab();
        QCOMPARE(testsupport::rowsLeavingPainterChanged(list), QString());
        // As painted: the 32-point avatar, 10 to its right the name in body type over the
        // grey caption-2 standing, 2 apart, the pair centred on the avatar; an empty grey
        // ring at the trailing edge for a member without the role. In English: a line
        // of one script has one font's ascent and descent to measure by.
        const AppLanguage language = LocalizationManager::shared().currentLanguage();
        LocalizationManager::shared().setLanguage(AppLanguage::en);
        const auto restore = qScopeGuard([language] { LocalizationManager::shared().setLanguage(language); });
        for (int row : { 0, 1 }) {
            const QModelIndex index = rows->index(row, 0);
            QStyleOptionViewItem option;
            option.initFrom(list->viewport());
            option.rect = QRect(QPoint(), list->visualRect(index).size());
            // The painter may come with a fill of the row before: the ring stays empty all the same.
            const Painting painted = PaintLog::record(option.rect.size(), [&](QPainter* painter) {
                testsupport::markPainter(painter);
                painter->setBrush(QColor(4, 5, 6));
                list->itemDelegateForIndex(index)->paint(painter, option, index);
            });
            QVERIFY(!painted.shapes().isEmpty());
            const QRectF avatar = painted.shapes().first().rect;
            QCOMPARE(avatar.size(), QSizeF(32, 32));
            QVERIFY(qAbs(avatar.center().y() - option.rect.height() / 2.0) <= 1.5);
            const std::optional<PaintedItem> name = painted.text(at(row, Qt::DisplayRole).toString());
            QVERIFY2(name, qPrintable(painted.allText()));
            QCOMPARE(name->font.pixelSize(), Appearance::font(Appearance::TextStyle::Body).pixelSize());
            QCOMPARE(name->pen, QApplication::palette().color(QPalette::Text));
            QVERIFY2(qAbs(name->rect.left() - avatar.right() - 10) <= 0.5, qPrintable(QDebug::toString(name->rect)));
            QRectF block = name->rect;
            const QString standing = at(row, MemberAssignmentModel::StandingRole).toString();
            if (!standing.isEmpty()) {
                const std::optional<PaintedItem> badge = painted.text(standing);
                QVERIFY2(badge, qPrintable(painted.allText()));
                QCOMPARE(badge->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption2).pixelSize());
                QCOMPARE(badge->pen, Appearance::secondaryText());
                QVERIFY(qAbs(badge->rect.left() - name->rect.left()) <= 0.5);
                QVERIFY2(qAbs(badge->rect.top() - name->rect.bottom() - 2) <= 1.5, qPrintable(QDebug::toString(badge->rect)));
                block = block.united(badge->rect);
            }
            QVERIFY2(qAbs(block.center().y() - avatar.center().y()) <= 1.5, qPrintable(QDebug::toString(block)));
            std::optional<PaintedItem> mark;
            for (const PaintedItem& shape : painted.shapes()) {
                if (shape.rect.left() > name->rect.right() && shape.rect.width() < 40 && shape.rect.height() < 40)
                    mark = shape;
            }
            QVERIFY(mark);
            const PaintedItem ring = *mark;
            QCOMPARE(ring.pen, Appearance::secondaryText());
            QVERIFY(!ring.brush.isValid());
            QVERIFY(ring.rect.left() > name->rect.right());
            QVERIFY(option.rect.width() - ring.rect.right() <= 16);
            QVERIFY(qAbs(ring.rect.center().y() - avatar.center().y()) <= 1.5);
        }

        QVERIFY(!at(1, MemberAssignmentModel::AssignedRole).toBool());
        QCOMPARE(list->cursor().shape(), Qt::PointingHandCursor);
        QSignalSpy changed(rows, &QAbstractItemModel::dataChanged);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(rows->index(1, 0)).center());
        QTRY_VERIFY(at(1, MemberAssignmentModel::AssignedRole).toBool());
        QCOMPARE(stack.requestCount(procedure("groupRole.assign")), 1);
        QCOMPARE(stack.lastInput("groupRole.assign").toObject().value(u"targetUserId"_s), QJsonValue(2));
        // Only the clicked member's mark is repainted.
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toModelIndex().row(), 1);
        if (!byReturn) {
            QVERIFY(QTest::qWaitForWindowExposed(assign));
            VERIFY_SNAPSHOT(assign, u"role-assign"_s);
        }
    }

    // The members by keyboard: Return (or the row menu's one entry, named for what
    // it will do) gives or takes back the role of the current member.
    void assignByKeyboard()
    {
        ClientStack stack;
        QByteArray members = "[";
        for (int id = 1; id <= 30; ++id)
            members += QByteArray(id > 1 ? "," : "") + QString::asprintf("{\"userId\":%d,\"name\":\"M%d\",\"role\":\"member\"}", id, id).toUtf8();
        stack.server.respond(procedure("groups.getMembers"), ok(members + "]"));
        stack.server.respond(procedure("groupRole.remove"), ok(R"({"success":true})"));
        QWidget window;
        QDialog* assign = createRole(stack, window);
        QVERIFY(assign);
        auto* list = child<QListView>(assign, "memberList");
        QTRY_COMPARE(list->model()->rowCount(), 30);
        LISTKEYS(listkeys::walkWholeList(list));
        LISTKEYS(listkeys::tabsThrough(list));

        listkeys::key(list, Qt::Key_End);
        const QModelIndex last = list->currentIndex();
        QCOMPARE(last.data(Qt::AccessibleTextRole).toString(), u"M30"_s);
        QCOMPARE(last.data(Qt::AccessibleDescriptionRole).toString(), Localized::text("roles.assign_member"));
        listkeys::key(list, Qt::Key_Return);
        QTRY_VERIFY(last.data(MemberAssignmentModel::AssignedRole).toBool());
        QCOMPARE(stack.requestCount(procedure("groupRole.assign")), 1);
        QCOMPARE(stack.lastInput("groupRole.assign").toObject().value(u"targetUserId"_s), QJsonValue(30));
        QCOMPARE(last.data(Qt::AccessibleDescriptionRole).toString(), Localized::text("roles.unassign_member"));
        QCOMPARE(listkeys::menuOf(list), QStringList { u"toggle"_s });
        QVERIFY(listkeys::choose(list, u"toggle"_s));
        QTRY_VERIFY(!last.data(MemberAssignmentModel::AssignedRole).toBool());
        QCOMPARE(stack.requestCount(procedure("groupRole.remove")), 1);
        QCOMPARE(stack.lastInput("groupRole.remove").toObject().value(u"targetUserId"_s), QJsonValue(30));
        QCOMPARE(stack.requestCount(procedure("groupRole.assign")), 1);

        // Space turns it too, and a screen reader reads each row as a check box.
        QAccessibleInterface* cell = QAccessible::queryAccessibleInterface(list)->tableInterface()->cellAt(last.row(), 0);
        QVERIFY(cell && cell->state().checkable && !cell->state().checked);
        listkeys::key(list, Qt::Key_Space);
        QTRY_VERIFY(last.data(MemberAssignmentModel::AssignedRole).toBool());
        QCOMPARE(stack.requestCount(procedure("groupRole.assign")), 2);
        QVERIFY(cell->state().checked);

        // Done, under the list, is the next Tab stop, and closes the sheet.
        QPointer<QDialog> sheet(assign);
        QApplication::setActiveWindow(assign);
        list->setFocus(Qt::TabFocusReason);
        QTest::keyClick(list, Qt::Key_Tab);
        auto* done = child<QPushButton>(assign, "doneButton");
        QCOMPARE(QApplication::focusWidget(), done);
        QVERIFY(done->isVisible());
        QTest::keyClick(done, Qt::Key_Space);
        QTRY_VERIFY(!sheet);
    }

    // A group without members: the grey "person.slash" symbol 8 over the grey words,
    // both centred, in place of the list.
    void noMembers()
    {
        ClientStack stack;
        stack.server.respond(procedure("groups.getMembers"), ok("[]"));
        QWidget window;
        QDialog* assign = createRole(stack, window);
        QVERIFY(assign);
        auto* empty = child<QWidget>(assign, "emptyMembers");
        QVERIFY(empty);
        QTRY_VERIFY(empty->isVisible());
        QVERIFY(!child<QListView>(assign, "memberList")->isVisible());
        QLabel* words = nullptr;
        QLabel* symbol = nullptr;
        for (QLabel* label : empty->findChildren<QLabel*>()) {
            if (label->text() == Localized::text("roles.no_members"))
                words = label;
            else if (!label->property("symbol").toString().isEmpty())
                symbol = label;
        }
        QVERIFY(words && symbol);
        QCOMPARE(symbol->property("symbol").toString(), u"person.slash"_s);
        QCOMPARE(words->palette().color(QPalette::WindowText), Appearance::secondaryText());
        QCOMPARE(words->geometry().top() - symbol->geometry().bottom() - 1, 8);
        QVERIFY(qAbs(words->geometry().center().x() - empty->width() / 2) <= 1);
        QVERIFY(qAbs(symbol->geometry().center().x() - empty->width() / 2) <= 1);
        QVERIFY(QTest::qWaitForWindowExposed(assign));
        VERIFY_SNAPSHOT(assign, u"role-assign-none"_s);
    }

    // The menu hangs from the button at the window's right edge inwards, not past
    // it, and opens with its entry current: Return on it opens the editor.
    void menuOpensInsideOnItsEntry()
    {
        ClientStack stack;
        stack.server.respond(procedure("groups.list"), ok(R"([{"id":3,"conversationId":30,"name":"Hikers","ownerId":1}])"));
        QWidget window;
        window.resize(400, 300);
        auto* button = new GroupRolesButton(new GroupRolesMenuViewModel(30, 1, &stack.groups), &window);
        window.show();
        QTRY_VERIFY(button->isVisible());
        QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);
        button->move(window.width() - button->width(), 0);
        button->setFocus(Qt::TabFocusReason);
        QTest::keyClick(button, Qt::Key_Space);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QCOMPARE(menu, button->rolesMenu());
        QCOMPARE(menu->geometry().right(), button->mapToGlobal(QPoint(button->width() - 1, 0)).x());
        QVERIFY(menu->geometry().right() <= window.geometry().right());
        QVERIFY(menu->activeAction());
        QCOMPARE(menu->activeAction()->objectName(), u"createRoleAction"_s);
        QTest::keyClick(menu, Qt::Key_Return);
        QTRY_VERIFY(button->openSheet() && button->openSheet()->isVisible());
        button->openSheet()->close();
    }

    void hiddenFromMembers()
    {
        ClientStack stack;
        stack.server.respond(procedure("groups.list"), ok(R"([{"id":3,"conversationId":30,"name":"Hikers","ownerId":7}])"));
        QWidget window;
        auto* button = new GroupRolesButton(new GroupRolesMenuViewModel(30, 1, &stack.groups), &window);
        window.show();
        QTRY_COMPARE(stack.requestCount(procedure("groups.list")), 1);
        QVERIFY(stack.roundTrip());
        QVERIFY(button->isHidden());
    }
};

QTEST_MAIN(TestGroupRoleViews)
#include "tst_group_role_views.moc"
