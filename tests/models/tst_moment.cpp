#include "DecodeCheck.h"
#include "models/Moment.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestMoment : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void moment_data()
    {
        addDecodeColumns();
        QTest::newRow("ids only") << R"({"id":1,"userId":2})"_ba << decodes << QString();
        QTest::newRow("counts differ from lists") << R"({"id":1,"userId":2,"likes":[],"likeCount":5})"_ba << decodes
                                                  << QString();
        QTest::newRow("full") << R"({"id":1,"userId":2,"content":"今天 ☀️","images":["a.jpg","b.jpg"],
            "visibility":"public","location":"Hà Nội","createdAt":"t","userName":"u","userAvatar":"av",
            "likes":[{"id":3,"momentId":1,"userId":4,"userName":"l","createdAt":"t1"}],
            "comments":[{"id":5,"momentId":1,"userId":6,"content":"c","replyToId":4,"createdAt":"t2",
                         "userName":"m","replyToUserName":"l"},{"id":7,"momentId":1,"userId":4,"content":"d"}],
            "likeCount":1,"commentCount":2})"_ba << decodes << QString();
        QTest::newRow("number among images") << R"({"id":1,"userId":2,"images":["a",3]})"_ba << typeMismatch
                                             << u"images[1]"_s;
        QTest::newRow("comment without content") << R"({"id":1,"userId":2,"comments":[{"id":5,"momentId":1,"userId":6}]})"_ba
                                                 << keyNotFound << u"comments[0].content"_s;
        QTest::newRow("like without momentId") << R"({"id":1,"userId":2,"likes":[{"id":3,"userId":4}]})"_ba
                                               << keyNotFound << u"likes[0].momentId"_s;
    }
    void moment()
    {
        const auto value = decodeRow<Moment>();
        QFETCH(QByteArray, text);
        if (value)
            QCOMPARE(encodedObject(*value), objectOf(text));
    }

};

QTEST_GUILESS_MAIN(TestMoment)
#include "tst_moment.moc"
