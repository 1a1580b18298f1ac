#pragma once

#include <QAbstractButton>

// One colour of the role palette: a 24-point disc, with a white check mark when
// it is the chosen colour.
class ColorSwatch : public QAbstractButton {
    Q_OBJECT
public:
    explicit ColorSwatch(const QString& hex, QWidget* parent = nullptr);

    QString hex() const { return m_hex; }
    QColor color() const;
    void setMarked(bool marked);
    bool isMarked() const { return m_marked; }
    QSize sizeHint() const override { return QSize(24, 24); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_hex;
    bool m_marked = false;
};
