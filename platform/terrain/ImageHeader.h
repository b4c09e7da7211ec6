#pragma once
// The pixel size an image file declares in its header, read without decoding
// the pixels: a small file may hold a picture of billions of pixels, and a
// decoder asked for it takes all the memory it needs first.
#include <OgreDataStream.h>

#include <cstdint>
#include <string>

namespace platform {

// The kinds readImageSize knows, for messages.
extern const char* const IMAGE_SIZE_KINDS;  // "PNG, JPEG, BMP, GIF, PGM, PPM or TGA"

// Reads the stream's first bytes: PNG, JPEG, BMP, GIF and the PNM family by
// their signatures, TGA (which has none) by the extension ("tga", any case).
// False for another kind of file or a header cut short.
bool readImageSize(Ogre::DataStream& stream, const std::string& extension, std::uint32_t& width,
                   std::uint32_t& height);

}  // namespace platform
