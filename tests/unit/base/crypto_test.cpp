// The system's cryptography through the one seam, on both back ends (libcrypto, CNG), against the
// published vectors: SHA-256 (FIPS 180-2), HMAC-SHA256 (RFC 4231), AES-256-GCM (the GCM
// mode's original test cases 13 to 16, as NIST publishes them), PBKDF2-HMAC-SHA256 (RFC 7914)
// and HKDF-SHA256 (RFC 5869). Both systems giving these bytes is what lets a file sealed by one be
// opened by the other, and by a browser's WebCrypto.

#include <gtest/gtest.h>

#include <set>
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

namespace {

std::string bytes(std::string_view hex)
{
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return out;
}

std::string hex(std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

}  // namespace

TEST(CryptoTest, Aes256GcmSealsThePublishedVectorsAndOpensThemAgain)
{
    struct Case {
        const char *key, *nonce, *associated, *plain, *sealed;
    };
    const Case cases[] = {
        // 13: nothing at all; only the tag.
        {"0000000000000000000000000000000000000000000000000000000000000000", "000000000000000000000000", "", "",
         "530f8afbc74536b9a963b4f1c4cb738b"},
        // 14: one block.
        {"0000000000000000000000000000000000000000000000000000000000000000", "000000000000000000000000", "",
         "00000000000000000000000000000000", "cea7403d4d606b6e074ec5d3baf39d18d0d1c8a799996bf0265b98b5d48ab919"},
        // 16: associated data and a last block cut short.
        {"feffe9928665731c6d6a8f9467308308feffe9928665731c6d6a8f9467308308", "cafebabefacedbaddecaf888",
         "feedfacedeadbeeffeedfacedeadbeefabaddad2",
         "d9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a721c3c0c95956809532fcf0e2449a6b525b16aedf5aa0d"
         "e657ba637b39",
         "522dc1f099567d07f47f37a32a84427d643a8cdcbfe5c0c97598a2bd2555d1aa8cb08e48590dbb3da7b08b1056828838c5f61e6393ba"
         "7a0abcc9f66276fc6ece0f4e1768cddf8853bb2d551b"},
    };
    for (const Case& c : cases) {
        const std::string key = bytes(c.key), nonce = bytes(c.nonce), associated = bytes(c.associated);
        const std::string sealed = aes256GcmSeal(key, nonce, associated, bytes(c.plain));
        EXPECT_EQ(hex(sealed), c.sealed);
        const std::optional<std::string> plain = aes256GcmOpen(key, nonce, associated, sealed);
        ASSERT_TRUE(plain);
        EXPECT_EQ(hex(*plain), c.plain);
    }
}

TEST(CryptoTest, Aes256GcmOpensNothingThatWasChangedOrSealedForSomethingElse)
{
    const std::string key = randomBytes(kAesKeyBytes);
    const std::string nonce = randomBytes(kGcmNonceBytes);
    const std::string plain(100000, 'x');
    const std::string sealed = aes256GcmSeal(key, nonce, "album 1/photo-3", plain);
    ASSERT_EQ(sealed.size(), plain.size() + kGcmTagBytes);
    EXPECT_EQ(aes256GcmOpen(key, nonce, "album 1/photo-3", sealed), plain);

    std::string flipped = sealed;
    flipped[50000] ^= 1;
    EXPECT_FALSE(aes256GcmOpen(key, nonce, "album 1/photo-3", flipped));
    flipped = sealed;
    flipped.back() = static_cast<char>(flipped.back() ^ 0x40);  // the tag
    EXPECT_FALSE(aes256GcmOpen(key, nonce, "album 1/photo-3", flipped));
    EXPECT_FALSE(aes256GcmOpen(key, nonce, "album 1/thumb-3", sealed));  // another role
    EXPECT_FALSE(aes256GcmOpen(randomBytes(kAesKeyBytes), nonce, "album 1/photo-3", sealed));
    EXPECT_FALSE(aes256GcmOpen(key, randomBytes(kGcmNonceBytes), "album 1/photo-3", sealed));
    EXPECT_FALSE(aes256GcmOpen(key, nonce, "album 1/photo-3", sealed.substr(0, sealed.size() - 1)));
    EXPECT_FALSE(aes256GcmOpen(key, nonce, "album 1/photo-3", sealed.substr(0, kGcmTagBytes - 1)));
}

TEST(CryptoTest, Pbkdf2AndHkdfDeriveThePublishedKeys)
{
    EXPECT_EQ(hex(pbkdf2Sha256("passwd", "salt", 1, 64)),
              "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
              "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783");
    EXPECT_EQ(hex(pbkdf2Sha256("Password", "NaCl", 80000, 64)),
              "4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56"
              "a1d425a1225833549adb841b51c9b3176a272bdebba1d078478f62b397f33c8d");

    const std::string ikm(22, '\x0b');
    EXPECT_EQ(hex(hkdfSha256(ikm, bytes("000102030405060708090a0b0c"), bytes("f0f1f2f3f4f5f6f7f8f9"), 42)),
              "3cb25f25faacd57a90434f64d0362f2a2d2d0a90cf1a5a4c5db02d56ecc4c5bf34007208d5b887185865");
    EXPECT_EQ(hex(hkdfSha256(ikm, "", "", 42)),
              "8da4e775a563c18f715f802a063c5a31b8a11f5c5ee1879ec3454e5f3c738d2d9d201395faa4b61a96c8");
}

TEST(CryptoTest, RandomBytesDoNotRepeat)
{
    std::set<std::string> seen;
    for (int i = 0; i < 64; ++i) seen.insert(randomBytes(kGcmNonceBytes));
    EXPECT_EQ(seen.size(), 64u);
    EXPECT_EQ(randomBytes(0), "");
}
