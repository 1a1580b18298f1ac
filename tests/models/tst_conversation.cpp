#include "DecodeCheck.h"
#include "models/Conversation.h"
#include "models/ConversationMemberWithUser.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray conversationWith(const char* extra)
{
    QByteArray text = R"({"id":1,"type":"private")"_ba;
    if (*extra)
        text += ',' + QByteArray(extra);
    return text + '}';
}

QString orNone(const std::optional<QString>& value)
{
    return value.value_or(u"<none>"_s);
}

} // namespace

class TestConversation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lastMessage_data()
    {
        QTest::addColumn<QByteArray>("extra");
        QTest::addColumn<QString>("preview");
        QTest::addColumn<QString>("time");
        QTest::newRow("image hides its link") << R"("lastMessage":{"type":"image","content":"https://x/y.png"})"_ba
                                              << u"[图片]"_s << u"<none>"_s;
        QTest::newRow("voice") << R"("lastMessage":{"type":"voice"})"_ba << u"[语音]"_s << u"<none>"_s;
        QTest::newRow("video") << R"("lastMessage":{"type":"video"})"_ba << u"[视频]"_s << u"<none>"_s;
        QTest::newRow("file without its name") << R"("lastMessage":{"type":"file","content":"a.pdf"})"_ba
                                               << u"[文件]"_s << u"<none>"_s;
        QTest::newRow("sticker") << R"("lastMessage":{"type":"sticker"})"_ba << u"[表情]"_s << u"<none>"_s;
        QTest::newRow("location") << R"("lastMessage":{"type":"location"})"_ba << u"[位置]"_s << u"<none>"_s;
        QTest::newRow("contact card") << R"("lastMessage":{"type":"contact_card"})"_ba << u"[名片]"_s << u"<none>"_s;
        QTest::newRow("text") << R"("lastMessage":{"type":"text","content":"hello"})"_ba << u"hello"_s << u"<none>"_s;
        QTest::newRow("text without content") << R"("lastMessage":{"type":"text"})"_ba << QString() << u"<none>"_s;
        QTest::newRow("type compared exactly") << R"("lastMessage":{"type":"Image","content":"c"})"_ba << u"c"_s
                                               << u"<none>"_s;
        QTest::newRow("no type") << R"("lastMessage":{"content":"c"})"_ba << u"c"_s << u"<none>"_s;
        QTest::newRow("object time wins") << R"("lastMessage":{"type":"text","createdAt":"t1"},"lastMessageTime":"t2")"_ba
                                          << QString() << u"t1"_s;
        QTest::newRow("object without time hides the flat time") << R"("lastMessage":{"content":"c"},"lastMessageTime":"t2")"_ba
                                                                 << u"c"_s << u"<none>"_s;
        QTest::newRow("object with text id") << R"("lastMessage":{"id":"1","content":"c"},"lastMessageTime":"t2")"_ba
                                             << u"<none>"_s << u"t2"_s;
        QTest::newRow("plain text") << R"("lastMessage":"hi","lastMessageTime":"t2")"_ba << u"hi"_s << u"t2"_s;
        QTest::newRow("numbers") << R"("lastMessage":5,"lastMessageTime":6)"_ba << u"<none>"_s << u"<none>"_s;
        QTest::newRow("array") << R"("lastMessage":["x"])"_ba << u"<none>"_s << u"<none>"_s;
        QTest::newRow("null") << R"("lastMessage":null,"lastMessageTime":null)"_ba << u"<none>"_s << u"<none>"_s;
    }
    void lastMessage()
    {
        QFETCH(QByteArray, extra);
        QFETCH(QString, preview);
        QFETCH(QString, time);
        const Conversation c = json::decode<Conversation>(conversationWith(extra.constData()));
        QCOMPARE(orNone(c.lastMessage), preview);
        QCOMPARE(orNone(c.lastMessageTime), time);
    }

    void strictness_data()
    {
        addDecodeColumns();
        QTest::newRow("no id") << R"({"type":"group"})"_ba << keyNotFound << u"id"_s;
        QTest::newRow("unreadCount as text") << conversationWith(R"("unreadCount":"3")") << typeMismatch
                                             << u"unreadCount"_s;
        QTest::newRow("bad last message does not fail") << conversationWith(R"("lastMessage":{"id":[]},"unreadCount":2)")
                                                        << decodes << QString();
    }
    void strictness()
    {
        decodeRow<Conversation>();
    }

    void previewSurvivesRoundTrip()
    {
        const QByteArray text = conversationWith(R"("name":"群","avatar":"a","creatorId":2,"memberCount":3,
            "disappearingTtl":60,"createdAt":"t0","updatedAt":"t1","lastMessage":{"type":"image","createdAt":"t2"},
            "unreadCount":4,"isPinned":true,"isMuted":false,"online":true)");
        const QJsonObject once = encodedObject(json::decode<Conversation>(text));
        QCOMPARE(once.value("lastMessage"_L1).toString(), u"[图片]"_s);
        QCOMPARE(once.value("lastMessageTime"_L1).toString(), u"t2"_s);
        QCOMPARE(encodedObject(json::decode<Conversation>(once)), once);
        QCOMPARE(once.size(), 15);
    }

    void identity()
    {
        Conversation a { 1, u"private"_s };
        a.unreadCount = 1;
        Conversation b { 1, u"group"_s };
        b.unreadCount = 9;
        QVERIFY(a == b);
        QCOMPARE(qHash(a, 7), qHash(b, 7));
        QCOMPARE(QSet<Conversation>({ a, b }).size(), 1);
        b.id = 2;
        QVERIFY(a != b);
    }

    void memberWithUser_data()
    {
        addDecodeColumns();
        QTest::newRow("with user") << R"({"conversationId":1,"userId":2,"role":"owner","user":{"id":2,"openId":"o","name":"n"}})"_ba
                                   << decodes << QString();
        QTest::newRow("user without name") << R"({"conversationId":1,"userId":2,"user":{"id":2,"openId":"o"}})"_ba
                                           << keyNotFound << u"user.name"_s;
        QTest::newRow("user as text") << R"({"conversationId":1,"userId":2,"user":"n"})"_ba << typeMismatch << u"user"_s;
    }
    void memberWithUser()
    {
        const auto value = decodeRow<ConversationMemberWithUser>();
        QFETCH(QByteArray, text);
        if (value)
            QCOMPARE(encodedObject(*value), objectOf(text));
    }
};

QTEST_GUILESS_MAIN(TestConversation)
#include "tst_conversation.moc"
