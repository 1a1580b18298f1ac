#include "services/MomentService.h"

#include "models/Json.h"
#include "network/APIClient.h"
#include "services/Procedure.h"

using namespace Qt::Literals::StringLiterals;

MomentService& MomentService::shared()
{
    static MomentService instance(APIClient::shared());
    return instance;
}

QCoro::Task<QList<Moment>> MomentService::getMoments(qint64 page, qint64 limit)
{
    return procedure::query<QList<Moment>>(api, u"moments.list"_s, procedure::Page { page, limit });
}

QCoro::Task<qint64> MomentService::createMoment(
    QString content, std::optional<QList<QString>> images, QString visibility, std::optional<QString> location)
{
    struct Input {
        QString content;
        std::optional<QList<QString>> images;
        QString visibility;
        std::optional<QString> location;
        void write(json::Writer& w) const
        {
            w.required("content"_L1, content);
            w.optional("images"_L1, images);
            w.required("visibility"_L1, visibility);
            w.optional("location"_L1, location);
        }
    };
    struct Result {
        qint64 momentId;
        static Result read(const json::Reader& r) { return Result { r.required<qint64>("momentId"_L1) }; }
    };
    Input input { std::move(content), std::move(images), std::move(visibility), std::move(location) };
    const Result result = co_await procedure::mutation<Result>(api, u"moments.create"_s, std::move(input));
    co_return result.momentId;
}

QCoro::Task<> MomentService::likeMoment(qint64 id)
{
    return procedure::mutation<void>(api, u"moments.like"_s, procedure::Id { "id"_L1, id });
}

QCoro::Task<> MomentService::unlikeMoment(qint64 id)
{
    return procedure::mutation<void>(api, u"moments.unlike"_s, procedure::Id { "id"_L1, id });
}

QCoro::Task<qint64> MomentService::addComment(qint64 id, QString content, std::optional<qint64> replyToId)
{
    struct Input {
        qint64 id;
        QString content;
        std::optional<qint64> replyToId;
        void write(json::Writer& w) const
        {
            w.required("id"_L1, id);
            w.required("content"_L1, content);
            w.optional("replyToId"_L1, replyToId);
        }
    };
    struct Result {
        qint64 commentId;
        static Result read(const json::Reader& r) { return Result { r.required<qint64>("commentId"_L1) }; }
    };
    Input input { id, std::move(content), replyToId };
    const Result result = co_await procedure::mutation<Result>(api, u"moments.comment"_s, std::move(input));
    co_return result.commentId;
}
