// Fuzz target for the skin PNG decoder: any bytes are read as a PNG file, and
// a file it takes is decoded into rows that have a guard byte after each.
// Each input is tried as it is and once more with every chunk's CRC mended,
// so that mutations get past the CRC check into the chunk rules and the
// image data.

#include "platform/PngDecode.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <zlib.h>

namespace {

void MendCrcs(std::vector<uint8_t>& file) {
    size_t pos = 8;
    while (file.size() >= pos + 12) {
        const size_t length = size_t(file[pos]) << 24 | size_t(file[pos + 1]) << 16 |
                              size_t(file[pos + 2]) << 8 | file[pos + 3];
        if (file.size() - pos - 12 < length)
            return;
        const uLong crc = crc32(0, &file[pos + 4], uInt(length + 4));
        for (int i = 0; i < 4; ++i)
            file[pos + 8 + length + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
        pos += 12 + length;
    }
}

void DecodeFile(std::span<const uint8_t> file) {
    std::optional<png::PngLayout> layout = png::ReadPngLayout(file);
    if (!layout)
        return;

    // Small images only: a large one decodes like a small one, while its
    // rows would slow every run down.
    if (uint64_t(layout->width) * layout->height > 4096)
        return;
    const size_t row = size_t(layout->width) * size_t(png::PngBytesPerPixel(layout->pixels));
    const size_t stride = row + 1;
    std::vector<uint8_t> rows(stride * layout->height, 0x5a);
    (void)png::DecodePngRows(*layout, rows.data(), std::ptrdiff_t(stride));
    for (uint32_t y = 0; y < layout->height; ++y) {
        if (rows[y * stride + row] != 0x5a)
            std::abort(); // written past the row's end
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DecodeFile({data, size});
    std::vector<uint8_t> mended(data, data + size);
    MendCrcs(mended);
    DecodeFile(mended);
    return 0;
}
