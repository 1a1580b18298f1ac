#include "store/AdminSchema.h"

QStringList adminSchema()
{
    return {
        QStringLiteral("ALTER TABLE users ADD COLUMN is_banned INTEGER NOT NULL DEFAULT 0"),
        QStringLiteral("ALTER TABLE chat_groups ADD COLUMN is_active INTEGER NOT NULL DEFAULT 1"),
        QStringLiteral("ALTER TABLE chat_groups ADD COLUMN dissolved_at TEXT"),
        QStringLiteral("ALTER TABLE messages ADD COLUMN deleted_at TEXT"),
        QStringLiteral("CREATE TABLE sensitive_words ("
                       " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                       " word TEXT NOT NULL,"
                       // The case-folded word: two words that differ only in case are one word.
                       " folded TEXT NOT NULL UNIQUE,"
                       " category TEXT, level TEXT, replacement TEXT,"
                       " is_active INTEGER NOT NULL DEFAULT 1,"
                       " created_at TEXT NOT NULL)"),
        QStringLiteral("CREATE TABLE system_config ("
                       " id INTEGER PRIMARY KEY CHECK (id = 1),"
                       " max_group_members INTEGER NOT NULL,"
                       " message_retention_days INTEGER NOT NULL,"
                       " screenshot_protection INTEGER NOT NULL,"
                       " allow_registration INTEGER NOT NULL)"),
        QStringLiteral("INSERT INTO system_config VALUES (1, 500, 365, 0, 1)"),
        QStringLiteral("CREATE TABLE service_sessions ("
                       " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                       " customer_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,"
                       " operator_id INTEGER REFERENCES users(id) ON DELETE SET NULL,"
                       " status TEXT NOT NULL CHECK (status IN ('waiting', 'active', 'ended')),"
                       " last_message TEXT, rating INTEGER,"
                       " created_at TEXT NOT NULL, accepted_at TEXT, first_reply_at TEXT, ended_at TEXT)"),
        QStringLiteral("CREATE INDEX service_sessions_status ON service_sessions(status, operator_id)"),
    };
}
