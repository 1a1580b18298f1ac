#pragma once

#include <QWidget>

#include <memory>

class QDialog;
class QGroupBox;
class CopyableCode;
class QLabel;
class ErrorAlert;
class QLineEdit;
class QPushButton;
class Spinner;
class TwoFactorViewModel;

// Two-factor sign-in: the status, setting it up with the secret and backup codes
// and a confirming code, and the sheet that turns it off. Reads the status when
// first shown; every decision is the view model's. The keyboard follows the work:
// turning it on leads to the code field, the code accepted (or the sheet that
// turned it off closed) leads back to the status section's button.
class TwoFactorView : public QWidget {
    Q_OBJECT
public:
    explicit TwoFactorView(QWidget* parent = nullptr);
    // For tests that feed a view model of their own.
    explicit TwoFactorView(std::unique_ptr<TwoFactorViewModel> viewModel, QWidget* parent = nullptr);
    ~TwoFactorView() override;

    TwoFactorViewModel* viewModel() const { return m_viewModel.get(); }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildDisableSheet();
    void retranslate();
    void refresh();
    // Where the keyboard goes on in the status section: its one shown button.
    void focusStatus();

    std::unique_ptr<TwoFactorViewModel> m_viewModel;
    bool m_started = false;
    QLabel* m_title;
    QGroupBox* m_statusSection;
    QLabel* m_statusCaption;
    QLabel* m_statusValue;
    QPushButton* m_enable;
    QPushButton* m_disable;
    QPushButton* m_retry;
    QGroupBox* m_setupSection;
    QLabel* m_secretCaption;
    CopyableCode* m_secret;
    QLabel* m_codesCaption;
    CopyableCode* m_codes;
    QLineEdit* m_verifyCode;
    QPushButton* m_verify;
    Spinner* m_spinner;
    QDialog* m_disableSheet;
    QLabel* m_sheetTitle;
    QLabel* m_sheetDescription;
    QLineEdit* m_disableCode;
    QPushButton* m_sheetCancel;
    QPushButton* m_sheetConfirm;
    ErrorAlert* m_alert;
};
