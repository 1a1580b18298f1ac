#pragma once

#include <QAbstractButton>

// One colour of the role palette: a 24-point disc, with a white check mark when
// it is the chosen colour. The keyboard reaches it (Space chooses), a ring around
// the disc shows it has the focus, and a screen reader hears its colour text and
// whether it is the chosen one (checked).
class ColorSwatch : public QAbstractButton {
    Q_OBJECT
public:
    explicit ColorSwatch(const QString& hex, QWidget* parent = nullptr);

    QString hex() const { return m_hex; }
    QColor color() const;
    void setMarked(bool marked) { setChecked(marked); }
    bool isMarked() const { return isChecked(); }
    // The disc and, around it, room for the focus ring.
    static constexpr int Disc = 24;
    static constexpr int Ring = 3;
    QSize sizeHint() const override { return QSize(Disc + 2 * Ring, Disc + 2 * Ring); }

protected:
    void paintEvent(QPaintEvent* event) override;
    // Only the chosen colour is marked, as the role says: a click chooses, it does not toggle.
    void nextCheckState() override { }

private:
    QString m_hex;
};
