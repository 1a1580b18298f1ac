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
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("path");
        QTest::newRow("minimal") << R"({"id":1,"conversationId":2,"name":"g","ownerId":3})"_ba << decodes << QString();
        QTest::newRow("full") << R"({"id":1,"conversationId":2,"name":"g","avatar":"a","description":"d","ownerId":3,
            "maxMembers":500,"createdAt":"t0","updatedAt":"t1","memberCount":12})"_ba << decodes << QString();
        QTest::newRow("no ownerId") << R"({"id":1,"conversationId":2,"name":"g"})"_ba << keyNotFound << u"ownerId"_s;
        QTest::newRow("null name") << R"({"id":1,"conversationId":2,"name":null,"ownerId":3})"_ba << valueNotFound
                                   << u"name"_s;
        QTest::newRow("memberCount as text") << R"({"id":1,"conversationId":2,"name":"g","ownerId":3,"memberCount":"2"})"_ba
                                             << typeMismatch << u"memberCount"_s;
    }
    void group()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, kind);
        QFETCH(QString, path);
        const auto result = decodeText<ChatGroup>(text);
        QCOMPARE(result.kind, kind);
        QCOMPARE(result.path, path);
        if (result.value)
            QCOMPARE(encodedObject(*result.value), objectOf(text));
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
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("path");
        QTest::newRow("without isPinned") << R"({"id":1,"conversationId":2,"publisherId":3,"content":"c"})"_ba << decodes
                                          << QString();
        QTest::newRow("full") << R"({"id":1,"conversationId":2,"publisherId":3,"content":"c","isPinned":true,
            "createdAt":"t","publisherName":"p"})"_ba << decodes << QString();
        QTest::newRow("no content") << R"({"id":1,"conversationId":2,"publisherId":3})"_ba << keyNotFound
                                    << u"content"_s;
        QTest::newRow("isPinned as text") << R"({"id":1,"conversationId":2,"publisherId":3,"content":"c","isPinned":"y"})"_ba
                                          << typeMismatch << u"isPinned"_s;
    }
    void announcement()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, kind);
        QFETCH(QString, path);
        const auto result = decodeText<GroupAnnouncement>(text);
        QCOMPARE(result.kind, kind);
        QCOMPARE(result.path, path);
        if (result.value)
            QCOMPARE(encodedObject(*result.value), objectOf(text));
    }

    void member_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("path");
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
        QTest::newRow("role as number") << R"({"userId":1,"role":1})"_ba << typeMismatch << u"role"_s << QString()
                                        << QString();
        QTest::newRow("no userId") << R"({"name":"A"})"_ba << keyNotFound << u"userId"_s << QString() << QString();
    }
    void member()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, kind);
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(QString, online);
        const auto result = decodeText<GroupMember>(text);
        QCOMPARE(result.kind, kind);
        QCOMPARE(result.path, path);
        if (!result.value)
            return;
        QCOMPARE(result.value->name.value_or(u"<none>"_s), name);
        QCOMPARE(result.value->online ? (*result.value->online ? u"true"_s : u"false"_s) : u"<none>"_s, online);
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
