#pragma once

#include "state/common/ScreenError.h"

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
    // Opens the alert with a failure whose text follows a language switch while shown.
    void present(const ScreenError& error);

Q_SIGNALS:
    void dismissed();

private:
    void retranslate();

    QPushButton* m_ok;
    std::optional<ScreenError> m_error;
};

// Binds an alert to a state object with errorMessage(), clearError() and the
// errorMessageChanged signal: shown while the text has a value, clearing it
// however the person closes the alert.
template <typename Model>
ErrorAlert* bindErrorAlert(QWidget* screen, Model* model)
{
    auto* alert = new ErrorAlert(screen);
    QObject::connect(model, &Model::errorMessageChanged, alert, [alert, model] { alert->setMessage(model->errorMessage()); });
    QObject::connect(alert, &ErrorAlert::dismissed, model, [model] {
        if (model->errorMessage())
            model->clearError();
    });
    return alert;
}
