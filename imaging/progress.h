#pragma once

// How batch work in a core reports how far it got and learns that the user wants it to stop.
// Plain C++: a core takes a Progress&, the window hands it a toolkit adapter that drives its
// progress bar (toolkit/bar_progress.h), tests hand it a NoProgress or their own recorder.
//
//   void CorrectFiles(const std::vector<std::string>& files, Progress& progress) {
//       progress.Start(static_cast<int>(files.size()));
//       for (const std::string& file : files) {
//           if (progress.Cancelled()) return;  // between two files, never inside one
//           CorrectOne(file);
//           progress.Step();
//       }
//   }
class Progress {
public:
    virtual ~Progress() = default;
    // The work has total steps (0 or less: nothing to do); the count starts at 0.
    virtual void Start(int total) = 0;
    // One more step is done.
    virtual void Step() = 0;
    // The user asked to stop; work checks it between steps and stops there.
    virtual bool Cancelled() = 0;
};

// Counts and never cancels: for callers that show no progress.
class NoProgress : public Progress {
public:
    void Start(int total) override {
        total_ = total;
        done_ = 0;
    }
    void Step() override { ++done_; }
    bool Cancelled() override { return false; }
    int Total() const { return total_; }
    int Done() const { return done_; }

private:
    int total_ = 0;
    int done_ = 0;
};
