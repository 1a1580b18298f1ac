// The group-role screens' state: the colour parser, the editor's prefill and
// what it sends, member assignment, and who is offered the role menu.

#include "ClientStack.h"

#include "state/contacts/AssignRoleViewModel.h"
#include "state/contacts/GroupRoleDetailViewModel.h"
#include "state/contacts/GroupRolesMenuViewModel.h"
#include "state/contacts/HexColor.h"

using namespace Qt::StringLiterals;

namespace {

const RecordingHttpServer::Reply refused { 400, R"({"error":"refused"})" };
const RecordingHttpServer::Reply done = ok(R"({"success":true})");

QJsonObject permissions(bool send, bool invite, bool pin, bool announce, bool manage)
{
    return QJsonObject { { u"canSendMessage"_s, send }, { u"canInvite"_s, invite }, { u"canPin"_s, pin },
        { u"canAnnounce"_s, announce }, { u"canManageMembers"_s, manage } };
}

GroupMember member(qint64 userId, std::optional<QString> role = std::nullopt)
{
    GroupMember m;
    m.userId = userId;
    m.role = std::move(role);
    return m;
}

} // namespace

class TestGroupRoles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void hexColor_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<quint32>("rgb");
        QTest::newRow("plain") << u"#4A90D9"_s << 0x4A90D9u;
        QTest::newRow("no hash") << u"4a90d9"_s << 0x4A90D9u;
        QTest::newRow("several hashes at both ends") << u"##4A90D9###"_s << 0x4A90D9u;
        QTest::newRow("0x prefix") << u"0x4A90D9"_s << 0x4A90D9u;
        QTest::newRow("0X after hash") << u"#0X00FF00"_s << 0x00FF00u;
        QTest::newRow("leading blanks") << u"#  1234"_s << 0x001234u;
        QTest::newRow("three digits read as a number") << u"#FFF"_s << 0x000FFFu;
        QTest::newRow("more than six digits keep the last six") << u"#12345678"_s << 0x345678u;
        QTest::newRow("stops at the first non-digit") << u"#12G456"_s << 0x000012u;
        QTest::newRow("hash in the middle stops") << u"#12#34"_s << 0x000012u;
        QTest::newRow("overflow reads as all ones") << u"#1234567890ABCDEF1"_s << 0xFFFFFFu;
        QTest::newRow("sixteen digits still fit") << u"#8000000000000001"_s << 0x000001u;
        QTest::newRow("a leading zero keeps seventeen in range") << u"#0FFFFFFFFFFFFFFF0"_s << 0xFFFFF0u;
        QTest::newRow("empty") << u""_s << 0u;
        QTest::newRow("only hashes") << u"###"_s << 0u;
        QTest::newRow("not hex") << u"#zz"_s << 0u;
    }

    void hexColor()
    {
        QFETCH(QString, text);
        QFETCH(quint32, rgb);
        QCOMPARE(HexColor::rgb(text), rgb);
    }

    void prefill_data()
    {
        QTest::addColumn<std::optional<QString>>("color");
        QTest::addColumn<std::optional<GroupService::Permissions>>("stored");
        QTest::addColumn<QString>("selectedColor");
        QTest::addColumn<QJsonObject>("shown");
        QTest::newRow("no colour, no map") << std::optional<QString>() << std::optional<GroupService::Permissions>()
                                           << u"#4A90D9"_s << permissions(true, false, false, false, false);
        QTest::newRow("only pin in the map")
            << std::optional<QString>(u"#E74C3C"_s) << std::optional(GroupService::Permissions { { u"canPin"_s, true } })
            << u"#E74C3C"_s << permissions(true, false, true, false, false);
        QTest::newRow("send taken away")
            << std::optional<QString>(u"#123456"_s)
            << std::optional(GroupService::Permissions { { u"canSendMessage"_s, false }, { u"canManageMembers"_s, true } })
            << u"#123456"_s << permissions(false, false, false, false, true);
    }

    // What an existing role shows, and that saving it sends all five keys.
    void prefill()
    {
        QFETCH(std::optional<QString>, color);
        QFETCH(std::optional<GroupService::Permissions>, stored);
        QFETCH(QString, selectedColor);
        QFETCH(QJsonObject, shown);
        ClientStack stack;
        stack.server.respond(procedure("groupRole.update"), done);
        GroupService::GroupRole role { 9, 3, u"Mods"_s, color, stored };
        GroupRoleDetailViewModel model(3, 30, role, GroupRolesMenuViewModel::presetColors(), &stack.groups);
        QSignalSpy refreshed(&model, &GroupRoleDetailViewModel::changed);
        model.prefill();
        QCOMPARE(refreshed.count(), 1);
        QCOMPARE(model.name(), u"Mods"_s);
        QCOMPARE(model.selectedColor(), selectedColor);
        QSignalSpy saved(&model, &GroupRoleDetailViewModel::saved);
        testsupport::runTask(model.save());
        QCOMPARE(stack.lastInput("groupRole.update"),
            QJsonValue(QJsonObject { { u"roleId"_s, 9 }, { u"groupId"_s, 3 }, { u"name"_s, u"Mods"_s },
                { u"color"_s, selectedColor }, { u"permissions"_s, shown } }));
        QCOMPARE(saved.count(), 1);
    }

    void createSendsTrimmedNameAndEveryPermission_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("sent");
        QTest::newRow("spaces and tabs around") << u" \tHelpers \t"_s << u"Helpers"_s;
        QTest::newRow("inner spaces stay") << u"Night owls"_s << u"Night owls"_s;
        QTest::newRow("blank") << u"  \t "_s << u""_s;
        // Only spaces and tabs are trimmed: a line break is part of the name.
        QTest::newRow("line breaks stay") << u" \nHelpers\r\n "_s << u"\nHelpers\r\n"_s;
        QTest::newRow("a line break alone") << u"\t\n\t"_s << u"\n"_s;
    }

    void createSendsTrimmedNameAndEveryPermission()
    {
        QFETCH(QString, typed);
        QFETCH(QString, sent);
        ClientStack stack;
        stack.server.respond(procedure("groupRole.create"), ok(R"({"id":12,"groupId":3,"name":"Helpers"})"));
        GroupRoleDetailViewModel model(3, 30, std::nullopt, GroupRolesMenuViewModel::presetColors(), &stack.groups);
        QSignalSpy changed(&model, &GroupRoleDetailViewModel::changed);
        model.setName(typed);
        model.setSelectedColor(u"#50C878"_s);
        model.setPermission(u"canInvite"_s, true);
        // The same again, or a key that is no switch, changes nothing.
        model.setName(typed);
        model.setSelectedColor(u"#50C878"_s);
        model.setPermission(u"canInvite"_s, true);
        model.setPermission(u"canFly"_s, true);
        QCOMPARE(changed.count(), 3);
        QCOMPARE(model.canSave(), !sent.isEmpty());
        QSignalSpy saved(&model, &GroupRoleDetailViewModel::saved);
        testsupport::runTask(model.save());
        if (sent.isEmpty()) {
            QCOMPARE(stack.requestCount(procedure("groupRole.create")), 0);
            QCOMPARE(saved.count(), 0);
            return;
        }
        QCOMPARE(stack.lastInput("groupRole.create"),
            QJsonValue(QJsonObject { { u"groupId"_s, 3 }, { u"name"_s, sent }, { u"color"_s, u"#50C878"_s },
                { u"permissions"_s, permissions(true, true, false, false, false) } }));
        QCOMPARE(saved.count(), 1);
        QVERIFY(!model.isSaving());
        const auto created = saved.at(0).at(0).value<std::optional<GroupService::GroupRole>>();
        QVERIFY(created);
        QCOMPARE(created->id, 12);
    }

    void failedSaveKeepsTheInput()
    {
        ClientStack stack;
        stack.server.respond(procedure("groupRole.create"), refused);
        GroupRoleDetailViewModel model(3, 30, std::nullopt, GroupRolesMenuViewModel::presetColors(), &stack.groups);
        model.setName(u"Helpers"_s);
        QSignalSpy saved(&model, &GroupRoleDetailViewModel::saved);
        QSignalSpy savingShown(&model, &GroupRoleDetailViewModel::isSavingChanged);
        testsupport::runTask(model.save());
        QCOMPARE(savingShown.count(), 2);
        QCOMPARE(saved.count(), 0);
        QCOMPARE(model.errorText(), u"refused"_s);
        QCOMPARE(model.name(), u"Helpers"_s);
        QVERIFY(!model.isSaving());
        QVERIFY(model.canSave());

        // Closing the alert clears it, said once; closing it again says nothing.
        QSignalSpy errorShown(&model, &GroupRoleDetailViewModel::errorMessageChanged);
        model.clearError();
        QVERIFY(!model.errorMessage());
        model.clearError();
        QCOMPARE(errorShown.count(), 1);
    }

    void standing_data()
    {
        QTest::addColumn<std::optional<QString>>("role");
        QTest::addColumn<std::optional<QString>>("key");
        QTest::newRow("none") << std::optional<QString>() << std::optional<QString>();
        QTest::newRow("member") << std::optional<QString>(u"member"_s) << std::optional<QString>();
        QTest::newRow("owner") << std::optional<QString>(u"owner"_s) << std::optional<QString>(u"group.owner"_s);
        QTest::newRow("admin") << std::optional<QString>(u"admin"_s) << std::optional<QString>(u"group.admin"_s);
        QTest::newRow("anything else") << std::optional<QString>(u"Owner"_s) << std::optional<QString>(u"group.admin"_s);
    }

    void standing()
    {
        QFETCH(std::optional<QString>, role);
        QFETCH(std::optional<QString>, key);
        QCOMPARE(AssignRoleViewModel::standingKey(member(1, role)), key);
    }

    // The mark follows the server: it changes only when the call succeeded.
    void toggle_data()
    {
        QTest::addColumn<bool>("wasAssigned");
        QTest::addColumn<RecordingHttpServer::Reply>("reply");
        QTest::addColumn<bool>("assignedAfter");
        QTest::newRow("assign") << false << done << true;
        QTest::newRow("remove") << true << done << false;
        QTest::newRow("assign refused") << false << refused << false;
        QTest::newRow("remove refused") << true << refused << true;
    }

    void toggle()
    {
        QFETCH(bool, wasAssigned);
        QFETCH(RecordingHttpServer::Reply, reply);
        QFETCH(bool, assignedAfter);
        ClientStack stack;
        const char* name = wasAssigned ? "groupRole.remove" : "groupRole.assign";
        stack.server.respond(procedure(name), reply);
        QSet<qint64> assigned;
        if (wasAssigned)
            assigned.insert(8);
        AssignRoleViewModel model(3, 30, GroupService::GroupRole { 12, 3, u"Helpers"_s, {}, {} }, assigned, &stack.groups);
        QSignalSpy marks(&model, &AssignRoleViewModel::assignmentsChanged);
        testsupport::runTask(model.toggle(member(8), wasAssigned));
        QCOMPARE(marks.count(), reply.status == 200 ? 1 : 0);
        QCOMPARE(stack.lastInput(name), QJsonValue(QJsonObject { { u"groupId"_s, 3 }, { u"targetUserId"_s, 8 }, { u"roleId"_s, 12 } }));
        QCOMPARE(model.isAssigned(8), assignedAfter);
        QCOMPARE(model.errorMessage().has_value(), reply.status != 200);
        // Closing the alert clears it, said once; closing it again says nothing.
        QSignalSpy errorShown(&model, &AssignRoleViewModel::errorMessageChanged);
        model.clearError();
        model.clearError();
        QVERIFY(!model.errorMessage());
        QCOMPARE(errorShown.count(), reply.status != 200 ? 1 : 0);
    }

    void membersLoadByConversation_data()
    {
        QTest::addColumn<bool>("firstFails");
        QTest::newRow("loaded, then a reload fails") << false;
        // The list stops waiting and says why; it does not stay a spinner.
        QTest::newRow("the first load fails") << true;
    }
    void membersLoadByConversation()
    {
        QFETCH(bool, firstFails);
        ClientStack stack;
        if (!firstFails)
            stack.server.respondOnce(procedure("groups.getMembers"), ok(R"([{"userId":1,"role":"owner"},{"userId":2}])"));
        stack.server.respond(procedure("groups.getMembers"), refused);
        AssignRoleViewModel model(3, 30, GroupService::GroupRole { 12, 3, u"H"_s, {}, {} }, {}, &stack.groups);
        QVERIFY(model.isLoading());
        QSignalSpy loading(&model, &AssignRoleViewModel::isLoadingChanged);
        QSignalSpy listed(&model, &AssignRoleViewModel::membersChanged);
        testsupport::runTask(model.loadMembers());
        QCOMPARE(listed.count(), firstFails ? 0 : 1);
        QCOMPARE(stack.lastInput("groups.getMembers"), QJsonValue(QJsonObject { { u"conversationId"_s, 30 } }));
        QVERIFY(!model.isLoading());
        QCOMPARE(loading.size(), 1);
        if (firstFails) {
            QVERIFY(model.members().isEmpty());
            QCOMPARE(model.errorText(), u"refused"_s);
            return;
        }
        QCOMPARE(model.members().size(), 2);
        // A failed load keeps what was listed and says why.
        testsupport::runTask(model.loadMembers());
        QCOMPARE(model.members().size(), 2);
        QCOMPARE(model.errorText(), u"refused"_s);
    }

    // Only the owner of the group behind the conversation is offered the role screens.
    void ownership_data()
    {
        QTest::addColumn<RecordingHttpServer::Reply>("groups");
        QTest::addColumn<std::optional<qint64>>("groupId");
        const QByteArray list = R"([{"id":3,"conversationId":31,"name":"A","ownerId":1},)"
                                R"({"id":4,"conversationId":30,"name":"B","ownerId":1},)"
                                R"({"id":5,"conversationId":32,"name":"C","ownerId":7}])";
        QTest::newRow("owner") << ok(list) << std::optional<qint64>(4);
        QTest::newRow("member only") << ok(R"([{"id":4,"conversationId":30,"name":"B","ownerId":7}])") << std::optional<qint64>();
        QTest::newRow("list fails") << refused << std::optional<qint64>();
    }

    void ownership()
    {
        QFETCH(RecordingHttpServer::Reply, groups);
        QFETCH(std::optional<qint64>, groupId);
        ClientStack stack;
        stack.server.respond(procedure("groups.list"), groups);
        // Asked again, as the conversation opens again: the newest answer decides.
        stack.server.respondOnce(procedure("groups.list"), ok(R"([{"id":4,"conversationId":30,"name":"B","ownerId":1}])"));
        GroupRolesMenuViewModel model(30, 1, &stack.groups);
        QSignalSpy resolved(&model, &GroupRolesMenuViewModel::resolved);
        testsupport::runTask(model.resolve());
        QCOMPARE(model.groupId(), std::optional<qint64>(4));
        if (groups.status != 200)
            QTest::ignoreMessage(QtWarningMsg, "[GroupRoles] Group list failed: refused");
        testsupport::runTask(model.resolve());
        QCOMPARE(model.groupId(), groupId);
        QCOMPARE(model.isOwner(), groupId.has_value());
        QCOMPARE(resolved.count(), 2);
    }

    // A swatch is named by its preset, whatever the letters' case; any other colour by the word alone.
    void colorNames_data()
    {
        QTest::addColumn<QString>("hex");
        QTest::addColumn<QString>("key");
        QTest::newRow("first preset") << u"#4A90D9"_s << u"roles.color_blue"_s;
        QTest::newRow("lower case") << u"#e74c3c"_s << u"roles.color_red"_s;
        QTest::newRow("last preset") << u"#607D8B"_s << u"roles.color_gray"_s;
        QTest::newRow("not a preset") << u"#123456"_s << u"roles.color"_s;
        QTest::newRow("without the hash") << u"4A90D9"_s << u"roles.color"_s;
    }
    void colorNames()
    {
        QFETCH(QString, hex);
        QFETCH(QString, key);
        QCOMPARE(QString::fromLatin1(GroupRolesMenuViewModel::colorNameKey(hex)), key);
    }
};

QTEST_GUILESS_MAIN(TestGroupRoles)
#include "tst_group_roles.moc"
