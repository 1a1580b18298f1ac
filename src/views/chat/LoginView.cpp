#include "views/chat/LoginView.h"

#include "state/chat/AuthViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/common/AlertLabel.h"
#include "views/common/Appearance.h"
#include "views/common/FocusHold.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/ProminentButton.h"
#include "views/common/Spinner.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using Appearance::TextStyle;

namespace {
constexpr int FieldWidth = 300;
}

template <typename Changed>
void LoginView::bindField(QLineEdit* edit, std::function<QString()> get, std::function<void(const QString&)> set, Changed changed)
{
    edit->setText(get());
    connect(edit, &QLineEdit::textEdited, m_auth, [set](const QString& text) { set(text); });
    // The state clears the fields after a successful sign-in; follow it.
    connect(m_auth, changed, edit, [edit, get] {
        const QString value = get();
        if (edit->text() != value)
            edit->setText(value);
    });
}

LoginView::LoginView(AuthViewModel* authViewModel, QWidget* parent)
    : QWidget(parent)
    , m_auth(authViewModel)
    , m_subtitle(new QLabel(this))
    , m_username(field("usernameField"))
    , m_password(field("passwordField", true))
    , m_code(field("codeField"))
    , m_nickname(field("nicknameField"))
    , m_inviteCode(field("inviteCodeField"))
    , m_email(field("emailField"))
    , m_error(new AlertLabel(this))
    , m_submit(new ProminentButton(this))
    , m_spinner(new Spinner(16, Qt::white, m_submit))
    , m_modeLink(new QPushButton(this))
{
    setObjectName(QStringLiteral("loginView"));
    setMinimumSize(500, 400);

    auto* screen = new QVBoxLayout(this);
    screen->setSpacing(0);
    screen->addStretch(1);
    auto* content = new QVBoxLayout;
    content->setSpacing(24);
    screen->addLayout(content);
    screen->addStretch(1);

    auto* header = new QVBoxLayout;
    header->setSpacing(8);
    auto* symbol = new QLabel(this);
    symbol->setObjectName(QStringLiteral("loginSymbol"));
    Icons::apply(symbol, QStringLiteral("bubble.left.and.bubble.right.fill"), 60, Appearance::accent());
    auto* title = new QLabel(QStringLiteral("Morvane"), this);
    title->setObjectName(QStringLiteral("loginTitle"));
    QFont titleFont = Appearance::font(TextStyle::LargeTitle);
    titleFont.setBold(true);
    title->setFont(titleFont);
    m_subtitle->setObjectName(QStringLiteral("loginSubtitle"));
    m_subtitle->setFont(Appearance::font(TextStyle::Subheadline));
    Appearance::setTextColor(m_subtitle, Appearance::secondaryText());
    for (QLabel* label : { symbol, title, m_subtitle })
        header->addWidget(label, 0, Qt::AlignHCenter);
    content->addLayout(header);

    auto* form = new QVBoxLayout;
    form->setSpacing(16);
    for (QLineEdit* edit : { m_username, m_password, m_code, m_nickname, m_inviteCode, m_email })
        form->addWidget(edit, 0, Qt::AlignHCenter);
    m_error->setObjectName(QStringLiteral("loginError"));
    m_error->setAlignment(Qt::AlignCenter);
    m_error->setFixedWidth(FieldWidth);
    m_error->setFont(Appearance::font(TextStyle::Caption));
    Appearance::setTextColor(m_error, QColor(0xff, 0x3b, 0x30));
    form->addWidget(m_error, 0, Qt::AlignHCenter);

    m_submit->setObjectName(QStringLiteral("submitButton"));
    m_submit->setFixedSize(FieldWidth, 32);
    m_submit->setCursor(Qt::PointingHandCursor);
    m_submit->setDefault(true);
    m_spinner->move((FieldWidth - m_spinner->width()) / 2, (32 - m_spinner->height()) / 2);
    connect(m_submit, &QPushButton::clicked, this, &LoginView::submit);
    form->addWidget(m_submit, 0, Qt::AlignHCenter);

    m_modeLink->setObjectName(QStringLiteral("modeSwitchButton"));
    m_modeLink->setFlat(true);
    m_modeLink->setCursor(Qt::PointingHandCursor);
    m_modeLink->setFont(Appearance::font(TextStyle::Caption));
    Appearance::setTextColor(m_modeLink, Appearance::accent());
    connect(m_modeLink, &QPushButton::clicked, this, &LoginView::switchMode);
    form->addWidget(m_modeLink, 0, Qt::AlignHCenter);
    content->addLayout(form);

    bindField(m_username, [vm = m_auth] { return vm->username(); }, [vm = m_auth](const QString& text) { vm->setUsername(text); },
        &AuthViewModel::usernameChanged);
    bindField(m_password, [vm = m_auth] { return vm->password(); }, [vm = m_auth](const QString& text) { vm->setPassword(text); },
        &AuthViewModel::passwordChanged);
    bindField(m_code, [vm = m_auth] { return vm->code(); }, [vm = m_auth](const QString& text) { vm->setCode(text); },
        &AuthViewModel::codeChanged);
    bindField(m_nickname, [vm = m_auth] { return vm->nickname(); }, [vm = m_auth](const QString& text) { vm->setNickname(text); },
        &AuthViewModel::nicknameChanged);
    bindField(m_inviteCode, [vm = m_auth] { return vm->inviteCode(); }, [vm = m_auth](const QString& text) { vm->setInviteCode(text); },
        &AuthViewModel::inviteCodeChanged);
    bindField(m_email, [vm = m_auth] { return vm->email(); }, [vm = m_auth](const QString& text) { vm->setEmail(text); },
        &AuthViewModel::emailChanged);
    for (QLineEdit* last : { m_password, m_code }) {
        connect(last, &QLineEdit::returnPressed, this, [this] {
            if (!m_auth->isLoading())
                submit();
        });
    }
    connect(m_auth, &AuthViewModel::isCodeRequiredChanged, this, &LoginView::updateCodeField);
    connect(m_auth, &AuthViewModel::isLoginModeChanged, this, &LoginView::updateMode);
    connect(m_auth, &AuthViewModel::isLoadingChanged, this, &LoginView::updateLoading);
    connect(m_auth, &AuthViewModel::errorChanged, this, &LoginView::updateError);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &LoginView::retranslate);
    retranslate();
    updateLoading();
    updateError();
    updateCodeField();
}

