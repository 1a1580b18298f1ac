#include "ClientStack.h"

#include "models/WSMessage.h"
#include "state/contacts/ContactListViewModel.h"
#include "state/contacts/LetterIndex.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace {

QByteArray contactsJson(const QList<std::pair<qint64, QString>>& entries)
{
    QJsonArray list;
    for (const auto& [contactId, nickname] : entries)
        list.append(QJsonObject { { u"id"_s, contactId + 1000 }, { u"userId"_s, 1 },
                                  { u"contactId"_s, contactId }, { u"nickname"_s, nickname } });
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}

Contact contact(qint64 id, std::optional<QString> nickname, std::optional<QString> name = std::nullopt)
{
    Contact c;
    c.id = id;
    c.contactId = 100 + id;
    c.nickname = std::move(nickname);
    c.name = std::move(name);
    return c;
}

// "A:2,5 B:1" — letters and the contact ids under each.
QString layout(const QList<ContactSection>& sections)
{
    QStringList parts;
    for (const ContactSection& s : sections) {
        QStringList ids;
        for (const Contact& c : s.contacts)
            ids << QString::number(c.id);
        parts << s.letter + u':' + ids.join(u',');
    }
    return parts.join(u' ');
}

struct Fixture {
    ClientStack stack;
    ContactListViewModel model { ContactListViewModel::Dependencies { &stack.contacts, &stack.groups, &stack.ws } };

    explicit Fixture(const QByteArray& contacts = "[]")
    {
        stack.server.respond(procedure("contacts.list"), ok(contacts));
        stack.server.respond(procedure("groups.list"), ok(R"([{"id":5,"conversationId":50,"name":"T","ownerId":1}])"));
        stack.server.respond(procedure("contacts.getPendingRequestCount"), ok("3"));
    }
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

