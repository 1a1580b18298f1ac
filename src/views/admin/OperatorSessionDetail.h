#pragma once

#include <QElapsedTimer>
#include <QWidget>

#include <optional>

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
// The keyboard goes from Accept to the reply field, its send button and then End:
// a Tab after accepting never lands on End. An action that has the keyboard keeps
// it in the pane while its request runs; an accepted session hands it to the reply
// field. End takes Accept's place, so within the double-click interval after
// Accept End does nothing: the second half of a double click, a second Space or a
// quick Tab and Space never end the session just accepted.
class OperatorSessionDetail : public QWidget {
    Q_OBJECT
public:
    explicit OperatorSessionDetail(OperatorConsoleViewModel* model, QWidget* parent = nullptr);

    // Puts Accept, the reply field, the send button and End after previous in the Tab order.
    void setTabOrderAfter(QWidget* previous);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    // The action that had the keyboard went away and nothing here takes its place
    // (the session ended): the console gives the keyboard back to its list.
    void focusReturned();

private:
    void update();
    void send();
    void accept();
    void end();
    // Accept of this session was pressed less than a double-click interval ago.
    bool justAccepted(qint64 sessionId) const;

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
    // The last Accept pressed here: its session and when.
    std::optional<qint64> m_acceptedId;
    QElapsedTimer m_acceptedAt;
    // That accept is on its way: once through, the reply field takes the keyboard.
    bool m_replyAfterAccept = false;
};
