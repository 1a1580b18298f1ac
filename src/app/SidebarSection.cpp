#include "app/SidebarSection.h"

#include "views/common/Localized.h"

namespace SidebarSections {

namespace {

struct Entry {
    SidebarSection section;
    const char* raw;
    const char* titleKey;
    const char* icon;
};

constexpr Entry entries[] = {
    { SidebarSection::messages, "messages", "tab.messages", "message.fill" },
    { SidebarSection::contacts, "contacts", "tab.contacts", "person.2.fill" },
    { SidebarSection::moments, "moments", "tab.moments", "camera.fill" },
    { SidebarSection::favorites, "favorites", "contacts.favorites", "star.fill" },
    { SidebarSection::files, "files", "chat.file", "folder.fill" },
    { SidebarSection::settings, "settings", "content.settings_title", "gearshape.fill" },
};

const Entry& entry(SidebarSection section)
{
    return entries[static_cast<int>(section)];
}

} // namespace

const QList<SidebarSection>& allCases()
{
    static const QList<SidebarSection> cases = [] {
        QList<SidebarSection> list;
        for (const Entry& e : entries)
            list.append(e.section);
        return list;
    }();
    return cases;
}

QString rawValue(SidebarSection section) { return QString::fromLatin1(entry(section).raw); }

std::optional<SidebarSection> fromRawValue(const QString& raw)
{
    for (const Entry& e : entries)
        if (raw == QLatin1StringView(e.raw))
            return e.section;
    return std::nullopt;
}

QString titleKey(SidebarSection section) { return QString::fromLatin1(entry(section).titleKey); }

QString title(SidebarSection section) { return Localized::text(titleKey(section)); }

QString icon(SidebarSection section) { return QString::fromLatin1(entry(section).icon); }

} // namespace SidebarSections
