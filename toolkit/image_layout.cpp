#include "image_layout.h"

PictureRectangle PlacePicture(int w, int h, int cw, int ch, bool stretch, bool proportional,
                              bool center) {
    if (cw < 0) cw = 0;
    if (ch < 0) ch = 0;
    if (w < 0) w = 0;
    if (h < 0) h = 0;
    if (stretch || (proportional && (w > cw || h > ch))) {
        if (proportional && w > 0 && h > 0) {
            const double aspect = static_cast<double>(w) / h;
            if (w > h) {
                w = cw;
                h = static_cast<int>(cw / aspect);
                if (h > ch) {
                    h = ch;
                    w = static_cast<int>(ch * aspect);
                }
            } else {
                h = ch;
                w = static_cast<int>(ch * aspect);
                if (w > cw) {
                    w = cw;
                    h = static_cast<int>(cw / aspect);
                }
            }
        } else {
            w = cw;
            h = ch;
        }
    }
    PictureRectangle r;
    r.width = w;
    r.height = h;
    if (center) {
        r.left = (cw - w) / 2;
        r.top = (ch - h) / 2;
    }
    return r;
}
