#pragma once

#include <QWidget>

class QLabel;

// A title and its value in the contact detail's information block.
class InfoRow : public QWidget {
    Q_OBJECT
public:
    InfoRow(const QString& title, const QString& value, QWidget* parent = nullptr);

    void setTitle(const QString& title);
    QString value() const;

private:
    QLabel* m_title;
    QLabel* m_value;
};
