#pragma once

#include "models/SensitiveWord.h"
#include "state/admin/Tint.h"
#include "state/common/ListReload.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

class APIClient;

// The sensitive-word list: read whole, filtered locally, extended one word at a
// time and pruned. The add sheet keeps its word until the server stored it. A
// read that was on its way when a word was added or deleted keeps that word in
// or out of the list; of two reads, the later one's answer is shown.
class SensitiveWordsViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    Q_PROPERTY(QString newWord READ newWord WRITE setNewWord NOTIFY newWordChanged)
    Q_PROPERTY(QString newCategory READ newCategory WRITE setNewCategory NOTIFY newCategoryChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(bool isAdding READ isAdding NOTIFY isAddingChanged)
    Q_PROPERTY(QString errorMessage READ errorText NOTIFY errorMessageChanged)

public:
    // The categories the add sheet offers, in its order.
    static const QStringList& categories();

    explicit SensitiveWordsViewModel(APIClient& api, QObject* parent = nullptr);

    const QList<SensitiveWord>& words() const { return m_words; }
    // The header's count: every word, whatever the filter shows. totalChanged()
    // comes once the list holds its new words, never while a row is announced.
    qsizetype total() const { return m_words.size(); }
    QString searchText() const { return m_searchText; }
    void setSearchText(const QString& text);
    QString newWord() const { return m_newWord; }
    void setNewWord(const QString& text);
    QString newCategory() const { return m_newCategory; }
    void setNewCategory(const QString& category);
    // The sheet's add button: a word that is not blank, and no add in flight.
    bool canAdd() const { return !m_isAdding && !m_newWord.trimmed().isEmpty(); }
    bool isLoading() const { return m_isLoading; }
    bool isAdding() const { return m_isAdding; }
    // A delete of that word is on its way; pressing delete again sends nothing.
    bool isDeleting(qint64 id) const { return m_deleting.contains(id); }
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    QString errorText() const { return m_errorMessage.value_or(QString()); }
    void clearError();

    // A word or raw category that contains search, ignoring case; an empty search
    // keeps everything, blanks are searched for as typed.
    static bool matches(const SensitiveWord& word, const QString& search);
    // The same test with both sides case-folded ahead, for filtering many words
    // on every keystroke.
    struct SearchKey {
        QString word;
        QString category;
    };
    static SearchKey searchKey(const SensitiveWord& word);
    static bool matches(const SearchKey& key, const QString& foldedSearch);
    static QString categoryLabel(const std::optional<QString>& category);
    static Tint categoryColor(const std::optional<QString>& category);

    // None of these throws.
    QCoro::Task<> loadWords();
    // True when the server stored the word (the sheet then closes); a blank word
    // sends nothing.
    QCoro::Task<bool> addWord();
    QCoro::Task<> deleteWord(SensitiveWord word);

Q_SIGNALS:
    // The list changes in the steps an item model announces, so a table over it
    // redraws only the rows a change touches: the whole list when it is read,
    // one row at the end when a word is added, one row per removed entry.
    void wordsAboutToBeReset();
    void wordsChanged();
    void wordAboutToBeAppended();
    void wordAppended();
    void wordAboutToBeRemoved(int row);
    void wordRemoved();
    void totalChanged();
    void searchTextChanged();
    void newWordChanged();
    void newCategoryChanged();
    void isLoadingChanged();
    void isAddingChanged();
    void deletingChanged(qint64 id);
    void errorMessageChanged();

private:
    void setError(const char* key, const std::exception& error);
    void setIsAdding(bool adding);

    APIClient& m_api;
    QList<SensitiveWord> m_words;
    QString m_searchText;
    QString m_newWord;
    QString m_newCategory = QStringLiteral("spam");
    bool m_isLoading = true;
    bool m_isAdding = false;
    QSet<qint64> m_deleting;
    std::optional<QString> m_errorMessage;
    ListReload<SensitiveWord> m_reload;
};
