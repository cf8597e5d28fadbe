#pragma once

// Placement of a picture of w x h pixels in a control of cw x ch pixels, the way image controls
// of the classic desktop toolkits place it: Stretch fills the control (Proportional keeps the
// aspect ratio, fitting the longer side first); Proportional alone only shrinks pictures larger
// than the control; Center moves the result to the middle. Sizes truncate toward zero.
struct PictureRectangle {
    int left = 0, top = 0, width = 0, height = 0;
};

PictureRectangle PlacePicture(int w, int h, int cw, int ch, bool stretch, bool proportional,
                              bool center);
