#pragma once

#include <QMessageBox>

#include <optional>

// A screen's error alert: titled "common.error" with one "common.ok" button,
// shown while the screen has an error text. However the person closes it,
// dismissed() tells the screen to forget the text. Server text is shown plain.
class ErrorAlert : public QMessageBox {
    Q_OBJECT
public:
    explicit ErrorAlert(QWidget* parent);

    // Opens the alert with the text, or closes it when there is none.
    void setMessage(const std::optional<QString>& message);

Q_SIGNALS:
    void dismissed();

private:
    void retranslate();

    QPushButton* m_ok;
};
