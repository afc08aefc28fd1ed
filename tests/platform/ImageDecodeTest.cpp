#include <gtest/gtest.h>

#include "TestImages.h"
#include "platform/imaging/Bitmap.h"

namespace ti = testimages;
using platform::imaging::Bitmap;

// A decoded photograph holds four bytes a pixel and nothing more: the PNG
// encoder (screenshots, icons kept on the device) refuses any other size, so
// a buffer sized otherwise would make every JPEG picture unsavable.
TEST(ImageDecode, AJpegDecodesToExactlyItsPixelsAndCanBeSavedAgain) {
    const Bitmap source = ti::Make(12, 7, false, [](int x, int) { return x < 6 ? 0xFF0000FFu : 0x0000FFFFu; });
    const ti::Bytes jpeg = ti::Jpeg(source);
    Bitmap decoded;
    std::string error;
    ASSERT_TRUE(platform::imaging::Decode(jpeg.data(), jpeg.size(), decoded, {}, &error)) << error;
    EXPECT_EQ(decoded.width, 12);
    EXPECT_EQ(decoded.height, 7);
    EXPECT_EQ(decoded.rgba.size(), 12u * 7u * 4u);
    std::vector<uint8_t> png;
    EXPECT_TRUE(platform::imaging::EncodePng(decoded, png, &error)) << error;
}
