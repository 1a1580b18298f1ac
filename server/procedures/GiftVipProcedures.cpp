#include "procedures/ProcedureRegistry.h"
#include "procedures/Procedures.h"
#include "store/Catalogue.h"

#include <memory>

void registerGiftVipProcedures(ProcedureRegistry& registry, ServerContext& context)
{
    const auto catalogue = std::make_shared<Catalogue>(context.db);

    registry.add(QStringLiteral("gifts.list"), ProcedureKind::Query, [catalogue](const ProcedureCall&) -> QJsonValue {
        return catalogue->gifts();
    });
    registry.add(QStringLiteral("vip.levels"), ProcedureKind::Query, [catalogue](const ProcedureCall&) -> QJsonValue {
        return catalogue->vipLevels();
    });
    registry.add(QStringLiteral("vip.status"), ProcedureKind::Query, [catalogue](const ProcedureCall& call) -> QJsonValue {
        return catalogue->vipStatus(call.userId);
    });
}
