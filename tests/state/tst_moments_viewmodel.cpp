#include "SocialStack.h"

#include "state/contacts/MomentsViewModel.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 me = 7;

// One moment liked by the given users; without `listed`, one whose record has no likes list.
QByteArray feedJson(qint64 momentId, const QList<qint64>& likers, bool listed = true)
{
    QJsonArray likes;
    for (qint64 user : likers)
        likes.append(QJsonObject { { u"id"_s, user * 10 }, { u"momentId"_s, momentId }, { u"userId"_s, user } });
    QJsonObject moment { { u"id"_s, momentId }, { u"userId"_s, 2 }, { u"content"_s, u"hello"_s },
                         { u"likes"_s, likes }, { u"likeCount"_s, likes.size() } };
    if (!listed)
        moment.remove(u"likes"_s);
    return QJsonDocument(QJsonArray { moment }).toJson(QJsonDocument::Compact);
}

struct Fixture {
    SocialStack stack;
    MomentsViewModel model { me, &stack.moments };

    explicit Fixture(const QByteArray& feed = feedJson(3, {}))
    {
        stack.server.respond(procedure("moments.list"), ok(feed));
        stack.server.respond(procedure("moments.like"), ok(R"({"success":true})"));
        stack.server.respond(procedure("moments.unlike"), ok(R"({"success":true})"));
        stack.server.respond(procedure("moments.create"), ok(R"({"momentId":40})"));
        stack.server.respond(procedure("moments.comment"), ok(R"({"commentId":50})"));
        testsupport::runTask(model.loadMoments());
    }
    int loads() const { return stack.calls("moments.list"); }
    // What the screen follows, each change said as it happens: "loading 1", "moments 1",
    // "error feed down", "compose 0", "content ", "publishing 1", "failed no", "draft 3 a".
    QStringList said;
    void listen()
    {
        QObject::connect(&model, &MomentsViewModel::isLoadingChanged, &model, [this] { said << u"loading %1"_s.arg(model.isLoading()); });
        QObject::connect(&model, &MomentsViewModel::momentsChanged, &model, [this] { said << u"moments %1"_s.arg(model.moments().size()); });
        QObject::connect(&model, &MomentsViewModel::errorChanged, &model,
                         [this] { said << u"error "_s + model.error().value_or(QString()); });
        QObject::connect(&model, &MomentsViewModel::showComposeChanged, &model, [this] { said << u"compose %1"_s.arg(model.showCompose()); });
        QObject::connect(&model, &MomentsViewModel::newContentChanged, &model, [this] { said << u"content "_s + model.newContent(); });
        QObject::connect(&model, &MomentsViewModel::isPublishingChanged, &model,
                         [this] { said << u"publishing %1"_s.arg(model.isPublishing()); });
        QObject::connect(&model, &MomentsViewModel::publishFailed, &model, [this](const QString& why) { said << u"failed "_s + why; });
        QObject::connect(&model, &MomentsViewModel::commentDraftChanged, &model,
                         [this](qint64 id) { said << u"draft %1 "_s.arg(id) + model.commentDraft(id); });
    }
};

} // namespace

class TestMomentsViewModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void feedAsksForTheFirstPageOfTwenty()
    {
        Fixture f;
        QCOMPARE(f.stack.input("moments.list"), (QJsonObject { { u"page"_s, 1 }, { u"limit"_s, 20 } }));
        QCOMPARE(f.model.moments().size(), 1);
    }

    // Liked is the signed-in user's own like, not anybody's.
    void likeOrUnlikeByOwnLike_data()
    {
        QTest::addColumn<QList<qint64>>("likers");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<bool>("listed");

        QTest::newRow("nobody") << QList<qint64> {} << u"moments.like"_s << true;
        QTest::newRow("no likes list") << QList<qint64> {} << u"moments.like"_s << false;
        QTest::newRow("someone else") << QList<qint64> { 2 } << u"moments.like"_s << true;
        QTest::newRow("me") << QList<qint64> { me } << u"moments.unlike"_s << true;
        QTest::newRow("me among others") << QList<qint64> { 2, me, 9 } << u"moments.unlike"_s << true;
    }

    void likeOrUnlikeByOwnLike()
    {
        QFETCH(QList<qint64>, likers);
        QFETCH(QString, sent);
        QFETCH(bool, listed);
        Fixture f(feedJson(3, likers, listed));
        f.model.likeTapped(f.model.moments().at(0));
        QTRY_COMPARE(f.loads(), 2);
        QTRY_VERIFY(!f.model.isLoading());
        QCOMPARE(f.stack.calls("moments.like") + f.stack.calls("moments.unlike"), 1);
        QCOMPARE(f.stack.input(sent.toLatin1().constData()), (QJsonObject { { u"id"_s, 3 } }));
    }

    // A like or unlike reloads whatever its outcome; a failed post or comment does not.
    void reloadsAfterEachChange_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<int>("reloads");

        QTest::newRow("like") << u"like"_s << false << 1;
        QTest::newRow("like fails") << u"like"_s << true << 1;
        QTest::newRow("post") << u"create"_s << false << 1;
        QTest::newRow("post fails") << u"create"_s << true << 0;
        QTest::newRow("comment") << u"comment"_s << false << 1;
        QTest::newRow("comment fails") << u"comment"_s << true << 0;
    }

    void reloadsAfterEachChange()
    {
        QFETCH(QString, action);
        QFETCH(bool, fails);
        QFETCH(int, reloads);
        Fixture f;
        if (fails)
            f.stack.server.respond(u"/api/trpc/moments."_s + action, { 500, R"({"error":"no"})" });
        const int before = f.loads();
        if (action == u"like")
            testsupport::runTask(f.model.toggleLike(3, false));
        else if (action == u"create")
            testsupport::runTask(f.model.publishMoment());
        else
            testsupport::runTask(f.model.addComment(3, u"hi"_s));
        QCOMPARE(f.stack.requestCount(u"/api/trpc/moments."_s + action), 1);
        QCOMPARE(f.loads() - before, reloads);
    }

    void postSendsTheTextAsTypedAndClosesOnlyOnSuccess()
    {
        Fixture f;
        QVERIFY(!f.model.showCompose());
        f.model.setShowCompose(true);
        f.model.setNewContent(u"  two words \n"_s);
        f.listen();
        // The same again changes nothing, so nothing is said.
        f.model.setShowCompose(true);
        f.model.setNewContent(u"  two words \n"_s);
        f.stack.server.respondOnce(procedure("moments.create"), { 500, R"({"error":"no"})" });
        testsupport::runTask(f.model.publishMoment());
        QVERIFY(f.model.showCompose());
        QCOMPARE(f.model.newContent(), u"  two words \n"_s);
        QCOMPARE(f.said, (QStringList { u"publishing 1"_s, u"publishing 0"_s, u"failed no"_s }));

        f.said.clear();
        testsupport::runTask(f.model.publishMoment());
        QCOMPARE(f.stack.input("moments.create", 1),
                 (QJsonObject { { u"content"_s, u"  two words \n"_s }, { u"visibility"_s, u"friends"_s } }));
        QVERIFY(!f.model.showCompose());
        QCOMPARE(f.model.newContent(), QString());
        QCOMPARE(f.said, (QStringList { u"publishing 1"_s, u"publishing 0"_s, u"content "_s, u"compose 0"_s, u"loading 1"_s,
                                        u"moments 1"_s, u"loading 0"_s }));
    }

    // A reply without the new id is a failure, not a success.
    void postWithoutMomentIdKeepsTheSheet()
    {
        Fixture f;
        f.model.setShowCompose(true);
        f.model.setNewContent(u"x"_s);
        f.stack.server.respond(procedure("moments.create"), ok(R"({"success":true})"));
        testsupport::runTask(f.model.publishMoment());
        QVERIFY(f.model.showCompose());
        QCOMPARE(f.loads(), 1);
    }

    void commentSendsTheDraftAsTypedAndEmptiesItOnlyOnSuccess()
    {
        Fixture f;
        const Moment moment = f.model.moments().at(0);
        f.model.commentTapped(moment);
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(f.stack.calls("moments.comment"), 0);

        f.model.setCommentDraft(u" nice "_s, 3);
        f.stack.server.respondOnce(procedure("moments.comment"), { 500, R"({"error":"no"})" });
        f.model.commentTapped(moment);
        QTRY_COMPARE(f.stack.calls("moments.comment"), 1);
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(f.model.commentDraft(3), u" nice "_s);

        f.model.commentTapped(moment);
        QTRY_COMPARE(f.model.commentDraft(3), QString());
        QTRY_COMPARE(f.loads(), 2);
        QTRY_VERIFY(!f.model.isLoading());
        QCOMPARE(f.stack.input("moments.comment", 1), (QJsonObject { { u"id"_s, 3 }, { u"content"_s, u" nice "_s } }));
    }

    void draftsAreKeptPerMomentAcrossReloads()
    {
        Fixture f;
        f.listen();
        f.model.setCommentDraft(u"a"_s, 3);
        f.model.setCommentDraft(u"b"_s, 4);
        f.model.setCommentDraft(u"a"_s, 3);
        f.model.setCommentDraft(QString(), 5);
        QCOMPARE(f.said, (QStringList { u"draft 3 a"_s, u"draft 4 b"_s, u"draft 5 "_s }));
        testsupport::runTask(f.model.loadMoments());
        QCOMPARE(f.model.commentDraft(3), u"a"_s);
        QCOMPARE(f.model.commentDraft(4), u"b"_s);
        QCOMPARE(f.model.commentDraft(5), QString());
    }

    void buttonsNeedMoreThanWhiteSpace_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enabled");

        QTest::newRow("empty") << QString() << false;
        QTest::newRow("spaces") << u"   "_s << false;
        QTest::newRow("line breaks") << u"\n\n"_s << false;
        QTest::newRow("word in spaces") << u" a "_s << true;
    }

    void buttonsNeedMoreThanWhiteSpace()
    {
        QFETCH(QString, text);
        QFETCH(bool, enabled);
        Fixture f;
        f.model.setNewContent(text);
        f.model.setCommentDraft(text, 3);
        QCOMPARE(f.model.canPublish(), enabled);
        QCOMPARE(f.model.canSendComment(3), enabled);
    }

    // A failed fetch is an error to show, not an empty feed; the next success clears it.
    void failedFeedIsAnError()
    {
        Fixture f;
        f.listen();
        f.stack.server.respondOnce(procedure("moments.list"), { 500, R"({"error":"feed down"})" });
        testsupport::runTask(f.model.loadMoments());
        QCOMPARE(f.model.error(), std::optional<QString>(u"feed down"_s));
        QVERIFY(f.model.moments().isEmpty());
        QVERIFY(!f.model.isLoading());
        testsupport::runTask(f.model.loadMoments());
        QVERIFY(!f.model.error());
        QCOMPARE(f.model.moments().size(), 1);
        QCOMPARE(f.said, (QStringList { u"loading 1"_s, u"moments 0"_s, u"error feed down"_s, u"loading 0"_s, u"loading 1"_s,
                                        u"moments 1"_s, u"error "_s, u"loading 0"_s }));
    }

    void onlyTheNewestOverlappingFetchApplies()
    {
        Fixture f;
        f.stack.server.respondOnce(procedure("moments.list"), { 200, envelope(feedJson(8, {})), {}, true });
        auto older = f.model.loadMoments();
        QTRY_COMPARE(f.loads(), 2);
        testsupport::runTask(f.model.loadMoments());
        f.stack.server.release(procedure("moments.list"));
        testsupport::runTask(std::move(older));
        QCOMPARE(f.model.moments().at(0).id, 3);
        QVERIFY(!f.model.isLoading());
    }
};

QTEST_GUILESS_MAIN(TestMomentsViewModel)
#include "tst_moments_viewmodel.moc"
