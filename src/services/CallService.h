#pragma once

class APIClient;

// No server procedure exists for calls yet: the service offers nothing.
class CallService final {
public:
    explicit CallService(APIClient& api)
        : api(api)
    {
    }

    APIClient& api;
};
