#pragma once

#include <QString>

#include <optional>

class APIClient;
namespace json {
class Reader;
class Writer;
}

struct Sticker {
    qint64 id = 0;
    qint64 packId = 0;
    std::optional<QString> url;
    std::optional<QString> emoji;
    std::optional<QString> name;

    static Sticker read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};

struct StickerPack {
    qint64 id = 0;
    std::optional<QString> name;
    std::optional<QString> icon;
    std::optional<QString> author;
    std::optional<qint64> stickerCount;

    static StickerPack read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};

// Stickers have no server procedure yet: the service offers nothing.
class StickerService final {
public:
    explicit StickerService(APIClient& api)
        : api(api)
    {
    }

    APIClient& api;
};
