#pragma once

#include <QWidget>

class QLabel;

// A placeholder text centred in its column (the detail column's "select a
// conversation" and the like), looked up by key and relabelled on a language switch.
class PlaceholderView : public QWidget {
    Q_OBJECT
public:
    explicit PlaceholderView(const QString& key, QWidget* parent = nullptr);

private:
    void retranslate();

    QString m_key;
    QLabel* m_label;
};
