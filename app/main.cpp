#include "application.h"
#include "main_windows.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    return RunLumivex(app);
}
