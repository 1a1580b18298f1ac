#include "views/account/DeviceManagementView.h"

#include "state/DeviceManagementViewModel.h"
#include "state/LocalizationManager.h"
#include "views/account/DeviceRow.h"
#include "views/account/ListStateOverlay.h"
#include "views/common/ErrorAlert.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/SystemColors.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

using Appearance::TextStyle;

DeviceManagementView::DeviceManagementView(QWidget* parent)
    : DeviceManagementView(std::make_unique<DeviceManagementViewModel>(), parent)
{
}

DeviceManagementView::DeviceManagementView(std::unique_ptr<DeviceManagementViewModel> viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(std::move(viewModel))
    , m_title(new QLabel(this))
    , m_refresh(new QToolButton(this))
    , m_scroll(new QScrollArea(this))
    , m_overlay(new ListStateOverlay(this, QStringLiteral("devices"), QStringLiteral("desktopcomputer")))
    , m_confirm(new QMessageBox(this))
    , m_confirmLogout(m_confirm->addButton(QString(), QMessageBox::DestructiveRole))
    , m_confirmCancel(m_confirm->addButton(QString(), QMessageBox::RejectRole))
    , m_alert(new ErrorAlert(this))
{
    setObjectName(QStringLiteral("deviceManagementView"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(20, 12, 12, 8);
    m_title->setObjectName(QStringLiteral("devicesTitle"));
    m_title->setFont(Appearance::font(TextStyle::Title2));
    bar->addWidget(m_title);
    bar->addStretch(1);
    m_refresh->setObjectName(QStringLiteral("refreshButton"));
    m_refresh->setAutoRaise(true);
    m_refresh->setCursor(Qt::PointingHandCursor);
    Icons::apply(m_refresh, QStringLiteral("arrow.clockwise"), 18, Appearance::secondaryText());
    bar->addWidget(m_refresh);
    column->addLayout(bar);

    m_scroll->setObjectName(QStringLiteral("deviceScroll"));
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    column->addWidget(m_scroll, 1);

    m_confirm->setObjectName(QStringLiteral("logoutOthersAlert"));
    m_confirm->setIcon(QMessageBox::Warning);
    m_confirmLogout->setObjectName(QStringLiteral("confirmLogoutButton"));
    m_confirmCancel->setObjectName(QStringLiteral("cancelLogoutButton"));
    m_confirm->setDefaultButton(m_confirmCancel);

    connect(m_refresh, &QToolButton::clicked, this, [this] { m_viewModel->loadDevices(); });
    connect(m_overlay, &ListStateOverlay::retryRequested, this, [this] { m_viewModel->loadDevices(); });
    connect(m_confirm, &QMessageBox::buttonClicked, this, [this](QAbstractButton* button) {
        if (button == m_confirmLogout)
            m_viewModel->revokeOtherDevices();
    });
    connect(m_viewModel.get(), &DeviceManagementViewModel::devicesChanged, this, &DeviceManagementView::rebuildList);
    connect(m_viewModel.get(), &DeviceManagementViewModel::loggingOutChanged, this, &DeviceManagementView::rebuildList);
    connect(m_viewModel.get(), &DeviceManagementViewModel::isLoadingChanged, this, &DeviceManagementView::updateLoading);
    connect(m_viewModel.get(), &DeviceManagementViewModel::errorMessageChanged, this,
            [this] {
                if (const auto& error = m_viewModel->error())
                    m_alert->present(*error);
            });
    connect(m_alert, &ErrorAlert::dismissed, m_viewModel.get(), &DeviceManagementViewModel::clearError);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &DeviceManagementView::retranslate);
    retranslate();
}

DeviceManagementView::~DeviceManagementView() = default;

void DeviceManagementView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    m_viewModel->loadDevices();
}

void DeviceManagementView::retranslate()
{
    m_title->setText(Localized::text("devices.title"));
    m_overlay->setEmptyText(Localized::text("devices.empty"));
    m_confirm->setWindowTitle(Localized::text("devices.logout_all"));
    m_confirm->setText(Localized::text("devices.logout_confirm"));
    m_confirmLogout->setText(Localized::text("devices.confirm_logout"));
    m_confirmCancel->setText(Localized::text("common.cancel"));
    rebuildList();
}

QLabel* DeviceManagementView::sectionHeader(const char* key, const char* objectName)
{
    auto* header = new QLabel(Localized::text(key), m_list);
    header->setObjectName(QString::fromLatin1(objectName));
    header->setFont(Appearance::font(TextStyle::Subheadline));
    Appearance::setTextColor(header, Appearance::secondaryText());
    header->setContentsMargins(0, 10, 0, 2);
    return header;
}

void DeviceManagementView::rebuildList()
{
    // The old rows go with their holder; their buttons may be the sender of this call.
    if (QWidget* old = m_scroll->takeWidget())
        old->deleteLater();
    m_list = new QWidget;
    m_list->setObjectName(QStringLiteral("deviceList"));
    auto* rows = new QVBoxLayout(m_list);
    rows->setContentsMargins(20, 0, 20, 12);
    rows->setSpacing(2);
    const auto& devices = m_viewModel->devices();
    if (!devices.isEmpty()) {
        rows->addWidget(sectionHeader("devices.current", "currentSectionHeader"));
        for (const auto& device : m_viewModel->currentDevices())
            rows->addWidget(new DeviceRow(device, m_list));
        const auto others = m_viewModel->otherDevices();
        if (!others.isEmpty()) {
            rows->addWidget(sectionHeader("devices.others", "othersSectionHeader"));
            for (const auto& device : others) {
                auto* line = new QWidget(m_list);
                line->setObjectName(QStringLiteral("otherDeviceLine"));
                auto* layout = new QHBoxLayout(line);
                layout->setContentsMargins(0, 0, 0, 0);
                layout->addWidget(new DeviceRow(device, line), 1);
                auto* logout = new QPushButton(Localized::text("devices.logout"), line);
                logout->setObjectName(QStringLiteral("logoutDeviceButton"));
                logout->setFont(Appearance::font(TextStyle::Subheadline));
                logout->setCursor(Qt::PointingHandCursor);
                Appearance::setTextColor(logout, SystemColors::red());
                logout->setEnabled(!m_viewModel->isLoggingOut(device.id));
                connect(logout, &QPushButton::clicked, this, [this, device] { m_viewModel->logoutDevice(device); });
                layout->addWidget(logout);
                rows->addWidget(line);
            }
            auto* logoutAll = new QPushButton(Localized::text("devices.logout_all"), m_list);
            logoutAll->setObjectName(QStringLiteral("logoutAllButton"));
            logoutAll->setCursor(Qt::PointingHandCursor);
            Appearance::setTextColor(logoutAll, SystemColors::red());
            connect(logoutAll, &QPushButton::clicked, m_confirm, [this] { m_confirm->open(); });
            rows->addSpacing(12);
            rows->addWidget(logoutAll);
        }
    }
    rows->addStretch(1);
    m_scroll->setWidget(m_list);
    updateLoading();
}

void DeviceManagementView::updateLoading()
{
    const bool loading = m_viewModel->isLoading();
    m_refresh->setEnabled(!loading);
    m_overlay->showState(loading, m_viewModel->devices().isEmpty(), m_viewModel->loadFailure());
}
