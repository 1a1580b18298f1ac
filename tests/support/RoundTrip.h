#pragma once

// The barrier of a "nothing was sent" check: instead of waiting a fixed time, which
// passes on a slow machine without testing anything, make sure every request the
// client under test has started has reached the recording server.
//
// A request answered on one connection says nothing of the others: the client's
// network manager opens several connections to the server, so a request started
// before the barrier's own can be read after it (a long body on a second connection
// still streams while the barrier is answered). So the barrier waits for the
// client's own replies: once every request it has out is either answered or held by
// the server, each one has been recorded. The barrier request before that lets the
// event queue run through what the code under test had set off.
//
//     QVERIFY(testsupport::roundTrip(stack.api, stack.server));
//     QCOMPARE(stack.requestCount(path), 1);

#include "RecordingHttpServer.h"
#include "TaskRunner.h"

#include "network/APIClient.h"

#include <QHash>
#include <QNetworkReply>

namespace testsupport {

// Per path, how many requests of this client have no answer yet.
inline QHash<QString, int> unansweredRequests(const APIClient& api)
{
    QHash<QString, int> unanswered;
    // Replies are children of the client's network manager until they are deleted.
    const QList<QNetworkReply*> replies = api.findChildren<QNetworkReply*>();
    for (const QNetworkReply* reply : replies) {
        if (!reply->isFinished())
            ++unanswered[reply->url().path()];
    }
    return unanswered;
}

// True once every request the client has out is one the server holds.
inline bool everyRequestArrived(const APIClient& api, const RecordingHttpServer& server)
{
    const QHash<QString, int> unanswered = unansweredRequests(api);
    for (auto path = unanswered.cbegin(); path != unanswered.cend(); ++path) {
        if (path.value() > server.heldCount(path.key()))
            return false;
    }
    return true;
}

inline bool roundTrip(APIClient& api, RecordingHttpServer& server)
{
    if (QUrl(api.baseURL()).port() != server.port())
        return false;
    try {
        runTask(api.request<EmptyResponse>("GET", RecordingHttpServer::barrierPath()));
    } catch (...) {
        return false;
    }
    return QTest::qWaitFor([&] { return everyRequestArrived(api, server); }, kPatienceMs);
}

} // namespace testsupport
