// The readers' size arithmetic in 32 bits: what a file claims must give the true row and picture
// sizes or a refusal, never a wrapped small number that the reader then walks past. The fuzz
// targets run 64-bit and cannot see these; the same templates run here with 32-bit types.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "picture/picture.h"
#include "picture/picture_size_math.h"

namespace {

using picture_size::product;
using picture_size::rowBytes;

void put32be(std::vector<uint8_t>& b, uint32_t v)
{
    for (int k = 3; k >= 0; --k) b.push_back(static_cast<uint8_t>(v >> (8 * k)));
}

}  // namespace

TEST(PictureSizeMath, RowsOfTheSunRasterAndBmpReadersNeverWrapIn32Bits)
{
    // 0x08000001 pixels of 32 bits: 2^32 + 32 bits, which a 32-bit multiplication wraps to 32.
    constexpr uint32_t kWide = 0x08000001;
    EXPECT_EQ(static_cast<uint32_t>(kWide * 32u), 32u);  // the wrap the readers used to make

    uint32_t stride32 = 0;
    uint64_t stride64 = 0;
    ASSERT_TRUE(rowBytes<uint32_t>(kWide, 32, 2, stride32));  // Sun raster: rows padded to 16 bits
    ASSERT_TRUE(rowBytes<uint64_t>(kWide, 32, 2, stride64));
    EXPECT_EQ(stride32, 0x20000004u);
    EXPECT_EQ(stride64, stride32);
    ASSERT_TRUE(rowBytes<uint32_t>(kWide, 32, 4, stride32));  // BMP: rows padded to 32 bits
    EXPECT_EQ(stride32, 0x20000004u);
    ASSERT_TRUE(rowBytes<uint32_t>(kWide, 1, 2, stride32));
    EXPECT_EQ(stride32, 0x01000002u);
    ASSERT_TRUE(rowBytes<uint32_t>(3, 24, 4, stride32));
    EXPECT_EQ(stride32, 12u);

    // A row or a picture that does not fit 32 bits is refused there and fits in 64.
    EXPECT_FALSE(rowBytes<uint32_t>(UINT32_MAX, 32, 4, stride32));
    EXPECT_TRUE(rowBytes<uint64_t>(UINT32_MAX, 32, 4, stride64));
    uint32_t need32 = 0;
    uint64_t need64 = 0;
    EXPECT_FALSE(product<uint32_t>(0x20000004u, 8, need32));
    EXPECT_TRUE(product<uint64_t>(0x20000004u, 8, need64));
    EXPECT_EQ(need64, uint64_t{0x20000004u} * 8);
    EXPECT_FALSE(product<uint64_t>(UINT64_MAX / 2, 3, need64));
    // Nonsense is refused in any width.
    EXPECT_FALSE(rowBytes<uint64_t>(uint64_t{1} << 33, 32, 4, stride64));
    EXPECT_FALSE(rowBytes<uint64_t>(10, 65, 4, stride64));
    EXPECT_FALSE(rowBytes<uint64_t>(10, 8, 0, stride64));
}

TEST(PictureSizeMath, ATinySunRasterThatClaimsAHugeRowIsRefusedUnread)
{
    // 36 bytes: a header of 0x08000001 x 1 pixels of 32 bits and four bytes of "pixels". With the
    // row wrapped to 4 bytes this allocated 512 MB and read far past the file.
    std::vector<uint8_t> ras;
    for (uint32_t v : {0x59A66A95u, 0x08000001u, 1u, 32u, 0u, 1u, 0u, 0u}) put32be(ras, v);
    ras.insert(ras.end(), {1, 2, 3, 4});
    ASSERT_EQ(ras.size(), 36u);
    CPicture picture;
    EXPECT_FALSE(picture.loadMemory(ras.data(), ras.size(), kFormatRas));
}
