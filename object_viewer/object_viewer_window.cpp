#include "object_viewer_window.h"

TObject_Viewer::TObject_Viewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Photo Object Viewer"));
    resize(807, 619);  // client area at creation
}
