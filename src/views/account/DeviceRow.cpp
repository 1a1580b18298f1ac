#include "views/account/DeviceRow.h"

#include "state/DeviceManagementViewModel.h"
#include "state/DeviceTitle.h"
#include "state/LocalizationManager.h"
#include "views/common/Appearance.h"
#include "views/common/ElidedLabel.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/SystemColors.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using Appearance::TextStyle;

namespace {

QLabel* caption(QWidget* parent, const QString& text, TextStyle style, const char* objectName)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setTextFormat(Qt::PlainText);
    label->setFont(Appearance::font(style));
    Appearance::setTextColor(label, Appearance::secondaryText());
    return label;
}

} // namespace

QString DeviceRow::iconName(const std::optional<QString>& deviceType)
{
    const QString type = deviceType.value_or(QString()).toLower();
    if (type == u"ios")
        return QStringLiteral("iphone");
    if (type == u"android")
        return QStringLiteral("phone");
    if (type == u"web")
        return QStringLiteral("globe");
    if (type == u"mac" || type == u"macos")
        return QStringLiteral("laptopcomputer");
    return QStringLiteral("desktopcomputer");
}

DeviceRow::DeviceRow(SessionService::DeviceSession device, QWidget* parent)
    : QWidget(parent)
    , m_device(std::move(device))
    , m_name(new ElidedLabel(this))
{
    setObjectName(QStringLiteral("deviceRow"));
    const bool current = DeviceManagementViewModel::isCurrent(m_device);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 4, 0, 4);
    row->setSpacing(12);
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("deviceIcon"));
    icon->setFixedWidth(32);
    icon->setAlignment(Qt::AlignCenter);
    Icons::apply(icon, iconName(m_device.deviceType), 22, current ? SystemColors::green() : Appearance::secondaryText());
    row->addWidget(icon);

    auto* text = new QVBoxLayout;
    text->setSpacing(4);
    auto* nameLine = new QHBoxLayout;
    nameLine->setSpacing(6);
    m_name->setObjectName(QStringLiteral("deviceName"));
    m_name->setFont(Appearance::font(TextStyle::Body));
    nameLine->addWidget(m_name);
    if (current) {
        m_badge = new QLabel(this);
        m_badge->setObjectName(QStringLiteral("currentBadge"));
        m_badge->setFont(Appearance::font(TextStyle::Caption2));
        const QColor green = SystemColors::green();
        m_badge->setStyleSheet(QStringLiteral("QLabel { color: %1; background: rgba(%2, %3, %4, 38); border-radius: 7px; padding: 1px 6px; }")
                                   .arg(green.name()).arg(green.red()).arg(green.green()).arg(green.blue()));
        nameLine->addWidget(m_badge);
    }
    nameLine->addStretch(1);
    text->addLayout(nameLine);

    auto* details = new QHBoxLayout;
    details->setSpacing(8);
    if (m_device.platform)
        details->addWidget(caption(this, *m_device.platform, TextStyle::Caption, "devicePlatform"));
    if (m_device.lastIp)
        details->addWidget(caption(this, *m_device.lastIp, TextStyle::Caption, "deviceIp"));
    details->addStretch(1);
    text->addLayout(details);
    if (m_device.lastActiveAt) {
        m_lastActive = caption(this, QString(), TextStyle::Caption2, "deviceLastActive");
        text->addWidget(m_lastActive);
    }
    row->addLayout(text, 1);

    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &DeviceRow::retranslate);
    retranslate();
}

void DeviceRow::retranslate()
{
    m_name->setFullText(deviceTitle(m_device.deviceName, m_device.platform).value_or(Localized::text("devices.unknown_device")));
    if (m_badge)
        m_badge->setText(Localized::text("devices.current_label"));
    if (m_lastActive)
        m_lastActive->setText(Localized::text("devices.last_active") + QStringLiteral(": ")
                              + DeviceManagementViewModel::shownLastActive(*m_device.lastActiveAt));
}
