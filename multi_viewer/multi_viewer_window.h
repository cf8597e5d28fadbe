#pragma once
#include <QWidget>

// Placeholder: the window's title and size are final; its controls and behaviour come with
// the Multi Viewer work that fills this file.
class TMulti_Viewer : public QWidget {
    Q_OBJECT
public:
    explicit TMulti_Viewer(QWidget* parent = nullptr);
};
