#pragma once

#include <QList>
#include <QWidget>

class ColorSwatch;

// The role colours as one choice, the way radio buttons are: a single Tab stop
// (the chosen colour), the arrow keys move to the neighbouring colour and choose
// it, and a screen reader hears a group of radio buttons named by their colours.
class ColorPalette : public QWidget {
    Q_OBJECT
public:
    explicit ColorPalette(const QStringList& hexes, QWidget* parent = nullptr);

    // Marks the colour chosen; a colour outside the palette marks none.
    void setChosen(const QString& hex);
    // The group's name, and each colour's, in the language in force.
    void retranslate(const QString& name);
    const QList<ColorSwatch*>& swatches() const { return m_swatches; }

Q_SIGNALS:
    void chosen(const QString& hex);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<ColorSwatch*> m_swatches;
};
