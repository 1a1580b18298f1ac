#include "views/account/ScreenErrorAlert.h"

#include "state/LocalizationManager.h"
#include "views/common/Localized.h"

#include <QAbstractButton>

ScreenErrorAlert::ScreenErrorAlert(QWidget* parent)
    : QMessageBox(QMessageBox::Warning, QString(), QString(), QMessageBox::Ok, parent)
{
    setObjectName(QStringLiteral("errorAlert"));
    // The description may be the server's text.
    setTextFormat(Qt::PlainText);
    connect(this, &QMessageBox::finished, this, &ScreenErrorAlert::closed);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &ScreenErrorAlert::retranslate);
}

void ScreenErrorAlert::present(const ScreenError& error)
{
    m_error = error;
    retranslate();
    if (!isVisible())
        open();
}

void ScreenErrorAlert::retranslate()
{
    setWindowTitle(Localized::text("common.error"));
    setText(m_error ? m_error->text() : QString());
    button(QMessageBox::Ok)->setText(Localized::text("common.ok"));
}
