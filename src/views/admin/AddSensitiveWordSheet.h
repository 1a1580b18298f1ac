#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class SensitiveWordsViewModel;

// The sheet that adds one sensitive word with its category. It stays open with
// the typed word while the server has not stored it, and closes once it has.
class AddSensitiveWordSheet : public QDialog {
    Q_OBJECT
public:
    explicit AddSensitiveWordSheet(SensitiveWordsViewModel* model, QWidget* parent = nullptr);

    void add();

private:
    void updateButton();

    SensitiveWordsViewModel* m_model;
    QLineEdit* m_word;
    QComboBox* m_category;
    QPushButton* m_add;
};
