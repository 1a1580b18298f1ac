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

// What a worker thread reports: its result, or why it failed.
template <typename Result>
struct Outcome {
    std::optional<Result> result;
    std::optional<ServerError> refusal;
    QString failure;

    template <typename Work>
    static Outcome of(Work work)
    {
        Outcome outcome;
        try {
            outcome.result = work();
        } catch (const ServerError& refusal) {
            outcome.refusal = refusal;
        } catch (const std::exception& failure) {
            outcome.failure = QString::fromUtf8(failure.what());
        }
        return outcome;
    }
    // The result on the event loop, or the failure thrown again there.
    Result take() const
    {
        if (refusal)
            throw *refusal;
        if (!failure.isEmpty())
            throw std::runtime_error(failure.toStdString());
        return *result;
    }
};

// Answers a failure of the upload in the caller's language, forgetting the file.
void answerFailure(ServerContext& context, PendingReply& pending, const ProcedureCall& call, const QString& fileKey)
{
    try {
        throw;
    } catch (const ServerError& error) {
        if (!fileKey.isEmpty())
            context.uploads.abandon(fileKey);
        pending.finish(HttpReply::procedureError(error, call.name, call.language));
    } catch (const std::exception& error) {
        if (!fileKey.isEmpty())
            context.uploads.abandon(fileKey);
        qWarning().noquote() << "[Server] Upload" << fileKey << "failed:" << error.what();
        pending.finish(HttpReply::internalError(true, call.language));
    }
}

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

    // The body is looked through and the file decoded and written on worker threads;
    // between the two the event loop checks the key. The body is never parsed whole.
    registry.addRawBody(QStringLiteral("upload.complete"), [&context](const ProcedureCall& call, const QByteArray& body) {
        auto pending = std::make_shared<PendingReply>();
        offthread::run<Outcome<UploadBody>>(&context.hub, [body] { return Outcome<UploadBody>::of([&] { return UploadBody::read(body); }); },
            [&context, pending, call, body](Outcome<UploadBody> read) {
                QString path;
                UploadBody upload;
                try {
                    upload = read.take();
                    path = context.uploads.begin(call.userId, upload.fileKey, upload.contentType);
                } catch (...) {
                    answerFailure(context, *pending, call, {});
                    return;
                }
                offthread::run<Outcome<qint64>>(&context.hub,
                    [path, body, upload] {
                        return Outcome<qint64>::of([&] {
                            return Uploads::writeFile(path, QByteArray::fromRawData(body.constData() + upload.bufferStart, upload.bufferLength));
                        });
                    },
                    [&context, pending, call, upload](Outcome<qint64> written) {
                        try {
                            const QString url = context.uploads.finish(upload.fileKey, written.take(), upload.contentType);
                            pending->finish(HttpReply::procedureResult(QJsonObject { { QStringLiteral("url"), url } }));
                        } catch (...) {
                            answerFailure(context, *pending, call, upload.fileKey);
                        }
                    });
            });
        return HttpReply::later(pending);
    });
}
