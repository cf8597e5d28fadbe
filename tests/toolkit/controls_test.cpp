#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QImage>
#include <QPainter>
#include <QTest>

#include "image_control.h"
#include "paint_box.h"
#include "status_bar.h"

namespace {

void Fill(TBitmap& b, int w, int h, uint8_t blue, uint8_t green, uint8_t red) {
    b.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.ScanLine(y) + 3 * x;
            p[0] = blue;
            p[1] = green;
            p[2] = red;
        }
}

QImage Grab(QWidget& w) { return w.grab().toImage(); }

}  // namespace

TEST(TImage, ShowsTheBitmapPlainCentredAndStretched) {
    QWidget parent;
    parent.setAutoFillBackground(true);
    parent.setPalette(QPalette(Qt::white));
    TImage image(&parent);
    image.setGeometry(0, 0, 40, 20);
    Fill(image.Picture(), 10, 10, 0, 0, 255);  // pure red
    image.Picture().ScanLine(0)[0] = 255;      // top-left pixel blue-ish magenta
    image.Changed();
    parent.resize(40, 20);
    parent.show();

    QImage shot = Grab(image);
    EXPECT_EQ(QColor(shot.pixel(0, 0)), QColor(255, 0, 255));
    EXPECT_EQ(QColor(shot.pixel(9, 9)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(shot.pixel(20, 5)), QColor(255, 255, 255));

    image.Center = true;
    image.Changed();
    shot = Grab(image);
    EXPECT_EQ(QColor(shot.pixel(15, 5)), QColor(255, 0, 255));  // picture starts at 15, 5
    EXPECT_EQ(QColor(shot.pixel(14, 5)), QColor(255, 255, 255));
    EXPECT_EQ(image.PictureRect(), QRect(15, 5, 10, 10));

    image.Stretch = true;
    image.Proportional = true;
    image.Changed();
    EXPECT_EQ(image.PictureRect(), QRect(10, 0, 20, 20));
    shot = Grab(image);
    EXPECT_EQ(QColor(shot.pixel(29, 19)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(shot.pixel(31, 10)), QColor(255, 255, 255));

    image.AutoSize = true;
    image.Changed();
    EXPECT_EQ(image.size(), QSize(10, 10));
}

TEST(TImage, PaintReadsTheBitmapItself) {
    TImage image;
    image.resize(4, 4);
    Fill(image.Picture(), 4, 4, 10, 20, 30);
    EXPECT_EQ(image.WrappedImage().constBits(), image.Picture().Bits());
    image.Picture().ScanLine(3)[9] = 200;  // change a byte, no new image
    image.Changed();
    EXPECT_EQ(QColor(Grab(image).pixel(3, 3)), QColor(30, 20, 200));
}

TEST(TImage, MouseCallbacksIncludingClickEnterAndLeave) {
    TImage image;
    image.resize(50, 50);
    image.show();
    std::vector<std::string> log;
    image.OnMouseDown = [&](QMouseEvent* e) {
        log.push_back("down " + std::to_string(e->position().toPoint().x()));
    };
    image.OnMouseUp = [&](QMouseEvent*) { log.push_back("up"); };
    image.OnMouseMove = [&](QMouseEvent*) { log.push_back("move"); };
    image.OnClick = [&]() { log.push_back("click"); };
    image.OnDoubleClick = [&](QMouseEvent*) { log.push_back("double"); };
    image.OnMouseEnter = [&]() { log.push_back("enter"); };
    image.OnMouseLeave = [&]() { log.push_back("leave"); };

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&image, &enter);
    QTest::mouseClick(&image, Qt::LeftButton, Qt::NoModifier, QPoint(7, 8));
    QTest::mouseMove(&image, QPoint(20, 20));
    QTest::mouseDClick(&image, Qt::LeftButton, Qt::NoModifier, QPoint(7, 8));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&image, &leave);

    ASSERT_GE(log.size(), 5u);
    EXPECT_EQ(log[0], "enter");
    EXPECT_EQ(log[1], "down 7");
    EXPECT_EQ(log[2], "up");
    EXPECT_EQ(log[3], "click");
    EXPECT_NE(std::find(log.begin(), log.end(), "move"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "double"), log.end());
    EXPECT_EQ(log.back(), "leave");
}

