#pragma once

#include <QObject>
#include <QMessageBox>
#include <QPointer>

#include <functional>
#include <optional>

class QMessageBox;
class QWidget;

// The "common.error" alert of a screen, bound to its state object's error text:
// shown while the text has a value, replaced by a later failure, and clearing the
// text however it is closed.
class ErrorAlert : public QObject {
    Q_OBJECT
public:
    using Reader = std::function<std::optional<QString>()>;
    using Clearer = std::function<void()>;

    ErrorAlert(QWidget* screen, Reader read, Clearer clear);

    // Call whenever the error text changed.
    void update();
    QMessageBox* box() const { return m_box; }

private:
    QWidget* m_screen;
    Reader m_read;
    Clearer m_clear;
    QPointer<QMessageBox> m_box;
};

// Binds an alert to a state object with errorMessage(), clearError() and the
// errorMessageChanged signal.
template <typename Model>
ErrorAlert* bindErrorAlert(QWidget* screen, Model* model)
{
    auto* alert = new ErrorAlert(screen, [model] { return model->errorMessage(); }, [model] { model->clearError(); });
    QObject::connect(model, &Model::errorMessageChanged, alert, &ErrorAlert::update);
    return alert;
}
