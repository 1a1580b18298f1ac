#pragma once

#include <QLabel>

#include <optional>

// A caption that tells of a failure (the code is not correct) or of something done
// (a report sent). Drawn like any caption, but a screen reader knows it as an
// alert and hears its text the moment it shows or changes: a plain label waits
// to be found, and nobody looks for one after pressing a button.
class AlertLabel : public QLabel {
    Q_OBJECT
public:
    explicit AlertLabel(QWidget* parent = nullptr);

    // Shows the text and announces it; hides the caption when there is none.
    void setAlert(const std::optional<QString>& text);
    // Announces text in window, with nothing left on screen: for what ends by
    // closing its sheet.
    static void announce(QWidget* window, const QString& text);
};
