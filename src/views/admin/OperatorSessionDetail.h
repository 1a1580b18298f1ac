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
//
// The keyboard goes from the action to the reply field and its send button. An
// action that has the keyboard keeps it in its place while its request runs and
// when the status changes (Accept hands it to End), so the next Tab still leads
// to the reply field.
class OperatorSessionDetail : public QWidget {
    Q_OBJECT
public:
    explicit OperatorSessionDetail(OperatorConsoleViewModel* model, QWidget* parent = nullptr);

    // Puts the action, the reply field and the send button after previous in the Tab order.
    void setTabOrderAfter(QWidget* previous);

Q_SIGNALS:
    // The action that had the keyboard went away and nothing here takes its place
    // (the session ended): the console gives the keyboard back to its list.
    void focusReturned();

private:
    void update();
    void send();

    OperatorConsoleViewModel* m_model;
    ElidedLabel* m_name;
    QLabel* m_sessionId;
    CapsuleBadge* m_status;
    // Holds the one action the status allows; keeps the keyboard while none can take it.
    QWidget* m_actions;
    QPushButton* m_accept;
    QPushButton* m_end;
    QLabel* m_messageArea;
    QWidget* m_inputBar;
    QLineEdit* m_input;
    QPushButton* m_send;
};
