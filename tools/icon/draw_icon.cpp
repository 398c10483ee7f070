// Draws Brak's program icon as PNG files for the desktop's icon theme.
// Usage: draw_icon <output directory> <size>...
// Writes <output directory>/<size>x<size>/apps/brak.png for every size.
#include "view/BrakIcon.h"

#include <QDir>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: draw_icon <output directory> <size>...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 8 || size > 1024) {
            std::fprintf(stderr, "draw_icon: %s is not an icon size\n", argv[i]);
            return 2;
        }
        const QString folder =
            QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (!QDir().mkpath(folder) ||
            !brak::drawBrakIcon(size).save(folder + QStringLiteral("/brak.png"), "PNG")) {
            std::fprintf(stderr, "draw_icon: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
