#pragma once

#include <QColor>
#include <QFrame>

class QLabel;

// One figure of a statistics page: its icon in colour, the value large and the
// title small beneath it.
class AdminStatCard : public QFrame {
    Q_OBJECT
public:
    AdminStatCard(const QString& title, const QString& value, const QString& icon, const QColor& color, QWidget* parent = nullptr);

    void setTitle(const QString& title);
    void setValue(const QString& value);
    QString title() const;
    QString value() const;

private:
    QLabel* m_icon;
    QLabel* m_value;
    QLabel* m_title;
};
