#pragma once
#include "bitmap.h"

// A full-sphere (equirectangular) panorama of width x height (2:1) drawn directly in longitude
// and latitude: sky with sun and clouds, hills on the horizon, a lake to the north, a round
// plaza underfoot with the letters N, E, S, W painted towards the four directions and a
// landmark in each of them (north a lighthouse, east a house, south trees, west a radio mast).
// North is the left edge, where a viewer starts looking; east is a quarter of the way across.
TBitmap DrawPanorama(int width, int height);
