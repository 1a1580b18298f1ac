#include "views/account/TwoFactorView.h"

#include "views/account/CopyableCode.h"

#include "state/common/LocalizationManager.h"
#include "state/account/TwoFactorViewModel.h"
#include "views/common/ErrorAlert.h"
#include "views/common/Appearance.h"
#include "views/common/Localized.h"
#include "views/common/Sheet.h"
#include "views/common/Spinner.h"
#include "views/common/SystemColors.h"

#include <QApplication>
#include <QDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

using Appearance::TextStyle;

namespace {

QFont monospaced(TextStyle style)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // The desktop's "monospace" may name a font with a few double-width glyphs
    // (Noto Sans Mono); then take the first font whose every glyph lines up.
    if (!QFontInfo(font).fixedPitch()) {
        const QStringList families = QFontDatabase::families();
        const auto fixed = std::find_if(families.cbegin(), families.cend(), [](const QString& family) {
            return QFontDatabase::isFixedPitch(family) && !QFontDatabase::isPrivateFamily(family);
        });
        if (fixed != families.cend())
            font.setFamily(*fixed);
    }
    font.setPixelSize(Appearance::font(style).pixelSize());
    return font;
}

QString redButtonStyle()
{
    return QStringLiteral("QPushButton { background: %1; color: white; border: none; border-radius: 6px; padding: 5px 14px; }"
                          "QPushButton:disabled { background: %2; color: %3; }")
        .arg(SystemColors::red().name(), Appearance::controlBackground().name(), Appearance::secondaryText().name());
}

} // namespace

TwoFactorView::TwoFactorView(QWidget* parent)
    : TwoFactorView(std::make_unique<TwoFactorViewModel>(), parent)
{
}

TwoFactorView::TwoFactorView(std::unique_ptr<TwoFactorViewModel> viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(std::move(viewModel))
    , m_title(new QLabel(this))
    , m_statusSection(new QGroupBox(this))
    , m_statusCaption(new QLabel(m_statusSection))
    , m_statusValue(new QLabel(m_statusSection))
    , m_enable(new QPushButton(m_statusSection))
    , m_disable(new QPushButton(m_statusSection))
    , m_retry(new QPushButton(m_statusSection))
    , m_setupSection(new QGroupBox(this))
    , m_secretCaption(new QLabel(m_setupSection))
    , m_secret(new CopyableCode(QStringLiteral("secretField"), monospaced(TextStyle::Body), m_setupSection))
    , m_codesCaption(new QLabel(m_setupSection))
    , m_codes(new CopyableCode(QStringLiteral("backupCodesField"), monospaced(TextStyle::Caption), m_setupSection))
    , m_verifyCode(new QLineEdit(m_setupSection))
    , m_verify(new QPushButton(m_setupSection))
    , m_spinner(new Spinner(28, Appearance::accent(), this))
    , m_disableSheet(new QDialog(this))
    , m_sheetTitle(new QLabel(m_disableSheet))
    , m_sheetDescription(new QLabel(m_disableSheet))
    , m_disableCode(new QLineEdit(m_disableSheet))
    , m_sheetCancel(new QPushButton(m_disableSheet))
    , m_sheetConfirm(new QPushButton(m_disableSheet))
    , m_alert(new ErrorAlert(this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 16, 20, 16);
    column->setSpacing(14);
    m_title->setObjectName(QStringLiteral("twoFactorTitle"));
    m_title->setFont(Appearance::font(TextStyle::Title2));
    column->addWidget(m_title);

    m_statusSection->setObjectName(QStringLiteral("statusSection"));
    auto* status = new QVBoxLayout(m_statusSection);
    auto* statusRow = new QHBoxLayout;
    m_statusValue->setObjectName(QStringLiteral("statusValue"));
    statusRow->addWidget(m_statusCaption);
    statusRow->addStretch(1);
    statusRow->addWidget(m_statusValue);
    status->addLayout(statusRow);
    auto* actions = new QHBoxLayout;
    m_enable->setObjectName(QStringLiteral("enableButton"));
    m_disable->setObjectName(QStringLiteral("disableButton"));
    Appearance::setTextColor(m_disable, SystemColors::red());
    m_retry->setObjectName(QStringLiteral("retryButton"));
    for (QPushButton* button : { m_enable, m_disable, m_retry })
        actions->addWidget(button);
    actions->addStretch(1);
    status->addLayout(actions);
    column->addWidget(m_statusSection);

    m_setupSection->setObjectName(QStringLiteral("setupSection"));
    auto* setup = new QFormLayout(m_setupSection);
    setup->setLabelAlignment(Qt::AlignLeft | Qt::AlignTop);
    setup->addRow(m_secretCaption, m_secret);
    setup->addRow(m_codesCaption, m_codes);
    m_verifyCode->setObjectName(QStringLiteral("verifyCodeField"));
    setup->addRow(m_verifyCode);
    m_verify->setObjectName(QStringLiteral("verifyButton"));
    setup->addRow(m_verify);
    column->addWidget(m_setupSection);
    column->addStretch(1);

    buildDisableSheet();

    connect(m_enable, &QPushButton::clicked, this, [this] { m_viewModel->startSetup(); });
    connect(m_disable, &QPushButton::clicked, m_viewModel.get(), &TwoFactorViewModel::requestDisable);
    connect(m_retry, &QPushButton::clicked, this, [this] { m_viewModel->loadStatus(); });
    connect(m_verifyCode, &QLineEdit::textEdited, m_viewModel.get(), &TwoFactorViewModel::setVerifyCode);
    connect(m_verifyCode, &QLineEdit::returnPressed, this, [this] { m_viewModel->verifyAndEnable(); });
    connect(m_verify, &QPushButton::clicked, this, [this] { m_viewModel->verifyAndEnable(); });
    connect(m_viewModel.get(), &TwoFactorViewModel::changed, this, &TwoFactorView::refresh);
    connect(m_viewModel.get(), &TwoFactorViewModel::errorMessageChanged, this,
            [this] {
                if (const auto& error = m_viewModel->error())
                    m_alert->present(*error);
            });
    connect(m_alert, &ErrorAlert::dismissed, m_viewModel.get(), &TwoFactorViewModel::clearError);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &TwoFactorView::retranslate);
    retranslate();
}

