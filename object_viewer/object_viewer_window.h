#pragma once
#include <QWidget>

// Placeholder: the window's title and size are final; its controls and behaviour come with
// the Object Viewer work that fills this file.
class TObject_Viewer : public QWidget {
    Q_OBJECT
public:
    explicit TObject_Viewer(QWidget* parent = nullptr);
};
