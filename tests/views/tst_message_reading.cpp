// What a screen reader reads for each kind of message row: who, what, reactions,
// when, edited, and for one's own how far it went.

#include "state/common/LocalizationManager.h"
#include "views/chat/MessageBubble.h"
#include "views/chat/MessageReading.h"
#include "views/common/Localized.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

Message message(const QString& type, const std::optional<QString>& content)
{
    Message m;
    m.id = 7;
    m.senderId = 2;
    m.senderName = u"Bob"_s;
    m.type = type;
    m.content = content;
    m.status = u"read"_s;
    return m;
}

} // namespace

class TestMessageReading : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { LocalizationManager::shared().setLanguage(AppLanguage::en); }

    void text_data()
    {
        QTest::addColumn<Message>("message");
        QTest::addColumn<bool>("isMine");
        QTest::addColumn<QString>("read");

        const QString createdAt = u"2024-05-01T08:09:10Z"_s;
        const QString time = MessageBubble::timeText(createdAt);
        auto at = [&](Message m) {
            m.createdAt = createdAt;
            return m;
        };
        QTest::newRow("text from another") << at(message(u"text"_s, u"hello"_s)) << false << u"Bob, hello, "_s + time;
        QTest::newRow("own text, read") << at(message(u"text"_s, u"hello"_s)) << true << u"You, hello, "_s + time + u", Read"_s;
        Message sending = at(message(u"text"_s, u"hi"_s));
        sending.status = u"sending"_s;
        QTest::newRow("own text, sending") << sending << true << u"You, hi, "_s + time + u", Sending"_s;
        Message failed = sending;
        failed.status = u"failed"_s;
        QTest::newRow("own text, not sent") << failed << true << u"You, hi, "_s + time + u", Not sent"_s;
        QTest::newRow("picture") << message(u"image"_s, u"{\"url\":\"/a.png\"}"_s) << false << u"Bob, Picture"_s;
        Message file = message(u"file"_s, std::nullopt);
        file.fileName = u"report.pdf"_s;
        file.fileSize = 1536;
        QTest::newRow("file") << file << false << u"Bob, File: report.pdf, 1.5 K"_s;
        QTest::newRow("location") << message(u"location"_s, u"{\"name\":\"Central Park\"}"_s) << false << u"Bob, Location: Central Park"_s;
        QTest::newRow("location without a name") << message(u"location"_s, u"nowhere"_s) << false << u"Bob, Location"_s;
        QTest::newRow("voice") << message(u"voice"_s, u"5"_s) << false << u"Bob, Voice message 5\""_s;
        Message reacted = message(u"text"_s, u"lunch?"_s);
        reacted.reactions = QList<MessageReaction> { { 7, 3, u"\U0001F44D"_s, {} }, { 7, 4, u"\U0001F44D"_s, {} },
            { 7, 5, u"\u2764\uFE0F"_s, {} } };
        reacted.editedAt = u"2024-05-01T08:10:00Z"_s;
        QTest::newRow("reactions, edited") << reacted << false << u"Bob, lunch?, \u2764\uFE0F 1, \U0001F44D 2, edited"_s;
        Message revoked = at(message(u"text"_s, u"secret"_s));
        revoked.revokedAt = u"2024-05-01T08:10:00Z"_s;
        QTest::newRow("revoked by another") << revoked << false << u"Bob unsent a message, "_s + time;
        QTest::newRow("system") << message(u"system"_s, u"Ann joined"_s) << false << u"Ann joined"_s;
    }
    void text()
    {
        QFETCH(Message, message);
        QFETCH(bool, isMine);
        QFETCH(QString, read);
        QCOMPARE(MessageReading::text(message, isMine), read);
    }
};

QTEST_MAIN(TestMessageReading)
#include "tst_message_reading.moc"