TwoFactorView::~TwoFactorView() = default;

void TwoFactorView::buildDisableSheet()
{
    m_disableSheet->setObjectName(QStringLiteral("disableSheet"));
    // The caret in the code field; Escape closes; the focus back on the button that opened it.
    Sheet::setUpKeyboard(m_disableSheet);
    auto* sheet = new QVBoxLayout(m_disableSheet);
    sheet->setContentsMargins(24, 24, 24, 24);
    sheet->setSpacing(16);
    m_sheetTitle->setFont(Appearance::font(TextStyle::Headline));
    m_sheetDescription->setFont(Appearance::font(TextStyle::Caption));
    m_sheetDescription->setWordWrap(true);
    m_sheetDescription->setAlignment(Qt::AlignCenter);
    Appearance::setTextColor(m_sheetDescription, Appearance::secondaryText());
    m_disableCode->setObjectName(QStringLiteral("disableCodeField"));
    m_disableCode->setFixedWidth(200);
    m_sheetCancel->setObjectName(QStringLiteral("disableCancelButton"));
    m_sheetConfirm->setObjectName(QStringLiteral("disableConfirmButton"));
    m_sheetConfirm->setStyleSheet(redButtonStyle());
    // Return in the code field presses it.
    m_sheetConfirm->setDefault(true);
    sheet->addWidget(m_sheetTitle, 0, Qt::AlignHCenter);
    sheet->addWidget(m_sheetDescription);
    sheet->addWidget(m_disableCode, 0, Qt::AlignHCenter);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_sheetCancel);
    buttons->addWidget(m_sheetConfirm);
    buttons->addStretch(1);
    sheet->addLayout(buttons);

    connect(m_disableCode, &QLineEdit::textEdited, m_viewModel.get(), &TwoFactorViewModel::setDisableCode);
    connect(m_sheetCancel, &QPushButton::clicked, m_viewModel.get(), &TwoFactorViewModel::cancelDisable);
    connect(m_sheetConfirm, &QPushButton::clicked, this, [this] { m_viewModel->disableMFA(); });
    // Escape or the window's close button: the typed code stays for next time.
    connect(m_disableSheet, &QDialog::finished, m_viewModel.get(), &TwoFactorViewModel::dismissDisable);
}

void TwoFactorView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    m_viewModel->loadStatus();
}

void TwoFactorView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_spinner->move((width() - m_spinner->width()) / 2, (height() - m_spinner->height()) / 2);
}

