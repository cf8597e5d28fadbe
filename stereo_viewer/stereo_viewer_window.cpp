#include "stereo_viewer_window.h"

TStereo_Viewer::TStereo_Viewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle("Stereo Photo Viewer");
    move(0, 0);
    resize(607, 478);
}
