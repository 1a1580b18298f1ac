#include "views/common/ComboBoxAccessible.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>

namespace {

class NamedComboBox : public QAccessibleWidget {
public:
    explicit NamedComboBox(QComboBox* box)
        : QAccessibleWidget(box, QAccessible::ComboBox)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        switch (kind) {
        case QAccessible::Name:
            return box()->accessibleName();
        case QAccessible::Value:
            return box()->currentText();
        default:
            return QAccessibleWidget::text(kind);
        }
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = box()->view()->isVisible();
        return state;
    }

    QStringList actionNames() const override { return { showMenuAction(), pressAction() }; }

    void doAction(const QString& action) override
    {
        if (action != showMenuAction() && action != pressAction())
            return QAccessibleWidget::doAction(action);
        if (box()->view()->isVisible())
            box()->hidePopup();
        else
            box()->showPopup();
    }

private:
    QComboBox* box() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* namedComboBoxes(const QString& className, QObject* object)
{
    auto* box = className == QLatin1String("QComboBox") ? qobject_cast<QComboBox*>(object) : nullptr;
    return box && !box->accessibleName().isEmpty() ? new NamedComboBox(box) : nullptr;
}

} // namespace

namespace ComboBoxAccessible {

void setName(QComboBox* box, const QString& name)
{
    static const bool installed = [] {
        QAccessible::installFactory(namedComboBoxes);
        return true;
    }();
    Q_UNUSED(installed);
    box->setAccessibleName(name);
    // Qt's own reading may already be kept for the box (made when its first items
    // came in while a screen reader listened): the next question gets this one.
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(box);
    if (face && !dynamic_cast<NamedComboBox*>(face))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(face));
}

} // namespace ComboBoxAccessible
