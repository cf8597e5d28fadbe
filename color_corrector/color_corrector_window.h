#pragma once
#include <QWidget>

// Placeholder: the window's title and size are final; its controls and behaviour come with
// the Color Corrector work that fills this file.
class TColor_Corrector : public QWidget {
    Q_OBJECT
public:
    explicit TColor_Corrector(QWidget* parent = nullptr);
};
