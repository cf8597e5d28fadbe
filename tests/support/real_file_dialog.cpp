#include "real_file_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include "dialog_filter.h"

RealDialogs::RealDialogs() : script_(SetDialogDriver(nullptr)) {}

RealDialogs::~RealDialogs() { SetDialogDriver(script_); }

namespace {
// Answers the dialog once it is up, looking again every 10 ms for two seconds.
void AnswerWhenShown(int pick, const QString& name, int triesLeft) {
    QTimer::singleShot(10, [=] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* types = dialog ? dialog->findChild<QComboBox*>("fileTypeCombo") : nullptr;
        auto* edit = dialog ? dialog->findChild<QLineEdit*>("fileNameEdit") : nullptr;
        if (!types || !edit) {
            if (triesLeft > 0) AnswerWhenShown(pick, name, triesLeft - 1);
            return;
        }
        types->setCurrentIndex(pick);
        emit types->activated(pick);  // as a click in the list
        edit->setText(name);
        QMetaObject::invokeMethod(dialog, "accept");  // the Save or Open button
    });
}
}  // namespace

void RealDialogs::AnswerFile(int pick, const std::string& name) {
    AnswerWhenShown(pick, QString::fromStdString(name), 200);
}

void ExpectEveryFilterComesBack(FileDialogKind kind, const std::string& filter,
                                const std::string& name) {
    const int count = static_cast<int>(ParseDialogFilter(filter).size());
    ASSERT_GT(count, 0) << filter;
    for (int pick = 0; pick < count; ++pick) {
        RealDialogs real;
        FileDialogRequest request;
        request.kind = kind;
        request.filter = filter;
        real.AnswerFile(pick, name);
        EXPECT_TRUE(CurrentDialogDriver().ExecuteFileDialog(request)) << filter << " #" << pick;
        EXPECT_EQ(request.filterIndex, pick + 1) << filter << " #" << pick;
    }
}
