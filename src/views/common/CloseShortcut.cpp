#include "views/common/CloseShortcut.h"

#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

namespace CloseShortcut {

void install(QWidget* window)
{
    QList<QKeySequence> keys { QKeySequence(Qt::CTRL | Qt::Key_W) };
    for (const QKeySequence& platform : QKeySequence::keyBindings(QKeySequence::Close)) {
        if (!keys.contains(platform))
            keys.append(platform);
    }
    for (const QKeySequence& key : std::as_const(keys)) {
        auto* shortcut = new QShortcut(key, window);
        shortcut->setObjectName(QStringLiteral("closeWindowShortcut"));
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, window, &QWidget::close);
    }
}

} // namespace CloseShortcut
