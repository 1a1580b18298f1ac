#include "views/common/Sheet.h"

#include "views/common/Appearance.h"
#include "views/common/ErrorAlert.h"
#include "views/common/Localized.h"

#include <QChildEvent>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Push buttons in a dialog take Return by default (and the first of them becomes
// the dialog's default), so a field's Return would also press, say, Close. The
// guard follows the dialog's tree as it grows and turns that off for every button
// that is not the dialog's action.
class ReturnGuard : public QObject {
public:
    explicit ReturnGuard(QDialog* dialog)
        : QObject(dialog)
    {
        follow(dialog);
        for (QObject* child : dialog->findChildren<QObject*>()) {
            if (child != this)
                follow(child);
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ChildAdded)
            follow(static_cast<QChildEvent*>(event)->child());
        else if (event->type() == QEvent::ChildPolished)
            settle(static_cast<QChildEvent*>(event)->child());
        return QObject::eventFilter(watched, event);
    }

private:
    void follow(QObject* object)
    {
        object->installEventFilter(this);
        settle(object);
    }

    // Only a fully made button can be asked; ChildAdded comes while it is still
    // being constructed, ChildPolished once it is ready.
    static void settle(QObject* object)
    {
        if (auto* button = qobject_cast<QPushButton*>(object); button && !button->isDefault())
            button->setAutoDefault(false);
    }
};

} // namespace

namespace Sheet {

void keepReturnForTheAction(QDialog* dialog)
{
    new ReturnGuard(dialog);
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
    keepReturnForTheAction(dialog);
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
