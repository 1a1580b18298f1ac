#include "KeyboardWalk.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <QTextEdit>

namespace keyboardwalk {

namespace {

// Qt's own inner parts (viewports, scroll-area corners, menu-bar arrows) are never
// controls of a screen.
bool isQtInternal(const QWidget* widget)
{
    return widget->objectName().startsWith(QLatin1String("qt_"));
}

// A part of a compound control (a spin box's or combo box's field, a tab bar's
// arrows, a table's column headers): the compound control is what a person uses.
bool isInnerPart(const QWidget* widget, const QWidget* window)
{
    for (const QWidget* up = widget->parentWidget(); up && up != window; up = up->parentWidget()) {
        if (qobject_cast<const QAbstractSpinBox*>(up) || qobject_cast<const QComboBox*>(up) || qobject_cast<const QTabBar*>(up)
            || qobject_cast<const QMenuBar*>(up) || qobject_cast<const QScrollBar*>(up) || qobject_cast<const QAbstractItemView*>(up))
            return true;
    }
    return false;
}

QWidget* deepestFocusProxy(QWidget* widget)
{
    QWidget* target = widget;
    while (target->focusProxy())
        target = target->focusProxy();
    return target;
}

bool takesTab(const QWidget* widget)
{
    return (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
}

// Shown, enabled and reached by Tab as Qt itself decides.
bool isTabStop(QWidget* widget, const QWidget* window)
{
    return widget->window() == window && widget->isVisible() && widget->isEnabled() && takesTab(widget)
        && !widget->focusProxy() && !isQtInternal(widget);
}

bool isUsableByMouse(QWidget* widget)
{
    if (auto* view = qobject_cast<QAbstractItemView*>(widget))
        return view->model() && view->model()->rowCount(view->rootIndex()) > 0;
    if (qobject_cast<QScrollBar*>(widget))
        return false;
    if (auto* label = qobject_cast<QLabel*>(widget))
        return (label->textInteractionFlags() & Qt::LinksAccessibleByMouse) && label->text().contains(QLatin1String("href"));
    return qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget) || qobject_cast<QAbstractSpinBox*>(widget)
        || qobject_cast<QComboBox*>(widget) || qobject_cast<QTextEdit*>(widget) || qobject_cast<QPlainTextEdit*>(widget)
        || qobject_cast<QTabBar*>(widget) || qobject_cast<QAbstractSlider*>(widget);
}

// "name" excuses every check, "name/problem" one.
bool isExcused(const QWidget* widget, const QStringList& except, const QString& problem = QString())
{
    const QString name = widget->objectName();
    if (name.isEmpty())
        return false;
    return except.contains(name) || (!problem.isEmpty() && except.contains(name + QLatin1Char('/') + problem));
}

QList<const QWidget*> branch(const QWidget* widget)
{
    QList<const QWidget*> path;
    for (const QWidget* up = widget; up; up = up->isWindow() ? nullptr : up->parentWidget())
        path.prepend(up);
    return path;
}

int differingPixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return a.width() * a.height();
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int column = 0; column < x.width(); ++column)
            count += p[column] != q[column] ? 1 : 0;
    }
    return count;
}

} // namespace

QStringList TabChain::names() const
{
    QStringList result;
    for (const QPointer<QWidget>& stop : stops)
        result << (stop ? nameOf(stop) : QStringLiteral("(deleted)"));
    return result;
}

QString TabChain::describe() const
{
    QString text = names().join(QStringLiteral(" → "));
    if (trap)
        text += QStringLiteral(" [trapped in %1]").arg(nameOf(trap));
    if (loopsBackTo >= 0)
        text += QStringLiteral(" [loops back to %1]").arg(names().value(loopsBackTo));
    if (leftFor)
        text += QStringLiteral(" [left for %1]").arg(nameOf(leftFor));
    if (!closed && !trap && loopsBackTo < 0 && !leftFor)
        text += QStringLiteral(" [never came back]");
    return text;
}

bool TabChain::reaches(const QWidget* widget) const
{
    return indexOf(widget) >= 0;
}

int TabChain::indexOf(const QWidget* widget) const
{
    for (qsizetype i = 0; i < stops.size(); ++i)
        if (stops.at(i) == widget)
            return int(i);
    return -1;
}

