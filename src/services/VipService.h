#pragma once

#include <QCoroTask>
#include <QList>
#include <QString>

#include <optional>

class APIClient;
namespace json {
class Reader;
class Writer;
}

// The account's VIP membership and the levels on offer; read-only.
class VipService final {
public:
    struct VipStatus {
        std::optional<bool> isVip;
        std::optional<qint64> level;
        std::optional<QString> levelName;
        std::optional<QString> expiresAt;
        std::optional<bool> autoRenew;

        static VipStatus read(const json::Reader& reader);
        void write(json::Writer& writer) const;
    };

    struct VipLevel {
        qint64 id = 0;
        std::optional<QString> name;
        std::optional<qint64> level;
        std::optional<double> price;
        std::optional<QList<QString>> benefits;
        std::optional<QString> icon;

        static VipLevel read(const json::Reader& reader);
        void write(json::Writer& writer) const;
    };

    static VipService& shared();
    explicit VipService(APIClient& api)
        : api(api)
    {
    }

    QCoro::Task<VipStatus> getStatus();
    QCoro::Task<QList<VipLevel>> getLevels();

    APIClient& api;
};
