#include "http/ServerError.h"
#include "procedures/ProcedureRegistry.h"
#include "procedures/UploadBody.h"
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

    // The file was decoded into a spool file as the body arrived, off the event loop;
    // here it only becomes the key's (a rename).
    registry.addStreamed(
        QStringLiteral("upload.complete"), [&context] { return std::make_shared<UploadBody>(context.uploads.directory()); },
        [&context](const ProcedureCall& call, const StreamedBody& body) -> QJsonValue {
            UploadBody& upload = body.as<UploadBody>();
            const QString url = context.uploads.complete(call.userId, upload.fileKey(), upload.contentType(), upload.file(), upload.size());
            return QJsonObject { { QStringLiteral("url"), url } };
        });
}
