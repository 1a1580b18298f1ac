#include "procedures/ProcedureRegistry.h"
#include "procedures/Procedures.h"
#include "store/Moments.h"

#include "models/Json.h"

#include <QJsonObject>

#include <memory>

void registerMomentProcedures(ProcedureRegistry& registry, ServerContext& context)
{
    const auto moments = std::make_shared<Moments>(context.db);

    registry.add(QStringLiteral("moments.list"), ProcedureKind::Query, [moments](const ProcedureCall& call) -> QJsonValue {
        const json::Reader input = call.reader();
        return moments->list(call.userId, input.required<qint64>(QLatin1StringView("page")), input.required<qint64>(QLatin1StringView("limit")));
    });

    registry.add(QStringLiteral("moments.create"), ProcedureKind::Mutation, [moments](const ProcedureCall& call) -> QJsonValue {
        const json::Reader input = call.reader();
        NewMoment moment;
        moment.content = input.required<QString>(QLatin1StringView("content"));
        if (const auto images = input.optional<QList<QString>>(QLatin1StringView("images")))
            moment.images = QStringList(*images);
        moment.visibility = input.required<QString>(QLatin1StringView("visibility"));
        moment.location = input.optional<QString>(QLatin1StringView("location"));
        return QJsonObject { { QStringLiteral("momentId"), moments->create(call.userId, moment) } };
    });

    registry.add(QStringLiteral("moments.like"), ProcedureKind::Mutation, [moments](const ProcedureCall& call) -> QJsonValue {
        moments->like(call.userId, call.reader().required<qint64>(QLatin1StringView("id")));
        return procedureSuccess();
    });

    registry.add(QStringLiteral("moments.unlike"), ProcedureKind::Mutation, [moments](const ProcedureCall& call) -> QJsonValue {
        moments->unlike(call.userId, call.reader().required<qint64>(QLatin1StringView("id")));
        return procedureSuccess();
    });

    registry.add(QStringLiteral("moments.comment"), ProcedureKind::Mutation, [moments](const ProcedureCall& call) -> QJsonValue {
        const json::Reader input = call.reader();
        const qint64 id = moments->comment(call.userId, input.required<qint64>(QLatin1StringView("id")),
            input.required<QString>(QLatin1StringView("content")), input.optional<qint64>(QLatin1StringView("replyToId")));
        return QJsonObject { { QStringLiteral("commentId"), id } };
    });
}
