// The moments feed between two demo users of the real morvane-server: one posts,
// the other sees it, likes and comments, and the first sees both after a reload.

#include "ServerProcess.h"
#include "TaskRunner.h"

#include "network/APIClient.h"
#include "network/AuthService.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "services/MomentService.h"
#include "state/contacts/MomentsViewModel.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Client {
    KeychainService keychain { std::make_unique<MemorySecretStore>() };
    APIClient api;
    AuthService auth { api, keychain };
    MomentService moments { api };
    std::unique_ptr<MomentsViewModel> feed;

    explicit Client(const testsupport::ServerProcess& server)
        : api(server.baseUrl().toString(), keychain)
    {
    }

    bool signIn(const QString& name, const QString& password)
    {
        const AuthResponse reply = testsupport::runTask(auth.login(name, password));
        if (!reply.user)
            return false;
        feed = std::make_unique<MomentsViewModel>(reply.user->id, &moments);
        return true;
    }

    // The client sends texts as typed; the server keeps them trimmed.
    std::optional<Moment> find(const QString& content) const
    {
        for (const Moment& moment : feed->moments())
            if (moment.content == content.trimmed())
                return moment;
        return std::nullopt;
    }
};

} // namespace

class TestMomentsEndToEnd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void postLikeAndCommentTravelBetweenFriends()
    {
        testsupport::ServerProcess::Options options;
        options.demo = true;
        testsupport::ServerProcess server(options);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        Client alice(server);
        Client bob(server);
        QVERIFY(alice.signIn(u"alice"_s, u"alice123"_s));
        QVERIFY(bob.signIn(u"bob"_s, u"bob12345"_s));

        const QString text = u" Summit at dawn ☀ "_s;
        alice.feed->setShowCompose(true);
        alice.feed->setNewContent(text);
        testsupport::runTask(alice.feed->publishMoment());
        QVERIFY(!alice.feed->showCompose());
        QVERIFY(alice.find(text));

        testsupport::runTask(bob.feed->loadMoments());
        QVERIFY2(!bob.feed->error(), qPrintable(bob.feed->errorText()));
        std::optional<Moment> seen = bob.find(text);
        QVERIFY(seen);
        QVERIFY(!bob.feed->isLiked(*seen));
        testsupport::runTask(bob.feed->toggleLike(seen->id, bob.feed->isLiked(*seen)));
        seen = bob.find(text);
        QVERIFY(bob.feed->isLiked(*seen));
        testsupport::runTask(bob.feed->addComment(seen->id, u" Wow! "_s));

        testsupport::runTask(alice.feed->loadMoments());
        const std::optional<Moment> mine = alice.find(text);
        QVERIFY(mine);
        QCOMPARE(mine->likeCount, std::optional<qint64>(1));
        QCOMPARE(mine->likes->size(), 1);
        // Bob's like is not Alice's: her heart would like, not unlike.
        QVERIFY(!alice.feed->isLiked(*mine));
        QCOMPARE(mine->commentCount, std::optional<qint64>(1));
        QCOMPARE(mine->comments->at(0).content, u"Wow!"_s);
        QCOMPARE(mine->comments->at(0).userName, std::optional(u"Bob Smith"_s));

        // Bob takes his like back.
        testsupport::runTask(bob.feed->toggleLike(seen->id, bob.feed->isLiked(*seen)));
        QCOMPARE(bob.find(text)->likeCount, std::optional<qint64>(0));
    }
};

QTEST_GUILESS_MAIN(TestMomentsEndToEnd)
#include "tst_moments_e2e.moc"
