#include "state/admin/SensitiveWordsViewModel.h"

#include "services/Procedure.h"
#include "state/common/ErrorDescription.h"
#include "state/common/LocalizationManager.h"

#include <QPointer>

using namespace Qt::StringLiterals;

const QStringList& SensitiveWordsViewModel::categories()
{
    static const QStringList list { u"spam"_s, u"political"_s, u"illegal"_s, u"profanity"_s, u"fraud"_s, u"other"_s };
    return list;
}

SensitiveWordsViewModel::SensitiveWordsViewModel(APIClient& api, QObject* parent)
    : QObject(parent)
    , m_api(api)
{
}

void SensitiveWordsViewModel::setSearchText(const QString& text)
{
    if (m_searchText == text)
        return;
    m_searchText = text;
    Q_EMIT searchTextChanged();
}

void SensitiveWordsViewModel::setNewWord(const QString& text)
{
    if (m_newWord == text)
        return;
    m_newWord = text;
    Q_EMIT newWordChanged();
}

void SensitiveWordsViewModel::setNewCategory(const QString& category)
{
    if (m_newCategory == category)
        return;
    m_newCategory = category;
    Q_EMIT newCategoryChanged();
}

void SensitiveWordsViewModel::clearError()
{
    if (!m_errorMessage)
        return;
    m_errorMessage.reset();
    Q_EMIT errorMessageChanged();
}

SensitiveWordsViewModel::SearchKey SensitiveWordsViewModel::searchKey(const SensitiveWord& word)
{
    return { word.word.toCaseFolded(), word.category.value_or(QString()).toCaseFolded() };
}

bool SensitiveWordsViewModel::matches(const SearchKey& key, const QString& foldedSearch)
{
    return foldedSearch.isEmpty() || key.word.contains(foldedSearch) || key.category.contains(foldedSearch);
}

bool SensitiveWordsViewModel::matches(const SensitiveWord& word, const QString& search)
{
    return matches(searchKey(word), search.toCaseFolded());
}

QString SensitiveWordsViewModel::categoryLabel(const std::optional<QString>& category)
{
    static const QStringList localised { u"political"_s, u"illegal"_s, u"spam"_s, u"profanity"_s, u"fraud"_s };
    if (!category)
        return LocalizationManager::shared().localizedString(u"admin.words_other"_s);
    if (localised.contains(*category))
        return LocalizationManager::shared().localizedString(u"admin.words_"_s + *category);
    return *category;
}

Tint SensitiveWordsViewModel::categoryColor(const std::optional<QString>& category)
{
    static const QHash<QString, Tint> colours {
        { u"political"_s, Tint::Red }, { u"illegal"_s, Tint::Orange }, { u"spam"_s, Tint::Yellow },
        { u"profanity"_s, Tint::Purple }, { u"fraud"_s, Tint::Pink },
    };
    return category ? colours.value(*category, Tint::Gray) : Tint::Gray;
}

QCoro::Task<> SensitiveWordsViewModel::loadWords()
{
    QPointer<SensitiveWordsViewModel> self(this);
    const quint64 ticket = m_reload.begin();
    try {
        QList<SensitiveWord> words = co_await procedure::query<QList<SensitiveWord>>(m_api, u"admin.getSensitiveWords"_s);
        if (!self || !m_reload.isLatest(ticket))
            co_return;
        m_reload.settle(words);
        Q_EMIT wordsAboutToBeReset();
        m_words = std::move(words);
        Q_EMIT wordsChanged();
        Q_EMIT totalChanged();
    } catch (const std::exception& error) {
        if (!self || !m_reload.isLatest(ticket))
            co_return;
        setError("admin.words_load_failed", error);
    }
    if (m_isLoading) {
        m_isLoading = false;
        Q_EMIT isLoadingChanged();
    }
}

QCoro::Task<bool> SensitiveWordsViewModel::addWord()
{
    struct Input {
        QString word;
        QString category;
        void write(json::Writer& w) const
        {
            w.required("word"_L1, word);
            w.required("category"_L1, category);
        }
    };
    const QString word = m_newWord.trimmed();
    if (word.isEmpty() || m_isAdding)
        co_return false;
    QPointer<SensitiveWordsViewModel> self(this);
    setIsAdding(true);
    bool stored = false;
    try {
        const Input input { word, m_newCategory };
        SensitiveWord added = co_await procedure::mutation<SensitiveWord>(m_api, u"admin.addSensitiveWord"_s, input);
        if (!self)
            co_return false;
        m_reload.record(ListReload<SensitiveWord>::addition(added));
        Q_EMIT wordAboutToBeAppended();
        m_words.append(std::move(added));
        Q_EMIT wordAppended();
        Q_EMIT totalChanged();
        setNewWord(QString());
        stored = true;
    } catch (const std::exception& error) {
        if (!self)
            co_return false;
        setError("admin.words_add_failed", error);
    }
    setIsAdding(false);
    co_return stored;
}

QCoro::Task<> SensitiveWordsViewModel::deleteWord(SensitiveWord word)
{
    struct Input {
        qint64 id;
        void write(json::Writer& w) const { w.required("id"_L1, id); }
    };
    if (m_deleting.contains(word.id))
        co_return;
    QPointer<SensitiveWordsViewModel> self(this);
    m_deleting.insert(word.id);
    Q_EMIT deletingChanged(word.id);
    bool failed = false;
    try {
        const Input input { word.id };
        co_await procedure::mutation<void>(m_api, u"admin.deleteSensitiveWord"_s, input);
        if (!self)
            co_return;
        m_reload.record(ListReload<SensitiveWord>::removal(word.id));
        const qsizetype before = m_words.size();
        for (qsizetype row = m_words.size() - 1; row >= 0; --row) {
            if (m_words.at(row).id != word.id)
                continue;
            Q_EMIT wordAboutToBeRemoved(int(row));
            m_words.removeAt(row);
            Q_EMIT wordRemoved();
        }
        if (m_words.size() != before)
            Q_EMIT totalChanged();
    } catch (const std::exception& error) {
        if (!self)
            co_return;
        setError("admin.words_delete_failed", error);
        failed = true;
    }
    m_deleting.remove(word.id);
    Q_EMIT deletingChanged(word.id);
    // The list may have changed on the server in ways a failed call cannot tell.
    if (failed)
        co_await loadWords();
}

void SensitiveWordsViewModel::setError(const char* key, const std::exception& error)
{
    m_errorMessage = LocalizationManager::shared().localizedString(QString::fromLatin1(key)) + errorDescription(error);
    Q_EMIT errorMessageChanged();
}

void SensitiveWordsViewModel::setIsAdding(bool adding)
{
    if (m_isAdding == adding)
        return;
    m_isAdding = adding;
    Q_EMIT isAddingChanged();
}
