#include "application.h"

#include <QAbstractSpinBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <clocale>
#include <exception>

#include "dialogs.h"

namespace {

// Select all, copy, paste, cut, undo and redo belong to the text field that has the focus, as
// in every desktop program; a menu command on the same key acts while the focus is elsewhere.
// Qt leaves a field's claim to its own ShortcutOverride handling, which a window's filter can
// overrule and which read-only fields do not make, so the application settles it first. A
// read-only field keeps only the keys that mean something there: select all and copy.
bool TextFieldKeepsKey(QObject* receiver, const QKeyEvent& key) {
    bool readOnly = false;
    if (auto* line = qobject_cast<QLineEdit*>(receiver)) readOnly = line->isReadOnly();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(receiver)) readOnly = plain->isReadOnly();
    else if (auto* rich = qobject_cast<QTextEdit*>(receiver)) readOnly = rich->isReadOnly();
    else if (auto* spin = qobject_cast<QAbstractSpinBox*>(receiver)) readOnly = spin->isReadOnly();
    else return false;
    if (key.matches(QKeySequence::SelectAll) || key.matches(QKeySequence::Copy)) return true;
    return !readOnly && (key.matches(QKeySequence::Paste) || key.matches(QKeySequence::Cut) ||
                         key.matches(QKeySequence::Undo) || key.matches(QKeySequence::Redo));
}

}  // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // Qt adopts the desktop's locale for the C library; numbers in status texts and in the
    // files the tools write and read keep a decimal point whatever the desktop uses.
    std::setlocale(LC_NUMERIC, "C");
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    const DialogOwnerScope owner(receiver);  // a box shown meanwhile stands over its window
    if (event->type() == QEvent::ShortcutOverride &&
        TextFieldKeepsKey(receiver, *static_cast<QKeyEvent*>(event))) {
        event->accept();  // the key comes to the field as a key press, not to a shortcut
        return true;
    }
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
