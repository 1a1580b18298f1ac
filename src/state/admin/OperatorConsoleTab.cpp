#include "state/admin/OperatorConsoleTab.h"

using namespace Qt::StringLiterals;

namespace operatorconsoletab {

const QList<OperatorConsoleTab>& allCases()
{
    static const QList<OperatorConsoleTab> cases { OperatorConsoleTab::workspace, OperatorConsoleTab::history, OperatorConsoleTab::statistics };
    return cases;
}

QString rawValue(OperatorConsoleTab tab)
{
    switch (tab) {
    case OperatorConsoleTab::workspace: return u"workspace"_s;
    case OperatorConsoleTab::history: return u"history"_s;
    case OperatorConsoleTab::statistics: return u"statistics"_s;
    }
    return {};
}

std::optional<OperatorConsoleTab> fromRawValue(const QString& raw)
{
    for (OperatorConsoleTab tab : allCases()) {
        if (rawValue(tab) == raw)
            return tab;
    }
    return std::nullopt;
}

QString titleKey(OperatorConsoleTab tab) { return u"operator."_s + rawValue(tab); }

QString icon(OperatorConsoleTab tab)
{
    switch (tab) {
    case OperatorConsoleTab::workspace: return u"headphones"_s;
    case OperatorConsoleTab::history: return u"clock"_s;
    case OperatorConsoleTab::statistics: return u"chart.bar"_s;
    }
    return {};
}

} // namespace operatorconsoletab
