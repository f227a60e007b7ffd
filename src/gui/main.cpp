// kesta-z7: the mouse's configuration program.
#include "gui/app/kesta_app.h"

int main(int argc, char** argv) {
    return z7::CKestaApp().Main(argc, argv);
}
