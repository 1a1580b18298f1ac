#include "services/StickerService.h"

#include "models/Json.h"

using namespace Qt::Literals::StringLiterals;

Sticker Sticker::read(const json::Reader& r)
{
    return Sticker {
        r.required<qint64>("id"_L1),
        r.required<qint64>("packId"_L1),
        r.optional<QString>("url"_L1),
        r.optional<QString>("emoji"_L1),
        r.optional<QString>("name"_L1),
    };
}

void Sticker::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.required("packId"_L1, packId);
    w.optional("url"_L1, url);
    w.optional("emoji"_L1, emoji);
    w.optional("name"_L1, name);
}

StickerPack StickerPack::read(const json::Reader& r)
{
    return StickerPack {
        r.required<qint64>("id"_L1),
        r.optional<QString>("name"_L1),
        r.optional<QString>("icon"_L1),
        r.optional<QString>("author"_L1),
        r.optional<qint64>("stickerCount"_L1),
    };
}

void StickerPack::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.optional("name"_L1, name);
    w.optional("icon"_L1, icon);
    w.optional("author"_L1, author);
    w.optional("stickerCount"_L1, stickerCount);
}
