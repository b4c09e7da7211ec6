#include "platform/terrain/ImageHeader.h"

#include <OgreImage.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "HeadlessOgre.h"

namespace {

Ogre::DataStreamPtr streamOf(const std::string& bytes)
{
    auto* copy = new std::vector<char>(bytes.begin(), bytes.end());
    struct Owned : Ogre::MemoryDataStream {
        Owned(std::vector<char>* data) : Ogre::MemoryDataStream(data->data(), data->size()), mData(data) {}
        ~Owned() override { delete mData; }
        std::vector<char>* mData;
    };
    return Ogre::DataStreamPtr(new Owned(copy));
}

std::string littleEndian(std::uint32_t value, int bytes)
{
    std::string out;
    for (int i = 0; i < bytes; ++i) out += char(value >> (8 * i) & 0xFF);
    return out;
}

std::string bigEndian(std::uint32_t value, int bytes)
{
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) out += char(value >> (8 * i) & 0xFF);
    return out;
}

std::string pngOf3x2()
{
    Ogre::Image image(Ogre::PF_L8, 3, 2);
    image.getData()[0] = 0;
    Ogre::DataStreamPtr encoded = image.encode("png");
    return encoded->getAsString();
}

// 3 x 2 grey, made by an image program; a JFIF segment before the frame header.
const std::string jpegOf3x2(
    "\xff\xd8\xff\xe0\x00\x10\x4a\x46\x49\x46\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00\xff\xdb\x00\x43"
    "\x00\x10\x0b\x0c\x0e\x0c\x0a\x10\x0e\x0d\x0e\x12\x11\x10\x13\x18\x28\x1a\x18\x16\x16\x18\x31\x23"
    "\x25\x1d\x28\x3a\x33\x3d\x3c\x39\x33\x38\x37\x40\x48\x5c\x4e\x40\x44\x57\x45\x37\x38\x50\x6d\x51"
    "\x57\x5f\x62\x67\x68\x67\x3e\x4d\x71\x79\x70\x64\x78\x5c\x65\x67\x63\xff\xc0\x00\x0b\x08\x00\x02"
    "\x00\x03\x01\x01\x11\x00\xff\xc4\x00\x14\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x00\x01\xff\xc4\x00\x14\x10\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x00\xff\xda\x00\x08\x01\x01\x00\x00\x3f\x00\x1f\xff\xd9", 159);

// 3 x 2, a global table of two colours, one image of the logical screen's size
// (its data made by an image program).
const std::string gifOf3x2("GIF89a\x03\x00\x02\x00\xf0\x00\x00"
                           "\x7e\x7e\x7e\x00\x00\x00"
                           "\x2c\x00\x00\x00\x00\x03\x00\x02\x00\x00"
                           "\x02\x02\x84\x5f\x00\x3b",
                           35);

// 24 bits per pixel, rows padded to 4 bytes, stored bottom up.
std::string bmpOf3x2(int height = 2)
{
    const std::uint32_t pixels = 12 * 2;
    std::string bmp = "BM" + littleEndian(14 + 40 + pixels, 4) + littleEndian(0, 4) + littleEndian(14 + 40, 4);
    bmp += littleEndian(40, 4) + littleEndian(3, 4) + littleEndian(std::uint32_t(height), 4) + littleEndian(1, 2) +
           littleEndian(24, 2) + littleEndian(0, 4) + littleEndian(pixels, 4) + std::string(16, '\0');
    return bmp + std::string(pixels, '\x40');
}

const std::string pgmOf3x2 = "P5\n# made by hand\n3 2\n255\n" + std::string(6, '\x80');

// Uncompressed grey, 8 bits per pixel.
const std::string tgaOf3x2 = std::string("\0\0\x03\0\0\0\0\0\0\0\0\0", 12) + littleEndian(3, 2) + littleEndian(2, 2) +
                             "\x08" + std::string(1, '\0') + std::string(6, '\x80');

