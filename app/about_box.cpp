#include "about_box.h"

#include <QCursor>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "about_zone.h"
#include "bitmap_image.h"
#include "help.h"
#include "image_control.h"
#include "pictures.h"

namespace {
constexpr int kImageLeft = 5;  // Image1's offset within Panel1
constexpr int kImageTop = 16;
}  // namespace

TAboutBox::TAboutBox(QWidget* launcher)
    : TGuardedEvents<QDialog>(nullptr), launcher_(launcher) {
    setWindowTitle(QStringLiteral("About program"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(320, 232);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setModal(true);

    Panel1 = new QFrame(this);
    Panel1->setGeometry(8, 8, 304, 185);
    // A lowered outer bevel around a raised inner one: an etched groove.
    Panel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->setMidLineWidth(0);

    QFont bold = font();
    bold.setBold(true);
    ProductName = new QLabel(QStringLiteral("Lumivex Photo Studio"), Panel1);
    ProductName->setFont(bold);
    ProductName->move(132, 16);
    ProductName->adjustSize();
    Version = new QLabel(QStringLiteral("Version 1.0"), Panel1);
    Version->setFont(bold);
    Version->move(132, 40);
    Version->adjustSize();

    BuildGuideLink();

    for (int k = 0; k < 9; ++k) {
        auto* image = new TImage(Panel1);
        image->setGeometry(kImageLeft, kImageTop, 100, 100);
        image->Picture() = ImageToBitmap(DrawAboutPicture(k + 1));
        image->Changed();
        image->hide();
        Images[k] = image;
    }

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setGeometry(110, 199, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    CursorPosition = []() { return QCursor::pos(); };
    Timer1 = new QTimer(this);
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, Guarded([this]() { Timer1Timer(); }));
    Timer1->start();
}

void TAboutBox::BuildGuideLink() {
    // The link shows the address it opens: the user guide that ships with the program.
    const QString address = UserGuideUrl().toString();
    Comments = new QLabel(Panel1);
    Comments->setTextFormat(Qt::RichText);
    Comments->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                          .arg(address.toHtmlEscaped(), address.toHtmlEscaped()));
    Comments->setWordWrap(true);
    Comments->setCursor(Qt::PointingHandCursor);
    Comments->setGeometry(5, 141, 294, 40);
    Comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Comments->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    connect(Comments, &QLabel::linkActivated, this,
            Guarded([this](const QString&) { CommentsClick(); }));
}

TImage* TAboutBox::Image(int number) const {
    if (number < 1 || number > 9) return nullptr;
    return Images[number - 1];
}

void TAboutBox::Timer1Timer() {
    const QPoint cursor = CursorPosition ? CursorPosition() : QCursor::pos();
    // The outer frame's corner plus the picture's offset in its panel; the frame, caption and
    // panel offsets are deliberately left out, so the zone sits a little up and to the left.
    const QRect frame = frameGeometry();
    const int left = frame.left() + Images[0]->x();
    const int top = frame.top() + Images[0]->y();
    const int number =
        AboutPictureNumber(cursor.x(), cursor.y(), left, top, Images[0]->width(),
                           Images[0]->height());
    for (int k = 1; k <= 9; ++k) Images[k - 1]->setVisible(k == number);
}

void TAboutBox::CommentsClick() { OpenUserGuide(); }

void TAboutBox::showEvent(QShowEvent* event) {
    if (launcher_) {
        // Outer frame centred on the launcher's outer frame. Before the window manager has
        // framed this window once, its frame is taken to be as thick as the launcher's.
        QSize own = frameGeometry().size();
        if (own == size()) own += launcher_->frameGeometry().size() - launcher_->size();
        const QRect around = launcher_->frameGeometry();
        move(around.left() + (around.width() - own.width()) / 2,
             around.top() + (around.height() - own.height()) / 2);
    }
    TGuardedEvents<QDialog>::showEvent(event);
}
