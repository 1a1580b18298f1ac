#include "services/GiftService.h"

#include "models/Json.h"
#include "network/APIClient.h"
#include "services/Procedure.h"

using namespace Qt::Literals::StringLiterals;

GiftService::Gift GiftService::Gift::read(const json::Reader& r)
{
    return Gift {
        r.required<qint64>("id"_L1),
        r.optional<QString>("name"_L1),
        r.optional<QString>("icon"_L1),
        r.optional<double>("price"_L1),
        r.optional<QString>("category"_L1),
        r.optional<bool>("isActive"_L1),
    };
}

void GiftService::Gift::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.optional("name"_L1, name);
    w.optional("icon"_L1, icon);
    w.optional("price"_L1, price);
    w.optional("category"_L1, category);
    w.optional("isActive"_L1, isActive);
}

GiftService& GiftService::shared()
{
    static GiftService instance(APIClient::shared());
    return instance;
}

QCoro::Task<QList<GiftService::Gift>> GiftService::getGifts()
{
    return procedure::query<QList<Gift>>(api, u"gifts.list"_s);
}
