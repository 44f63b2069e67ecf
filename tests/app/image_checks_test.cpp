#include "app/image_checks.h"

#include <gtest/gtest.h>

namespace {

TEST(ImageChecks, HasTransparencyLooksAtAlphaOnlyFor32Bits) {
    struct Case {
        const char* name;
        int bitsPerPixel;
        uint8_t lastAlpha;
        bool expected;
    };
    const Case cases[] = {
        {"32-bit, all opaque", 32, 255, false},
        {"32-bit, last pixel 254", 32, 254, true},
        {"32-bit, last pixel 0", 32, 0, true},
        {"24-bit: alpha bytes mean nothing", 24, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Image image = *CreateImage(3, 2, 32, {1, 2, 3, 255});
        image.at(2, 1)[3] = c.lastAlpha;
        image.bitsPerPixel = c.bitsPerPixel;
        EXPECT_EQ(HasTransparency(image), c.expected);
    }
}

TEST(ImageChecks, EnsureRgba32MakesEveryPixelOpaque) {
    Image image = *CreateImage(2, 2, 32, {10, 20, 30, 7});
    image.bitsPerPixel = 24;
    Image converted = EnsureRgba32(std::move(image));
    EXPECT_EQ(converted.bitsPerPixel, 32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) EXPECT_EQ(GetPixel(converted, x, y), (Rgba{10, 20, 30, 255}));

    Image withAlpha = *CreateImage(1, 1, 32, {1, 2, 3, 4});
    EXPECT_EQ(GetPixel(EnsureRgba32(std::move(withAlpha)), 0, 0), (Rgba{1, 2, 3, 4}));
}

}  // namespace