QString nameOf(const QWidget* widget)
{
    if (!widget)
        return QStringLiteral("(none)");
    if (!widget->objectName().isEmpty())
        return widget->objectName();
    QString name = QString::fromLatin1(widget->metaObject()->className());
    for (const QWidget* up = widget->parentWidget(); up; up = up->parentWidget()) {
        if (!up->objectName().isEmpty())
            return name + QStringLiteral(" in ") + up->objectName();
    }
    return name;
}

// Lets layouts that were asked for take place: a control that just appeared or
// moved is walked and grabbed where it is shown.
void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::processEvents();
}

bool activate(QWidget* window)
{
    settle();
    if (QApplication::activeWindow() == window)
        return true;
    window->activateWindow();
    QApplication::setActiveWindow(window);
    return QTest::qWaitForWindowActive(window);
}

namespace {
QPointer<QWidget> homeWindow;
}

void setHomeWindow(QWidget* window)
{
    homeWindow = window;
}

QWidget* focused()
{
    if (!QApplication::activeWindow() && !QApplication::activePopupWidget() && homeWindow)
        activate(homeWindow);
    return QApplication::focusWidget();
}

QString focusedName()
{
    return nameOf(focused());
}

void press(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(focused(), key, modifiers);
}

void type(const QString& text)
{
    QTest::keyClicks(focused(), text);
}

bool tabTo(const QString& name, bool backwards)
{
    for (int presses = 0; presses < 60 && focusedName() != name; ++presses)
        press(backwards ? Qt::Key_Backtab : Qt::Key_Tab, backwards ? Qt::ShiftModifier : Qt::NoModifier);
    return focusedName() == name;
}

TabChain tabChain(QWidget* window, bool backwards, int limit)
{
    TabChain chain;
    if (!activate(window))
        return chain;
    if (QWidget* focused = QApplication::focusWidget(); focused && focused->window() == window)
        focused->clearFocus();
    int stopsInWindow = 0;
    for (QWidget* widget : window->findChildren<QWidget*>())
        stopsInWindow += isTabStop(widget, window) ? 1 : 0;
    const Qt::Key key = backwards ? Qt::Key_Backtab : Qt::Key_Tab;
    const Qt::KeyboardModifiers modifiers = backwards ? Qt::ShiftModifier : Qt::NoModifier;
    QTest::keyClick(window, key, modifiers);
    for (int presses = 0; presses < limit; ++presses) {
        QWidget* now = QApplication::focusWidget();
        if (!now || now->window() != window) {
            if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != window)
                chain.leftFor = modal;
            else if (QWidget* popup = QApplication::activePopupWidget())
                chain.leftFor = popup;
            else if (now)
                chain.leftFor = now->window();
            break;
        }
        const int seen = chain.indexOf(now);
        if (seen == 0) {
            chain.closed = true;
            break;
        }
        if (!chain.stops.isEmpty() && now == chain.stops.last()) {
            // Alone in its window, the one control is its own next one.
            if (chain.stops.size() == 1 && stopsInWindow == 1)
                chain.closed = true;
            else
                chain.trap = now;
            break;
        }
        if (seen > 0) {
            chain.loopsBackTo = seen;
            break;
        }
        chain.stops << now;
        QTest::keyClick(now, key, modifiers);
    }
    return chain;
}

bool visuallyBefore(const QWidget* a, const QWidget* b)
{
    if (a == b)
        return false;
    const QList<const QWidget*> pa = branch(a);
    const QList<const QWidget*> pb = branch(b);
    qsizetype level = 0;
    while (level < pa.size() && level < pb.size() && pa.at(level) == pb.at(level))
        ++level;
    if (level == pa.size())
        return true; // a holds b: the container comes first
    if (level == pb.size() || level == 0)
        return false;
    const QRect ra = pa.at(level)->geometry();
    const QRect rb = pb.at(level)->geometry();
    const int overlap = qMin(ra.bottom(), rb.bottom()) - qMax(ra.top(), rb.top()) + 1;
    const bool sideBySide = overlap * 2 > qMin(ra.height(), rb.height());
    if (sideBySide && ra.left() != rb.left())
        return ra.left() < rb.left();
    if (ra.top() != rb.top())
        return ra.top() < rb.top();
    return ra.left() < rb.left();
}

