#pragma once

#include "state/ScreenError.h"

#include <QMessageBox>

#include <optional>

// The screens' error alert: titled "common.error" with one "common.ok" button,
// showing a failure key's text followed by the error. It relabels on a language
// switch while open; closing it in any way emits closed().
class ScreenErrorAlert : public QMessageBox {
    Q_OBJECT
public:
    explicit ScreenErrorAlert(QWidget* parent);

    // Opens (or updates) the alert with error; a later failure replaces the text.
    void present(const ScreenError& error);

Q_SIGNALS:
    void closed();

private:
    void retranslate();

    std::optional<ScreenError> m_error;
};
