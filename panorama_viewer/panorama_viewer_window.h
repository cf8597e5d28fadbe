#pragma once
#include <QWidget>

// Placeholder until the window is built.
class TPanorama_Viewer : public QWidget {
    Q_OBJECT
public:
    explicit TPanorama_Viewer(QWidget* parent = nullptr);
};
