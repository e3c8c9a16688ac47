// The skin PNG decoder: the files it handles decode to exactly their pixels,
// every other file is refused (so the caller's general decoder takes it), and
// damaged image data is a failure, never a read or write out of bounds.

#include "platform/PngDecode.h"

#include "common/PngBuilder.h"

#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace {

using testutil::PngChunk;

std::span<const uint8_t> Bytes(const std::string& file) {
    return {reinterpret_cast<const uint8_t*>(file.data()), file.size()};
}

constexpr uint8_t kPadding = 0xa5;

// Decodes into rows with 3 spare bytes each, which must stay untouched.
// Nothing when the file is refused; the rows (padding dropped) otherwise,
// empty when the decode failed.
std::optional<std::vector<uint8_t>> Decode(const std::string& file) {
    std::optional<png::PngLayout> layout = png::ReadPngLayout(Bytes(file));
    if (!layout)
        return std::nullopt;
    const size_t row = size_t(layout->width) * size_t(png::PngBytesPerPixel(layout->pixels));
    const size_t stride = row + 3;
    std::vector<uint8_t> rows(stride * layout->height, kPadding);
    if (!png::DecodePngRows(*layout, rows.data(), std::ptrdiff_t(stride)))
        return std::vector<uint8_t>{};
    std::vector<uint8_t> pixels;
    for (uint32_t y = 0; y < layout->height; ++y) {
        const auto begin = rows.begin() + std::ptrdiff_t(y * stride);
        pixels.insert(pixels.end(), begin, begin + std::ptrdiff_t(row));
        for (size_t i = row; i < stride; ++i)
            EXPECT_EQ(rows[y * stride + i], kPadding) << "row " << y << " written past its end";
    }
    return pixels;
}

TEST(PngDecode, DecodesRgbAndRgbaWithEveryFilter) {
    const std::vector<std::vector<uint8_t>> filterRuns = {{0}, {1}, {2}, {3}, {4}, {4, 3, 2, 1, 0}};
    for (int channels : {3, 4}) {
        for (const std::vector<uint8_t>& filters : filterRuns) {
            for (int idatCount : {1, 3}) {
                SCOPED_TRACE(testing::Message()
                             << channels << " channels, filters " << testing::PrintToString(filters)
                             << ", " << idatCount << " IDAT");
                const testutil::PngPicture picture = testutil::MakePicture(7, 6, channels);
                const std::string file =
                    testutil::PngFile(testutil::PngChunks(picture, filters, idatCount));
                std::optional<png::PngLayout> layout = png::ReadPngLayout(Bytes(file));
                ASSERT_TRUE(layout);
                EXPECT_EQ(layout->width, 7u);
                EXPECT_EQ(layout->height, 6u);
                EXPECT_EQ(layout->pixels,
                          channels == 4 ? png::PngPixels::Rgba : png::PngPixels::Rgb);
                EXPECT_EQ(Decode(file), testutil::BgrSamples(picture));
            }
        }
    }
}

TEST(PngDecode, IgnoresChunksThatChangeNoPixel) {
    const testutil::PngPicture picture = testutil::MakePicture(1, 1, 4);
    std::vector<PngChunk> chunks = testutil::PngChunks(picture, {0}, 2);
    // An empty IDAT between the two halves of the stream, a background colour
    // and modification times before and after the image data.
    chunks.insert(chunks.begin() + 2, {"IDAT", ""});
    chunks.insert(chunks.begin() + 1, {"bKGD", std::string(6, '\x10')});
    chunks.insert(chunks.begin() + 1, {"tIME", std::string(7, '\x01')});
    chunks.insert(chunks.end() - 1, {"tIME", std::string(7, '\x02')});
    EXPECT_EQ(Decode(testutil::PngFile(chunks)), testutil::BgrSamples(picture));
}

