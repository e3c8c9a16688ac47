#include "platform/PngDecode.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace png {

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr uint32_t kMaxChunkLength = 0x7fffffff;
constexpr size_t kChunkOverhead = 12; // length, type, CRC
constexpr size_t kHeaderLength = 13;
constexpr size_t kBackgroundLength = 6; // bKGD of an RGB or RGBA image
constexpr size_t kTimeLength = 7;

constexpr uint8_t kColourRgb = 2;
constexpr uint8_t kColourRgba = 6;

uint32_t BigEndian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

bool IsType(const uint8_t* type, const char (&name)[5]) {
    return std::memcmp(type, name, 4) == 0;
}

// The header's image when this decoder handles it: 8 bits a sample, RGB or
// RGBA, standard compression and filtering, no interlacing, a sane size.
std::optional<PngLayout> FromHeader(std::span<const uint8_t> data) {
    if (data.size() != kHeaderLength)
        return std::nullopt;
    PngLayout layout;
    layout.width = BigEndian32(&data[0]);
    layout.height = BigEndian32(&data[4]);
    const uint8_t bitDepth = data[8], colour = data[9];
    const uint8_t compression = data[10], filter = data[11], interlace = data[12];
    if (layout.width == 0 || layout.height == 0 || layout.width > kMaxChunkLength ||
        layout.height > kMaxChunkLength)
        return std::nullopt;
    if (uint64_t(layout.width) * layout.height > kMaxPngPixels)
        return std::nullopt;
    if (bitDepth != 8 || compression != 0 || filter != 0 || interlace != 0)
        return std::nullopt;
    if (colour == kColourRgb)
        layout.pixels = PngPixels::Rgb;
    else if (colour == kColourRgba)
        layout.pixels = PngPixels::Rgba;
    else
        return std::nullopt;
    return layout;
}

// Undoes one row's filter in place; `prior` is the row above, unfiltered
// (zeros for the first row). False for an unknown filter type.
bool Unfilter(uint8_t filter, uint8_t* row, const uint8_t* prior, size_t length, size_t bpp) {
    switch (filter) {
    case 0:
        return true;
    case 1: // Sub
        for (size_t i = bpp; i < length; ++i)
            row[i] = uint8_t(row[i] + row[i - bpp]);
        return true;
    case 2: // Up
        for (size_t i = 0; i < length; ++i)
            row[i] = uint8_t(row[i] + prior[i]);
        return true;
    case 3: // Average
        for (size_t i = 0; i < bpp; ++i)
            row[i] = uint8_t(row[i] + (prior[i] >> 1));
        for (size_t i = bpp; i < length; ++i)
            row[i] = uint8_t(row[i] + ((unsigned(row[i - bpp]) + prior[i]) >> 1));
        return true;
    case 4: // Paeth
        for (size_t i = 0; i < length; ++i) {
            const int a = i >= bpp ? row[i - bpp] : 0;
            const int b = prior[i];
            const int c = i >= bpp ? prior[i - bpp] : 0;
            const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
            const int predictor = pa <= pb && pa <= pc ? a : (pb <= pc ? b : c);
            row[i] = uint8_t(row[i] + predictor);
        }
        return true;
    default:
        return false;
    }
}

// Copies an unfiltered row of RGB(A) samples as BGR(A).
void SwapRedBlue(const uint8_t* from, uint8_t* to, uint32_t width, size_t bpp) {
    for (uint32_t x = 0; x < width; ++x, from += bpp, to += bpp) {
        to[0] = from[2];
        to[1] = from[1];
        to[2] = from[0];
        if (bpp == 4)
            to[3] = from[3];
    }
}

// The zlib stream over the image data, fed chunk by chunk.
class ImageStream {
public:
    explicit ImageStream(const PngLayout& layout) : m_chunks(layout.imageData) {
        m_ok = inflateInit(&m_zs) == Z_OK;
    }
    ~ImageStream() {
        if (m_ok)
            inflateEnd(&m_zs);
    }
    ImageStream(const ImageStream&) = delete;
    ImageStream& operator=(const ImageStream&) = delete;

    // Fills `out` with the next bytes of the image; false when the stream
    // is damaged or ends first.
    bool Read(uint8_t* out, size_t length) {
        if (!m_ok || m_ended)
            return false;
        m_zs.next_out = out;
        m_zs.avail_out = uInt(length);
        while (m_zs.avail_out > 0) {
            if (m_zs.avail_in == 0 && !Feed())
                return false;
            const int result = inflate(&m_zs, Z_NO_FLUSH);
            if (result == Z_STREAM_END) {
                m_ended = true;
                return m_zs.avail_out == 0;
            }
            if (result != Z_OK && !(result == Z_BUF_ERROR && m_zs.avail_in == 0))
                return false;
        }
        return true;
    }