TEST(TImage, ReleaseOutsideIsNoClick) {
    TImage image;
    image.resize(50, 50);
    image.show();
    int clicks = 0;
    image.OnClick = [&]() { ++clicks; };
    QTest::mousePress(&image, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseRelease(&image, Qt::LeftButton, Qt::NoModifier, QPoint(80, 10));
    EXPECT_EQ(clicks, 0);
    QTest::mouseClick(&image, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(clicks, 0);
}

TEST(TStatusBar, PanelsByIndexAndSimpleText) {
    TStatusBar bar;
    EXPECT_EQ(bar.height(), 19);
    EXPECT_EQ(bar.PanelCount(), 0);
    bar.SetSimpleText("Stereo Viewer");
    EXPECT_EQ(bar.SimpleText(), "Stereo Viewer");

    bar.SetPanels({{70, true}, {50, false}, {200, false}});
    EXPECT_EQ(bar.PanelCount(), 3);
    bar.SetPanelText(0, "1 / 3");
    bar.SetPanelText(2, "/pictures/a.jpg");
    bar.SetPanelText(3, "ignored");   // out of range: nothing happens
    bar.SetPanelText(-1, "ignored");
    EXPECT_EQ(bar.PanelText(0), "1 / 3");
    EXPECT_EQ(bar.PanelText(1), "");
    EXPECT_EQ(bar.PanelText(2), "/pictures/a.jpg");
    EXPECT_EQ(bar.PanelText(7), "");

    // A new panel layout starts with empty texts.
    bar.SetPanels({{100, false}});
    EXPECT_EQ(bar.PanelText(0), "");

    bar.resize(300, 19);
    const QImage shot = Grab(bar);  // painting with texts must not fail
    EXPECT_EQ(shot.size(), QSize(300, 19));
}

TEST(TStatusBar, CentredPanelTextIsDrawnInTheMiddle) {
    TStatusBar bar;
    bar.resize(300, 19);
    bar.SetPanels({{100, true}, {100, false}});
    bar.SetPanelText(0, "WWW");
    bar.SetPanelText(1, "WWW");
    const QImage shot = Grab(bar);
    auto inkColumns = [&](int from, int to) {
        int first = -1, last = -1;
        const QColor face = QColor(shot.pixel(from + 50, 1));
        for (int x = from + 4; x < to - 4; ++x)
            for (int y = 4; y < 16; ++y)
                if (QColor(shot.pixel(x, y)) != face) {
                    if (first < 0) first = x;
                    last = x;
                }
        return std::make_pair(first, last);
    };
    const auto centred = inkColumns(0, 100);
    const auto left = inkColumns(100, 200);
    ASSERT_GE(centred.first, 0);
    ASSERT_GE(left.first, 0);
    EXPECT_NEAR((centred.first + centred.second) / 2.0, 50.0, 4.0);
    EXPECT_LT(left.first - 100, 8);
}

TEST(TPaintBox, PaintCallbackDrawsAndMouseReachesTheOwner) {
    TPaintBox box;
    box.resize(20, 20);
    box.OnPaint = [](QPainter& p) { p.fillRect(QRect(0, 0, 10, 10), QColor(0, 128, 0)); };
    const QImage shot = Grab(box);
    EXPECT_EQ(QColor(shot.pixel(5, 5)), QColor(0, 128, 0));
    int downs = 0;
    box.OnMouseDown = [&](QMouseEvent*) { ++downs; };
    box.show();
    QTest::mouseClick(&box, Qt::LeftButton);
    EXPECT_EQ(downs, 1);
}
