// loadPicture on any file, into an image of each size the game uses: the
// reader must stay inside the image and the file, and leave the header alone.
#include <cstdlib>

#include "fuzz_files.h"
#include "platform/platform.h"

namespace {
struct Size {
    int width, height;
};
constexpr Size sizes[] = {{8, 8}, {16, 16}, {32, 32}, {32, 64}, {52, 64}};
Image* images[std::size(sizes)];
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzUseDataFolder();
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        images[i] = createImage(sizes[i].width, sizes[i].height, fillColour);
        if (!images[i]) std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzWriteDataFile("gfx/fuzz.bmp", data, size);
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        Image* image = images[i];
        const int status = loadPicture("gfx\\FUZZ.bmp", image);
        if (status != statusOk && status != statusOpenFailed && status != statusBadFile) std::abort();
        if (image->typeTag != 7 || image->bytesPerPixel != 4 || image->width != sizes[i].width ||
            image->height != sizes[i].height)
            std::abort();
    }
    return 0;
}
