#pragma once

// The sensitive-word list the administrators keep: a word with a category, a level,
// a replacement and an active flag. Words that differ only in letter case are one word.

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <optional>

class Database;

struct NewSensitiveWord {
    QString word;
    QString category;
    std::optional<QString> level;
    std::optional<QString> replacement;
};

class SensitiveWords {
public:
    static constexpr int kMaxWord = 100;
    static constexpr int kMaxCategory = 32;

    explicit SensitiveWords(Database& db);

    // Every word, oldest first.
    QJsonArray list();
    // Stores the trimmed word and returns its record; a blank word is a ServerError 400,
    // one already listed a 409.
    QJsonObject add(const NewSensitiveWord& entry);
    // Throws ServerError 404 for an unknown id.
    void remove(qint64 id);

private:
    QJsonObject wordJson(qint64 id);

    Database& m_db;
};
