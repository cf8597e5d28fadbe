#pragma once
#include <QDialog>
#include <QPoint>
#include <functional>

#include "guarded.h"

class QFrame;
class QLabel;
class QPushButton;
class QTimer;
class TImage;

// "About program": product name, version, a link to the user guide and an eye that turns
// toward the mouse cursor every 100 ms, shown or hidden.
class TAboutBox : public TGuardedEvents<QDialog> {
    Q_OBJECT
public:
    // launcher: the window the box is centred on when shown (may be null).
    explicit TAboutBox(QWidget* launcher = nullptr);

    QFrame* Panel1 = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Comments = nullptr;
    TImage* Images[9] = {};  // Image1 .. Image9, all on one spot
    QPushButton* OKButton = nullptr;
    QTimer* Timer1 = nullptr;

    TImage* Image(int number) const;  // 1..9

    void Timer1Timer();
    void CommentsClick();

    // Where the cursor is, in screen coordinates; tests replace it.
    std::function<QPoint()> CursorPosition;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildGuideLink();  // Comments: the address of the user guide, which it opens
    QWidget* launcher_;
};
