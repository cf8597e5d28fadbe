#pragma once

// Holds a window's busy flag set for one render or tick and clears it when that leaves, by
// whatever way, so a repaint inside the work never starts the work again.
class BusyMark {
public:
    explicit BusyMark(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyMark() { flag_ = false; }
    BusyMark(const BusyMark&) = delete;
    BusyMark& operator=(const BusyMark&) = delete;

private:
    bool& flag_;
};
