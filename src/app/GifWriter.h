// GIF output through giflib: the picture is reduced to an adaptive palette
// of at most 256 colours, then encoded.
#pragma once

#include <QString>

class QImage;
class QIODevice;

// Writes image to device as a GIF. Returns an empty string on success, else
// what went wrong.
QString WriteGif(const QImage& image, QIODevice& device);