void TwoFactorView::retranslate()
{
    m_title->setText(Localized::text("2fa.title"));
    m_statusSection->setTitle(Localized::text("2fa.status_section"));
    m_statusCaption->setText(Localized::text("2fa.status"));
    m_enable->setText(Localized::text("2fa.enable_button"));
    m_disable->setText(Localized::text("2fa.disable"));
    m_retry->setText(Localized::text("2fa.retry"));
    m_setupSection->setTitle(Localized::text("2fa.setup"));
    m_secretCaption->setText(Localized::text("2fa.secret_key"));
    m_codesCaption->setText(Localized::text("2fa.backup_codes"));
    m_secret->setCaption(m_secretCaption->text());
    m_codes->setCaption(m_codesCaption->text());
    m_verifyCode->setPlaceholderText(Localized::text("2fa.verify_placeholder"));
    m_verifyCode->setAccessibleName(m_verifyCode->placeholderText());
    m_verify->setText(Localized::text("2fa.verify_enable_button"));
    m_disableSheet->setWindowTitle(Localized::text("2fa.disable_title"));
    m_sheetTitle->setText(Localized::text("2fa.disable_title"));
    m_sheetDescription->setText(Localized::text("2fa.disable_desc"));
    m_disableCode->setPlaceholderText(Localized::text("2fa.disable_code_placeholder"));
    m_disableCode->setAccessibleName(m_disableCode->placeholderText());
    m_sheetCancel->setText(Localized::text("common.cancel"));
    m_sheetConfirm->setText(Localized::text("2fa.disable_confirm_button"));
    refresh();
}

void TwoFactorView::refresh()
{
    const TwoFactorViewModel& vm = *m_viewModel;
    const bool known = vm.status().has_value();
    // A control about to go grey or out of sight under the keyboard would hand the
    // focus on to whatever comes next (the sidebar's Sign Out): it waits on the
    // screen itself until the work shows where it goes on.
    const bool sheetWasShown = m_disableSheet->isVisible();
    QWidget* focused = QApplication::focusWidget();
    const std::pair<QWidget*, bool> staying[] = {
        { m_enable, known && !vm.isEnabled() && vm.canStartSetup() },
        { m_disable, vm.isEnabled() && vm.canRequestDisable() },
        { m_retry, vm.canRetry() },
        { m_setupSection, vm.showSetup() },
        { m_verify, vm.showSetup() && vm.canVerify() },
    };
    for (const auto& [control, stays] : staying) {
        if (focused && (focused == control || control->isAncestorOf(focused)) && !stays)
            setFocus(Qt::OtherFocusReason);
    }

    if (!known) {
        m_statusValue->setText(vm.isLoading() ? QString() : Localized::text("2fa.status_unknown"));
        Appearance::setTextColor(m_statusValue, Appearance::secondaryText());
    } else if (vm.isEnabled()) {
        m_statusValue->setText(Localized::text("2fa.status_enabled"));
        Appearance::setTextColor(m_statusValue, SystemColors::green());
    } else {
        m_statusValue->setText(Localized::text("2fa.status_disabled"));
        Appearance::setTextColor(m_statusValue, Appearance::secondaryText());
    }
    m_enable->setVisible(known && !vm.isEnabled());
    m_enable->setEnabled(vm.canStartSetup());
    m_disable->setVisible(vm.isEnabled());
    m_disable->setEnabled(vm.canRequestDisable());
    m_retry->setVisible(vm.canRetry());
    m_spinner->setVisible(vm.isLoading());
    m_spinner->raise();

    m_setupSection->setVisible(vm.showSetup());
    if (vm.showSetup()) {
        const auto& setup = *vm.setup();
        m_secret->setText(setup.secret.value_or(QString()));
        m_secretCaption->setVisible(setup.secret.has_value());
        m_secret->setVisible(setup.secret.has_value());
        const QStringList codes = setup.backupCodes.value_or(QStringList());
        m_codes->setText(codes.join(u'\n'));
        m_codesCaption->setVisible(!codes.isEmpty());
        m_codes->setVisible(!codes.isEmpty());
    }
    if (m_verifyCode->text() != vm.verifyCode())
        m_verifyCode->setText(vm.verifyCode());
    m_verify->setEnabled(vm.canVerify());

    if (m_disableCode->text() != vm.disableCode())
        m_disableCode->setText(vm.disableCode());
    m_sheetConfirm->setEnabled(vm.canDisable());
    if (vm.showDisable() && !m_disableSheet->isVisible())
        m_disableSheet->open();
    else if (!vm.showDisable() && m_disableSheet->isVisible())
        m_disableSheet->hide();

    // Set-up shown: the code is what comes next. Set-up done, or the sheet that
    // turned it off closed: the status section's button.
    if (QApplication::focusWidget() == this || (sheetWasShown && !m_disableSheet->isVisible() && !m_disable->isVisible())) {
        if (m_setupSection->isVisible())
            m_verifyCode->setFocus(Qt::OtherFocusReason);
        else
            focusStatus();
    }
}

void TwoFactorView::focusStatus()
{
    for (QPushButton* button : { m_disable, m_enable, m_retry }) {
        if (button->isVisibleTo(this) && button->isEnabled()) {
            window()->activateWindow();
            button->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}
