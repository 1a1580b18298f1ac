#pragma once

#include <QWidget>

class QLabel;

// Stands in for a screen that this build does not have yet, saying so plainly
// instead of showing an empty or pretend screen. Its title follows the language.
class NotAvailableView : public QWidget {
    Q_OBJECT
public:
    explicit NotAvailableView(const QString& titleKey, QWidget* parent = nullptr);

private:
    void retranslate();

    QString m_titleKey;
    QLabel* m_title;
};

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
