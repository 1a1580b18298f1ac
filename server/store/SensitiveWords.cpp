#include "store/SensitiveWords.h"

#include "http/ServerError.h"
#include "store/Database.h"
#include "store/RowJson.h"
#include "store/TextRules.h"
#include "WireTime.h"

#include <QSqlQuery>


SensitiveWords::SensitiveWords(Database& db)
    : m_db(db)
{
}

QJsonArray SensitiveWords::list()
{
    QJsonArray words;
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT id FROM sensitive_words ORDER BY id"));
    QList<qint64> ids;
    while (query.next())
        ids.append(query.value(0).toLongLong());
    for (const qint64 id : ids)
        words.append(wordJson(id));
    return words;
}

QJsonObject SensitiveWords::wordJson(qint64 id)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT id, word, category, level, replacement, is_active FROM sensitive_words WHERE id = ?"), { id });
    QJsonObject word;
    if (!query.next())
        return word;
    word.insert(QLatin1StringView("id"), query.value(0).toLongLong());
    word.insert(QLatin1StringView("word"), query.value(1).toString());
    rowjson::putText(word, QLatin1StringView("category"), query.value(2));
    rowjson::putText(word, QLatin1StringView("level"), query.value(3));
    rowjson::putText(word, QLatin1StringView("replacement"), query.value(4));
    word.insert(QLatin1StringView("isActive"), query.value(5).toInt() != 0);
    return word;
}

QJsonObject SensitiveWords::add(const NewSensitiveWord& entry)
{
    const std::optional<QString> checkedWord = textrules::optional(entry.word, kMaxWord, Text::NounWord);
    if (!checkedWord)
        throw ServerError::badRequest(Text::WordBlank);
    const QString word = *checkedWord;
    const std::optional<QString> category = textrules::optional(entry.category, kMaxCategory, Text::NounCategory);
    const QString folded = word.toCaseFolded();
    if (m_db.scalar(QStringLiteral("SELECT 1 FROM sensitive_words WHERE folded = ?"), { folded }).isValid())
        throw ServerError::conflict(Text::WordExists, word);
    const qint64 id = m_db.insert(QStringLiteral("INSERT INTO sensitive_words (word, folded, category, level, replacement, created_at)"
                                                 " VALUES (?, ?, ?, ?, ?, ?)"),
        { word, folded, rowjson::orNull(category), rowjson::orNull(entry.level),
          rowjson::orNull(entry.replacement), wiretime::now() });
    return wordJson(id);
}

void SensitiveWords::remove(qint64 id)
{
    QSqlQuery query = m_db.exec(QStringLiteral("DELETE FROM sensitive_words WHERE id = ?"), { id });
    if (query.numRowsAffected() == 0)
        throw ServerError::notFound(Text::WordNotFound);
}
