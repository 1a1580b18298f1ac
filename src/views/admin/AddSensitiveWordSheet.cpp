#include "views/admin/AddSensitiveWordSheet.h"

#include "state/admin/SensitiveWordsViewModel.h"
#include "views/common/Appearance.h"
#include "views/common/ComboBoxAccessible.h"
#include "views/common/Localized.h"
#include "views/common/Sheet.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

AddSensitiveWordSheet::AddSensitiveWordSheet(SensitiveWordsViewModel* model, QWidget* parent)
    : QDialog(parent)
    , m_model(model)
    , m_word(new QLineEdit(this))
    , m_category(new QComboBox(this))
    , m_add(new QPushButton(this))
{
    setObjectName(QStringLiteral("addSensitiveWordSheet"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Localized::text("admin.words_dialog_title"));
    setFixedWidth(320);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(16);
    auto* title = new QLabel(Localized::text("admin.words_dialog_title"), this);
    title->setFont(Appearance::font(Appearance::TextStyle::Headline));
    column->addWidget(title, 0, Qt::AlignHCenter);
    m_word->setObjectName(QStringLiteral("wordField"));
    m_word->setPlaceholderText(Localized::text("admin.words_word"));
    m_word->setText(m_model->newWord());
    column->addWidget(m_word);

    auto* categoryRow = new QHBoxLayout;
    auto* categoryLabel = new QLabel(Localized::text("admin.words_category"), this);
    categoryLabel->setBuddy(m_category);
    categoryRow->addWidget(categoryLabel);
    m_category->setObjectName(QStringLiteral("categoryPicker"));
    const QStringList labels { Localized::text("admin.words_dialog_spam"), Localized::text("admin.words_dialog_political"),
                               Localized::text("admin.words_illegal"),      Localized::text("admin.words_profanity"),
                               Localized::text("admin.words_fraud"),        Localized::text("admin.words_other") };
    for (int i = 0; i < labels.size(); ++i)
        m_category->addItem(labels.at(i), SensitiveWordsViewModel::categories().at(i));
    m_category->setCurrentIndex(int(SensitiveWordsViewModel::categories().indexOf(m_model->newCategory())));
    // Named by its label; the category chosen is its value.
    ComboBoxAccessible::setName(m_category, categoryLabel->text());
    categoryRow->addWidget(m_category, 1);
    column->addLayout(categoryRow);

    auto* buttons = new QHBoxLayout;
    auto* cancel = new QPushButton(Localized::text("common.cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    m_add->setObjectName(QStringLiteral("addButton"));
    m_add->setText(Localized::text("admin.words_add"));
    m_add->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    buttons->addWidget(m_add);
    column->addLayout(buttons);

    connect(m_word, &QLineEdit::textEdited, m_model, &SensitiveWordsViewModel::setNewWord);
    connect(m_category, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_model->setNewCategory(m_category->itemData(index).toString()); });
    connect(m_model, &SensitiveWordsViewModel::newWordChanged, this, [this] {
        if (m_word->text() != m_model->newWord())
            m_word->setText(m_model->newWord());
        updateButton();
    });
    connect(m_model, &SensitiveWordsViewModel::isAddingChanged, this, &AddSensitiveWordSheet::updateButton);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_add, &QPushButton::clicked, this, &AddSensitiveWordSheet::add);
    updateButton();
    Sheet::setUpKeyboard(this);
    m_word->setAccessibleName(m_word->placeholderText());
}

void AddSensitiveWordSheet::add()
{
    if (!m_model->canAdd())
        return;
    QPointer<AddSensitiveWordSheet> self(this);
    [](QPointer<AddSensitiveWordSheet> sheet, SensitiveWordsViewModel* model) -> QCoro::Task<> {
        const bool stored = co_await model->addWord();
        if (stored && sheet)
            sheet->accept();
    }(self, m_model);
}

void AddSensitiveWordSheet::updateButton() { m_add->setEnabled(m_model->canAdd()); }
