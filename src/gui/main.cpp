// kesta-z7: the mouse's configuration program.
#include <QApplication>

#include "gui/app/kesta_app.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kesta-z7"));
    QStringList args = QApplication::arguments();
    args.removeFirst();
    return z7::CKestaApp().Run(args);
}
