#include "real_file_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include "dialog_filter.h"

namespace {

// Answers the dialog once it is up; tries again on the next turn of the event loop until then.
void AnswerWhenShown(int pick, const QString& name, int triesLeft) {
    QTimer::singleShot(10, [=] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            if (triesLeft > 0) AnswerWhenShown(pick, name, triesLeft - 1);
            else ADD_FAILURE() << "the file dialog did not come up";
            return;
        }
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!types || !edit) {
            ADD_FAILURE() << "the file dialog has no file type list or name field";
            dialog->reject();
            return;
        }
        types->setCurrentIndex(pick);
        emit types->activated(pick);  // as a click in the list
        edit->setText(name);
        QMetaObject::invokeMethod(dialog, "accept");  // the Save or Open button
    });
}

}  // namespace

RealDialogs::RealDialogs() : script_(SetDialogDriver(nullptr)) {}

RealDialogs::~RealDialogs() { SetDialogDriver(script_); }

void RealDialogs::AnswerFile(int pick, const std::string& name) {
    AnswerWhenShown(pick, QString::fromStdString(name), 100);
}

FileDialogRequest RunRealFileDialog(FileDialogKind kind, const std::string& filter, int pick,
                                    const std::string& name) {
    RealDialogs real;
    FileDialogRequest request;
    request.kind = kind;
    request.filter = filter;
    request.filterIndex = 1;
    real.AnswerFile(pick, name);
    if (!CurrentDialogDriver().ExecuteFileDialog(request)) request.fileName.clear();
    return request;
}

void ExpectEveryFilterComesBack(FileDialogKind kind, const std::string& filter,
                                const std::string& name) {
    const int count = static_cast<int>(ParseDialogFilter(filter).size());
    ASSERT_GT(count, 0) << filter;
    for (int pick = 0; pick < count; ++pick) {
        const FileDialogRequest answer = RunRealFileDialog(kind, filter, pick, name);
        EXPECT_FALSE(answer.fileName.empty()) << filter << " #" << pick;
        EXPECT_EQ(answer.filterIndex, pick + 1) << filter << " #" << pick;
    }
}