// The size the header gives is the size the decoder finds.
TEST(ImageHeader, SizeOfEachKindIsTheDecodedSize)
{
    const struct {
        const char* extension;
        std::string bytes;
    } cases[] = {
        {"png", pngOf3x2()}, {"jpg", jpegOf3x2}, {"gif", gifOf3x2},
        {"bmp", bmpOf3x2()}, {"pgm", pgmOf3x2}, {"tga", tgaOf3x2},
    };
    for (const auto& c : cases) {
        std::uint32_t width = 0, height = 0;
        ASSERT_TRUE(platform::readImageSize(*streamOf(c.bytes), c.extension, width, height)) << c.extension;
        EXPECT_EQ(width, 3u) << c.extension;
        EXPECT_EQ(height, 2u) << c.extension;
        Ogre::Image decoded;
        decoded.load(streamOf(c.bytes), c.extension);
        EXPECT_EQ(decoded.getWidth(), 3u) << c.extension;
        EXPECT_EQ(decoded.getHeight(), 2u) << c.extension;
    }
}

// Forms the small images above do not show, worked from the formats' layouts.
TEST(ImageHeader, OtherFormsOfTheHeaders)
{
    const std::string jpegFrame = "\xff\xc2" + bigEndian(17, 2) + "\x08" + bigEndian(1200, 2) + bigEndian(1900, 2);
    const std::string bmpCore = "BM" + std::string(12, '\0') + littleEndian(12, 4) + littleEndian(640, 2) +
                                littleEndian(480, 2);
    const struct {
        const char* what;
        const char* extension;
        std::string bytes;
        std::uint32_t width, height;
    } cases[] = {
        {"a bitmap stored top down", "bmp", bmpOf3x2(-2), 3, 2},
        {"a bitmap of the old form", "bmp", bmpCore, 640, 480},
        {"a progressive JPEG after fill bytes and a restart marker",
         "jpeg", std::string("\xff\xd8\xff\xff\xff\xd0", 6) + "\xff\xfe" + bigEndian(5, 2) + "abc" + jpegFrame, 1900, 1200},
        {"a PNG of 20000 x 20000 with nothing after its header", "png",
         std::string("\x89PNG\r\n\x1a\n", 8) + bigEndian(13, 4) + "IHDR" + bigEndian(20000, 4) + bigEndian(20000, 4),
         20000, 20000},
        {"a PPM with comments between the numbers", "ppm", "P6 #w\n 4097#h\n\t7\n255\n", 4097, 7},
        {"a TGA of any case of extension", "TGA", tgaOf3x2, 3, 2},
    };
    for (const auto& c : cases) {
        std::uint32_t width = 0, height = 0;
        ASSERT_TRUE(platform::readImageSize(*streamOf(c.bytes), c.extension, width, height)) << c.what;
        EXPECT_EQ(width, c.width) << c.what;
        EXPECT_EQ(height, c.height) << c.what;
    }
}

TEST(ImageHeader, NoSizeWithoutAHeaderThatGivesIt)
{
    const std::string png = pngOf3x2();
    const struct {
        const char* what;
        const char* extension;
        std::string bytes;
    } cases[] = {
        {"no picture", "png", "no picture"},
        {"nothing", "png", ""},
        {"a PNG cut short in its header", "png", png.substr(0, 20)},
        {"a PNG whose first chunk is not IHDR", "png", png.substr(0, 12) + "IDAT" + png.substr(16)},
        {"a JPEG whose scan comes before any frame", "jpg", std::string("\xff\xd8\xff\xda\x00\x08", 6)},
        {"a JPEG that ends in a segment", "jpg", std::string("\xff\xd8\xff\xe0\x00\x10JFIF", 10)},
        {"a bitmap of negative width", "bmp",
         "BM" + std::string(12, '\0') + littleEndian(40, 4) + littleEndian(std::uint32_t(-3), 4) + littleEndian(2, 4)},
        {"a PGM without its height", "pgm", "P5 3"},
        {"a TGA under another name", "png", tgaOf3x2},
    };
    for (const auto& c : cases) {
        std::uint32_t width = 0, height = 0;
        EXPECT_FALSE(platform::readImageSize(*streamOf(c.bytes), c.extension, width, height)) << c.what;
    }
}

}  // namespace