QStringList outOfVisualOrder(const TabChain& chain)
{
    QStringList steps;
    for (qsizetype i = 0; i + 1 < chain.stops.size(); ++i) {
        const QWidget* from = chain.stops.at(i);
        const QWidget* to = chain.stops.at(i + 1);
        if (from && to && !visuallyBefore(from, to))
            steps << nameOf(from) + QStringLiteral(" → ") + nameOf(to);
    }
    return steps;
}

// Radio buttons are one Tab stop: the arrows reach the rest of their group.
bool reachedThroughGroup(QWidget* widget, const TabChain& chain)
{
    const auto isRadio = [](QWidget* candidate) {
        const QAccessibleInterface* face = QAccessible::queryAccessibleInterface(candidate);
        return face && face->role() == QAccessible::RadioButton;
    };
    if (!isRadio(widget) || !widget->parentWidget())
        return false;
    const QList<QWidget*> group = widget->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    return std::any_of(group.cbegin(), group.cend(), [&](QWidget* other) { return other != widget && isRadio(other) && chain.reaches(other); });
}

QList<QWidget*> unreached(QWidget* window, const TabChain& chain, const QStringList& except)
{
    QList<QWidget*> missed;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (widget->window() != window || !widget->isVisible() || !widget->isEnabled() || isQtInternal(widget)
            || isInnerPart(widget, window) || !isUsableByMouse(widget) || isExcused(widget, except, QStringLiteral("reach")))
            continue;
        if (!chain.reaches(widget) && !chain.reaches(deepestFocusProxy(widget)) && !reachedThroughGroup(widget, chain))
            missed << widget;
    }
    return missed;
}

QStringList names(const QList<QWidget*>& widgets)
{
    QStringList result;
    for (const QWidget* widget : widgets)
        result << nameOf(widget);
    return result;
}

QString problemName(Problem problem)
{
    switch (problem) {
    case Problem::NoName: return QStringLiteral("name");
    case Problem::MarkupInName: return QStringLiteral("markup");
    case Problem::MarkupInDescription: return QStringLiteral("description");
    case Problem::NoFocusFrame: return QStringLiteral("frame");
    case Problem::RowWithoutName: return QStringLiteral("rows");
    case Problem::MarkupInRow: return QStringLiteral("rowmarkup");
    }
    return {};
}

QString accessibleName(QWidget* widget)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

QString accessibleDescription(QWidget* widget)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Description) : QString();
}

bool hasMarkup(const QString& text)
{
    static const QRegularExpression tag(QStringLiteral("<\\s*/?\\s*[A-Za-z][A-Za-z0-9]*(\\s[^<>]*)?/?\\s*>|&(amp|lt|gt|quot|nbsp|#[0-9]+);"));
    return tag.match(text).hasMatch();
}

namespace {

// The widget's surroundings grabbed without the focus, then with it; empty images
// when the window could not be activated or the widget went away meanwhile.
std::pair<QImage, QImage> grabsWithoutAndWithFocus(QWidget* widget)
{
    QWidget* window = widget->window();
    if (!activate(window))
        return {};
    const QPointer<QWidget> before = QApplication::focusWidget();
    // Styles draw the focus only once the keyboard moved it, as Tab does.
    window->setAttribute(Qt::WA_KeyboardFocusChange);
    QWidget* host = widget->isWindow() ? widget : widget->parentWidget();
    const QRect area = widget->isWindow() ? widget->rect() : widget->geometry().adjusted(-4, -4, 4, 4).intersected(host->rect());
    // Events run in between: a widget the screen replaces meanwhile has nothing left to show.
    const QPointer<QWidget> shown(widget);
    const QPointer<QWidget> around(host);
    if (widget->hasFocus())
        widget->clearFocus();
    QCoreApplication::processEvents();
    if (!shown || !around)
        return {};
    const QImage without = host->grab(area).toImage();
    widget->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    if (!shown || !around)
        return {};
    const QImage with = host->grab(area).toImage();
    if (before && before != widget)
        before->setFocus(Qt::OtherFocusReason);
    return { without, with };
}

bool ringBlue(const QColor& colour)
{
    return colour.hsvHue() >= 200 && colour.hsvHue() <= 225 && colour.hsvSaturation() >= 120 && colour.value() >= 200;
}

} // namespace

