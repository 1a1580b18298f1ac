#pragma once

#include <QList>
#include <QString>

#include <optional>

// The six sections of the main window, in the order the sidebar lists them.
enum class SidebarSection { messages, contacts, moments, favorites, files, settings };

namespace SidebarSections {

const QList<SidebarSection>& allCases();
QString rawValue(SidebarSection section);
// Only an exact match of a raw value gives a section.
std::optional<SidebarSection> fromRawValue(const QString& raw);
QString titleKey(SidebarSection section);
// The localised title, looked up afresh on every call.
QString title(SidebarSection section);
QString icon(SidebarSection section);

} // namespace SidebarSections
