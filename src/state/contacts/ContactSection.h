#pragma once

#include "models/Contact.h"

#include <QList>
#include <QString>

// Contacts grouped under one index letter, as the contact list shows them.
struct ContactSection {
    QString letter;
    QList<Contact> contacts;

    // The name a contact is listed and sorted by: the nickname when present (even
    // when empty), else the name, else "未知用户".
    static QString displayName(const Contact& contact);

    // Every contact in exactly one section; sections in ordinal order of their
    // letter, contacts in ordinal order of display name (stable for equal names).
    static QList<ContactSection> build(const QList<Contact>& contacts);

    friend bool operator==(const ContactSection& a, const ContactSection& b)
    {
        return a.letter == b.letter && a.contacts == b.contacts;
    }
};
