#pragma once

#include <QString>

#include <optional>

class APIClient;
namespace json {
class Reader;
class Writer;
}

// The wallet has no server procedure yet: the service offers nothing.
class WalletService final {
public:
    struct Transaction {
        qint64 id = 0;
        std::optional<QString> type;
        std::optional<double> amount;
        std::optional<QString> currency;
        std::optional<QString> description;
        std::optional<QString> status;
        std::optional<QString> createdAt;
        std::optional<qint64> relatedUserId;
        std::optional<QString> relatedUserName;

        static Transaction read(const json::Reader& reader);
        void write(json::Writer& writer) const;
    };

    explicit WalletService(APIClient& api)
        : api(api)
    {
    }

    APIClient& api;
};
