#pragma once

#include <QWidget>

class AlertLabel;
class APIClient;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Spinner;
class SystemConfigViewModel;

// The system configuration form: group size and retention as numbers, the two
// security switches, and Save. After a failed load it offers a reload instead of
// a form that would overwrite the server's settings with defaults. A number
// outside what the server accepts is outlined in red with the allowed range.
class SystemConfigView : public QWidget {
    Q_OBJECT
public:
    explicit SystemConfigView(APIClient& api, QWidget* parent = nullptr);

    SystemConfigViewModel* model() const { return m_model; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void retranslate();
    void updateForm();
    void updateState();
    void markValidity();

    SystemConfigViewModel* m_model;
    bool m_shown = false;
    QGroupBox* m_groups;
    QGroupBox* m_messages;
    QGroupBox* m_security;
    QLabel* m_maxMembersLabel;
    QLabel* m_retentionLabel;
    QLineEdit* m_maxMembers;
    QLineEdit* m_retention;
    AlertLabel* m_maxMembersHint;
    AlertLabel* m_retentionHint;
    QCheckBox* m_screenshot;
    QCheckBox* m_registration;
    QPushButton* m_save;
    Spinner* m_saving;
    QPushButton* m_reload;
    QWidget* m_cover;
};
