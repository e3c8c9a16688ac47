#pragma once
// A PNG decoder for the files skins are made of: 8-bit RGB or RGBA, not
// interlaced, no colour-space or resolution chunks. Pure functions over the
// file's bytes. Any other file is "not handled": the caller decodes it with
// the system's general decoder instead.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace png {

enum class PngPixels {
    Rgb,  // decoded to 3 bytes a pixel: B, G, R
    Rgba, // decoded to 4 bytes a pixel: B, G, R, A (straight alpha)
};

struct PngLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    PngPixels pixels = PngPixels::Rgba;
    std::vector<std::span<const uint8_t>> imageData; // the IDAT chunks' data, in order
};

// Larger images are left to the general decoder (64 MiB of pixels at most).
inline constexpr uint64_t kMaxPngPixels = uint64_t(4096) * 4096;

// Bytes a decoded pixel takes: 3 or 4.
int PngBytesPerPixel(PngPixels pixels);

// The layout of a file this decoder handles, with every chunk's CRC checked;
// nothing for any other file (also for a damaged or truncated one).
std::optional<PngLayout> ReadPngLayout(std::span<const uint8_t> file);

// Inflates and unfilters the image into `rows`: `layout.height` rows of
// width * PngBytesPerPixel bytes, each row `stride` bytes after the one before.
// False when the image data is damaged, short or too long; the rows then hold
// part of the image.
bool DecodePngRows(const PngLayout& layout, uint8_t* rows, std::ptrdiff_t stride);

} // namespace png
