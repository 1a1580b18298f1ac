#pragma once

#include <QWidget>

class QVariantAnimation;

// A small indeterminate progress indicator; it animates only while visible.
class Spinner : public QWidget {
    Q_OBJECT
public:
    explicit Spinner(int size, QColor color, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QColor m_color;
    QVariantAnimation* m_animation;
};
