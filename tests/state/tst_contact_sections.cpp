#include "state/ContactSection.h"
#include "state/LetterIndex.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

Contact contact(qint64 id, std::optional<QString> nickname, std::optional<QString> name = std::nullopt)
{
    Contact c;
    c.id = id;
    c.contactId = 100 + id;
    c.nickname = std::move(nickname);
    c.name = std::move(name);
    return c;
}

QStringList letters(const QList<ContactSection>& sections)
{
    QStringList result;
    for (const ContactSection& section : sections)
        result << section.letter;
    return result;
}

QList<qint64> ids(const ContactSection& section)
{
    QList<qint64> result;
    for (const Contact& c : section.contacts)
        result << c.id;
    return result;
}

} // namespace

class TestContactSections : public QObject {
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

    void emptyListHasNoSections() { QVERIFY(ContactSection::build({}).isEmpty()); }
};

QTEST_GUILESS_MAIN(TestContactSections)
#include "tst_contact_sections.moc"
