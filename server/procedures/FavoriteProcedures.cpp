#include "procedures/ProcedureRegistry.h"
#include "procedures/Procedures.h"
#include "store/Favorites.h"

#include "models/Json.h"

#include <QJsonObject>

#include <memory>

void registerFavoriteProcedures(ProcedureRegistry& registry, ServerContext& context)
{
    const auto favorites = std::make_shared<Favorites>(context.db, context.messages);

    registry.add(QStringLiteral("favorites.list"), ProcedureKind::Query, [favorites](const ProcedureCall& call) -> QJsonValue {
        const json::Reader input = call.reader();
        return favorites->list(call.userId, input.required<qint64>(QLatin1StringView("limit")),
            input.required<qint64>(QLatin1StringView("offset")));
    });

    registry.add(QStringLiteral("favorites.remove"), ProcedureKind::Mutation, [favorites](const ProcedureCall& call) -> QJsonValue {
        favorites->remove(call.userId, call.reader().required<qint64>(QLatin1StringView("messageId")));
        return procedureSuccess();
    });
}
