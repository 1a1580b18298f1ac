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

// The gift catalogue.
class GiftService final {
public:
    struct Gift {
        qint64 id = 0;
        std::optional<QString> name;
        std::optional<QString> icon;
        std::optional<double> price;
        std::optional<QString> category;
        std::optional<bool> isActive;

        static Gift read(const json::Reader& reader);
        void write(json::Writer& writer) const;
    };

    static GiftService& shared();
    explicit GiftService(APIClient& api)
        : api(api)
    {
    }

    QCoro::Task<QList<Gift>> getGifts();

    APIClient& api;
};
