#include "views/common/WindowAccessible.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace {

constexpr const char* MarkProperty = "readAsWindow";

QAccessibleInterface* windows(const QString& className, QObject* object)
{
    auto* widget = className == QLatin1String("QWidget") ? qobject_cast<QWidget*>(object) : nullptr;
    return widget && widget->property(MarkProperty).toBool() ? new QAccessibleWidget(widget, QAccessible::Window) : nullptr;
}

} // namespace

void WindowAccessible::mark(QWidget* window)
{
    static const bool installed = [] {
        QAccessible::installFactory(windows);
        return true;
    }();
    Q_UNUSED(installed);
    window->setProperty(MarkProperty, true);
}
