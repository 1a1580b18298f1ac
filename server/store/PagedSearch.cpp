#include "store/PagedSearch.h"

#include "store/Database.h"

#include <QSqlQuery>
#include <QSqlRecord>

PageOfIds pageOfMatches(Database& db, const QString& sql, const PageRequest& request)
{
    PageOfIds page;
    if (request.search.isEmpty()) {
        page.total = db.scalar(QStringLiteral("SELECT COUNT(*) FROM (%1)").arg(sql)).toLongLong();
        QSqlQuery query = db.exec(sql + QStringLiteral(" LIMIT ? OFFSET ?"), { request.limit, request.offset() });
        while (query.next())
            page.ids.append(query.value(0).toLongLong());
        return page;
    }
    QSqlQuery query = db.exec(sql);
    const int columns = query.record().count();
    const qint64 first = request.offset();
    while (query.next()) {
        bool matches = false;
        for (int column = 1; column < columns && !matches; ++column)
            matches = query.value(column).toString().contains(request.search, Qt::CaseInsensitive);
        if (!matches)
            continue;
        if (page.total >= first && page.ids.size() < request.limit)
            page.ids.append(query.value(0).toLongLong());
        ++page.total;
    }
    return page;
}
