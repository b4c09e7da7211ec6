#include "platform/terrain/ImageHeader.h"

#include <OgreString.h>

namespace platform {

const char* const IMAGE_SIZE_KINDS = "PNG, JPEG, BMP, GIF, PGM, PPM or TGA";

namespace {

// Bytes in order from the stream; past its end every byte is 0 and `ok` false.
class HeaderBytes {
public:
    explicit HeaderBytes(Ogre::DataStream& stream) : mStream(stream) {}

    bool ok() const { return mOk; }

    unsigned byte()
    {
        unsigned char b = 0;
        if (mOk && mStream.read(&b, 1) != 1) mOk = false;
        return mOk ? b : 0;
    }
    // Read, not skipped: streams of some kinds may not be skipped past their end.
    void skip(std::uint32_t count)
    {
        char buffer[4096];
        while (mOk && count > 0) {
            const std::size_t chunk = count < sizeof buffer ? count : sizeof buffer;
            if (mStream.read(buffer, chunk) != chunk) mOk = false;
            count -= std::uint32_t(chunk);
        }
    }
    std::uint32_t bigEndian(int bytes)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < bytes; ++i) value = value << 8 | byte();
        return value;
    }
    std::uint32_t littleEndian(int bytes)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < bytes; ++i) value |= std::uint32_t(byte()) << (8 * i);
        return value;
    }

private:
    Ogre::DataStream& mStream;
    bool mOk = true;
};

// After the signature: its first chunk, IHDR, holds width and height.
bool pngSize(HeaderBytes& in, std::uint32_t& width, std::uint32_t& height)
{
    const unsigned char rest[] = {'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (unsigned char c : rest)
        if (in.byte() != c) return false;
    in.skip(4);  // the chunk's length
    if (in.bigEndian(4) != 0x49484452) return false;  // "IHDR"
    width = in.bigEndian(4);
    height = in.bigEndian(4);
    return in.ok();
}

// After the start of image: segments up to the first frame header (a start of
// frame marker of any coding), which holds height and width.
bool jpegSize(HeaderBytes& in, std::uint32_t& width, std::uint32_t& height)
{
    for (;;) {
        if (in.byte() != 0xFF) return false;
        unsigned marker;
        do marker = in.byte();
        while (marker == 0xFF && in.ok());  // fill bytes
        if (!in.ok()) return false;
        const bool standalone = marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8);
        if (standalone) continue;
        if (marker == 0xD9 || marker == 0xDA) return false;  // the image or its scan before any frame
        const std::uint32_t length = in.bigEndian(2);
        if (length < 2) return false;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            in.skip(1);  // sample precision
            height = in.bigEndian(2);
            width = in.bigEndian(2);
            return in.ok();
        }
        in.skip(length - 2);
    }
}

// After "BM": the rest of the file header, then the bitmap header, whose size
// tells the old form (16-bit sizes) from the later ones (32-bit, the height
// negative for rows stored top down).
bool bmpSize(HeaderBytes& in, std::uint32_t& width, std::uint32_t& height)
{
    in.skip(12);
    const std::uint32_t headerSize = in.littleEndian(4);
    if (headerSize == 12) {
        width = in.littleEndian(2);
        height = in.littleEndian(2);
        return in.ok();
    }
    const auto w = std::int32_t(in.littleEndian(4)), h = std::int32_t(in.littleEndian(4));
    if (w < 0) return false;
    width = std::uint32_t(w);
    height = h < 0 ? std::uint32_t(0) - std::uint32_t(h) : std::uint32_t(h);
    return in.ok();
}

// After "GI": "F87a" or "F89a", then the logical screen's width and height.
bool gifSize(HeaderBytes& in, std::uint32_t& width, std::uint32_t& height)
{
    if (in.byte() != 'F' || in.byte() != '8') return false;
    const unsigned version = in.byte();
    if ((version != '7' && version != '9') || in.byte() != 'a') return false;
    width = in.littleEndian(2);
    height = in.littleEndian(2);
    return in.ok();
}

// After "P<digit>": width and height in decimal, after white space and
// comments that run from '#' to the end of their line.
bool pnmSize(HeaderBytes& in, std::uint32_t& width, std::uint32_t& height)
{
    unsigned c = in.byte();
    auto number = [&](std::uint32_t& value) {
        for (;;) {
            if (c == '#') {
                while (in.ok() && c != '\n' && c != '\r') c = in.byte();
            } else if (c == ' ' || (c >= '\t' && c <= '\r')) {
                c = in.byte();
            } else {
                break;
            }
            if (!in.ok()) return false;
        }
        if (c < '0' || c > '9') return false;
        std::uint64_t v = 0;
        for (; in.ok() && c >= '0' && c <= '9'; c = in.byte())
            if ((v = v * 10 + (c - '0')) > 0xFFFFFFFFu) return false;
        value = std::uint32_t(v);
        return true;
    };
    return number(width) && number(height);
}

// The 18-byte header: width and height at bytes 12 and 14.
bool tgaSize(HeaderBytes& in, std::uint32_t& width, std::uint32_t& height)
{
    in.skip(10);
    width = in.littleEndian(2);
    height = in.littleEndian(2);
    return in.ok();
}

}  // namespace

bool readImageSize(Ogre::DataStream& stream, const std::string& extension, std::uint32_t& width,
                   std::uint32_t& height)
{
    HeaderBytes in(stream);
    const unsigned first = in.byte(), second = in.byte();
    if (!in.ok()) return false;
    if (first == 0x89 && second == 'P') return pngSize(in, width, height);
    if (first == 0xFF && second == 0xD8) return jpegSize(in, width, height);
    if (first == 'B' && second == 'M') return bmpSize(in, width, height);
    if (first == 'G' && second == 'I') return gifSize(in, width, height);
    if (first == 'P' && second >= '1' && second <= '6') return pnmSize(in, width, height);
    Ogre::String lower = extension;
    Ogre::StringUtil::toLowerCase(lower);
    if (lower == "tga") return tgaSize(in, width, height);
    return false;
}

}  // namespace platform
