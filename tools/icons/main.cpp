// pixquarry-icons OUTDIR: the window's icon as PNG files for the desktop's
// icon theme, OUTDIR/SIZExSIZE/apps/pixquarry.png, made from the one drawing
// the window itself uses.

#include <QDir>
#include <QImage>

#include <cstdio>

#include "gui/PixquarryIcon.xpm.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: pixquarry-icons OUTDIR\n", stderr);
        return 2;
    }
    const QImage drawing(kPixquarryIcon);
    if (drawing.isNull() || drawing.width() != drawing.height()) {
        std::fputs("pixquarry-icons: the drawing did not load\n", stderr);
        return 1;
    }
    const int side = drawing.width();
    for (const int size : {16, 32, 48, 64, 128}) {
        // The drawing is pixel art: grow it by whole steps so its pixels stay
        // square and sharp, then shrink smoothly to sizes between the steps.
        const int step = (size + side - 1) / side;
        QImage image =
            drawing.scaled(side * step, side * step, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        if (image.width() != size)
            image = image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QString folder =
            QString("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (!QDir().mkpath(folder) || !image.save(folder + "/pixquarry.png", "PNG")) {
            std::fprintf(stderr, "pixquarry-icons: cannot write %s/pixquarry.png\n",
                         qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
