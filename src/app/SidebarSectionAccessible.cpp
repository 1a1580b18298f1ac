#include "app/SidebarSectionAccessible.h"

#include "app/SidebarSectionList.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

namespace {

class SectionItem : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    SectionItem(SidebarSectionList* list, int row)
        : m_list(list)
        , m_row(row)
    {
    }

    bool isValid() const override { return m_list && m_row < m_list->count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_list ? m_list->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_list.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text kind) const override
    {
        if (!isValid() || kind != QAccessible::Name)
            return {};
        return m_list->item(m_row)->text();
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect row = m_list->visualItemRect(m_list->item(m_row));
        return QRect(m_list->viewport()->mapToGlobal(row.topLeft()), row.size());
    }

    QAccessible::Role role() const override { return QAccessible::ListItem; }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid())
            return state;
        state.selectable = true;
        state.focusable = true;
        state.selected = m_list->item(m_row)->isSelected();
        state.focused = m_list->hasFocus() && m_list->currentRow() == m_row;
        state.invisible = !m_list->isVisible();
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    QStringList actionNames() const override { return { pressAction(), setFocusAction() }; }

    void doAction(const QString& name) override
    {
        if (!isValid())
            return;
        if (name == pressAction()) {
            m_list->choose(m_row);
        } else if (name == setFocusAction()) {
            m_list->setFocus(Qt::OtherFocusReason);
            m_list->setCurrentRow(m_row, QItemSelectionModel::NoUpdate);
        }
    }

    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<SidebarSectionList> m_list;
    int m_row;
};

class SectionList : public QAccessibleWidget {
public:
    explicit SectionList(SidebarSectionList* list)
        : QAccessibleWidget(list, QAccessible::List)
    {
    }

    ~SectionList() override
    {
        for (const QAccessible::Id id : std::as_const(m_items))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return list()->count(); }

    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (const auto found = m_items.constFind(index); found != m_items.cend())
            return QAccessible::accessibleInterface(*found);
        auto* item = new SectionItem(list(), index);
        m_items.insert(index, QAccessible::registerAccessibleInterface(item));
        return item;
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (auto it = m_items.cbegin(); it != m_items.cend(); ++it)
            if (QAccessible::accessibleInterface(it.value()) == child)
                return it.key();
        return -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint local = list()->viewport()->mapFromGlobal(QPoint(x, y));
        const QListWidgetItem* item = list()->itemAt(local);
        return item ? child(list()->row(item)) : nullptr;
    }

    QAccessibleInterface* focusChild() const override
    {
        return list()->hasFocus() ? child(list()->currentRow()) : nullptr;
    }

private:
    SidebarSectionList* list() const { return static_cast<SidebarSectionList*>(widget()); }

    mutable QHash<int, QAccessible::Id> m_items;
};

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    if (className == QLatin1String("SidebarSectionList") && object && object->isWidgetType())
        return new SectionList(static_cast<SidebarSectionList*>(object));
    return nullptr;
}

} // namespace

namespace SidebarSectionAccessible {

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace SidebarSectionAccessible
