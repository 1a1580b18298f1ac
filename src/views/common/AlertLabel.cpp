#include "views/common/AlertLabel.h"

#include <QAccessibleWidget>
#include <QTimer>

namespace {

class Alert : public QAccessibleWidget {
public:
    explicit Alert(AlertLabel* label)
        : QAccessibleWidget(label, QAccessible::AlertMessage)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Name ? static_cast<QLabel*>(widget())->text() : QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* alerts(const QString& className, QObject* object)
{
    return className == QLatin1String("AlertLabel") ? new Alert(static_cast<AlertLabel*>(object)) : nullptr;
}

void sayNow(QLabel* label)
{
    QAccessibleEvent shown(label, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
    QAccessibleEvent alert(label, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

} // namespace

AlertLabel::AlertLabel(QWidget* parent)
    : QLabel(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(alerts);
        return true;
    }();
    Q_UNUSED(installed);
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    hide();
}

void AlertLabel::setAlert(const std::optional<QString>& text)
{
    const bool news = text && (*text != this->text() || isHidden());
    setText(text.value_or(QString()));
    setVisible(text.has_value());
    if (news && !text->isEmpty())
        sayNow(this);
}

void AlertLabel::announce(QWidget* window, const QString& text)
{
    // A caption of no size: seen by nothing but the screen reader, gone once read.
    auto* label = new AlertLabel(window);
    label->setGeometry(0, 0, 0, 0);
    label->setAlert(text);
    QTimer::singleShot(10000, label, &QObject::deleteLater);
}
