#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// Where a picture named by the server (a moment's image, a gift's icon) is
// fetched from. The server hands out its own uploads as paths ("/uploads/…"),
// which only mean something under the API's base address; anything that is not
// an http or https address afterwards is not fetched at all.
namespace PictureAddress {

// The address to load, or an invalid URL when there is nothing loadable.
QUrl resolve(const std::optional<QString>& address, const QString& apiBaseUrl);

} // namespace PictureAddress
