// The system's SHA-256 and HMAC-SHA256 through the one seam, on both back ends (libcrypto, CNG),
// against the published vectors (FIPS 180-2, RFC 4231).

#include <gtest/gtest.h>

#include <string>

#include "base/crypto.h"

TEST(CryptoTest, Sha256AndHmacGiveThePublishedDigestsInOneStepOrPieceByPiece)
{
    EXPECT_EQ(hexDigest(sha256("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(hexDigest(sha256("")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    // A million 'a', fed in uneven pieces; the object starts again after finish().
    Sha256 hash;
    const std::string piece(999, 'a');
    for (int i = 0; i < 1001; ++i) hash.add(piece);
    hash.add(std::string(1000000 - 999 * 1001, 'a'));
    EXPECT_EQ(hexDigest(hash.finish()), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    hash.add("abc");
    EXPECT_EQ(hexDigest(hash.finish()), hexDigest(sha256("abc")));

    EXPECT_EQ(hexDigest(hmacSha256("Jefe", "what do ya want for nothing?")),
              "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
    // A key longer than the block is hashed first (RFC 4231 case 6).
    EXPECT_EQ(hexDigest(hmacSha256(std::string(131, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First")),
              "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54");
    EXPECT_EQ(hexDigest(hmacSha256("", "")), "b613679a0814d9ec772f95d778c35fc5ff1697c493715653c6c712144292c5ad");
}
