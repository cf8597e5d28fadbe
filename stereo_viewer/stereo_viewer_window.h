#pragma once
#include <QWidget>

// Placeholder until the window is built.
class TStereo_Viewer : public QWidget {
    Q_OBJECT
public:
    explicit TStereo_Viewer(QWidget* parent = nullptr);
};
