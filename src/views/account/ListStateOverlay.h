#pragma once

#include "state/common/ScreenError.h"

#include <QObject>

#include <optional>

class QLabel;
class QPushButton;
class QWidget;
class Spinner;

// What an account list says over itself when it has no rows to show: a spinner
// while loading, the reason and a retry after a failed load, or an icon with the
// empty text once a load has found nothing. All three sit centred over the host.
// Parts are named after namePrefix ("<prefix>Empty", "<prefix>EmptyIcon",
// "<prefix>Failure", "<prefix>FailureText", "<prefix>RetryButton").
class ListStateOverlay : public QObject {
    Q_OBJECT
public:
    ListStateOverlay(QWidget* host, const QString& namePrefix, const QString& emptyIcon);

    void setEmptyText(const QString& text);
    // A failure wins over the empty text: a list that could not be read is not empty.
    void showState(bool loading, bool empty, const std::optional<ScreenError>& failure);

Q_SIGNALS:
    void retryRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();
    void retranslate();

    QWidget* m_host;
    QWidget* m_empty;
    QLabel* m_emptyText;
    QWidget* m_failure;
    QLabel* m_failureText;
    QPushButton* m_retry;
    Spinner* m_spinner;
    std::optional<ScreenError> m_shownFailure;
};
