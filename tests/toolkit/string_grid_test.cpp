#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPainter>
#include <QTest>

#include "string_grid.h"

TEST(TStringGrid, CellsByColumnAndRowGrowAndShrinkSafely) {
    TStringGrid grid;
    grid.SetColCount(5);
    grid.SetRowCount(2);
    grid.SetCell(0, 0, "№");
    grid.SetCell(1, 0, "X1");
    grid.SetCell(4, 1, "17");
    EXPECT_EQ(grid.Cell(0, 0), "№");
    EXPECT_EQ(grid.Cell(1, 0), "X1");
    EXPECT_EQ(grid.Cell(4, 1), "17");
    EXPECT_EQ(grid.Cell(3, 1), "");
    // Out of range: empty reads, ignored writes.
    EXPECT_EQ(grid.Cell(5, 0), "");
    EXPECT_EQ(grid.Cell(0, 2), "");
    EXPECT_EQ(grid.Cell(-1, 0), "");
    grid.SetCell(9, 9, "x");
    EXPECT_EQ(grid.ColCount(), 5);
    EXPECT_EQ(grid.RowCount(), 2);

    grid.SetRowCount(257);
    EXPECT_EQ(grid.RowCount(), 257);
    EXPECT_EQ(grid.Cell(4, 1), "17");
    grid.SetCell(3, 256, "255");
    EXPECT_EQ(grid.Cell(3, 256), "255");
    grid.SetRowCount(1);  // only the header row left
    EXPECT_EQ(grid.Cell(3, 256), "");
    grid.SetRowCount(3);  // rows come back empty
    EXPECT_EQ(grid.Cell(4, 1), "");
    EXPECT_EQ(grid.Cell(1, 0), "X1");
    grid.ClearCells();
    EXPECT_EQ(grid.Cell(1, 0), "");
}

TEST(TStringGrid, CurrentCellStaysOutOfTheFixedHeader) {
    TStringGrid grid;
    grid.SetColCount(4);
    grid.SetRowCount(5);
    grid.SetFixedCols(1);
    grid.SetFixedRows(1);
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(grid.Col(), 1);
    std::vector<std::pair<int, int>> selected;
    grid.OnSelectCell = [&](int c, int r) { selected.push_back({c, r}); };
    int clicks = 0;
    grid.OnClick = [&]() { ++clicks; };
    grid.SetRow(3);
    EXPECT_EQ(grid.Row(), 3);
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(selected[0], std::make_pair(1, 3));
    EXPECT_EQ(clicks, 0);  // setting the row in code is no click

    grid.resize(400, 300);
    grid.show();
    // A click on the header row changes nothing.
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier,
                      grid.CellRect(2, 0).center());
    EXPECT_EQ(grid.Row(), 3);
    EXPECT_EQ(clicks, 0);
    // A click on a cell makes it current and is a click.
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier,
                      grid.CellRect(2, 2).center());
    EXPECT_EQ(grid.Row(), 2);
    EXPECT_EQ(grid.Col(), 2);
    EXPECT_EQ(clicks, 1);
    // Arrow up stops at the first non-fixed row.
    QTest::keyClick(&grid, Qt::Key_Up);
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(clicks, 2);
    QTest::keyClick(&grid, Qt::Key_Up);
    EXPECT_EQ(grid.Row(), 1);
}

TEST(TStringGrid, EditingIsOptionalAndReportsTypedText) {
    TStringGrid grid;
    grid.SetColCount(6);
    grid.SetRowCount(3);
    grid.resize(500, 200);
    grid.show();
    std::vector<std::string> edits;
    grid.OnSetEditText = [&](int c, int r, const std::string& t) {
        edits.push_back(std::to_string(c) + "," + std::to_string(r) + "=" + t);
    };
    grid.SetCell(2, 1, "0");  // programmatic: no edit event
    EXPECT_TRUE(edits.empty());

    grid.SetCurrentCell(2, 1);
    QTest::keyClicks(&grid, "12");
    EXPECT_EQ(grid.viewport()->findChild<QLineEdit*>(), nullptr);
    EXPECT_EQ(grid.Cell(2, 1), "0");  // not editable by default
    EXPECT_TRUE(edits.empty());

    grid.SetEditing(true);
    QTest::keyClick(&grid, Qt::Key_1);  // typing starts the editor with that key
    QLineEdit* editor = grid.viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_2);
    EXPECT_EQ(editor->text().toStdString(), "12");
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();  // the editor commits through a queued call
    EXPECT_EQ(grid.Cell(2, 1), "12");
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits[0], "2,1=12");
}

