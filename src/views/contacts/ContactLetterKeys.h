#pragma once

#include <QObject>

class ContactListModel;
class QAbstractItemView;

// Typing a letter in the contact list goes to the contacts under that letter, as
// the section headers show it (张三 stands under Z, so z reaches him), or to the
// next letter there is; the same letter again goes on to the next contact under
// it. The contact reached is chosen as the arrow keys choose one.
class ContactLetterKeys : public QObject {
    Q_OBJECT
public:
    // Lives as long as the view.
    static void attach(QAbstractItemView* view, ContactListModel* model);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ContactLetterKeys(QAbstractItemView* view, ContactListModel* model);

    QAbstractItemView* m_view;
    ContactListModel* m_model;
};
