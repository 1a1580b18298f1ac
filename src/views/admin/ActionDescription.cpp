#include "views/admin/ActionDescription.h"

#include "state/common/PrintfFormat.h"
#include "views/common/Localized.h"

#include <QStringList>

QString describeActions(const QList<RowAction>& actions)
{
    QStringList labels;
    for (const RowAction& action : actions)
        labels << (action.enabled ? action.text : printfFormat(Localized::text("admin.action_unavailable"), { action.text }));
    return labels.join(QStringLiteral(", "));
}