TEST(PngDecode, LeavesOtherFilesToTheGeneralDecoder) {
    const testutil::PngPicture picture = testutil::MakePicture(3, 2, 4);
    const std::vector<PngChunk> base = testutil::PngChunks(picture, {0}, 2); // IHDR IDAT IDAT IEND
    const std::string good = testutil::PngFile(base);
    using Edit = std::function<void(std::vector<PngChunk>&)>;
    const auto header = [](uint32_t w, uint32_t h, uint8_t depth, uint8_t colour,
                           uint8_t interlace) {
        return Edit([=](std::vector<PngChunk>& c) {
            c[0].data = testutil::PngHeaderData(w, h, depth, colour, interlace);
        });
    };
    const auto insert = [](size_t at, std::string type, size_t length) {
        return Edit([=](std::vector<PngChunk>& c) {
            c.insert(c.begin() + std::ptrdiff_t(at), {type, std::string(length, '\x01')});
        });
    };
    const struct {
        const char* name;
        Edit edit;
    } chunkCases[] = {
        {"gray", header(3, 2, 8, 0, 0)},
        {"palette", header(3, 2, 8, 3, 0)},
        {"gray and alpha", header(3, 2, 8, 4, 0)},
        {"16-bit", header(3, 2, 16, 6, 0)},
        {"4-bit", header(3, 2, 4, 2, 0)},
        {"interlaced", header(3, 2, 8, 6, 1)},
        {"no width", header(0, 2, 8, 6, 0)},
        {"no height", header(3, 0, 8, 6, 0)},
        {"width over the PNG limit", header(0x80000000u, 1, 8, 6, 0)},
        {"more pixels than the cap", header(4097, 4096, 8, 6, 0)},
        {"short header", [](auto& c) { c[0].data.pop_back(); }},
        {"bad CRC in IHDR", [](auto& c) { c[0].badCrc = true; }},
        {"bad CRC in IDAT", [](auto& c) { c[2].badCrc = true; }},
        {"bad CRC in IEND", [](auto& c) { c[3].badCrc = true; }},
        {"header not first", insert(0, "tIME", 7)},
        {"second header", insert(1, "IHDR", 13)},
        {"resolution (pHYs)", insert(1, "pHYs", 9)},
        {"gamma", insert(1, "gAMA", 4)},
        {"sRGB", insert(1, "sRGB", 1)},
        {"ICC profile", insert(1, "iCCP", 20)},
        {"chromaticities", insert(1, "cHRM", 32)},
        {"significant bits", insert(1, "sBIT", 4)},
        {"transparency", insert(1, "tRNS", 6)},
        {"suggested palette", insert(1, "PLTE", 3)},
        {"text", insert(1, "tEXt", 5)},
        {"unknown ancillary chunk", insert(1, "abCd", 2)},
        {"unknown critical chunk", insert(1, "ABCD", 2)},
        {"background of the wrong size", insert(1, "bKGD", 2)},
        {"background after the image data", insert(3, "bKGD", 6)},
        {"image data split by another chunk", insert(2, "tIME", 7)},
        {"no image data", [](auto& c) { c.erase(c.begin() + 1, c.begin() + 3); }},
        {"IEND with data", [](auto& c) { c[3].data.push_back('x'); }},
        {"no IEND", [](auto& c) { c.pop_back(); }},
        {"a chunk after IEND", insert(4, "tIME", 7)},
    };
    for (const auto& c : chunkCases) {
        SCOPED_TRACE(c.name);
        std::vector<PngChunk> chunks = base;
        c.edit(chunks);
        EXPECT_FALSE(png::ReadPngLayout(Bytes(testutil::PngFile(chunks))));
    }

    const struct {
        const char* name;
        std::string file;
    } fileCases[] = {
        {"empty", ""},
        {"signature only", good.substr(0, 8)},
        {"wrong signature", "\x89PNG\r\n\x1a\r" + good.substr(8)},
        {"cut inside IHDR", good.substr(0, 20)},
        {"cut inside IDAT", good.substr(0, 50)},
        {"last byte missing", good.substr(0, good.size() - 1)},
        {"a byte after IEND", good + "x"},
        // An IDAT length far past the end of the file (its CRC cannot be read).
        {"chunk length past the end", good.substr(0, 33) + "\x7f\xff\xff\xf0" + good.substr(37)},
        {"chunk length over the PNG limit",
         good.substr(0, 33) + "\xff\xff\xff\xf0" + good.substr(37)},
    };
    ASSERT_EQ(good.substr(37, 4), "IDAT");
    for (const auto& c : fileCases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(png::ReadPngLayout(Bytes(c.file)));
    }
}

TEST(PngDecode, DamagedImageDataFails) {
    const testutil::PngPicture picture = testutil::MakePicture(4, 3, 3);
    const std::string rows = testutil::FilteredRows(picture, {1, 4, 2});
    const std::string stream = testutil::StoredZlib(rows);
    std::string badChecksum = stream;
    badChecksum.back() ^= 1;
    const struct {
        const char* name;
        std::vector<std::string> idat;
    } cases[] = {
        {"a row short", {testutil::StoredZlib(rows.substr(0, rows.size() - 13))}},
        {"a byte short", {testutil::StoredZlib(rows.substr(0, rows.size() - 1))}},
        {"a row too many", {testutil::StoredZlib(rows + rows.substr(0, 13))}},
        {"unknown filter type", {testutil::StoredZlib(std::string(1, '\x05') + rows.substr(1))}},
        {"bad zlib checksum", {badChecksum}},
        {"stream cut off", {stream.substr(0, stream.size() - 6)}},
        {"no zlib stream", {std::string(20, '\xff')}},
        {"data after the stream", {stream + "x"}},
        {"an IDAT after the stream", {stream, "x"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<PngChunk> chunks = {{"IHDR", testutil::PngHeaderData(4, 3, 8, 2)}};
        for (const std::string& data : c.idat)
            chunks.push_back({"IDAT", data});
        chunks.push_back({"IEND", ""});
        EXPECT_EQ(Decode(testutil::PngFile(chunks)), std::vector<uint8_t>{});
    }
    // The same rows, whole, decode.
    const std::string whole = testutil::PngFile(
        {{"IHDR", testutil::PngHeaderData(4, 3, 8, 2)}, {"IDAT", stream}, {"IEND", ""}});
    EXPECT_EQ(Decode(whole), testutil::BgrSamples(picture));
}

} // namespace
