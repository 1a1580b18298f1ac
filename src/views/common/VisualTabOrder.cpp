#include "views/common/VisualTabOrder.h"

#include <QApplication>
#include <QHash>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

#include <algorithm>

namespace {

bool takesTab(const QWidget* widget)
{
    return (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
}

// The shown children of one widget in reading order, worked out once per sort.
class ReadingOrder {
public:
    int rank(const QWidget* child)
    {
        const QWidget* parent = child->parentWidget();
        auto found = m_ranks.find(parent);
        if (found == m_ranks.end())
            found = m_ranks.insert(parent, rankChildren(parent));
        return found->value(child, -1);
    }

    bool before(const QWidget* a, const QWidget* b, const QWidget* root)
    {
        const QList<const QWidget*> pa = branch(a, root);
        const QList<const QWidget*> pb = branch(b, root);
        qsizetype level = 0;
        while (level < pa.size() && level < pb.size() && pa.at(level) == pb.at(level))
            ++level;
        if (level == pa.size())
            return level != pb.size(); // a holds b
        if (level == pb.size())
            return false;
        return rank(pa.at(level)) < rank(pb.at(level));
    }

private:
    static QList<const QWidget*> branch(const QWidget* widget, const QWidget* root)
    {
        QList<const QWidget*> path;
        for (const QWidget* up = widget; up && up != root; up = up->parentWidget())
            path.prepend(up);
        return path;
    }

    static QHash<const QWidget*, int> rankChildren(const QWidget* parent)
    {
        QList<const QWidget*> children;
        for (const QObject* object : parent->children()) {
            const auto* child = qobject_cast<const QWidget*>(object);
            if (child && !child->isWindow() && !child->isHidden())
                children << child;
        }
        std::stable_sort(children.begin(), children.end(), [](const QWidget* a, const QWidget* b) {
            return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
        });
        // Rows: a child whose height overlaps the row's by more than half of the
        // smaller one stands beside it (a column of the window, the field between
        // two buttons); otherwise it starts the next row.
        QList<QList<const QWidget*>> rows;
        int top = 0;
        int bottom = -1;
        for (const QWidget* child : std::as_const(children)) {
            const QRect r = child->geometry();
            const int overlap = qMin(bottom, r.bottom()) - qMax(top, r.top()) + 1;
            if (!rows.isEmpty() && overlap * 2 > qMin(bottom - top + 1, r.height())) {
                rows.last() << child;
                top = qMin(top, r.top());
                bottom = qMax(bottom, r.bottom());
            } else {
                rows.append({ child });
                top = r.top();
                bottom = r.bottom();
            }
        }
        QHash<const QWidget*, int> ranks;
        for (QList<const QWidget*>& row : rows) {
            std::stable_sort(row.begin(), row.end(), [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
            for (const QWidget* child : std::as_const(row))
                ranks.insert(child, int(ranks.size()));
        }
        return ranks;
    }

    QHash<const QWidget*, QHash<const QWidget*, int>> m_ranks;
};

// Sorts the chain of the root whose window a Tab is pressed in, just before Qt
// follows it.
class Keeper : public QObject {
public:
    static Keeper& instance()
    {
        static auto* keeper = [] {
            auto* made = new Keeper;
            qApp->installEventFilter(made);
            return made;
        }();
        return *keeper;
    }

    void add(QWidget* root)
    {
        m_roots.removeAll(nullptr);
        if (!m_roots.contains(root))
            m_roots.append(root);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab)
            || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
            return false;
        if (QWidget* root = rootFor(static_cast<QWidget*>(watched)))
            VisualTabOrder::apply(root);
        return false;
    }

private:
    // The outermost kept root in the widget's window.
    QWidget* rootFor(const QWidget* widget) const
    {
        const QWidget* window = widget->window();
        QWidget* outermost = nullptr;
        for (const QPointer<QWidget>& root : m_roots) {
            if (root && root->window() == window && (!outermost || root->isAncestorOf(outermost)))
                outermost = root;
        }
        return outermost;
    }

    QList<QPointer<QWidget>> m_roots;
};

} // namespace

namespace VisualTabOrder {

void keep(QWidget* root)
{
    Keeper::instance().add(root);
}

void apply(QWidget* root)
{
    const QWidget* window = root->window();
    QList<QWidget*> controls;
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        if (widget->window() == window && takesTab(widget) && !widget->focusProxy() && widget->isVisible())
            controls << widget;
    }
    ReadingOrder order;
    std::stable_sort(controls.begin(), controls.end(), [&](const QWidget* a, const QWidget* b) { return order.before(a, b, root); });
    // setTabOrder() leaves the chain alone when the control before the second one is
    // already the first, looking back past the window: across the chain's wrap the
    // last control would pass for the one before the first. While sorting, the window
    // counts as a control, which keeps the two ends of the chain apart.
    QWidget* top = root->window();
    const Qt::FocusPolicy policy = top->focusPolicy();
    top->setFocusPolicy(Qt::TabFocus);
    for (qsizetype i = 0; i + 1 < controls.size(); ++i)
        QWidget::setTabOrder(controls.at(i), controls.at(i + 1));
    top->setFocusPolicy(policy);
}

} // namespace VisualTabOrder
