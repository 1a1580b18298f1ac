#include "views/common/FocusVisible.h"

#include <QApplication>
#include <QWidget>

void FocusVisible::install()
{
    static FocusVisible* installed = [] {
        auto* filter = new FocusVisible(qApp);
        qApp->installEventFilter(filter);
        return filter;
    }();
    Q_UNUSED(installed);
}

bool FocusVisible::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::WindowActivate || !watched->isWidgetType())
        return false;
    auto* window = static_cast<QWidget*>(watched);
    if (!window->isWindow() || window->testAttribute(Qt::WA_KeyboardFocusChange))
        return false;
    window->setAttribute(Qt::WA_KeyboardFocusChange);
    if (QWidget* focused = window->focusWidget())
        focused->update();
    return false;
}
