#include "procedures/ProcedureRegistry.h"
#include "procedures/Procedures.h"
#include "store/Uploads.h"

#include "models/Json.h"

#include <QJsonObject>

void registerUploadProcedures(ProcedureRegistry& registry, ServerContext& context)
{
    registry.add(QStringLiteral("upload.getPresignedUrl"), ProcedureKind::Mutation, [&context](const ProcedureCall& call) -> QJsonValue {
        const json::Reader input = call.reader();
        const QString key = context.uploads.announce(call.userId,
            input.required<QString>(QLatin1StringView("fileName")),
            input.required<QString>(QLatin1StringView("fileType")),
            input.required<qint64>(QLatin1StringView("fileSize")));
        return QJsonObject { { QStringLiteral("fileKey"), key } };
    });

    registry.add(QStringLiteral("upload.complete"), ProcedureKind::Mutation, [&context](const ProcedureCall& call) -> QJsonValue {
        const json::Reader input = call.reader();
        const QString url = context.uploads.complete(call.userId,
            input.required<QString>(QLatin1StringView("fileKey")),
            input.required<QString>(QLatin1StringView("fileBuffer")),
            input.required<QString>(QLatin1StringView("contentType")));
        return QJsonObject { { QStringLiteral("url"), url } };
    });
}
