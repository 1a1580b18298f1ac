#pragma once

#include "models/AdminGroup.h"
#include "models/AdminUser.h"
#include "models/AuditMessage.h"
#include "models/Json.h"

#include <QList>
#include <QLatin1StringView>

#include <optional>

// Where each administration list puts its rows in the reply.
template <typename Row>
inline constexpr QLatin1StringView adminListKey;
template <>
inline constexpr QLatin1StringView adminListKey<AdminUser> { "users" };
template <>
inline constexpr QLatin1StringView adminListKey<AdminGroup> { "groups" };
template <>
inline constexpr QLatin1StringView adminListKey<AuditMessage> { "messages" };

// One page of an administration list: the rows under the list's key, and the number
// of all matches on the server when it says so.
template <typename Row>
struct AdminListResponse {
    QList<Row> rows {};
    std::optional<qint64> total {};

    static AdminListResponse read(const json::Reader& r)
    {
        return { r.required<QList<Row>>(adminListKey<Row>), r.optional<qint64>(QLatin1StringView("total")) };
    }
    void write(json::Writer& w) const
    {
        w.required(adminListKey<Row>, rows);
        w.optional(QLatin1StringView("total"), total);
    }
};

using AdminUserListResponse = AdminListResponse<AdminUser>;
using AdminGroupListResponse = AdminListResponse<AdminGroup>;
using AuditMessageListResponse = AdminListResponse<AuditMessage>;
