#include "procedures/ProcedureRegistry.h"
#include "procedures/Procedures.h"
#include "store/FileLibrary.h"

#include "models/Json.h"

#include <memory>

void registerFileProcedures(ProcedureRegistry& registry, ServerContext& context)
{
    const auto library = std::make_shared<FileLibrary>(context.db, context.uploads);

    registry.add(QStringLiteral("files.getMyFiles"), ProcedureKind::Query, [library](const ProcedureCall& call) -> QJsonValue {
        const json::Reader input = call.reader();
        return library->myFiles(call.userId, input.required<qint64>(QLatin1StringView("page")),
            input.required<qint64>(QLatin1StringView("limit")));
    });

    // A mutation although it changes nothing: the client calls it with POST.
    registry.add(QStringLiteral("files.getDownloadUrl"), ProcedureKind::Mutation, [library](const ProcedureCall& call) -> QJsonValue {
        const qint64 fileId = call.reader().required<qint64>(QLatin1StringView("fileId"));
        return library->downloadLink(call.userId, fileId, FileLibrary::originOf(call.host));
    });
}
