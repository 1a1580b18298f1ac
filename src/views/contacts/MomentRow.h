#pragma once

#include "models/Moment.h"

#include <QWidget>

class MomentsViewModel;
class QLineEdit;
class QPushButton;

// One moment of the feed: author, text, pictures, counts, comments and the
// moment's own comment field. Its like and send buttons go to the feed's state.
class MomentRow : public QWidget {
    Q_OBJECT
public:
    MomentRow(const Moment& moment, MomentsViewModel* viewModel, QWidget* parent = nullptr);

    qint64 momentId() const { return m_moment.id; }

private:
    QWidget* authorRow();
    QWidget* actionRow();
    QWidget* commentList();
    QWidget* commentEntry();
    void updateSendButton();

    Moment m_moment;
    MomentsViewModel* m_viewModel;
    QLineEdit* m_commentField = nullptr;
    QPushButton* m_sendButton = nullptr;
};
