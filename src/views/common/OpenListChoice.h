#pragma once

#include <QObject>

class QComboBox;

// A combo box whose choice changes something at once (the whole interface's
// language) changes it only when chosen in its open list: the keys and the wheel
// that would step through the choices while the list is closed open the list
// instead (a letter goes on to the list, which finds the entry starting with it),
// so nothing switches before the person picks with Return, Space or a click.
class OpenListChoice : public QObject {
    Q_OBJECT
public:
    // Gives box this behaviour; it lives as long as the box.
    static void apply(QComboBox* box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit OpenListChoice(QComboBox* box);

    QComboBox* m_box;
};
