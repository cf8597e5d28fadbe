#include "panorama_viewer_window.h"

TPanorama_Viewer::TPanorama_Viewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle("Panorama Viewer");
    move(0, 0);
    resize(640, 480);
}
