#include "services/VipService.h"

#include "models/Json.h"
#include "network/APIClient.h"
#include "services/Procedure.h"

using namespace Qt::Literals::StringLiterals;

VipService::VipStatus VipService::VipStatus::read(const json::Reader& r)
{
    return VipStatus {
        r.optional<bool>("isVip"_L1),
        r.optional<qint64>("level"_L1),
        r.optional<QString>("levelName"_L1),
        r.optional<QString>("expiresAt"_L1),
        r.optional<bool>("autoRenew"_L1),
    };
}

void VipService::VipStatus::write(json::Writer& w) const
{
    w.optional("isVip"_L1, isVip);
    w.optional("level"_L1, level);
    w.optional("levelName"_L1, levelName);
    w.optional("expiresAt"_L1, expiresAt);
    w.optional("autoRenew"_L1, autoRenew);
}

VipService::VipLevel VipService::VipLevel::read(const json::Reader& r)
{
    return VipLevel {
        r.required<qint64>("id"_L1),
        r.optional<QString>("name"_L1),
        r.optional<qint64>("level"_L1),
        r.optional<double>("price"_L1),
        r.optional<QList<QString>>("benefits"_L1),
        r.optional<QString>("icon"_L1),
    };
}

void VipService::VipLevel::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.optional("name"_L1, name);
    w.optional("level"_L1, level);
    w.optional("price"_L1, price);
    w.optional("benefits"_L1, benefits);
    w.optional("icon"_L1, icon);
}

VipService& VipService::shared()
{
    static VipService instance(APIClient::shared());
    return instance;
}

QCoro::Task<VipService::VipStatus> VipService::getStatus() { return procedure::query<VipStatus>(api, u"vip.status"_s); }

QCoro::Task<QList<VipService::VipLevel>> VipService::getLevels()
{
    return procedure::query<QList<VipLevel>>(api, u"vip.levels"_s);
}
