#include "views/contacts/ColorPalette.h"

#include "state/contacts/GroupRolesMenuViewModel.h"
#include "views/common/Localized.h"
#include "views/contacts/ColorSwatch.h"

#include <QAccessibleWidget>
#include <QHBoxLayout>
#include <QKeyEvent>

#include <algorithm>

namespace {

class SwatchAccessible : public QAccessibleWidget {
public:
    explicit SwatchAccessible(ColorSwatch* swatch)
        : QAccessibleWidget(swatch, QAccessible::RadioButton)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = static_cast<ColorSwatch*>(widget())->isMarked();
        return state;
    }

    QStringList actionNames() const override { return { pressAction() }; }

    void doAction(const QString& action) override
    {
        if (action == pressAction())
            static_cast<ColorSwatch*>(widget())->click();
    }
};

QAccessibleInterface* paletteParts(const QString& className, QObject* object)
{
    if (className == QLatin1String("ColorSwatch"))
        return new SwatchAccessible(static_cast<ColorSwatch*>(object));
    if (className == QLatin1String("ColorPalette"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Grouping);
    return nullptr;
}

} // namespace

ColorPalette::ColorPalette(const QStringList& hexes, QWidget* parent)
    : QWidget(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(paletteParts);
        return true;
    }();
    Q_UNUSED(installed);
    setObjectName(QStringLiteral("colorPalette"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    // Ten points between the discs, the room for their focus rings counted in.
    row->setSpacing(10 - 2 * ColorSwatch::Ring);
    for (const QString& hex : hexes) {
        auto* swatch = new ColorSwatch(hex, this);
        swatch->installEventFilter(this);
        connect(swatch, &ColorSwatch::clicked, this, [this, hex] { Q_EMIT chosen(hex); });
        m_swatches.append(swatch);
        row->addWidget(swatch);
    }
    row->addStretch(1);
    setChosen(QString());
}

void ColorPalette::setChosen(const QString& hex)
{
    const bool known = std::any_of(m_swatches.cbegin(), m_swatches.cend(), [&hex](const ColorSwatch* swatch) { return swatch->hex() == hex; });
    for (ColorSwatch* swatch : std::as_const(m_swatches)) {
        const bool marked = swatch->hex() == hex;
        swatch->setMarked(marked);
        // One Tab stop for the group: the chosen colour, or the first when none is.
        const bool stop = marked || (!known && swatch == m_swatches.constFirst());
        swatch->setFocusPolicy(stop ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

void ColorPalette::retranslate(const QString& name)
{
    setAccessibleName(name);
    for (ColorSwatch* swatch : std::as_const(m_swatches)) {
        const QString colorName = Localized::text(GroupRolesMenuViewModel::colorNameKey(swatch->hex()));
        swatch->setAccessibleName(colorName);
        swatch->setToolTip(colorName);
    }
}

bool ColorPalette::eventFilter(QObject* watched, QEvent* event)
{
    const auto at = m_swatches.indexOf(qobject_cast<ColorSwatch*>(watched));
    if (at < 0 || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~Qt::KeypadModifier)
        return false;
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    int step = 0;
    switch (key->key()) {
    case Qt::Key_Left:
        step = rightToLeft ? 1 : -1;
        break;
    case Qt::Key_Right:
        step = rightToLeft ? -1 : 1;
        break;
    case Qt::Key_Up:
        step = -1;
        break;
    case Qt::Key_Down:
        step = 1;
        break;
    default:
        return false;
    }
    // As radio buttons do: the arrows go round the group and choose where they land.
    ColorSwatch* next = m_swatches.at((at + step + m_swatches.size()) % m_swatches.size());
    next->setFocus(Qt::TabFocusReason);
    next->click();
    return true;
}
