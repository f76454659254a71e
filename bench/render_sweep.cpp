// Draws one full sweep of synthetic pings into the image and writes the used
// part as a PNG, to look at the picture by eye: a ring of strong echo at half
// range, a bright spoke at head angle 0 (should point up), a weaker spoke at
// 90 (should point right) and the profile points on a circle at 0.6 of the
// range.
#include <QImage>

#include <cstdio>

#include "doc/PingBinding.h"

int main(int argc, char** argv) {
    const char* out = argc > 1 ? argv[1] : "sweep.png";
    CTubescanDoc doc;
    doc.Frame().m_imageWidth = kImageSize;
    doc.Frame().m_imageHeight = kImageSize;
    doc.Frame().m_image.assign(static_cast<std::size_t>(kImageSize) * kImageSize * 3, 0);
    doc.Settings().m_profileDispMode = 2;
    doc.Settings().m_pointSize = 1;
    PingWorkspace ws = DocumentWorkspace(doc);
    for (int position = 0; position < 1200; position += 3) {
        auto& h = doc.Frame().m_reply.header;
        h = {};
        h[0] = 'I';
        h[1] = 'M';
        h[2] = 'X';
        h[5] = static_cast<std::uint8_t>(position & 0x7F);
        h[6] = static_cast<std::uint8_t>(((position >> 7) & 0x3F) | 0x40);
        h[7] = 10;
        const int profile = 1200; // 0.6 m in 0.5 mm units
        h[8] = profile & 0x7F;
        h[9] = profile >> 7;
        auto& s = doc.Frame().m_reply.samples;
        s.fill(0);
        for (int i = 0; i < 250; ++i)
            s[i] = static_cast<std::uint8_t>(i / 4);
        for (int i = 120; i < 130; ++i)
            s[i] = 200;
        if (position >= 594 && position <= 606)
            for (int i = 0; i < 250; ++i)
                s[i] = 255;
        if (position >= 894 && position <= 906)
            for (int i = 0; i < 250; ++i)
                s[i] = 90;
        ProcessPing(doc, ws);
    }
    const QImage image(doc.Frame().m_image.data(), kImageSize, kImageSize, kImageSize * 3,
                       QImage::Format_BGR888);
    if (!image.copy(0, 0, 500, 500).save(out)) {
        std::fprintf(stderr, "could not write %s\n", out);
        return 1;
    }
    return 0;
}
