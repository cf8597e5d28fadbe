#pragma once
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

class QLabel;
class QScrollArea;
class QWidget;
class TButton;
class TComboBox;
class TEdit;

// What the four pages of the Color Corrector build their controls with, and the sizes they
// share. Only the window's own source files include this.
namespace corrector_window {

// The page formulas of this window were made for a page control whose sheets are 8 pixels
// narrower and 28 pixels lower than the control (frame and one row of tabs). Qt's tab height
// differs per style, so every page is laid out from its sheet's real size plus these margins:
// the controls then fill exactly the sheet space the formulas meant.
constexpr int kSheetExtraWidth = 8;
constexpr int kSheetExtraHeight = 28;

constexpr int kComboWidth = 70;      // ComboBox1..4
constexpr int kComboHeight = 22;
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 25;

TButton* MakeButton(QWidget* parent, const char* name, const char* caption, const char* hint,
                    std::function<void()> onClick);
TComboBox* MakeCombo(QWidget* parent, const char* name, const std::vector<std::string>& items,
                     int index);
TEdit* MakeEdit(QWidget* parent, const char* name, const char* text);
QLabel* MakeLabel(QWidget* parent, const char* text, int left, int top);
QScrollArea* MakeScrollBox(QWidget* parent, const char* name, QWidget* content);
// Places the controls in a row with their centres at fractions first/den, (first + 2)/den, ...
// of the group's width.
void CentreAcross(const QWidget* group, int den, int first, std::initializer_list<QWidget*> controls,
                  int top);

}  // namespace corrector_window
