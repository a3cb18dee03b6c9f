#include "platform/Blake2b.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <gtest/gtest.h>

TEST(Blake2bTest, DigestsAreTheStandardOnesForEveryLengthAndSize)
{
    // RFC 7693's example: BLAKE2b-512 of "abc".
    EXPECT_EQ(Blake2b::hash("abc", 64).toHex(),
        "ba80a53f981c4d0d6a2797b69f12f6e94c212f14685ac4b74b12bb6fdbffa2d17d87c5392aab792dc252d5de4533cc9518d38aa8dbf192"
        "5"
        "ab92386edd4009923");
    // Qt's (the system's libb2) for lengths about the 128-byte blocks, and
    // a long run of blocks, at each size Qt offers.
    QRandomGenerator random(7);
    QByteArray bytes(3 * 128 + 5 + 40000, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = static_cast<char>(random.bounded(256));
    const std::pair<int, QCryptographicHash::Algorithm> sizes[]
        = { { 20, QCryptographicHash::Blake2b_160 }, { 32, QCryptographicHash::Blake2b_256 },
              { 48, QCryptographicHash::Blake2b_384 }, { 64, QCryptographicHash::Blake2b_512 } };
    for (const qsizetype length : { 0, 1, 127, 128, 129, 255, 256, 257, 3 * 128 + 5, 3 * 128 + 5 + 40000 }) {
        const QByteArrayView part = QByteArrayView(bytes).first(length);
        for (const auto& [size, algorithm] : sizes)
            EXPECT_EQ(Blake2b::hash(part, size), QCryptographicHash::hash(part, algorithm))
                << length << " bytes, digest of " << size;
    }
}
