#include "object_editor_window.h"

TObject_Editor::TObject_Editor(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Lumivex Photo Object Editor"));
    resize(800, 636);  // client area at creation
}
