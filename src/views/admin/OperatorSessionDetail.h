#pragma once

#include <QWidget>

class CapsuleBadge;
class ElidedLabel;
class OperatorConsoleViewModel;
class QLabel;
class QLineEdit;
class QPushButton;

// The selected customer session: name, session number, status capsule and the
// action its status allows, the message area, and the reply bar while the session
// is active. It always shows the session as the console's list has it now, and
// the reply bar edits and sends that session's own draft.
class OperatorSessionDetail : public QWidget {
    Q_OBJECT
public:
    explicit OperatorSessionDetail(OperatorConsoleViewModel* model, QWidget* parent = nullptr);

private:
    void update();
    void send();

    OperatorConsoleViewModel* m_model;
    ElidedLabel* m_name;
    QLabel* m_sessionId;
    CapsuleBadge* m_status;
    QPushButton* m_accept;
    QPushButton* m_end;
    QLabel* m_messageArea;
    QWidget* m_inputBar;
    QLineEdit* m_input;
    QPushButton* m_send;
};
