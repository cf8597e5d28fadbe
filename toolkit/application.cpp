#include "application.h"

#include <clocale>
#include <exception>

#include "dialogs.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // Qt adopts the desktop's locale for the C library; numbers in status texts and in the
    // files the tools write and read keep a decimal point whatever the desktop uses.
    std::setlocale(LC_NUMERIC, "C");
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    const DialogOwnerScope owner(receiver);  // a box shown meanwhile stands over its window
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        // The command that threw ends here; the program carries on with its next event.
        ShowCurrentException();
        return false;
    }
}

void ShowCurrentException() {
    try {
        throw;
    } catch (const std::exception& e) {
        ShowErrorBox(e.what());
    } catch (...) {
        ShowErrorBox(std::string());
    }
}
