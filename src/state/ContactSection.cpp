#include "state/ContactSection.h"

#include "state/LetterIndex.h"


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
    QList<ContactSection> sections;
    for (const Contact& contact : contacts) {
        const QString letter = letterIndex::letterFor(displayName(contact));
        auto it = std::find_if(sections.begin(), sections.end(),
                               [&](const ContactSection& section) { return section.letter == letter; });
        if (it == sections.end())
            sections.append(ContactSection { letter, { contact } });
        else
            it->contacts.append(contact);
    }
    std::sort(sections.begin(), sections.end(), [](const ContactSection& a, const ContactSection& b) {
        return letterIndex::ordinalLess(a.letter, b.letter);
    });
    for (ContactSection& section : sections) {
        std::stable_sort(section.contacts.begin(), section.contacts.end(), [](const Contact& a, const Contact& b) {
            return letterIndex::ordinalLess(displayName(a), displayName(b));
        });
    }
    return sections;
}
