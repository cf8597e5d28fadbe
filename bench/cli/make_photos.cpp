// Writes COUNT detailed pictures of WIDTH x HEIGHT as quality 92 JPEGs photo<i>.jpg into FOLDER,
// the inputs of bench/batch_cli.sh.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "detailed_picture.h"
#include "jpeg_image.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s FOLDER COUNT WIDTH HEIGHT\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    const int count = std::atoi(argv[2]);
    const TBitmap picture = DetailedPicture(std::atoi(argv[3]), std::atoi(argv[4]));
    for (int i = 0; i < count; ++i)
        SaveJpegFile(picture, folder + "/photo" + std::to_string(i) + ".jpg", 92);
    return 0;
}
