#include "procedures/ProcedureRegistry.h"
#include "procedures/Procedures.h"
#include "store/GlobalSearch.h"

#include "models/Json.h"

void registerSearchProcedures(ProcedureRegistry& registry, ServerContext&)
{
    // Message texts are found through their indexes, on the reading thread.
    registry.addRead(QStringLiteral("search.global"), ProcedureKind::Query, [](Database& db, const ProcedureCall& call) -> QJsonValue {
        const json::Reader input = call.reader();
        return GlobalSearch(db).search(call.userId, input.required<QString>(QLatin1StringView("keyword")),
            input.required<qint64>(QLatin1StringView("limit")));
    });
}
