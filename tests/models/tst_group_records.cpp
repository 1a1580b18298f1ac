#include "DecodeCheck.h"
#include "models/ChatGroup.h"
#include "models/GroupAnnouncement.h"
#include "models/GroupMember.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestGroupRecords : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void group_data()
    {
        addDecodeColumns();
        QTest::newRow("minimal") << R"({"id":1,"conversationId":2,"name":"g","ownerId":3})"_ba << decodes << QString();
        QTest::newRow("full") << R"({"id":1,"conversationId":2,"name":"g","avatar":"a","description":"d","ownerId":3,
            "maxMembers":500,"createdAt":"t0","updatedAt":"t1","memberCount":12})"_ba << decodes << QString();
        QTest::newRow("no ownerId") << R"({"id":1,"conversationId":2,"name":"g"})"_ba << keyNotFound << u"ownerId"_s;
        QTest::newRow("null name") << R"({"id":1,"conversationId":2,"name":null,"ownerId":3})"_ba << valueNotFound
                                   << u"name"_s;
    }
    void group()
    {
        const auto value = decodeRow<ChatGroup>();
        QFETCH(QByteArray, text);
        if (value)
            QCOMPARE(encodedObject(*value), objectOf(text));
    }

    void groupEqualityIsById()
    {
        ChatGroup a { 1, 2, u"g"_s };
        a.memberCount = 3;
        ChatGroup b { 1, 2, u"g"_s };
        b.memberCount = 4;
        QVERIFY(a == b);
        b.id = 5;
        QVERIFY(a != b);
    }

    void announcement_data()
    {
        addDecodeColumns();
        QTest::newRow("without isPinned") << R"({"id":1,"conversationId":2,"publisherId":3,"content":"c"})"_ba << decodes
                                          << QString();
        QTest::newRow("full") << R"({"id":1,"conversationId":2,"publisherId":3,"content":"c","isPinned":true,
            "createdAt":"t","publisherName":"p"})"_ba << decodes << QString();
        QTest::newRow("no content") << R"({"id":1,"conversationId":2,"publisherId":3})"_ba << keyNotFound
                                    << u"content"_s;
    }
    void announcement()
    {
        const auto value = decodeRow<GroupAnnouncement>();
        QFETCH(QByteArray, text);
        if (value)
            QCOMPARE(encodedObject(*value), objectOf(text));
    }

    void member_data()
    {
        addDecodeColumns();
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("online");
        QTest::newRow("nested online wins") << R"({"userId":1,"user":{"online":true},"online":false})"_ba << decodes
                                            << QString() << u"<none>"_s << u"true"_s;
        QTest::newRow("nested without online") << R"({"userId":1,"user":{"name":"A"},"online":false,"name":"B"})"_ba
                                               << decodes << QString() << u"A"_s << u"<none>"_s;
        QTest::newRow("user as number") << R"({"userId":1,"user":7,"name":"B","online":false})"_ba << decodes
                                        << QString() << u"B"_s << u"false"_s;
        QTest::newRow("flat name as number") << R"({"userId":1,"user":7,"name":5})"_ba << typeMismatch << u"name"_s
                                             << QString() << QString();
    }
    void member()
    {
        QFETCH(QString, name);
        QFETCH(QString, online);
        const auto value = decodeRow<GroupMember>();
        if (!value)
            return;
        QCOMPARE(value->name.value_or(u"<none>"_s), name);
        QCOMPARE(value->online ? (*value->online ? u"true"_s : u"false"_s) : u"<none>"_s, online);
    }

    void memberWritesNoJoinTime()
    {
        const GroupMember m = json::decode<GroupMember>(
            R"({"userId":1,"role":"owner","joinedAt":"t","user":{"id":1,"name":"A","avatar":"a","online":true}})"_ba);
        QCOMPARE(encodedObject(m), objectOf(R"({"userId":1,"role":"owner","name":"A","avatar":"a","online":true})"_ba));
    }
};

QTEST_GUILESS_MAIN(TestGroupRecords)
#include "tst_group_records.moc"
