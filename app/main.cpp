#include "app/program.h"

int main(int argc, char **argv) {
    return kadrolin::app::ProgramMain(argc, argv);
}
