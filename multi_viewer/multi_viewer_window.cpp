#include "multi_viewer_window.h"

TMulti_Viewer::TMulti_Viewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Multi Viewer"));
    resize(640, 480);  // client area at creation
}
