#pragma once

#include "models/Moment.h"

#include <QCoroTask>
#include <QList>
#include <QString>

#include <optional>

class APIClient;

// The moments feed: reading a page, posting, likes and comments.
class MomentService final {
public:
    static MomentService& shared();
    explicit MomentService(APIClient& api)
        : api(api)
    {
    }

    QCoro::Task<QList<Moment>> getMoments(qint64 page, qint64 limit);
    // Returns the new moment's id. An empty images list is sent; only an absent one is left out.
    QCoro::Task<qint64> createMoment(
        QString content, std::optional<QList<QString>> images, QString visibility, std::optional<QString> location);
    QCoro::Task<> likeMoment(qint64 id);
    QCoro::Task<> unlikeMoment(qint64 id);
    // Returns the new comment's id. A replyToId of 0 is sent as 0.
    QCoro::Task<qint64> addComment(qint64 id, QString content, std::optional<qint64> replyToId);

    APIClient& api;
};
