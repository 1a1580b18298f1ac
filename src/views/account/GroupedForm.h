#pragma once

#include <QScrollArea>

class FormSection;
class QLabel;
class QVBoxLayout;

// The settings screens' grouped form: a title, then sections of rows on rounded
// cards, scrolling when the window is short. Texts are set by the screen that
// owns the form, in its retranslate().
class GroupedForm : public QScrollArea {
    Q_OBJECT
public:
    explicit GroupedForm(QWidget* parent = nullptr);

    QLabel* title() const { return m_title; }
    // A new section under the previous ones.
    FormSection* addSection(const char* objectName);

private:
    QLabel* m_title;
    QVBoxLayout* m_sections;
};