int ringPixels(QWidget* widget)
{
    const auto [without, with] = grabsWithoutAndWithFocus(widget);
    int count = 0;
    for (int y = 0; y < with.height() && with.size() == without.size(); ++y) {
        for (int x = 0; x < with.width(); ++x)
            count += ringBlue(with.pixelColor(x, y)) && !ringBlue(without.pixelColor(x, y));
    }
    return count;
}

bool showsFocus(QWidget* widget)
{
    if (!activate(widget->window()))
        return false;
    const auto [without, with] = grabsWithoutAndWithFocus(widget);
    // A widget the screen replaced meanwhile has nothing left to show.
    if (with.isNull())
        return true;
    // A caret alone (a field's focus) is a dozen pixels; a frame is more.
    return differingPixels(without, with) >= 8;
}

QList<Finding> sweep(QWidget* screen, const QStringList& except)
{
    settle();
    QList<Finding> findings;
    QWidget* window = screen->window();
    // The screen may replace widgets while the sweep lets events run.
    QList<QPointer<QWidget>> controls { screen };
    for (QWidget* child : screen->findChildren<QWidget*>())
        controls << child;
    for (const QPointer<QWidget>& control : std::as_const(controls)) {
        QWidget* widget = control;
        if (!widget || !isTabStop(widget, window) || isExcused(widget, except))
            continue;
        auto report = [&](Problem problem, const QString& detail) {
            if (!isExcused(widget, except, problemName(problem)))
                findings << Finding { widget, problem, detail };
        };
        const QString name = accessibleName(widget);
        if (name.trimmed().isEmpty())
            report(Problem::NoName, QString());
        else if (hasMarkup(name))
            report(Problem::MarkupInName, name);
        if (const QString description = accessibleDescription(widget); hasMarkup(description))
            report(Problem::MarkupInDescription, description);
        if (auto* view = qobject_cast<QAbstractItemView*>(widget)) {
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(view);
            const int rows = face ? qMin(face->childCount(), 200) : 0;
            for (int i = 0; i < rows; ++i) {
                QAccessibleInterface* row = face->child(i);
                // Headers, and the corner where a table's two headers meet (a pane, there even when they are hidden).
                if (!row || row->role() == QAccessible::ColumnHeader || row->role() == QAccessible::RowHeader
                    || row->role() == QAccessible::Pane)
                    continue;
                const QString text = row->text(QAccessible::Name);
                if (text.trimmed().isEmpty())
                    report(Problem::RowWithoutName, QStringLiteral("row %1").arg(i));
                else if (hasMarkup(text) || hasMarkup(row->text(QAccessible::Description)))
                    report(Problem::MarkupInRow, text);
            }
        }
        if (!showsFocus(widget))
            report(Problem::NoFocusFrame, QString());
    }
    return findings;
}

QString describe(const QList<Finding>& findings)
{
    QStringList lines;
    for (const Finding& finding : findings) {
        QString line = nameOf(finding.widget) + QStringLiteral(": ") + problemName(finding.problem);
        if (!finding.detail.isEmpty())
            line += QStringLiteral(" (") + finding.detail + QLatin1Char(')');
        lines << line;
    }
    return lines.join(QStringLiteral("; "));
}

QString problems(QWidget* window, const QStringList& except)
{
    QStringList found;
    const TabChain forward = tabChain(window);
    if (!forward.closed)
        found << QStringLiteral("Tab: ") + forward.describe();
    TabChain ordered = forward;
    ordered.stops.removeIf([&](const QPointer<QWidget>& stop) { return stop && isExcused(stop, except, QStringLiteral("order")); });
    for (const QString& step : outOfVisualOrder(ordered))
        found << QStringLiteral("against the visual order: ") + step + QStringLiteral(" in ") + forward.describe();
    if (const QList<QWidget*> missed = unreached(window, forward, except); !missed.isEmpty())
        found << QStringLiteral("never reached: ") + names(missed).join(QStringLiteral(", "));
    const TabChain backward = tabChain(window, true);
    QStringList reversed = forward.names();
    std::reverse(reversed.begin(), reversed.end());
    if (!backward.closed || backward.names() != reversed)
        found << QStringLiteral("Shift+Tab: ") + backward.describe();
    if (const QList<Finding> findings = sweep(window, except); !findings.isEmpty())
        found << describe(findings);
    return found.join(QLatin1Char('\n'));
}

} // namespace keyboardwalk
