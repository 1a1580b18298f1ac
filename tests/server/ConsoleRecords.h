#pragma once

// The records the administration and operator consoles read, written here from their
// field lists (the consoles keep their own copies), so the server's replies are
// checked against the consoles' formats and not against the server's idea of them.
// Read only; strict as the consoles are: a missing required key or a wrong type fails.

#include "models/Json.h"

#include <QList>
#include <QString>

#include <optional>

namespace console {

using json::Reader;
using L = QLatin1StringView;

struct AdminStats {
    std::optional<qint64> totalUsers, onlineUsers, totalMessages, activeGroups;
    static AdminStats read(const Reader& r)
    {
        return { r.optional<qint64>(L("totalUsers")), r.optional<qint64>(L("onlineUsers")),
            r.optional<qint64>(L("totalMessages")), r.optional<qint64>(L("activeGroups")) };
    }
    void write(json::Writer&) const { }
};

struct AdminUser {
    qint64 id = 0;
    std::optional<QString> name, email, role, status;
    std::optional<bool> isBanned;
    std::optional<QString> createdAt, lastLoginAt, openId;
    static AdminUser read(const Reader& r)
    {
        return { r.required<qint64>(L("id")), r.optional<QString>(L("name")), r.optional<QString>(L("email")),
            r.optional<QString>(L("role")), r.optional<QString>(L("status")), r.optional<bool>(L("isBanned")),
            r.optional<QString>(L("createdAt")), r.optional<QString>(L("lastLoginAt")), r.optional<QString>(L("openId")) };
    }
    void write(json::Writer&) const { }
};

struct AdminGroup {
    qint64 id = 0;
    std::optional<QString> name;
    std::optional<qint64> memberCount, ownerId;
    std::optional<QString> ownerName, createdAt;
    std::optional<bool> isActive;
    static AdminGroup read(const Reader& r)
    {
        return { r.required<qint64>(L("id")), r.optional<QString>(L("name")), r.optional<qint64>(L("memberCount")),
            r.optional<qint64>(L("ownerId")), r.optional<QString>(L("ownerName")), r.optional<QString>(L("createdAt")),
            r.optional<bool>(L("isActive")) };
    }
    void write(json::Writer&) const { }
};

struct AuditMessage {
    qint64 id = 0;
    std::optional<qint64> senderId;
    std::optional<QString> senderName;
    std::optional<qint64> conversationId;
    std::optional<QString> content, type, createdAt;
    std::optional<bool> isDeleted;
    static AuditMessage read(const Reader& r)
    {
        return { r.required<qint64>(L("id")), r.optional<qint64>(L("senderId")), r.optional<QString>(L("senderName")),
            r.optional<qint64>(L("conversationId")), r.optional<QString>(L("content")), r.optional<QString>(L("type")),
            r.optional<QString>(L("createdAt")), r.optional<bool>(L("isDeleted")) };
    }
    void write(json::Writer&) const { }
};

// AdminUserListResponse, AdminGroupListResponse, AuditMessageListResponse.
template <typename Row, const char* Key>
struct ListResponse {
    QList<Row> rows;
    std::optional<qint64> total;
    static ListResponse read(const Reader& r) { return { r.required<QList<Row>>(L(Key)), r.optional<qint64>(L("total")) }; }
    void write(json::Writer&) const { }
};
inline constexpr char kUsersKey[] = "users";
inline constexpr char kGroupsKey[] = "groups";
inline constexpr char kMessagesKey[] = "messages";
using AdminUserListResponse = ListResponse<AdminUser, kUsersKey>;
using AdminGroupListResponse = ListResponse<AdminGroup, kGroupsKey>;
using AuditMessageListResponse = ListResponse<AuditMessage, kMessagesKey>;

struct SystemConfig {
    std::optional<qint64> maxGroupMembers, messageRetentionDays;
    std::optional<bool> screenshotProtection, allowRegistration;
    static SystemConfig read(const Reader& r)
    {
        return { r.optional<qint64>(L("maxGroupMembers")), r.optional<qint64>(L("messageRetentionDays")),
            r.optional<bool>(L("screenshotProtection")), r.optional<bool>(L("allowRegistration")) };
    }
    void write(json::Writer&) const { }
};

struct SensitiveWord {
    qint64 id = 0;
    QString word;
    std::optional<QString> category, level, replacement;
    std::optional<bool> isActive;
    static SensitiveWord read(const Reader& r)
    {
        return { r.required<qint64>(L("id")), r.required<QString>(L("word")), r.optional<QString>(L("category")),
            r.optional<QString>(L("level")), r.optional<QString>(L("replacement")), r.optional<bool>(L("isActive")) };
    }
    void write(json::Writer&) const { }
};

struct OperatorSession {
    qint64 id = 0;
    std::optional<qint64> customerId, operatorId;
    std::optional<QString> status, customerName, customerAvatar, lastMessage, createdAt;
    std::optional<qint64> rating;
    static OperatorSession read(const Reader& r)
    {
        return { r.required<qint64>(L("id")), r.optional<qint64>(L("customerId")), r.optional<qint64>(L("operatorId")),
            r.optional<QString>(L("status")), r.optional<QString>(L("customerName")), r.optional<QString>(L("customerAvatar")),
            r.optional<QString>(L("lastMessage")), r.optional<QString>(L("createdAt")), r.optional<qint64>(L("rating")) };
    }
    void write(json::Writer&) const { }
};

struct OperatorStatsResponse {
    std::optional<qint64> todayServed;
    std::optional<double> avgRating;
    std::optional<qint64> avgResponseTime;
    std::optional<double> resolutionRate;
    static OperatorStatsResponse read(const Reader& r)
    {
        return { r.optional<qint64>(L("todayServed")), r.optional<double>(L("avgRating")),
            r.optional<qint64>(L("avgResponseTime")), r.optional<double>(L("resolutionRate")) };
    }
    void write(json::Writer&) const { }
};

} // namespace console