    // True when the stream ends here (its checksum verified) and no image
    // data follows it.
    bool EndsHere() {
        if (!m_ok)
            return false;
        while (!m_ended) {
            uint8_t extra = 0;
            if (Read(&extra, 1))
                return false; // more image data than rows
            if (!m_ended)
                return false; // damaged or cut short
        }
        if (m_zs.avail_in != 0)
            return false;
        return std::all_of(m_chunks.begin() + std::ptrdiff_t(m_next), m_chunks.end(),
                           [](std::span<const uint8_t> chunk) { return chunk.empty(); });
    }

private:
    bool Feed() {
        while (m_next < m_chunks.size()) {
            std::span<const uint8_t> chunk = m_chunks[m_next++];
            if (chunk.empty())
                continue;
            m_zs.next_in = const_cast<Bytef*>(chunk.data());
            m_zs.avail_in = uInt(chunk.size());
            return true;
        }
        return false;
    }

    const std::vector<std::span<const uint8_t>>& m_chunks;
    size_t m_next = 0;
    z_stream m_zs{};
    bool m_ok = false;
    bool m_ended = false;
};

} // namespace

int PngBytesPerPixel(PngPixels pixels) {
    return pixels == PngPixels::Rgba ? 4 : 3;
}

std::optional<PngLayout> ReadPngLayout(std::span<const uint8_t> file) {
    if (file.size() < sizeof kSignature ||
        std::memcmp(file.data(), kSignature, sizeof kSignature) != 0)
        return std::nullopt;
    enum class Stage { Header, BeforeImage, InImage, AfterImage };
    Stage stage = Stage::Header;
    std::optional<PngLayout> layout;
    size_t pos = sizeof kSignature;
    for (;;) {
        if (file.size() - pos < kChunkOverhead)
            return std::nullopt;
        const uint8_t* chunk = file.data() + pos;
        const uint32_t length = BigEndian32(chunk);
        if (length > kMaxChunkLength || file.size() - pos - kChunkOverhead < length)
            return std::nullopt;
        const uint8_t* type = chunk + 4;
        const std::span<const uint8_t> data(chunk + 8, length);
        if (crc32(crc32(0, type, 4), data.data(), uInt(length)) != BigEndian32(chunk + 8 + length))
            return std::nullopt;
        pos += kChunkOverhead + length;

        if (stage == Stage::Header) {
            if (!IsType(type, "IHDR") || !(layout = FromHeader(data)))
                return std::nullopt;
            stage = Stage::BeforeImage;
        } else if (IsType(type, "IDAT")) {
            if (stage == Stage::AfterImage)
                return std::nullopt; // image data split by another chunk
            layout->imageData.push_back(data);
            stage = Stage::InImage;
        } else {
            if (stage == Stage::InImage)
                stage = Stage::AfterImage;
            if (IsType(type, "IEND")) {
                // Nothing may follow the end, and an image needs its data.
                if (length != 0 || stage != Stage::AfterImage || pos != file.size())
                    return std::nullopt;
                return layout;
            }
            // Only chunks that change no pixel, size or resolution; colour
            // spaces, gamma, transparency, palettes and pHYs go to the general
            // decoder, as does any chunk this decoder does not know.
            const bool background =
                IsType(type, "bKGD") && length == kBackgroundLength && stage == Stage::BeforeImage;
            const bool time = IsType(type, "tIME") && length == kTimeLength;
            if (!background && !time)
                return std::nullopt;
        }
    }
}

bool DecodePngRows(const PngLayout& layout, uint8_t* rows, std::ptrdiff_t stride) {
    const size_t bpp = size_t(PngBytesPerPixel(layout.pixels));
    const size_t rowLength = size_t(layout.width) * bpp;
    // The filter type byte, then the row; the row above stays beside it.
    std::vector<uint8_t> current(rowLength + 1), prior(rowLength + 1, 0);
    ImageStream stream(layout);
    for (uint32_t y = 0; y < layout.height; ++y) {
        if (!stream.Read(current.data(), current.size()))
            return false;
        if (!Unfilter(current[0], current.data() + 1, prior.data() + 1, rowLength, bpp))
            return false;
        SwapRedBlue(current.data() + 1, rows + std::ptrdiff_t(y) * stride, layout.width, bpp);
        current.swap(prior);
    }
    return stream.EndsHere();
}

} // namespace png
