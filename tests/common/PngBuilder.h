#pragma once
// Builds small PNG files for the decoder's tests: the image's pixels, a
// filter type per row, and the chunks around them, each of which a test may
// change or drop. The image data is stored uncompressed (deflate's stored
// blocks), and the CRCs and the zlib checksum are computed here, apart from
// the decoder's own zlib.

#include <cstdint>
#include <string>
#include <vector>

namespace testutil {

struct PngChunk {
    std::string type; // four letters
    std::string data;
    bool badCrc = false;
};

// A test image: pixels in file order (R, G, B[, A]), samples drawn from a few
// far-apart values, so neighbours mostly differ (a wrong predictor shows) and
// Paeth's ties between predictors occur.
struct PngPicture {
    uint32_t width = 0;
    uint32_t height = 0;
    int channels = 4; // 3 (RGB) or 4 (RGBA)
    std::vector<uint8_t> samples;
};
PngPicture MakePicture(uint32_t width, uint32_t height, int channels);

// The picture's rows, each filtered with `filters[y % filters.size()]` and
// preceded by its filter byte (which may be any value, also an invalid one).
std::string FilteredRows(const PngPicture& picture, const std::vector<uint8_t>& filters);

// A zlib stream holding `raw` in stored blocks of at most `blockSize` bytes.
std::string StoredZlib(const std::string& raw, size_t blockSize = 65535);

std::string PngHeaderData(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colourType,
                          uint8_t interlace = 0);

// Chunks for a whole file: IHDR, the zlib stream split into `idatCount`
// IDAT chunks of about equal size, IEND.
std::vector<PngChunk> PngChunks(const PngPicture& picture, const std::vector<uint8_t>& filters,
                                int idatCount = 1);

// The file: signature, then each chunk with its length and CRC.
std::string PngFile(const std::vector<PngChunk>& chunks);

// The picture as the decoder writes it: B, G, R[, A] per pixel.
std::vector<uint8_t> BgrSamples(const PngPicture& picture);

} // namespace testutil
