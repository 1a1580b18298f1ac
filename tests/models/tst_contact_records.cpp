#include "DecodeCheck.h"
#include "models/Contact.h"
#include "models/FriendRequest.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray contactWith(const char* extra)
{
    QByteArray text = R"({"id":1,"userId":2,"contactId":3)"_ba;
    if (*extra)
        text += ',' + QByteArray(extra);
    return text + '}';
}

QByteArray requestWith(const char* extra)
{
    QByteArray text = R"({"id":1,"fromUserId":2,"toUserId":3)"_ba;
    if (*extra)
        text += ',' + QByteArray(extra);
    return text + '}';
}

QString orNone(const std::optional<QString>& value)
{
    return value.value_or(u"<none>"_s);
}

} // namespace

class TestContactRecords : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void contact_data()
    {
        addDecodeColumns();
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("online"); // "true", "false" or "<none>"
        QTest::addColumn<bool>("hasTags");
        QTest::newRow("flat") << contactWith(R"("name":"B","online":true,"tags":["a","b"])") << decodes << QString()
                              << u"B"_s << u"true"_s << true;
        QTest::newRow("tag that is a number") << contactWith(R"("name":"B","tags":["a",1],"blocked":true)") << decodes
                                              << QString() << u"B"_s << u"<none>"_s << false;
        QTest::newRow("nested wins") << contactWith(R"("user":{"id":3,"name":"A","online":false},"name":"B","online":true)")
                                     << decodes << QString() << u"A"_s << u"false"_s << false;
        QTest::newRow("nested without name hides flat name") << contactWith(R"("user":{"avatar":"x"},"name":"B")")
                                                             << decodes << QString() << u"<none>"_s << u"<none>"_s << false;
        QTest::newRow("user as text") << contactWith(R"("user":"A","name":"B")") << decodes << QString() << u"B"_s
                                      << u"<none>"_s << false;
        QTest::newRow("user with text online") << contactWith(R"("user":{"name":"A","online":"yes"},"name":"B")")
                                               << decodes << QString() << u"B"_s << u"<none>"_s << false;
        QTest::newRow("flat online as text") << contactWith(R"("online":"yes")") << typeMismatch << u"online"_s
                                             << QString() << QString() << false;
        QTest::newRow("flat online as text beside a user") << contactWith(R"("online":"yes","user":{"online":true})")
                                                           << decodes << QString() << u"<none>"_s << u"true"_s << false;
    }
    void contact()
    {
        QFETCH(QString, name);
        QFETCH(QString, online);
        QFETCH(bool, hasTags);
        const auto value = decodeRow<Contact>();
        if (!value)
            return;
        QCOMPARE(orNone(value->name), name);
        QCOMPARE(value->online ? QVariant(*value->online).toString() : u"<none>"_s, online);
        QCOMPARE(value->tags.has_value(), hasTags);
    }

    void contactWritesOnlyListFields()
    {
        const Contact c = json::decode<Contact>(contactWith(R"("nickname":"n","tags":["t"],"blocked":false,
            "createdAt":"t0","user":{"name":"A","avatar":"a","online":true,"bio":"b","email":"e","openId":"o"})"));
        QCOMPARE(encodedObject(c), objectOf(contactWith(R"("nickname":"n","name":"A","avatar":"a","online":true)")));
    }

    void contactIdentity()
    {
        Contact a { 1, 2, 3 };
        a.nickname = u"x"_s;
        Contact b { 1, 4, 5 };
        b.nickname = u"y"_s;
        QVERIFY(a == b);
        QCOMPARE(qHash(a), qHash(b));
        QCOMPARE(QSet<Contact>({ a, b }).size(), 1);
        b.id = 2;
        QVERIFY(a != b);
    }

    void friendRequest_data()
    {
        addDecodeColumns();
        QTest::addColumn<QString>("fromName");
        QTest::newRow("nested wins") << requestWith(R"("fromUser":{"name":"A"},"fromUserName":"B")") << decodes
                                     << QString() << u"A"_s;
        QTest::newRow("null nested") << requestWith(R"("fromUser":null,"fromUserName":"B")") << decodes << QString()
                                     << u"B"_s;
        QTest::newRow("bad nested") << requestWith(R"("fromUser":{"id":"2","name":"A"},"fromUserName":"B")") << decodes
                                    << QString() << u"B"_s;
        QTest::newRow("flat name as number") << requestWith(R"("fromUserName":1)") << typeMismatch
                                             << u"fromUserName"_s << QString();
        QTest::newRow("no toUserId") << R"({"id":1,"fromUserId":2})"_ba << keyNotFound << u"toUserId"_s << QString();
    }
    void friendRequest()
    {
        QFETCH(QString, fromName);
        const auto value = decodeRow<FriendRequest>();
        if (value)
            QCOMPARE(orNone(value->fromUserName), fromName);
    }

    void friendRequestWritesNoCreationTime()
    {
        const FriendRequest f = json::decode<FriendRequest>(
            requestWith(R"("message":"hi","status":"pending","createdAt":"t0","fromUser":{"name":"A","avatar":"a"})"));
        QCOMPARE(encodedObject(f), objectOf(requestWith(
                                       R"("message":"hi","status":"pending","fromUserName":"A","fromUserAvatar":"a")")));
    }
};

QTEST_GUILESS_MAIN(TestContactRecords)
#include "tst_contact_records.moc"
