#include "state/admin/AdminSection.h"

using namespace Qt::StringLiterals;

namespace adminsection {

namespace {

struct Row {
    AdminSection section;
    QString raw;
    QString titleKey;
    QString icon;
    QString comingKey;
};

const QList<Row>& table()
{
    static const QList<Row> rows {
        { AdminSection::dashboard, u"dashboard"_s, u"admin.dashboard"_s, u"gauge.with.dots.needle.33percent"_s, {} },
        { AdminSection::users, u"users"_s, u"admin.users"_s, u"person.3"_s, {} },
        { AdminSection::groups, u"groups"_s, u"admin.groups"_s, u"person.2"_s, {} },
        { AdminSection::messages, u"messages"_s, u"admin.messages"_s, u"message"_s, {} },
        { AdminSection::sensitiveWords, u"sensitiveWords"_s, u"admin.sensitive_words"_s, u"text.badge.xmark"_s, {} },
        { AdminSection::auditLogs, u"auditLogs"_s, u"admin.audit_logs"_s, u"list.clipboard"_s, u"admin.logs_coming"_s },
        { AdminSection::reports, u"reports"_s, u"admin.reports"_s, u"chart.bar"_s, u"admin.reports_coming"_s },
        { AdminSection::systemConfig, u"systemConfig"_s, u"admin.system_config"_s, u"gearshape"_s, {} },
    };
    return rows;
}

const Row& row(AdminSection section) { return table().at(int(section)); }

} // namespace

const QList<AdminSection>& allCases()
{
    static const QList<AdminSection> cases = [] {
        QList<AdminSection> out;
        for (const Row& r : table())
            out.append(r.section);
        return out;
    }();
    return cases;
}

QString rawValue(AdminSection section) { return row(section).raw; }
QString titleKey(AdminSection section) { return row(section).titleKey; }
QString icon(AdminSection section) { return row(section).icon; }
QString comingKey(AdminSection section) { return row(section).comingKey; }

std::optional<AdminSection> fromRawValue(const QString& raw)
{
    for (const Row& r : table()) {
        if (r.raw == raw)
            return r.section;
    }
    return std::nullopt;
}

} // namespace adminsection
