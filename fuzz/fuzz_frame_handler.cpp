// A received WebSocket text frame through the real frame handler: both readings
// of the frame, every branch of the dispatch chain and the events it publishes.

#include "FuzzSupport.h"

#include "network/ClientIdService.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "network/WebSocketClock.h"
#include "network/WebSocketService.h"

#include <memory>

namespace {

WebSocketService& service()
{
    static KeychainService keychain(std::make_unique<MemorySecretStore>());
    static ClientIdService ids(keychain);
    // Never connected: what the handler sends back (delivery acknowledgements) goes nowhere.
    static WebSocketService channel(QStringLiteral("ws://127.0.0.1:9/ws"), WebSocketClock::system(), keychain, ids);
    return channel;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzsupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    service().handleMessage(fuzzsupport::text(data, size));
    return 0;
}
