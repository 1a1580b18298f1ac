#include "procedures/ProcedureRegistry.h"
#include "procedures/Procedures.h"
#include "store/GlobalSearch.h"

#include "models/Json.h"

#include <memory>

void registerSearchProcedures(ProcedureRegistry& registry, ServerContext& context)
{
    const auto search = std::make_shared<GlobalSearch>(context.db);

    registry.add(QStringLiteral("search.global"), ProcedureKind::Query, [search](const ProcedureCall& call) -> QJsonValue {
        const json::Reader input = call.reader();
        return search->search(call.userId, input.required<QString>(QLatin1StringView("keyword")),
            input.required<qint64>(QLatin1StringView("limit")));
    });
}
