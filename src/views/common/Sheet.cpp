#include "views/common/Sheet.h"

#include "views/common/Appearance.h"
#include "views/common/ErrorAlert.h"
#include "views/common/Localized.h"
#include "views/common/SheetKeyboard.h"

#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace Sheet {

void setUpKeyboard(QDialog* dialog)
{
    SheetKeyboard::attach(dialog);
}

QDialog* present(QWidget* parent, QWidget* screen, QSize size, const QString& objectName)
{
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(objectName);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFixedSize(size);
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(screen);
    dialog->setWindowTitle(screen->windowTitle());
    setUpKeyboard(dialog);
    QObject::connect(screen, &QWidget::windowTitleChanged, dialog, &QWidget::setWindowTitle);
    dialog->open();
    return dialog;
}

QLabel* heading(QWidget* screen)
{
    auto* label = new QLabel(screen->windowTitle(), screen);
    label->setObjectName(QStringLiteral("sheetHeading"));
    label->setTextFormat(Qt::PlainText);
    label->setFont(Appearance::font(Appearance::TextStyle::Headline));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setContentsMargins(16, 12, 16, 4);
    QObject::connect(screen, &QWidget::windowTitleChanged, label, &QLabel::setText);
    return label;
}

void dismiss(QWidget* screen)
{
    if (auto* dialog = qobject_cast<QDialog*>(screen->window()))
        dialog->reject();
}

void showError(QWidget* parent, const QString& message)
{
    auto* alert = new ErrorAlert(parent);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setMessage(message);
}

QMessageBox* confirm(QWidget* parent, const QString& question, const QString& destructiveLabel,
    std::function<void()> confirmed, std::function<void()> cancelled)
{
    auto* box = new QMessageBox(QMessageBox::Question, QString(), question, QMessageBox::NoButton, parent);
    box->setObjectName(QStringLiteral("confirmation"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    QPushButton* cancel = box->addButton(Localized::text("common.cancel"), QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    QPushButton* destroy = box->addButton(destructiveLabel, QMessageBox::DestructiveRole);
    destroy->setObjectName(QStringLiteral("confirmButton"));
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    QObject::connect(box, &QMessageBox::finished, box, [box, destroy, confirmed = std::move(confirmed), cancelled = std::move(cancelled)] {
        if (box->clickedButton() == destroy)
            confirmed();
        else
            cancelled();
    });
    box->open();
    return box;
}

} // namespace Sheet
