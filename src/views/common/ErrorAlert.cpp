#include "views/common/ErrorAlert.h"

#include "state/common/LocalizationManager.h"
#include "views/common/Localized.h"

#include <QPushButton>

ErrorAlert::ErrorAlert(QWidget* parent)
    : QMessageBox(parent)
    , m_ok(addButton(QString(), QMessageBox::AcceptRole))
{
    setObjectName(QStringLiteral("errorAlert"));
    setIcon(QMessageBox::Warning);
    setTextFormat(Qt::PlainText);
    m_ok->setObjectName(QStringLiteral("errorAlertOk"));
    setDefaultButton(m_ok);
    setEscapeButton(m_ok);
    connect(this, &QDialog::finished, this, &ErrorAlert::dismissed);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &ErrorAlert::retranslate);
    retranslate();
}

void ErrorAlert::retranslate()
{
    setWindowTitle(Localized::text("common.error"));
    m_ok->setText(Localized::text("common.ok"));
    if (m_error)
        setText(m_error->text());
}

void ErrorAlert::present(const ScreenError& error)
{
    setMessage(error.text());
    m_error = error;
}

void ErrorAlert::setMessage(const std::optional<QString>& message)
{
    m_error.reset();
    if (!message) {
        if (isVisible())
            done(QDialog::Accepted);
        return;
    }
    setText(*message);
    if (!isVisible())
        open();
}
