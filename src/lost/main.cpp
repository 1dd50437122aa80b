// Entry point of korvcmp-lost.
#include "lost/lost_run.h"

int main(int argc, char** argv) {
    return korvcmp::lostMain(argc - 1, argv + 1);
}
