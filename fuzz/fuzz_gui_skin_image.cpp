// Skin sheets are files beside the program that anyone can replace.
#include <QGuiApplication>
#include <cstdint>

#include "gui/ui/skin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
    const QImage image = z7::DecodeSkinImage(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (!image.isNull()) (void)image.copy(0, 0, 4, 4);
    return 0;
}
