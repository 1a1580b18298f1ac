#include "state/contacts/ContactSection.h"

#include "state/contacts/LetterIndex.h"


#include <algorithm>

QString ContactSection::displayName(const Contact& contact)
{
    if (contact.nickname)
        return *contact.nickname;
    if (contact.name)
        return *contact.name;
    return QStringLiteral("未知用户");
}

QList<ContactSection> ContactSection::build(const QList<Contact>& contacts)
{
    // Each name is normalised and lettered once, not at every comparison: with
    // thousands of contacts the sort would otherwise redo it n log n times.
    struct Entry {
        QString key;
        qsizetype index;
    };
    QList<ContactSection> sections;
    QList<QList<Entry>> entries;
    for (qsizetype i = 0; i < contacts.size(); ++i) {
        const QString name = displayName(contacts.at(i));
        const QString letter = letterIndex::letterFor(name);
        auto it = std::find_if(sections.begin(), sections.end(),
                               [&](const ContactSection& section) { return section.letter == letter; });
        if (it == sections.end()) {
            sections.append(ContactSection { letter, {} });
            entries.append(QList<Entry> {});
            it = sections.end() - 1;
        }
        entries[it - sections.begin()].append(Entry { letterIndex::ordinalKey(name), i });
    }
    for (qsizetype s = 0; s < sections.size(); ++s) {
        QList<Entry>& section = entries[s];
        std::stable_sort(section.begin(), section.end(), [](const Entry& a, const Entry& b) {
            return letterIndex::ordinalKeyLess(a.key, b.key);
        });
        sections[s].contacts.reserve(section.size());
        for (const Entry& entry : section)
            sections[s].contacts.append(contacts.at(entry.index));
    }
    std::sort(sections.begin(), sections.end(), [](const ContactSection& a, const ContactSection& b) {
        return letterIndex::ordinalLess(a.letter, b.letter);
    });
    return sections;
}
