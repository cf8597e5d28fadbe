#pragma once

// Where a batch run reports how far it got and learns whether the user cancelled.
class RunProgress {
public:
    virtual ~RunProgress() = default;
    virtual void Step(int done, int total) = 0;
    virtual bool Cancelled() = 0;
};