TEST(TStringGrid, RangeSelectionAndOwnerDrawing) {
    TStringGrid grid;
    grid.SetColCount(5);
    grid.SetRowCount(6);
    grid.SetDefaultColWidth(40);
    grid.SetDefaultRowHeight(18);
    EXPECT_EQ(grid.ColWidth(3), 40);
    EXPECT_EQ(grid.RowHeight(5), 18);
    grid.SetRangeSelect(true);
    grid.SetSelection({1, 2, 4, 4});
    const TGridRect sel = grid.Selection();
    EXPECT_EQ(sel.left, 1);
    EXPECT_EQ(sel.top, 2);
    EXPECT_EQ(sel.right, 4);
    EXPECT_EQ(sel.bottom, 4);
    // A range reaching into the header is clipped to the non-fixed cells.
    grid.SetSelection({0, 0, 2, 1});
    EXPECT_EQ(grid.Selection().top, 1);
    EXPECT_EQ(grid.Selection().left, 1);

    std::vector<std::pair<int, int>> drawn;
    grid.OnDrawCell = [&](int c, int r, const QRect& rect, QPainter& p, const TGridDrawState& s) {
        drawn.push_back({c, r});
        if (c == 2 && r == 3 && !s.fixed) p.fillRect(rect, QColor(0, 0, 255));
    };
    grid.resize(300, 200);
    grid.show();
    const QImage shot = grid.viewport()->grab().toImage();
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), std::make_pair(0, 0)), drawn.end());
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), std::make_pair(2, 3)), drawn.end());
    const QPoint inside = grid.CellRect(2, 3).center();
    EXPECT_EQ(QColor(shot.pixel(inside)), QColor(0, 0, 255));
    int col = -1, row = -1;
    EXPECT_TRUE(grid.MouseToCell(inside, col, row));
    EXPECT_EQ(col, 2);
    EXPECT_EQ(row, 3);
    EXPECT_GT(grid.TextWidth("/a/long/path/name.jpg"), grid.TextWidth("a"));
}

TEST(TStringGrid, ColumnsResizeByDraggingTheirEdgeInTheHeader) {
    TStringGrid grid;
    grid.SetColCount(4);
    grid.SetRowCount(4);
    grid.SetDefaultColWidth(60);
    grid.resize(400, 200);
    grid.show();
    const int edgeX = grid.CellRect(1, 0).right() + 1;
    const int headerY = grid.CellRect(1, 0).center().y();
    auto drag = [&](int fromX, int toX, int y) {
        QTest::mousePress(grid.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(fromX, y));
        QMouseEvent move(QEvent::MouseMove, QPointF(toX, y), grid.viewport()->mapToGlobal(QPointF(toX, y)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(grid.viewport(), &move);
        QTest::mouseRelease(grid.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(toX, y));
    };
    drag(edgeX, edgeX + 40, headerY);  // sizing is off: nothing changes
    EXPECT_EQ(grid.ColWidth(1), 60);
    grid.SetColSizing(true);
    drag(edgeX, edgeX + 40, headerY);
    EXPECT_EQ(grid.ColWidth(1), 100);
    EXPECT_EQ(grid.ColWidth(2), 60);
    // Below the header rows an edge is just a cell border.
    const int edge2 = grid.CellRect(2, 2).right() + 1;
    drag(edge2, edge2 + 30, grid.CellRect(2, 2).center().y());
    EXPECT_EQ(grid.ColWidth(2), 60);
    // A column never shrinks below one pixel.
    drag(grid.CellRect(1, 0).right() + 1, 0, headerY);
    EXPECT_GE(grid.ColWidth(1), 1);
}

TEST(TStringGrid, RowSelectSelectsWholeRows) {
    TStringGrid grid;
    grid.SetColCount(5);
    grid.SetRowCount(6);
    grid.SetRowSelect(true);
    grid.SetRangeSelect(true);
    grid.resize(400, 300);
    grid.show();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, grid.CellRect(2, 2).center());
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::ShiftModifier, grid.CellRect(3, 4).center());
    const TGridRect sel = grid.Selection();
    EXPECT_EQ(sel.top, 2);
    EXPECT_EQ(sel.bottom, 4);
    EXPECT_EQ(sel.left, 1);  // the fixed column is never selected
    EXPECT_EQ(sel.right, 4);
}
