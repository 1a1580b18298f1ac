#include "views/account/DeviceManagementView.h"

#include "state/account/DeviceManagementViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/account/DeviceListModel.h"
#include "views/account/DeviceRow.h"
#include "views/account/ListStateOverlay.h"
#include "views/common/ErrorAlert.h"
#include "views/common/FocusHold.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/ListKeyboard.h"
#include "views/common/Localized.h"
#include "views/common/SystemColors.h"

#include <QHBoxLayout>
#include <QResizeEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QListView>
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
    , m_model(new DeviceListModel(m_viewModel.get(), this))
    , m_rows(new DeviceRow(this))
    , m_list(new QListView(this))
    , m_logoutAll(new QPushButton(this))
    , m_overlay(new ListStateOverlay(this, QStringLiteral("devices"), QStringLiteral("desktopcomputer")))
    , m_confirm(new QMessageBox(this))
    , m_confirmLogout(m_confirm->addButton(QString(), QMessageBox::DestructiveRole))
    , m_confirmCancel(m_confirm->addButton(QString(), QMessageBox::RejectRole))
    , m_alert(new ErrorAlert(this))
{
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

    // The list, the button for all others right under its last row, then the rest.
    auto* body = new QVBoxLayout;
    body->setContentsMargins(20, 0, 20, 12);
    body->setSpacing(12);
    m_list->setObjectName(QStringLiteral("deviceList"));
    m_list->setModel(m_model);
    m_list->setItemDelegate(m_rows);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setStyleSheet(QStringLiteral("QListView { background: transparent; }"));
    body->addWidget(m_list, 1);
    m_logoutAll->setObjectName(QStringLiteral("logoutAllButton"));
    m_logoutAll->setCursor(Qt::PointingHandCursor);
    Appearance::setTextColor(m_logoutAll, SystemColors::red());
    body->addWidget(m_logoutAll);
    body->addStretch(0);
    column->addLayout(body, 1);

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
    connect(m_logoutAll, &QPushButton::clicked, m_confirm, [this] { m_confirm->open(); });
    auto* keys = ListKeyboard::attach(m_list);
    keys->showCurrentRowOnEntry();
    keys->openMenuOnReturn();
    connect(m_rows, &DeviceRow::actionTriggered, this, [this](const QModelIndex& index, const QString& name) {
        if (name == u"logout")
            m_viewModel->logoutDevice(m_model->deviceAt(index.row()));
    });
    connect(m_model, &QAbstractItemModel::modelReset, this, &DeviceManagementView::fitList);
    connect(m_viewModel.get(), &DeviceManagementViewModel::devicesChanged, this, &DeviceManagementView::updateLoading);
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
    m_refresh->setAccessibleName(Localized::text("common.refresh"));
    m_refresh->setToolTip(Localized::text("common.refresh"));
    m_list->setAccessibleName(Localized::text("devices.title"));
    m_overlay->setEmptyText(Localized::text("devices.empty"));
    m_confirm->setWindowTitle(Localized::text("devices.logout_all"));
    m_confirm->setText(Localized::text("devices.logout_confirm"));
    m_confirmLogout->setText(Localized::text("devices.confirm_logout"));
    m_confirmCancel->setText(Localized::text("common.cancel"));
    m_logoutAll->setText(Localized::text("devices.logout_all"));
    // The headings, badge and buttons of the rows say their texts when drawn.
    m_list->viewport()->update();
    fitList();
    updateLoading();
}

void DeviceManagementView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitList();
}

void DeviceManagementView::fitList()
{
    // As tall as its rows, so the button for all others follows the last one; a
    // long list is held to the screen and scrolls.
    int height = 0;
    for (int row = 0; row < m_model->rowCount(); ++row)
        height += m_rows->sizeHint(QStyleOptionViewItem(), m_model->index(row)).height();
    m_list->setMaximumHeight(height);
    m_list->setVisible(height > 0);
}

void DeviceManagementView::updateLoading()
{
    const bool loading = m_viewModel->isLoading();
    FocusHold::setEnabled(m_refresh, !loading);
    m_overlay->showState(loading, m_viewModel->devices().isEmpty(), m_viewModel->loadFailure());
    m_logoutAll->setVisible(!m_viewModel->otherDevices().isEmpty());
}
