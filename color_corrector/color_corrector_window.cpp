#include "color_corrector_window.h"

TColor_Corrector::TColor_Corrector(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Lumivex Color Corrector"));
    resize(1044, 618);  // client area at creation
}
