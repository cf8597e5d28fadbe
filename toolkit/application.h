#pragma once
#include <QApplication>

// The application object: any exception that escapes an event handler is shown in the error
// box with its message (an empty message for a non-standard exception) and the program goes on.
// While a text field has the focus, the standard editing keys (Ctrl+A, C, V, X, Z) edit its
// text; menu commands on those keys act when the focus is elsewhere.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows the error box for the exception being handled; call from a catch block.
void ShowCurrentException();
