#include "ClientStack.h"

#include "models/WSMessage.h"
#include "state/ContactListViewModel.h"
#include "state/LetterIndex.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace {

QByteArray contactsJson(const QList<std::pair<qint64, QString>>& entries)
{
    QJsonArray list;
    for (const auto& [contactId, nickname] : entries)
        list.append(QJsonObject { { u"id"_s, contactId + 1000 },
                                  { u"userId"_s, 1 },
                                  { u"contactId"_s, contactId },
                                  { u"nickname"_s, nickname } });
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}

const QByteArray oneGroup = R"([{"id":5,"conversationId":50,"name":"Team","ownerId":1}])";

Contact contact(qint64 id, std::optional<QString> nickname, std::optional<QString> name = std::nullopt)
{
    Contact c;
    c.id = id;
    c.contactId = 100 + id;
    c.nickname = std::move(nickname);
    c.name = std::move(name);
    return c;
}

QList<qint64> ids(const ContactSection& section)
{
    QList<qint64> result;
    for (const Contact& c : section.contacts)
        result << c.id;
    return result;
}

QStringList letters(const QList<ContactSection>& sections)
{
    QStringList result;
    for (const ContactSection& s : sections)
        result << s.letter;
    return result;
}

struct Fixture {
    ClientStack stack;
    ContactListViewModel model { ContactListViewModel::Dependencies { &stack.contacts, &stack.groups, &stack.ws } };

    void load() { testsupport::runTask(model.loadContacts()); }
    int loads() const { return stack.requestCount(procedure("contacts.list")); }
};

} // namespace

