#pragma once

class APIClient;

// No server procedure exists for quick replies yet: the service offers nothing.
class QuickReplyService final {
public:
    explicit QuickReplyService(APIClient& api)
        : api(api)
    {
    }

    APIClient& api;
};
