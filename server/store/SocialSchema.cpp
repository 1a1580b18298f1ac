#include "store/SocialSchema.h"

QStringList socialSchema()
{
    return {
        QStringLiteral("ALTER TABLE sessions ADD COLUMN device_id TEXT"),
        QStringLiteral("CREATE INDEX sessions_device ON sessions(user_id, device_id)"),
        QStringLiteral("CREATE TABLE friend_requests ("
                       " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                       " from_user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,"
                       " to_user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,"
                       " message TEXT, status TEXT NOT NULL DEFAULT 'pending',"
                       " created_at TEXT NOT NULL, answered_at TEXT)"),
        QStringLiteral("CREATE INDEX friend_requests_to ON friend_requests(to_user_id, status)"),
        QStringLiteral("CREATE TABLE user_reports ("
                       " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                       " reporter_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,"
                       " user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,"
                       " reason TEXT NOT NULL, description TEXT, created_at TEXT NOT NULL)"),
        QStringLiteral("CREATE TABLE group_roles ("
                       " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                       " group_id INTEGER NOT NULL REFERENCES chat_groups(id) ON DELETE CASCADE,"
                       " name TEXT NOT NULL, color TEXT, permissions TEXT NOT NULL,"
                       " created_at TEXT NOT NULL, updated_at TEXT NOT NULL)"),
        QStringLiteral("CREATE TABLE group_role_members ("
                       " role_id INTEGER NOT NULL REFERENCES group_roles(id) ON DELETE CASCADE,"
                       " user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,"
                       " assigned_at TEXT NOT NULL,"
                       " PRIMARY KEY (role_id, user_id))"),
        QStringLiteral("CREATE TABLE moments ("
                       " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                       " user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,"
                       " content TEXT NOT NULL, images TEXT, visibility TEXT NOT NULL, location TEXT,"
                       " created_at TEXT NOT NULL)"),
        QStringLiteral("CREATE INDEX moments_user ON moments(user_id)"),
        QStringLiteral("CREATE TABLE moment_likes ("
                       " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                       " moment_id INTEGER NOT NULL REFERENCES moments(id) ON DELETE CASCADE,"
                       " user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,"
                       " created_at TEXT NOT NULL,"
                       " UNIQUE (moment_id, user_id))"),
        QStringLiteral("CREATE TABLE moment_comments ("
                       " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                       " moment_id INTEGER NOT NULL REFERENCES moments(id) ON DELETE CASCADE,"
                       " user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,"
                       " content TEXT NOT NULL, reply_to_id INTEGER, created_at TEXT NOT NULL)"),
        QStringLiteral("CREATE INDEX moment_comments_moment ON moment_comments(moment_id)"),
        QStringLiteral("CREATE TABLE favorites ("
                       " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                       " user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,"
                       " message_id INTEGER NOT NULL REFERENCES messages(id) ON DELETE CASCADE,"
                       " note TEXT, created_at TEXT NOT NULL,"
                       " UNIQUE (user_id, message_id))"),
        QStringLiteral("CREATE TABLE gifts ("
                       " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                       " name TEXT NOT NULL, icon TEXT, price REAL NOT NULL, category TEXT NOT NULL,"
                       " is_active INTEGER NOT NULL DEFAULT 1)"),
        QStringLiteral("INSERT INTO gifts (name, price, category, is_active) VALUES"
                       " ('玫瑰 Rose', 1, 'classic', 1), ('咖啡 Coffee', 5, 'classic', 1),"
                       " ('蛋糕 Cake', 20, 'celebration', 1), ('烟花 Fireworks', 99, 'celebration', 1),"
                       " ('火箭 Rocket', 520, 'luxury', 1), ('跑车 Sports car', 1314, 'luxury', 0)"),
        QStringLiteral("CREATE TABLE vip_levels ("
                       " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                       " name TEXT NOT NULL, level INTEGER NOT NULL UNIQUE, price REAL NOT NULL,"
                       " benefits TEXT NOT NULL, icon TEXT)"),
        QStringLiteral("INSERT INTO vip_levels (name, level, price, benefits) VALUES"
                       " ('白银 Silver', 1, 15, '[\"专属徽章 Exclusive badge\",\"大文件上传 Larger uploads\"]'),"
                       " ('黄金 Gold', 2, 30, '[\"专属徽章 Exclusive badge\",\"大文件上传 Larger uploads\",\"更多表情 More stickers\"]'),"
                       " ('钻石 Diamond', 3, 68, '[\"专属徽章 Exclusive badge\",\"大文件上传 Larger uploads\",\"更多表情 More stickers\",\"优先客服 Priority support\"]')"),
        QStringLiteral("CREATE TABLE vip_memberships ("
                       " user_id INTEGER PRIMARY KEY REFERENCES users(id) ON DELETE CASCADE,"
                       " level INTEGER NOT NULL REFERENCES vip_levels(level),"
                       " expires_at TEXT NOT NULL, auto_renew INTEGER NOT NULL DEFAULT 0)"),
        QStringLiteral("CREATE TABLE mfa ("
                       " user_id INTEGER PRIMARY KEY REFERENCES users(id) ON DELETE CASCADE,"
                       " secret TEXT NOT NULL, enabled INTEGER NOT NULL DEFAULT 0,"
                       " last_step INTEGER NOT NULL DEFAULT 0,"
                       " created_at TEXT NOT NULL, enabled_at TEXT)"),
        QStringLiteral("CREATE TABLE mfa_backup_codes ("
                       " user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,"
                       " code_hash TEXT NOT NULL, used_at TEXT,"
                       " PRIMARY KEY (user_id, code_hash))"),
    };
}
