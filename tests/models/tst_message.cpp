#include "DecodeCheck.h"
#include "models/Message.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray withBase(const char* extra)
{
    QByteArray text = R"({"id":1,"conversationId":2,"senderId":3,"type":"text")"_ba;
    if (*extra)
        text += ',' + QByteArray(extra);
    return text + '}';
}

} // namespace

class TestMessage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void strictness_data()
    {
        addDecodeColumns();
        QTest::newRow("minimal") << withBase("") << decodes << QString();
        QTest::newRow("no type") << R"({"id":1,"conversationId":2,"senderId":3})"_ba << keyNotFound << u"type"_s;
        QTest::newRow("null type") << withBase(R"("type":null)") << valueNotFound << u"type"_s;
        QTest::newRow("fileSize as text") << withBase(R"("fileSize":"12")") << typeMismatch << u"fileSize"_s;
        QTest::newRow("fileSize fraction") << withBase(R"("fileSize":1.5)") << typeMismatch << u"fileSize"_s;
        QTest::newRow("reaction without emoji") << withBase(R"("reactions":[{"messageId":1,"userId":2,"emoji":"x"},{"messageId":1,"userId":3}])")
                                                << keyNotFound << u"reactions[1].emoji"_s;
        QTest::newRow("senderName as number") << withBase(R"("senderName":7)") << typeMismatch << u"senderName"_s;
        QTest::newRow("senderName as number beside a sender") << withBase(R"("senderName":7,"sender":{"name":"A"})")
                                                              << decodes << QString();
    }
    void strictness()
    {
        decodeRow<Message>();
    }

    void sender_data()
    {
        QTest::addColumn<QByteArray>("extra");
        QTest::addColumn<QString>("name"); // empty: absent
        QTest::addColumn<QString>("avatar");
        QTest::newRow("nested wins") << R"("sender":{"id":3,"name":"A","avatar":"a.png"},"senderName":"B","senderAvatar":"b.png")"_ba
                                     << u"A"_s << u"a.png"_s;
        QTest::newRow("empty nested hides flat keys") << R"("sender":{},"senderName":"B","senderAvatar":"b.png")"_ba
                                                      << QString() << QString();
        QTest::newRow("sender as text") << R"("sender":"A","senderName":"B","senderAvatar":"b.png")"_ba << u"B"_s
                                        << u"b.png"_s;
        QTest::newRow("sender with text id") << R"("sender":{"id":"3","name":"A"},"senderName":"B")"_ba << u"B"_s
                                             << QString();
        QTest::newRow("sender null") << R"("sender":null,"senderName":"B")"_ba << u"B"_s << QString();
        QTest::newRow("flat only") << R"("senderAvatar":"b.png")"_ba << QString() << u"b.png"_s;
    }
    void sender()
    {
        QFETCH(QByteArray, extra);
        QFETCH(QString, name);
        QFETCH(QString, avatar);
        const Message m = json::decode<Message>(withBase(extra.constData()));
        QCOMPARE(m.senderName.value_or(QString()), name);
        QCOMPARE(m.senderName.has_value(), !name.isEmpty());
        QCOMPARE(m.senderAvatar.value_or(QString()), avatar);
        QCOMPARE(m.senderAvatar.has_value(), !avatar.isEmpty());
        QCOMPARE(m.senderId, 3);
    }

    void oneBadMessageFailsTheList()
    {
        const QByteArray list = '[' + withBase("") + ',' + withBase(R"("fileSize":"x")") + ']';
        const auto result = decodeText<QList<Message>>(list);
        QCOMPARE(result.kind, typeMismatch);
        QCOMPARE(result.path, u"[1].fileSize"_s);
    }

    void encodingLeavesOutServerOnlyFields()
    {
        Message m { 9007199254740993LL, 2, 3, u"text"_s };
        m.editedAt = u"t"_s;
        m.threadRootId = 4;
        m.readCount = 5;
        m.encrypted = true;
        m.forwardedFromMessageId = 6;
        m.senderName = u"李雷"_s;
        m.reactions = QList<MessageReaction> { { 9, 7, u"👍"_s, {} } };
        const QJsonObject written = encodedObject(m);
        QCOMPARE(written, objectOf(R"({"id":9007199254740993,"conversationId":2,"senderId":3,"type":"text",
            "senderName":"李雷","reactions":[{"messageId":9,"userId":7,"emoji":"👍"}]})"_ba));
        const Message back = json::decode<Message>(written);
        QCOMPARE(back.id, m.id);
        QCOMPARE(back.senderName, m.senderName);
        QVERIFY(!back.editedAt && !back.threadRootId && !back.readCount && !back.content);
    }

    void reactionIdentity()
    {
        const MessageReaction r { 12, 7, u"👍"_s, u"someone"_s };
        QCOMPARE(r.id(), u"12_7_👍"_s);
        QCOMPARE((MessageReaction { 12, 7, u"👍"_s, {} }).id(), r.id());
    }

    void equalityIsById()
    {
        Message a { 1, 2, 3, u"text"_s };
        a.content = u"x"_s;
        Message b { 1, 5, 6, u"image"_s };
        QVERIFY(a == b);
        b.id = 2;
        QVERIFY(a != b);
    }
};

QTEST_GUILESS_MAIN(TestMessage)
#include "tst_message.moc"
