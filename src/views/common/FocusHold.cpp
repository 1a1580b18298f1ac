#include "views/common/FocusHold.h"

#include <QPointer>
#include <QWidget>

namespace {

constexpr const char* HolderProperty = "focusHolder";

// The nearest ancestor that takes the keyboard itself rather than through a proxy.
QWidget* holderFor(QWidget* control)
{
    QWidget* holder = control->parentWidget();
    while (holder && holder->focusProxy() && !holder->isWindow())
        holder = holder->parentWidget();
    return holder;
}

} // namespace

void FocusHold::setEnabled(QWidget* control, bool enabled)
{
    if (enabled == control->isEnabled())
        return;
    if (!enabled) {
        QWidget* holder = control->hasFocus() ? holderFor(control) : nullptr;
        if (holder)
            holder->setFocus(Qt::OtherFocusReason);
        control->setProperty(HolderProperty, QVariant::fromValue(QPointer<QWidget>(holder)));
        control->setEnabled(false);
        return;
    }
    control->setEnabled(true);
    const auto holder = control->property(HolderProperty).value<QPointer<QWidget>>();
    control->setProperty(HolderProperty, QVariant());
    if (holder && holder->hasFocus())
        control->setFocus(Qt::OtherFocusReason);
}
