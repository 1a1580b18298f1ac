#pragma once

// A picture as the server would send it: the bytes of a PNG file.

#include <QBuffer>
#include <QByteArray>
#include <QImage>

inline QByteArray pngBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}
