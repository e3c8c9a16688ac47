#include "common/PngBuilder.h"

#include <array>
#include <cstdlib>

namespace testutil {

namespace {

uint32_t Crc32(const std::string& bytes) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xedb88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t c = 0xffffffffu;
    for (unsigned char b : bytes)
        c = table[(c ^ b) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}

uint32_t Adler32(const std::string& bytes) {
    uint32_t a = 1, b = 0;
    for (unsigned char c : bytes) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

void PutBigEndian(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += char(v >> shift & 0xff);
}

uint8_t Paeth(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

} // namespace

PngPicture MakePicture(uint32_t width, uint32_t height, int channels) {
    PngPicture picture{width, height, channels, {}};
    const size_t count = size_t(width) * height * size_t(channels);
    picture.samples.resize(count);
    uint32_t state = 12345;
    for (size_t i = 0; i < count; ++i) {
        state = state * 1103515245u + 12345u;
        picture.samples[i] = uint8_t((state >> 16) % 7 * 41);
    }
    return picture;
}

std::string FilteredRows(const PngPicture& picture, const std::vector<uint8_t>& filters) {
    const size_t bpp = size_t(picture.channels), length = picture.width * bpp;
    std::string out;
    for (uint32_t y = 0; y < picture.height; ++y) {
        const uint8_t filter = filters[y % filters.size()];
        const uint8_t* row = picture.samples.data() + y * length;
        const uint8_t* prior = y > 0 ? row - length : nullptr;
        out += char(filter);
        for (size_t i = 0; i < length; ++i) {
            const int a = i >= bpp ? row[i - bpp] : 0;
            const int b = prior ? prior[i] : 0;
            const int c = prior && i >= bpp ? prior[i - bpp] : 0;
            int predictor = 0;
            switch (filter) {
            case 1:
                predictor = a;
                break;
            case 2:
                predictor = b;
                break;
            case 3:
                predictor = (a + b) / 2;
                break;
            case 4:
                predictor = Paeth(a, b, c);
                break;
            default:
                break;
            }
            out += char(uint8_t(row[i] - predictor));
        }
    }
    return out;
}

std::string StoredZlib(const std::string& raw, size_t blockSize) {
    std::string out("\x78\x01", 2);
    size_t pos = 0;
    do {
        const size_t n = std::min(blockSize, raw.size() - pos);
        const bool last = pos + n == raw.size();
        out += char(last ? 1 : 0);
        out += char(n & 0xff);
        out += char(n >> 8);
        out += char(~n & 0xff);
        out += char(~n >> 8 & 0xff);
        out += raw.substr(pos, n);
        pos += n;
    } while (pos < raw.size());
    PutBigEndian(out, Adler32(raw));
    return out;
}

std::string PngHeaderData(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colourType,
                          uint8_t interlace) {
    std::string data;
    PutBigEndian(data, width);
    PutBigEndian(data, height);
    data += char(bitDepth);
    data += char(colourType);
    data += '\0'; // compression
    data += '\0'; // filter method
    data += char(interlace);
    return data;
}

std::vector<PngChunk> PngChunks(const PngPicture& picture, const std::vector<uint8_t>& filters,
                                int idatCount) {
    std::vector<PngChunk> chunks;
    chunks.push_back(
        {"IHDR", PngHeaderData(picture.width, picture.height, 8, picture.channels == 4 ? 6 : 2)});
    const std::string stream = StoredZlib(FilteredRows(picture, filters));
    const size_t part = (stream.size() + size_t(idatCount) - 1) / size_t(idatCount);
    for (int i = 0; i < idatCount; ++i)
        chunks.push_back({"IDAT", stream.substr(std::min(stream.size(), i * part), part)});
    chunks.push_back({"IEND", ""});
    return chunks;
}

std::string PngFile(const std::vector<PngChunk>& chunks) {
    std::string file("\x89PNG\r\n\x1a\n", 8);
    for (const PngChunk& chunk : chunks) {
        PutBigEndian(file, uint32_t(chunk.data.size()));
        file += chunk.type + chunk.data;
        PutBigEndian(file, Crc32(chunk.type + chunk.data) ^ (chunk.badCrc ? 1u : 0u));
    }
    return file;
}

std::vector<uint8_t> BgrSamples(const PngPicture& picture) {
    std::vector<uint8_t> out(picture.samples);
    for (size_t i = 0; i + 2 < out.size(); i += size_t(picture.channels))
        std::swap(out[i], out[i + 2]);
    return out;
}

} // namespace testutil
