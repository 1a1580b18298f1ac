#include "views/common/TabLeavesField.h"

#include <QKeyEvent>
#include <QPlainTextEdit>

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
        static_cast<QPlainTextEdit*>(watched)->insertPlainText(QStringLiteral("\t"));
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

} // namespace TabLeavesField
