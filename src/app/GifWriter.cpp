#include "app/GifWriter.h"

#include <memory>
#include <vector>

#include <QIODevice>
#include <QImage>

#include <gif_lib.h>

namespace {

int WriteToDevice(GifFileType* gif, const GifByteType* bytes, int length) {
    auto* device = static_cast<QIODevice*>(gif->UserData);
    const qint64 written = device->write(reinterpret_cast<const char*>(bytes), length);
    return written < 0 ? 0 : static_cast<int>(written);
}

QString GifError(const char* step, int code) {
    const char* text = GifErrorString(code);
    return QStringLiteral("GIF %1 failed: %2")
        .arg(QString::fromLatin1(step), text ? QString::fromLatin1(text) : QString::number(code));
}

struct MapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

} // namespace

QString WriteGif(const QImage& image, QIODevice& device) {
    if (image.isNull()) return QStringLiteral("there is no picture to write");
    // A GIF stores its sizes in 16 bits.
    if (image.width() > 0xFFFF || image.height() > 0xFFFF)
        return QStringLiteral("the picture is too large for a GIF file");
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const auto width = static_cast<unsigned>(rgb.width());
    const auto height = static_cast<unsigned>(rgb.height());
    const std::size_t count = std::size_t{width} * height;

    std::vector<GifByteType> red(count), green(count), blue(count), indices(count);
    for (unsigned y = 0; y < height; ++y) {
        const uchar* line = rgb.constScanLine(static_cast<int>(y));
        for (unsigned x = 0; x < width; ++x) {
            const std::size_t i = std::size_t{y} * width + x;
            red[i] = line[3 * x];
            green[i] = line[3 * x + 1];
            blue[i] = line[3 * x + 2];
        }
    }
    GifColorType palette[256] = {};
    int paletteSize = 256;
    if (GifQuantizeBuffer(width, height, &paletteSize, red.data(), green.data(), blue.data(),
                          indices.data(), palette) != GIF_OK)
        return QStringLiteral("the picture could not be reduced to 256 colours");
    // The colour table always has 256 entries (a power of two); unused ones stay black.
    std::unique_ptr<ColorMapObject, MapDeleter> map(GifMakeMapObject(256, palette));
    if (!map) return QStringLiteral("out of memory for the GIF colour table");

    int error = 0;
    GifFileType* gif = EGifOpen(&device, WriteToDevice, &error);
    if (!gif) return GifError("open", error);
    QString failure;
    if (EGifPutScreenDesc(gif, rgb.width(), rgb.height(), 8, 0, map.get()) != GIF_OK)
        failure = GifError("header", gif->Error);
    else if (EGifPutImageDesc(gif, 0, 0, rgb.width(), rgb.height(), false, nullptr) != GIF_OK)
        failure = GifError("image header", gif->Error);
    for (unsigned y = 0; failure.isEmpty() && y < height; ++y)
        if (EGifPutLine(gif, indices.data() + std::size_t{y} * width, rgb.width()) != GIF_OK)
            failure = GifError("write", gif->Error);
    // Closing writes the trailer and frees the handle, also after a failure.
    if (EGifCloseFile(gif, &error) != GIF_OK && failure.isEmpty())
        failure = GifError("close", error);
    return failure;
}
