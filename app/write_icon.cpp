// Build tool: writes the application icon drawn by the program as PNG files for the desktop's
// icon theme, lumivex_<size>.png in the folder given as the only argument.
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <cstdio>

#include "pictures.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int size : {48, 64, 128, 256}) {
        const QString path = QStringLiteral("%1/lumivex_%2.png").arg(folder).arg(size);
        if (!DrawAppIconImage(size).save(path, "PNG")) {
            std::fprintf(stderr, "%s: cannot write\n", path.toLocal8Bit().constData());
            return 1;
        }
    }
    return 0;
}