class TestContactList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void letterOfName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("letter");

        QTest::newRow("ascii lower") << u"alice"_s << u"A"_s;
        QTest::newRow("accented") << u"Émile"_s << u"E"_s;
        QTest::newRow("decomposed accent") << u"a\u0301ngel"_s << u"A"_s;
        QTest::newRow("chinese") << u"张伟"_s << u"Z"_s;
        QTest::newRow("surname reading") << u"曾小贤"_s << u"Z"_s;
        QTest::newRow("cyrillic") << u"Иван"_s << u"I"_s;
        QTest::newRow("greek") << u"Ωmega"_s << u"O"_s;
        QTest::newRow("japanese kana") << u"さくら"_s << u"S"_s;
        QTest::newRow("sharp s") << u"ßeta"_s << u"SS"_s;
        QTest::newRow("stroke L") << u"Łukasz"_s << u"Ł"_s;
        QTest::newRow("digits") << u"42"_s << u"#"_s;
        QTest::newRow("emoji") << u"😀x"_s << u"#"_s;
        QTest::newRow("flag emoji") << u"🇨🇳China"_s << u"#"_s;
        QTest::newRow("leading space") << u" bob"_s << u"#"_s;
        QTest::newRow("punctuation") << u"_x"_s << u"#"_s;
        QTest::newRow("empty") << u""_s << u"#"_s;
    }

    void letterOfName()
    {
        QFETCH(QString, name);
        QFETCH(QString, letter);
        QCOMPARE(letterIndex::letterFor(name), letter);
    }

    void sectionsInLetterOrder()
    {
        const QList<ContactSection> sections = ContactSection::build({
            contact(1, u"bob"_s),
            contact(2, std::nullopt, u"Alice"_s),
            contact(3, u"张三"_s),
            contact(4, u"😀x"_s),
            contact(5, u"Łukasz"_s),
            contact(6, std::nullopt),
            contact(7, u""_s, u"Zed"_s),
        });
        QCOMPARE(letters(sections), (QStringList { u"#"_s, u"A"_s, u"B"_s, u"W"_s, u"Z"_s, u"Ł"_s }));
        QCOMPARE(ids(sections[0]), (QList<qint64> { 7, 4 })); // "" sorts before "😀x"
        QCOMPARE(ids(sections[3]), QList<qint64> { 6 });    // shown as 未知用户
    }

    void contactsInOrdinalStableOrder()
    {
        const QList<ContactSection> sections = ContactSection::build({
            contact(1, u"adam"_s),
            contact(2, u"Ann"_s),
            contact(3, u"Ava"_s),
            contact(4, u"Adam"_s),
            contact(5, u"Ann"_s),
        });
        QCOMPARE(sections.size(), 1);
        QCOMPARE(ids(sections[0]), (QList<qint64> { 4, 2, 5, 3, 1 }));
    }

    void loadsAllThreeAndSections()
    {
        Fixture f;
        f.stack.server.respond(procedure("contacts.list"),
                               ok(contactsJson({ { 1, u"bob"_s }, { 2, u"Alice"_s }, { 3, u"张三"_s }, { 4, u"😀x"_s } })));
        f.stack.server.respond(procedure("groups.list"), ok(oneGroup));
        f.stack.server.respond(procedure("contacts.getPendingRequestCount"), { 500, "{}" });
        f.load();
        QCOMPARE(letters(f.model.sections()), (QStringList { u"#"_s, u"A"_s, u"B"_s, u"Z"_s }));
        QCOMPARE(f.model.groups().size(), 1);
        QCOMPARE(f.model.pendingRequestCount(), 0);
        QVERIFY(!f.model.error());
        QVERIFY(!f.model.isLoading());
    }

    void failedGroupsKeepTheOldSectionsAndTheErrorStays()
    {
        Fixture f;
        f.stack.server.respondOnce(procedure("contacts.list"), ok(contactsJson({ { 1, u"bob"_s } })));
        f.stack.server.respond(procedure("groups.list"), ok(oneGroup));
        f.stack.server.respond(procedure("contacts.getPendingRequestCount"), ok("3"));
        f.load();
        QCOMPARE(f.model.pendingRequestCount(), 3);

        f.stack.server.respondOnce(procedure("contacts.list"), ok(contactsJson({ { 1, u"bob"_s }, { 2, u"ann"_s } })));
        f.stack.server.respondOnce(procedure("groups.list"), { 500, R"({"error":"down"})" });
        f.stack.server.respond(procedure("contacts.getPendingRequestCount"), ok("9"));
        f.load();
        QCOMPARE(f.model.contacts().size(), 2);
        QCOMPARE(letters(f.model.sections()), QStringList { u"B"_s });
        QCOMPARE(f.model.groups().size(), 1);
        QCOMPARE(f.model.pendingRequestCount(), 3);
        QCOMPARE(f.model.error(), std::optional<QString>(u"down"_s));
        QVERIFY(!f.model.isLoading());

        f.stack.server.respond(procedure("contacts.list"), ok(contactsJson({ { 2, u"ann"_s } })));
        f.load();
        QCOMPARE(letters(f.model.sections()), QStringList { u"A"_s });
        QCOMPARE(f.model.error(), std::optional<QString>(u"down"_s));
    }

    void presenceUpdatesEveryMatchingContact()
    {
        Fixture f;
        f.stack.server.respond(procedure("contacts.list"),
                               ok(contactsJson({ { 7, u"bob"_s }, { 8, u"ann"_s }, { 7, u"bobby"_s } })));
        f.stack.server.respond(procedure("groups.list"), ok("[]"));
        f.stack.server.respond(procedure("contacts.getPendingRequestCount"), ok("0"));
        f.load();
        QSignalSpy rebuilt(&f.model, &ContactListViewModel::sectionsChanged);

        Q_EMIT f.stack.ws.presenceSubject(99, true);
        QTest::qWait(20);
        QCOMPARE(rebuilt.count(), 0);

        Q_EMIT f.stack.ws.presenceSubject(7, true);
        QTRY_COMPARE(rebuilt.count(), 1);
        int online = 0;
        for (const Contact& c : f.model.contacts())
            online += c.online.value_or(false) ? 1 : 0;
        QCOMPARE(online, 2);
        QCOMPARE(f.model.sections().at(1).contacts.at(0).online, std::optional<bool>(true));
    }

    void onlyAnAcceptedFriendRequestReloads()
    {
        Fixture f;
        f.stack.server.respond(procedure("contacts.list"), ok("[]"));
        f.stack.server.respond(procedure("groups.list"), ok("[]"));
        f.stack.server.respond(procedure("contacts.getPendingRequestCount"), ok("1"));
        WSMessage incoming;
        incoming.type = u"friend_request"_s;
        Q_EMIT f.stack.ws.friendRequestSubject(incoming);
        QTest::qWait(50);
        QCOMPARE(f.loads(), 0);
        WSMessage accepted;
        accepted.type = u"friend_request_accepted"_s;
        Q_EMIT f.stack.ws.friendRequestSubject(accepted);
        QTRY_COMPARE(f.model.pendingRequestCount(), 1);
        QCOMPARE(f.loads(), 1);
    }

    void onlyTheNewestOverlappingLoadApplies()
    {
        Fixture f;
        f.stack.server.respondOnce(procedure("contacts.list"),
                                   { 200, envelope(contactsJson({ { 1, u"old"_s } })), {}, true });
        f.stack.server.respond(procedure("contacts.list"), ok(contactsJson({ { 2, u"new"_s } })));
        f.stack.server.respond(procedure("groups.list"), ok("[]"));
        f.stack.server.respond(procedure("contacts.getPendingRequestCount"), ok("0"));
        auto first = f.model.loadContacts();
        QTRY_COMPARE(f.loads(), 1);
        f.load();
        f.stack.server.release(procedure("contacts.list"));
        testsupport::runTask(std::move(first));
        QCOMPARE(f.model.contacts().size(), 1);
        QCOMPARE(f.model.contacts().at(0).contactId, 2);
        QCOMPARE(letters(f.model.sections()), QStringList { u"N"_s });
    }
};

QTEST_GUILESS_MAIN(TestContactList)
#include "tst_contact_list.moc"
