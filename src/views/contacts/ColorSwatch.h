#pragma once

#include <QAbstractButton>

// One colour of the role palette (ColorPalette): a 24-point disc, with a white
// check mark when it is the chosen colour. Space chooses it, a ring around the
// disc shows it has the focus, and a screen reader hears a radio button named by
// its colour, checked when it is the chosen one.
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
