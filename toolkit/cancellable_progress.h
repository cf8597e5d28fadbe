#pragma once
#include <QObject>

#include "progress.h"

class QAbstractButton;
class TProgressBar;

// Drives a TProgressBar from a core's Progress reports and keeps the window fully painted while
// the batch runs, with one way in for the user: a Cancel button, shown and enabled for the run
// and hidden afterwards. Every other mouse, key and close event to the program's widgets waits
// out the run (it is dropped), so nothing re-enters the window. A core that polls Cancelled()
// while it waits for its worker threads keeps the window live between steps too.
//
//   TCancellableProgress progress(ProgressBar1, Button12);
//   const BatchOutcome outcome = CorrectFiles(files, tables, options, progress);
//   if (outcome.cancelled) ...
class TCancellableProgress : public QObject, public Progress {
public:
    TCancellableProgress(TProgressBar* bar, QAbstractButton* cancel);
    ~TCancellableProgress() override;
    TCancellableProgress(const TCancellableProgress&) = delete;
    TCancellableProgress& operator=(const TCancellableProgress&) = delete;

    void Start(int total) override;
    void Step() override;
    bool Cancelled() override;  // also lets pending paints and the Cancel click through

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TProgressBar* bar_;
    QAbstractButton* cancel_;
    int done_ = 0;
    bool cancelled_ = false;
    bool cancelWasVisible_ = false;
};
