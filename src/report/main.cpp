// Entry point of korvcmp-report.
#include "report/report_run.h"

int main(int argc, char** argv) {
    return korvcmp::reportMain(argc - 1, argv + 1);
}
