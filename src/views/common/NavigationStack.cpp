#include "views/common/NavigationStack.h"

#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "state/common/LocalizationManager.h"

#include <QApplication>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

NavigationStack::NavigationStack(QWidget* root, QWidget* parent)
    : QWidget(parent)
    , m_back(new QToolButton(this))
    , m_screens(new QStackedWidget(this))
{
    setObjectName(QStringLiteral("navigationStack"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_back->setObjectName(QStringLiteral("navigationBackButton"));
    m_back->setAutoRaise(true);
    m_back->setCursor(Qt::PointingHandCursor);
    Icons::apply(m_back, QStringLiteral("chevron.left"), 16, Appearance::accent());
    connect(m_back, &QToolButton::clicked, this, &NavigationStack::pop);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &NavigationStack::retranslate);
    retranslate();
    column->addWidget(m_back, 0, Qt::AlignLeft);
    column->addWidget(m_screens, 1);
    m_screens->addWidget(root);
    updateBackButton();
}

NavigationStack* NavigationStack::of(QWidget* widget)
{
    for (QWidget* w = widget ? widget->parentWidget() : nullptr; w; w = w->parentWidget()) {
        if (auto* stack = qobject_cast<NavigationStack*>(w))
            return stack;
    }
    return nullptr;
}

void NavigationStack::push(QWidget* screen)
{
    QWidget* focused = QApplication::focusWidget();
    m_openers.append(isAncestorOf(focused) ? focused : nullptr);
    m_screens->addWidget(screen);
    m_screens->setCurrentWidget(screen);
    updateBackButton();
    // The link that pushed is gone from sight: the keyboard goes on from the top of the new screen.
    if (m_openers.constLast())
        m_back->setFocus(Qt::OtherFocusReason);
}

void NavigationStack::pop()
{
    if (m_screens->count() <= 1)
        return;
    QWidget* current = m_screens->widget(m_screens->count() - 1);
    m_screens->removeWidget(current);
    current->deleteLater();
    m_screens->setCurrentIndex(m_screens->count() - 1);
    updateBackButton();
    const QPointer<QWidget> opener = m_openers.isEmpty() ? nullptr : m_openers.takeLast();
    if (opener && opener->isVisible() && opener->isEnabled())
        opener->setFocus(Qt::OtherFocusReason);
}

QWidget* NavigationStack::top() const
{
    return m_screens->currentWidget();
}

int NavigationStack::depth() const
{
    return m_screens->count();
}

void NavigationStack::retranslate()
{
    m_back->setAccessibleName(Localized::text("common.back"));
    m_back->setToolTip(Localized::text("common.back"));
}

void NavigationStack::updateBackButton()
{
    m_back->setVisible(m_screens->count() > 1);
}
