#pragma once
#include "progress.h"

class TProgressBar;

// Drives a TProgressBar from a core's Progress reports and keeps the window painted while the
// batch runs on the user-interface thread. User input waits until the batch is done (the
// command runs to completion, as the tools' batch commands do), so nothing re-enters the
// window; Cancel() is for code that must stop the batch (a time limit, a closing window).
//
//   TBarProgress progress(ProgressBar1);
//   CorrectFiles(files, progress);   // the bar runs 0..files.size()
//   ShowMessage("Images corrected successfully!");
//   ProgressBar1->SetPosition(0);
class TBarProgress : public Progress {
public:
    explicit TBarProgress(TProgressBar* bar);
    TBarProgress(const TBarProgress&) = delete;
    TBarProgress& operator=(const TBarProgress&) = delete;

    void Start(int total) override;
    void Step() override;
    bool Cancelled() override;
    void Cancel() { cancelled_ = true; }

private:
    TProgressBar* bar_;
    int done_ = 0;
    bool cancelled_ = false;
};
