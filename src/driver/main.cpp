// Entry point of korvcmp.
#include "driver/run.h"

int main(int argc, char** argv) {
    return korvcmp::korvcmpMain(argc, argv);
}