QLineEdit* LoginView::field(const char* objectName, bool secret)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(objectName));
    edit->setFixedWidth(FieldWidth);
    edit->setMinimumHeight(28);
    edit->setTextMargins(6, 0, 6, 0);
    if (secret)
        edit->setEchoMode(QLineEdit::Password);
    return edit;
}


void LoginView::submit()
{
    // Fire and forget: the sign-in state reports progress and failure itself.
    if (m_auth->isLoginMode())
        m_auth->login();
    else
        m_auth->registerAccount();
}

void LoginView::switchMode()
{
    m_auth->setIsLoginMode(!m_auth->isLoginMode());
    m_auth->clearError();
}

void LoginView::retranslate()
{
    m_subtitle->setText(Localized::text("auth.mac_subtitle"));
    // The fields have no label beside them: the placeholder is their label, and their name.
    const std::pair<QLineEdit*, const char*> labels[] {
        { m_username, "auth.username" }, { m_password, "auth.password" }, { m_code, "auth.two_factor_code" },
        { m_nickname, "auth.nickname" }, { m_inviteCode, "auth.invite_code" }, { m_email, "auth.email" },
    };
    for (const auto& [edit, key] : labels) {
        edit->setPlaceholderText(Localized::text(key));
        edit->setAccessibleName(Localized::text(key));
    }
    updateMode();
    updateLoading();
}

void LoginView::updateMode()
{
    const bool login = m_auth->isLoginMode();
    for (QLineEdit* extra : { m_nickname, m_inviteCode, m_email })
        extra->setVisible(!login);
    m_modeLink->setText(Localized::text(login ? "auth.switch_to_register" : "auth.switch_to_login"));
    updateLoading();
}

void LoginView::updateCodeField()
{
    const bool asked = m_auth->isCodeRequired();
    m_code->setVisible(asked);
    // The account and password stay; the code is what the person types next.
    if (asked)
        m_code->setFocus();
}

void LoginView::updateLoading()
{
    const bool loading = m_auth->isLoading();
    FocusHold::setEnabled(m_submit, !loading);
    m_submit->setText(loading ? QString() : Localized::text(m_auth->isLoginMode() ? "auth.login_button" : "auth.register_button"));
    m_spinner->setVisible(loading);
}

void LoginView::updateError()
{
    const std::optional<QString> error = m_auth->error();
    m_error->setAlert(error);
    // Centred in its row, the label is not asked for its wrapped height: a reason on
    // two lines would be cut in half. Without a reason it has none to give (-1).
    m_error->setMinimumHeight(qMax(0, m_error->heightForWidth(FieldWidth)));
}
