#pragma once

class APIClient;

// No server procedure exists for transfers yet: the service offers nothing.
class TransferService final {
public:
    explicit TransferService(APIClient& api)
        : api(api)
    {
    }

    APIClient& api;
};
