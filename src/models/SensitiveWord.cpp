#include "models/SensitiveWord.h"

using namespace Qt::StringLiterals;

SensitiveWord SensitiveWord::read(const json::Reader& r)
{
    SensitiveWord v;
    v.id = r.required<qint64>("id"_L1);
    v.word = r.required<QString>("word"_L1);
    v.category = r.optional<QString>("category"_L1);
    v.level = r.optional<QString>("level"_L1);
    v.replacement = r.optional<QString>("replacement"_L1);
    v.isActive = r.optional<bool>("isActive"_L1);
    return v;
}

void SensitiveWord::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.required("word"_L1, word);
    w.optional("category"_L1, category);
    w.optional("level"_L1, level);
    w.optional("replacement"_L1, replacement);
    w.optional("isActive"_L1, isActive);
}
