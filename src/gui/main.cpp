// kesta-z7: the mouse's configuration program.
#include "gui/app/application.h"

int main(int argc, char** argv) {
    return z7::Application().Main(argc, argv);
}
