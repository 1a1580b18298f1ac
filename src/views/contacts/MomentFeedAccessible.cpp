#include "views/contacts/MomentFeedAccessible.h"

#include "views/contacts/MomentFeedView.h"
#include "views/contacts/MomentListModel.h"
#include "views/contacts/MomentRow.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

namespace {

QString spokenMoment(const MomentFeedView* feed, int row)
{
    return feed->model()->index(row, 0).data(Qt::AccessibleTextRole).toString();
}

// A moment without a widget now: its words, and where it would stand.
class DistantMoment : public QAccessibleInterface {
public:
    DistantMoment(MomentFeedView* feed, int row)
        : m_feed(feed)
        , m_row(row)
    {
    }

    bool isValid() const override { return m_feed && m_row < m_feed->model()->rowCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_feed ? m_feed->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_feed.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text kind) const override
    {
        return isValid() && kind == QAccessible::Name ? spokenMoment(m_feed, m_row) : QString();
    }
    void setText(QAccessible::Text, const QString&) override { }
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect row = m_feed->visualRect(m_feed->model()->index(m_row, 0));
        return QRect(m_feed->viewport()->mapToGlobal(row.topLeft()), row.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.invisible = true;
        state.offscreen = true;
        return state;
    }

private:
    QPointer<MomentFeedView> m_feed;
    int m_row;
};

MomentFeedView* feedOf(const QWidget* row)
{
    for (QWidget* up = row->parentWidget(); up; up = up->parentWidget())
        if (auto* feed = qobject_cast<MomentFeedView*>(up))
            return feed;
    return nullptr;
}

// A moment on screen: its row widget, whose controls are its children as laid out.
class ShownMoment : public QAccessibleWidget {
public:
    explicit ShownMoment(MomentRow* row)
        : QAccessibleWidget(row, QAccessible::ListItem)
    {
    }

    QAccessibleInterface* parent() const override
    {
        MomentFeedView* feed = feedOf(widget());
        return feed ? QAccessible::queryAccessibleInterface(feed) : QAccessibleWidget::parent();
    }

    QString text(QAccessible::Text kind) const override
    {
        MomentFeedView* feed = feedOf(widget());
        const int row = feed ? feed->rowOf(widget()) : -1;
        if (kind != QAccessible::Name || row < 0)
            return QAccessibleWidget::text(kind);
        return spokenMoment(feed, row);
    }
};

class Feed : public QAccessibleWidget {
public:
    explicit Feed(MomentFeedView* feed)
        : QAccessibleWidget(feed, QAccessible::List)
    {
    }

    ~Feed() override
    {
        for (const QAccessible::Id id : std::as_const(m_distant))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return feed()->model()->rowCount(); }

    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (MomentRow* shown = feed()->shownRow(index))
            return QAccessible::queryAccessibleInterface(shown);
        if (const auto found = m_distant.constFind(index); found != m_distant.cend())
            return QAccessible::accessibleInterface(*found);
        auto* item = new DistantMoment(feed(), index);
        m_distant.insert(index, QAccessible::registerAccessibleInterface(item));
        return item;
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (auto* row = qobject_cast<MomentRow*>(child->object()))
            return feed()->rowOf(row);
        for (auto it = m_distant.cbegin(); it != m_distant.cend(); ++it)
            if (QAccessible::accessibleInterface(it.value()) == child)
                return it.key();
        return -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QModelIndex index = feed()->indexAt(feed()->viewport()->mapFromGlobal(QPoint(x, y)));
        return index.isValid() ? child(index.row()) : nullptr;
    }

    QAccessibleInterface* focusChild() const override
    {
        const int row = feed()->focusedRow();
        return row >= 0 ? child(row) : nullptr;
    }

private:
    MomentFeedView* feed() const { return static_cast<MomentFeedView*>(widget()); }

    mutable QHash<int, QAccessible::Id> m_distant;
};

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    if (className == QLatin1String("MomentFeedView") && object && object->isWidgetType())
        return new Feed(static_cast<MomentFeedView*>(object));
    if (className == QLatin1String("MomentRow") && object && object->isWidgetType())
        return new ShownMoment(static_cast<MomentRow*>(object));
    return nullptr;
}

} // namespace

namespace MomentFeedAccessible {

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace MomentFeedAccessible
