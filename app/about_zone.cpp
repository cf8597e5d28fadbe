#include "about_zone.h"

namespace {
// 0 before the span, 1 inside it (start included, end excluded), 2 from its end on. The sum
// is formed in 64 bits so a rectangle near the coordinate limit cannot overflow.
int Band(int value, int start, int length) {
    if (value < start) return 0;
    if (static_cast<long long>(value) < static_cast<long long>(start) + length) return 1;
    return 2;
}
}  // namespace

int AboutPictureNumber(int x, int y, int left, int top, int width, int height) {
    return 3 * Band(y, top, height) + Band(x, left, width) + 1;
}