        QTest::newRow("accented") << u"Émile"_s << u"E"_s;
        QTest::newRow("decomposed accent") << u"a\u0301ngel"_s << u"A"_s;
        QTest::newRow("hangul leading jamo before a syllable") << u"\u1100\uAC00"_s << u"G"_s;
        // A first character longer than the finder's usual window is still read whole.
        QTest::newRow("forty accents on one letter") << u"a"_s + QString(40, QChar(0x0301)) + u"ngel"_s << u"A"_s;
        QTest::newRow("chinese") << u"张伟"_s << u"Z"_s;
        QTest::newRow("surname reading") << u"曾小贤"_s << u"Z"_s;
        QTest::newRow("cyrillic") << u"Иван"_s << u"I"_s;
        QTest::newRow("greek") << u"Ωmega"_s << u"O"_s;
        QTest::newRow("sharp s") << u"ßeta"_s << u"SS"_s;
        QTest::newRow("stroke L") << u"Łukasz"_s << u"Ł"_s;
        QTest::newRow("digits") << u"42"_s << u"#"_s;
        QTest::newRow("flag emoji") << u"🇨🇳China"_s << u"#"_s;
        QTest::newRow("leading space") << u" bob"_s << u"#"_s;
        QTest::newRow("empty") << u""_s << u"#"_s;
        // No reading known: the whole character (both halves of its pair) is the letter.
        QTest::newRow("han beyond the basic plane") << u"𠮷野家"_s << u"𠮷"_s;
        QTest::newRow("mathematical bold A") << u"𝐀lex"_s << u"A"_s;
        QTest::newRow("full-width b") << u"ｂob"_s << u"B"_s;
        // Asked twice: the remembered letter is the one first worked out.
        QTest::newRow("chinese again") << u"张三"_s << u"Z"_s;
    }

    void letterOfName()
    {
        QFETCH(QString, name);
        QFETCH(QString, letter);
        QCOMPARE(letterIndex::letterFor(name), letter);
    }

    void sections_data()
    {
        QTest::addColumn<QList<Contact>>("contacts");
        QTest::addColumn<QString>("expected");

        // "#" first, "Ł" after "Z"; a contact without any name reads as 未知用户 (W); "" sorts before "😀x".
        QTest::newRow("letter order") << QList<Contact> { contact(1, u"bob"_s), contact(2, std::nullopt, u"Alice"_s),
                                                          contact(3, u"张三"_s), contact(4, u"😀x"_s),
                                                          contact(5, u"Łukasz"_s), contact(6, std::nullopt),
                                                          contact(7, u""_s, u"Zed"_s) }
                                      << u"#:7,4 A:2 B:1 W:6 Z:3 Ł:5"_s;
        QTest::newRow("ordinal, stable") << QList<Contact> { contact(1, u"adam"_s), contact(2, u"Ann"_s),
                                                             contact(3, u"Ava"_s), contact(4, u"Adam"_s),
                                                             contact(5, u"Ann"_s) }
                                         << u"A:4,2,5,3,1"_s;
    }

    void ordinalOrder_data()
    {
        QTest::addColumn<QString>("lower");
        QTest::addColumn<QString>("higher");
        QTest::newRow("upper before lower") << u"Bob"_s << u"alice"_s;
        QTest::newRow("prefix first") << u"Ann"_s << u"Anna"_s;
        // By scalar value, not by UTF-16 unit: U+FF21 is below U+1D400 although its unit is above a surrogate.
        QTest::newRow("beyond the basic plane last") << u"\uFF21x"_s << u"𝐀x"_s;
        QTest::newRow("private use below supplementary") << u"\uE000"_s << u"𠮷"_s;
        QTest::newRow("composed equals decomposed, then longer") << u"\u00E9"_s << u"e\u0301a"_s;
    }

    void ordinalOrder()
    {
        QFETCH(QString, lower);
        QFETCH(QString, higher);
        QVERIFY(letterIndex::ordinalLess(lower, higher));
        QVERIFY(!letterIndex::ordinalLess(higher, lower));
        QVERIFY(letterIndex::ordinalKeyLess(letterIndex::ordinalKey(lower), letterIndex::ordinalKey(higher)));
    }

    // Forty contacts of one name keep the server's order, among others around them.
    void equalNamesKeepServerOrder()
    {
        QList<Contact> contacts { contact(1000, u"Ann"_s) };
        QStringList expected { u"2000"_s };
        for (int i = 0; i < 40; ++i) {
            contacts << contact(100 - i, u"Amy"_s);
            expected << QString::number(100 - i);
        }
        contacts << contact(2000, u"Al"_s);
        expected << u"1000"_s;
        QCOMPARE(layout(ContactSection::build(contacts)), u"A:"_s + expected.join(u','));
    }

    void sections()
    {
        QFETCH(QList<Contact>, contacts);
        QFETCH(QString, expected);
        QCOMPARE(layout(ContactSection::build(contacts)), expected);
    }

    // A failed part keeps its old value and its error; the others still apply.
    void failedPartsKeepTheirOldValues()
    {
        Fixture f(contactsJson({ { 1, u"bob"_s } }));
        // What the column follows, each part said as it is applied, in the fixed order.
        QStringList said;
        const auto& m = f.model;
        connect(&m, &ContactListViewModel::isLoadingChanged, this, [&] { said << u"loading %1"_s.arg(m.isLoading()); });
        connect(&m, &ContactListViewModel::contactsChanged, this, [&] { said << u"contacts %1"_s.arg(m.contacts().size()); });
        connect(&m, &ContactListViewModel::groupsChanged, this, [&] { said << u"groups %1"_s.arg(m.groups().size()); });
        connect(&m, &ContactListViewModel::pendingRequestCountChanged, this, [&] { said << u"count %1"_s.arg(m.pendingRequestCount()); });
        connect(&m, &ContactListViewModel::sectionsChanged, this, [&] { said << u"sections "_s + layout(m.sections()); });
        connect(&m, &ContactListViewModel::errorChanged, this, [&] { said << u"error "_s + m.errorText(); });
        f.load();
        QCOMPARE(f.model.pendingRequestCount(), 3);
        QVERIFY(!f.model.error());
        QCOMPARE(said, (QStringList { u"loading 1"_s, u"contacts 1"_s, u"groups 1"_s, u"count 3"_s, u"sections B:1001"_s, u"loading 0"_s }));
        said.clear();

        f.stack.server.respondOnce(procedure("contacts.list"), ok(contactsJson({ { 1, u"bob"_s }, { 2, u"ann"_s } })));
        f.stack.server.respondOnce(procedure("groups.list"), { 500, R"({"error":"down"})" });
        f.stack.server.respondOnce(procedure("contacts.getPendingRequestCount"), { 500, "{}" });
        f.load();
        QCOMPARE(f.model.contacts().size(), 2);
        QCOMPARE(layout(f.model.sections()), u"B:1001"_s);
        QCOMPARE(f.model.groups().size(), 1);
        QCOMPARE(f.model.pendingRequestCount(), 3);
        QCOMPARE(f.model.error(), std::optional<QString>(u"down"_s));
        QVERIFY(!f.model.isLoading());
        QCOMPARE(said, (QStringList { u"loading 1"_s, u"contacts 2"_s, u"error down"_s, u"loading 0"_s }));

        // The count alone failing is no error: there is no count, not the last one.
        f.stack.server.respondOnce(procedure("contacts.getPendingRequestCount"), { 500, "{}" });
        f.load();
        QCOMPARE(f.model.pendingRequestCount(), 0);
        QCOMPARE(layout(f.model.sections()), u"B:1001"_s);
    }

    void presenceUpdatesEveryMatchingContact()
    {
        Fixture f(contactsJson({ { 7, u"bob"_s }, { 8, u"ann"_s }, { 7, u"bobby"_s } }));
        f.load();
        QSignalSpy rebuilt(&f.model, &ContactListViewModel::sectionsChanged);
        QSignalSpy presence(&f.model, &ContactListViewModel::presenceChanged);
        Q_EMIT f.stack.ws.presenceSubject(99, true);
        Q_EMIT f.stack.ws.presenceSubject(7, true);
        QTRY_COMPARE(presence.count(), 1);
        QCOMPARE(presence.at(0).at(0).toLongLong(), 7);
        int online = 0;
        for (const Contact& c : f.model.contacts())
            online += c.online.value_or(false) ? 1 : 0;
        QCOMPARE(online, 2);
        QCOMPARE(f.model.sections().at(1).contacts.at(0).online, std::optional<bool>(true));
        QCOMPARE(f.model.sections().at(1).contacts.at(1).online, std::optional<bool>(true));
        QCOMPARE(f.model.sections().at(0).contacts.at(0).online, std::nullopt);
        QCOMPARE(presence.count(), 1);
        QVERIFY2(rebuilt.isEmpty(), "presence moves nobody: the sections are not rebuilt");
    }

    void onlyAnAcceptedFriendRequestReloads()
    {
        Fixture f;
        WSMessage event;
        event.type = u"friend_request"_s;
        Q_EMIT f.stack.ws.friendRequestSubject(event);
        event.type = u"friend_request_accepted"_s;
        Q_EMIT f.stack.ws.friendRequestSubject(event);
        QTRY_COMPARE(f.model.pendingRequestCount(), 3);
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(f.loads(), 1);
    }

    // A load that failed ends only once its other calls have, their results dropped:
    // nothing of a load outlives it.
    void aFailedLoadEndsAfterItsOtherCalls_data()
    {
        QTest::addColumn<QByteArray>("failing");
        QTest::newRow("contacts") << QByteArray("contacts.list");
        QTest::newRow("groups") << QByteArray("groups.list");
    }
    void aFailedLoadEndsAfterItsOtherCalls()
    {
        QFETCH(QByteArray, failing);
        Fixture f;
        f.stack.server.respondOnce(procedure(failing.constData()), { 500, R"({"error":"down"})" });
        f.stack.server.respondOnce(procedure("contacts.getPendingRequestCount"), { 200, envelope("7"), {}, true });
        auto load = f.model.loadContacts();
        QTRY_COMPARE(f.model.error(), std::optional<QString>(u"down"_s));
        QVERIFY(f.stack.roundTrip());
        QVERIFY(!load.isReady());
        f.stack.server.release(procedure("contacts.getPendingRequestCount"));
        testsupport::runTask(std::move(load));
        QCOMPARE(f.model.pendingRequestCount(), 0);
        QVERIFY(!f.model.isLoading());
    }

    void onlyTheNewestOverlappingLoadApplies()
    {
        Fixture f(contactsJson({ { 2, u"new"_s } }));
        f.stack.server.respondOnce(procedure("contacts.list"), { 200, envelope(contactsJson({ { 1, u"old"_s } })), {}, true });
        auto first = f.model.loadContacts();
        QTRY_COMPARE(f.loads(), 1);
        f.load();
        f.stack.server.release(procedure("contacts.list"));
        testsupport::runTask(std::move(first));
        QCOMPARE(layout(f.model.sections()), u"N:1002"_s);
    }
};

QTEST_GUILESS_MAIN(TestContactList)
#include "tst_contact_list.moc"
