#include "store/SystemSettings.h"

#include "http/ServerError.h"
#include "store/Database.h"

#include "models/Json.h"

#include <QSqlQuery>

namespace {

void checkRange(const std::optional<qint64>& value, qint64 low, qint64 high, Text setting)
{
    if (value && (*value < low || *value > high))
        throw ServerError::badRequest(Text::SettingOutOfRange, setting, low, high);
}

} // namespace

SystemSettings::SystemSettings(Database& db)
    : m_db(db)
{
}

QJsonObject SystemSettings::configJson()
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT max_group_members, message_retention_days, screenshot_protection,"
                                               " allow_registration FROM system_config WHERE id = 1"));
    if (!query.next())
        throw DatabaseError("the system configuration row is missing");
    return {
        { QStringLiteral("maxGroupMembers"), query.value(0).toLongLong() },
        { QStringLiteral("messageRetentionDays"), query.value(1).toLongLong() },
        { QStringLiteral("screenshotProtection"), query.value(2).toInt() != 0 },
        { QStringLiteral("allowRegistration"), query.value(3).toInt() != 0 },
    };
}

void SystemSettings::update(const json::Reader& input)
{
    const auto maxMembers = input.optional<qint64>(QLatin1StringView("maxGroupMembers"));
    const auto retention = input.optional<qint64>(QLatin1StringView("messageRetentionDays"));
    const auto screenshots = input.optional<bool>(QLatin1StringView("screenshotProtection"));
    const auto registration = input.optional<bool>(QLatin1StringView("allowRegistration"));
    checkRange(maxMembers, kMinGroupMembers, kMaxGroupMembers, Text::NounMaxGroupMembers);
    checkRange(retention, kMinRetentionDays, kMaxRetentionDays, Text::NounMessageRetentionDays);

    Database::Transaction transaction(m_db);
    if (maxMembers)
        m_db.exec(QStringLiteral("UPDATE system_config SET max_group_members = ? WHERE id = 1"), { *maxMembers });
    if (retention)
        m_db.exec(QStringLiteral("UPDATE system_config SET message_retention_days = ? WHERE id = 1"), { *retention });
    if (screenshots)
        m_db.exec(QStringLiteral("UPDATE system_config SET screenshot_protection = ? WHERE id = 1"), { *screenshots ? 1 : 0 });
    if (registration)
        m_db.exec(QStringLiteral("UPDATE system_config SET allow_registration = ? WHERE id = 1"), { *registration ? 1 : 0 });
    transaction.commit();
}

qint64 SystemSettings::maxGroupMembers()
{
    return m_db.scalar(QStringLiteral("SELECT max_group_members FROM system_config WHERE id = 1")).toLongLong();
}

bool SystemSettings::allowRegistration()
{
    return m_db.scalar(QStringLiteral("SELECT allow_registration FROM system_config WHERE id = 1")).toInt() != 0;
}
