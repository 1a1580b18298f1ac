#include "http/PendingReply.h"
#include "http/ServerError.h"
#include "live/LiveHub.h"
#include "OffThread.h"
#include "procedures/ProcedureRegistry.h"
#include "procedures/UploadBody.h"
#include "procedures/Procedures.h"
#include "store/Uploads.h"

#include "models/Json.h"

#include <QJsonObject>

#include <optional>

namespace {

// What the worker thread reports: the decoded size, or why it failed.
struct WriteOutcome {
    qint64 size = -1;
    std::optional<ServerError> refusal;
    QString failure;
};

} // namespace

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

    // The file is decoded and written on a worker thread; the body is never parsed whole.
    registry.addRawBody(QStringLiteral("upload.complete"), [&context](const ProcedureCall& call, const QByteArray& body) {
        const QString name = call.name;
        const UploadBody upload = UploadBody::read(body);
        const QString path = context.uploads.begin(call.userId, upload.fileKey, upload.contentType);
        auto pending = std::make_shared<PendingReply>();
        offthread::run<WriteOutcome>(&context.hub,
            [path, body, upload] {
                WriteOutcome outcome;
                try {
                    outcome.size = Uploads::writeFile(path, QByteArray::fromRawData(body.constData() + upload.bufferStart, upload.bufferLength));
                } catch (const ServerError& refusal) {
                    outcome.refusal = refusal;
                } catch (const std::exception& failure) {
                    outcome.failure = QString::fromUtf8(failure.what());
                }
                return outcome;
            },
            [&context, pending, upload, name, language = call.language](WriteOutcome outcome) {
                try {
                    if (outcome.refusal)
                        throw *outcome.refusal;
                    if (!outcome.failure.isEmpty())
                        throw std::runtime_error(outcome.failure.toStdString());
                    const QString url = context.uploads.finish(upload.fileKey, outcome.size, upload.contentType);
                    pending->finish(HttpReply::procedureResult(QJsonObject { { QStringLiteral("url"), url } }));
                } catch (const ServerError& error) {
                    context.uploads.abandon(upload.fileKey);
                    pending->finish(HttpReply::procedureError(error, name, language));
                } catch (const std::exception& error) {
                    context.uploads.abandon(upload.fileKey);
                    qWarning().noquote() << "[Server] Upload" << upload.fileKey << "failed:" << error.what();
                    pending->finish(HttpReply::internalError(true, language));
                }
            });
        return HttpReply::later(pending);
    });
}
