#include "application.h"
#include "main_windows.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);  // takes Qt's own options out of argv
    // The first argument, if any, names a file among the frames the Object Viewer turns.
    return RunLumivex(app, argc > 1 ? argv[1] : "");
}
