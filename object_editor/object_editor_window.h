#pragma once
#include <QWidget>

// Placeholder: the window's title and size are final; its controls and behaviour come with
// the Object Editor work that fills this file.
class TObject_Editor : public QWidget {
    Q_OBJECT
public:
    explicit TObject_Editor(QWidget* parent = nullptr);
};
