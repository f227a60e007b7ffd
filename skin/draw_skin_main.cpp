// Paints every skin file from the layout table into a folder:
//   z7-skin-draw <output folder>
#include <QApplication>
#include <QDir>
#include <cstdio>

#include "gui/ui/skin_layout.h"
#include "sheet_painter.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: z7-skin-draw <output folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    int failures = 0;
    for (const char* name : z7::SkinFileNames()) {
        const QString fileName = QString::fromUtf8(name);
        const QImage image = z7::PaintSkinFile(fileName);
        if (image.isNull() || !image.save(out.filePath(fileName), "PNG", 9)) {
            std::fprintf(stderr, "failed: %s\n", name);
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
