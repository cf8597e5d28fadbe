#pragma once

// Which of the nine About pictures (1..9) faces the cursor at screen point (x, y), given the
// reference rectangle left, top, width, height: column 0 left of it, 1 over it (left edge
// included), 2 from left + width on; rows likewise. Picture = 3 * row + column + 1, so 5 is
// "over the rectangle", 1 "above and left", 9 "below and right".
int AboutPictureNumber(int x, int y, int left, int top, int width, int height);
