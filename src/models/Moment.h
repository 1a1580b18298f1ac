#pragma once

#include "models/Json.h"
#include "models/MomentComment.h"
#include "models/MomentLike.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// One post of the social feed with the likes and comments that came with it. The
// counts are the server's and need not match the lists.
struct Moment {
    qint64 id = 0;
    qint64 userId = 0;
    std::optional<QString> content {};
    std::optional<QStringList> images {};
    std::optional<QString> visibility {};
    std::optional<QString> location {};
    std::optional<QString> createdAt {};
    std::optional<QString> userName {};
    std::optional<QString> userAvatar {};
    std::optional<QList<MomentLike>> likes {};
    std::optional<QList<MomentComment>> comments {};
    std::optional<qint64> likeCount {};
    std::optional<qint64> commentCount {};

    static Moment read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};
