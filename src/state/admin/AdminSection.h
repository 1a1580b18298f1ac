#pragma once

#include <QList>
#include <QString>

#include <optional>

// The sections of the administration console, in sidebar order.
enum class AdminSection { dashboard, users, groups, messages, sensitiveWords, auditLogs, reports, systemConfig };

namespace adminsection {

const QList<AdminSection>& allCases();
QString rawValue(AdminSection section);
// Exactly the eight raw values; anything else (other case, snake case) is none.
std::optional<AdminSection> fromRawValue(const QString& raw);
// The string-table key of the section's title.
QString titleKey(AdminSection section);
QString icon(AdminSection section);
// The two sections that only show a "coming" page: their message key, else empty.
QString comingKey(AdminSection section);

} // namespace adminsection
