#pragma once

#include <QList>
#include <QString>

#include <optional>

// The tabs of the operator console's sidebar, in picker order.
enum class OperatorConsoleTab { workspace, history, statistics };

namespace operatorconsoletab {

const QList<OperatorConsoleTab>& allCases();
QString rawValue(OperatorConsoleTab tab);
// Exactly the three raw values; anything else is none.
std::optional<OperatorConsoleTab> fromRawValue(const QString& raw);
QString titleKey(OperatorConsoleTab tab);
QString icon(OperatorConsoleTab tab);

} // namespace operatorconsoletab
