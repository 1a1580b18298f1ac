#pragma once

#include <QPushButton>

// The filled accent button of a form (the sign-in button), painted directly so the
// first screen needs no style sheet.
class ProminentButton : public QPushButton {
    Q_OBJECT
public:
    explicit ProminentButton(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
