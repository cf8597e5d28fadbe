#pragma once
#include <QIcon>
#include <QImage>
#include <vector>

// Every picture of the shell is drawn here by code: the launcher's tile list, the application
// icon and the About window's nine eye pictures.

constexpr int kTilePictureSize = 150;
constexpr int kTilePictureCount = 30;  // three slots per tile, ten tiles
constexpr int kAboutPictureSize = 100;

// The tile picture list: slot 3(k-1) is tile k's normal picture, 3(k-1)+1 its hover picture;
// the third slot of each group and the slots of tiles nobody can reach are plain white.
std::vector<QImage> DrawTilePictures();

// The application icon (an aperture over a stereo pair of lenses), in several sizes; one size
// alone for the desktop's icon theme.
QIcon DrawAppIcon();
QImage DrawAppIconImage(int size);

// About picture number 1..9: an eye looking towards zone number (3 * row + column + 1) around
// the picture; 5 looks straight out of the screen.
QImage DrawAboutPicture(int number);
