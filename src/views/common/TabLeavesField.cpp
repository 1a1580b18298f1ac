#include "views/common/TabLeavesField.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

// Ctrl+Tab reaches the field as a plain key press only when nothing else wanted it.
class CtrlTabTypesTab : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Tab || key->modifiers() != Qt::ControlModifier)
            return false;
        if (auto* plain = qobject_cast<QPlainTextEdit*>(watched))
            plain->insertPlainText(QStringLiteral("\t"));
        else if (auto* rich = qobject_cast<QTextEdit*>(watched))
            rich->insertPlainText(QStringLiteral("\t"));
        return true;
    }
};

} // namespace

namespace TabLeavesField {

void apply(QPlainTextEdit* field)
{
    field->setTabChangesFocus(true);
    field->installEventFilter(new CtrlTabTypesTab(field));
}

void apply(QTextEdit* field)
{
    field->setTabChangesFocus(true);
    field->installEventFilter(new CtrlTabTypesTab(field));
}

} // namespace TabLeavesField
