#pragma once

#include "views/common/ErrorAlert.h"

// Binds a screen's error alert to a state object with errorMessage(),
// clearError() and the errorMessageChanged signal: shown while the text has a
// value, the text forgotten however the alert is closed.
template <typename Model>
ErrorAlert* bindErrorAlert(QWidget* screen, Model* model)
{
    auto* alert = new ErrorAlert(screen);
    QObject::connect(model, &Model::errorMessageChanged, alert, [alert, model] { alert->setMessage(model->errorMessage()); });
    QObject::connect(alert, &ErrorAlert::dismissed, model, [model] { model->clearError(); });
    return alert;
}
