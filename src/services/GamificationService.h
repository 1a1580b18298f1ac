#pragma once

class APIClient;

// No server procedure exists for gamification yet: the service offers nothing.
class GamificationService final {
public:
    explicit GamificationService(APIClient& api)
        : api(api)
    {
    }

    APIClient& api;
};
