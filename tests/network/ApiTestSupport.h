#pragma once

// Shared by the network tests: a client wired to a recording server and an
// in-memory keychain, and a way to catch the APIError of a task.

#include "RecordingHttpServer.h"
#include "TaskRunner.h"
#include "network/APIClient.h"
#include "network/APIError.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"

#include <memory>
#include <optional>

struct ApiFixture {
    RecordingHttpServer server;
    MemorySecretStore* store = new MemorySecretStore;
    KeychainService keychain { std::unique_ptr<SecretStore>(store) };
    APIClient api { server.baseUrl(), keychain };
};

template <typename T>
std::optional<APIError> failureOf(QCoro::Task<T> task)
{
    try {
        testsupport::runTask(std::move(task));
    } catch (const APIError& error) {
        return error;
    }
    return std::nullopt;
}

inline QByteArray envelope(const QByteArray& json)
{
    return R"({"result":{"data":{"json":)" + json + "}}}";
}
