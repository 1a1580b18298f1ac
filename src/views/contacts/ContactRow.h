#pragma once

#include "models/Contact.h"

#include <QWidget>

class QLabel;

// One contact in the contact list: avatar with the online dot, the display name
// and, when there is one, the bio on a second line.
class ContactRow : public QWidget {
    Q_OBJECT
public:
    explicit ContactRow(const Contact& contact, QWidget* parent = nullptr);

    const Contact& contact() const { return m_contact; }
    bool showsOnlineDot() const;

private:
    Contact m_contact;
    QLabel* m_dot;
};
