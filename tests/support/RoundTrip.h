#pragma once

// The barrier of a "nothing was sent" check: instead of waiting a fixed time, which
// passes on a slow machine without testing anything, send one more request through
// the client under test and wait for its answer. The client hands its requests to
// the network in the order they were made, and the recording server runs on the
// test's own event loop, so whatever the code under test had started before has
// been recorded by the time this answer is back.
//
//     QVERIFY(testsupport::roundTrip(stack.api, stack.server));
//     QCOMPARE(stack.requestCount(path), 1);

#include "RecordingHttpServer.h"
#include "TaskRunner.h"

#include "network/APIClient.h"

namespace testsupport {

inline bool roundTrip(APIClient& api, RecordingHttpServer& server)
{
    if (QUrl(api.baseURL()).port() != server.port())
        return false;
    try {
        runTask(api.request<EmptyResponse>("GET", RecordingHttpServer::barrierPath()));
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace testsupport
