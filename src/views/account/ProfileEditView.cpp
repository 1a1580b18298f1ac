#include "views/account/ProfileEditView.h"

#include "network/AuthService.h"
#include "state/account/ProfileEditViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/common/AlertLabel.h"
#include "views/common/Appearance.h"
#include "views/common/ComboBoxAccessible.h"
#include "views/common/FocusHold.h"
#include "views/common/Localized.h"
#include "views/common/ProminentButton.h"
#include "views/common/Sheet.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using Appearance::TextStyle;

ProfileEditView::ProfileEditView(AuthViewModel* authViewModel, QWidget* parent)
    : ProfileEditView(authViewModel, AuthService::shared(), parent)
{
}

ProfileEditView::ProfileEditView(AuthViewModel* authViewModel, AuthService& authService, QWidget* parent)
    : QDialog(parent)
    , m_viewModel(new ProfileEditViewModel(authViewModel, authService, this))
    , m_title(new QLabel(this))
    , m_form(new QFormLayout)
    , m_gender(new QComboBox(this))
    , m_error(new AlertLabel(this))
    , m_cancel(new QPushButton(this))
    , m_save(new ProminentButton(this))
{
    setObjectName(QStringLiteral("profileEditView"));
    setFixedSize(400, 400);
    m_viewModel->loadFromUser();

    auto* column = new QVBoxLayout(this);
    column->setSpacing(16);
    m_title->setObjectName(QStringLiteral("editTitle"));
    m_title->setFont(Appearance::font(TextStyle::Headline));
    column->addWidget(m_title, 0, Qt::AlignHCenter);

    m_name = field("nameField", &m_viewModel->name);
    m_bio = field("bioField", &m_viewModel->bio);
    m_email = field("emailField", &m_viewModel->email);
    m_region = field("regionField", &m_viewModel->region);
    m_gender->setObjectName(QStringLiteral("genderPicker"));
    for (const auto& [tag, key] : ProfileEditViewModel::genderOptions())
        m_gender->addItem(QString(), tag);
    // A stored value that is none of the rows shows no selection and stays as it is
    // until the person picks a row.
    m_gender->setCurrentIndex(m_gender->findData(m_viewModel->gender));
    connect(m_gender, &QComboBox::activated, this,
            [this](int index) { m_viewModel->gender = m_gender->itemData(index).toString(); });
    m_form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    m_form->setVerticalSpacing(10);
    for (QWidget* row : { static_cast<QWidget*>(m_name), static_cast<QWidget*>(m_bio), static_cast<QWidget*>(m_email),
                          static_cast<QWidget*>(m_gender), static_cast<QWidget*>(m_region) })
        m_form->addRow(new QLabel(this), row);
    column->addLayout(m_form);

    m_error->setObjectName(QStringLiteral("editError"));
    m_error->setFont(Appearance::font(TextStyle::Caption));
    Appearance::setTextColor(m_error, QColor(0xff, 0x3b, 0x30));
    column->addWidget(m_error);
    column->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->setAutoDefault(false);
    m_save->setObjectName(QStringLiteral("saveButton"));
    m_save->setMinimumSize(90, 28);
    m_save->setDefault(true);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_save);
    buttons->addStretch(1);
    column->addLayout(buttons);

    // Escape rejects the dialog, which is the same as Cancel: nothing is sent.
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_save, &QPushButton::clicked, this, [this] {
        if (!m_viewModel->isSaving())
            m_viewModel->saveProfile();
    });
    connect(m_viewModel, &ProfileEditViewModel::saved, this, &QDialog::accept);
    connect(m_viewModel, &ProfileEditViewModel::isSavingChanged, this, &ProfileEditView::updateSaving);
    connect(m_viewModel, &ProfileEditViewModel::errorChanged, this, &ProfileEditView::updateError);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &ProfileEditView::retranslate);
    retranslate();
    updateSaving();
    updateError();
    // The caret in the first field (the name) as it opens; the focus back on Edit Profile as it closes.
    Sheet::setUpKeyboard(this);
}

QLineEdit* ProfileEditView::field(const char* objectName, QString* value)
{
    auto* edit = new QLineEdit(*value, this);
    edit->setObjectName(QString::fromLatin1(objectName));
    connect(edit, &QLineEdit::textEdited, this, [value](const QString& text) { *value = text; });
    return edit;
}

void ProfileEditView::updateSaving()
{
    FocusHold::setEnabled(m_save, !m_viewModel->isSaving());
}

void ProfileEditView::updateError()
{
    m_error->setAlert(m_viewModel->error() ? std::optional<QString>(m_viewModel->errorText()) : std::nullopt);
}

void ProfileEditView::retranslate()
{
    setWindowTitle(Localized::text("profile.edit_title"));
    m_title->setText(Localized::text("profile.edit_title"));
    const char* labels[] = { "auth.username", "profile.signature", "profile.email_label", "profile.gender", "profile.region" };
    for (int row = 0; row < 5; ++row) {
        auto* label = qobject_cast<QLabel*>(m_form->itemAt(row, QFormLayout::LabelRole)->widget());
        QWidget* field = m_form->itemAt(row, QFormLayout::FieldRole)->widget();
        label->setText(Localized::text(labels[row]));
        // Each field is heard by its label; the gender box with its choice as its value.
        if (auto* box = qobject_cast<QComboBox*>(field))
            ComboBoxAccessible::setName(box, label->text());
        else
            field->setAccessibleName(label->text());
    }
    const auto& options = ProfileEditViewModel::genderOptions();
    for (int i = 0; i < options.size(); ++i)
        m_gender->setItemText(i, Localized::text(options[i].second));
    m_cancel->setText(Localized::text("common.cancel"));
    m_save->setText(Localized::text("profile.save"));
}
