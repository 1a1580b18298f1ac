#pragma once

class APIClient;

// No server procedure exists for red packets yet: the service offers nothing.
class RedPacketService final {
public:
    explicit RedPacketService(APIClient& api)
        : api(api)
    {
    }

    APIClient& api;
};
