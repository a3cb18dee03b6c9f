#include "platform/Blake2b.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

namespace {

constexpr std::array<std::uint64_t, 8> Iv { 0x6a09e667f3bcc908, 0xbb67ae8584caa73b, 0x3c6ef372fe94f82b,
    0xa54ff53a5f1d36f1, 0x510e527fade682d1, 0x9b05688c2b3e6c1f, 0x1f83d9abfb41bd6b, 0x5be0cd19137e2179 };

constexpr std::uint8_t Sigma[10][16] = {
    { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15 },
    { 14, 10, 4, 8, 9, 15, 13, 6, 1, 12, 0, 2, 11, 7, 5, 3 },
    { 11, 8, 12, 0, 5, 2, 15, 13, 10, 14, 3, 6, 7, 1, 9, 4 },
    { 7, 9, 3, 1, 13, 12, 11, 14, 2, 6, 5, 10, 4, 0, 15, 8 },
    { 9, 0, 5, 7, 2, 4, 10, 15, 14, 1, 11, 12, 6, 8, 3, 13 },
    { 2, 12, 6, 10, 0, 11, 8, 3, 4, 13, 7, 5, 15, 14, 1, 9 },
    { 12, 5, 1, 15, 14, 13, 4, 10, 0, 7, 6, 3, 9, 2, 8, 11 },
    { 13, 11, 7, 14, 12, 1, 3, 9, 5, 0, 15, 4, 8, 6, 2, 10 },
    { 6, 15, 14, 9, 11, 3, 0, 8, 12, 2, 13, 7, 1, 4, 10, 5 },
    { 10, 2, 8, 4, 7, 6, 1, 5, 15, 11, 9, 14, 3, 12, 13, 0 },
};

constexpr qsizetype BlockBytes = 128;

inline void mix(std::uint64_t* v, int a, int b, int c, int d, std::uint64_t x, std::uint64_t y)
{
    v[a] = v[a] + v[b] + x;
    v[d] = std::rotr(v[d] ^ v[a], 32);
    v[c] = v[c] + v[d];
    v[b] = std::rotr(v[b] ^ v[c], 24);
    v[a] = v[a] + v[b] + y;
    v[d] = std::rotr(v[d] ^ v[a], 16);
    v[c] = v[c] + v[d];
    v[b] = std::rotr(v[b] ^ v[c], 63);
}

// One round, its message order known when compiling: the twelve rounds are
// laid out in full, so that every word is read straight from the block.
template <int Round> inline void round(std::uint64_t* v, const std::uint64_t* m)
{
    constexpr const std::uint8_t* s = Sigma[Round % 10];
    mix(v, 0, 4, 8, 12, m[s[0]], m[s[1]]);
    mix(v, 1, 5, 9, 13, m[s[2]], m[s[3]]);
    mix(v, 2, 6, 10, 14, m[s[4]], m[s[5]]);
    mix(v, 3, 7, 11, 15, m[s[6]], m[s[7]]);
    mix(v, 0, 5, 10, 15, m[s[8]], m[s[9]]);
    mix(v, 1, 6, 11, 12, m[s[10]], m[s[11]]);
    mix(v, 2, 7, 8, 13, m[s[12]], m[s[13]]);
    mix(v, 3, 4, 9, 14, m[s[14]], m[s[15]]);
}

template <int... Rounds>
inline void rounds(std::uint64_t* v, const std::uint64_t* m, std::integer_sequence<int, Rounds...>)
{
    (round<Rounds>(v, m), ...);
}

// count is the number of bytes hashed so far, this block's included. Flat:
// only with every round inlined does GCC keep the state in registers, which
// doubles the speed.
__attribute__((flatten)) void compress(
    std::array<std::uint64_t, 8>& h, const unsigned char* block, std::uint64_t count, bool last)
{
    std::uint64_t m[16];
    for (int i = 0; i < 16; ++i)
        m[i] = qFromLittleEndian<std::uint64_t>(block + 8 * i);
    std::uint64_t v[16];
    std::copy(h.begin(), h.end(), v);
    std::copy(Iv.begin(), Iv.end(), v + 8);
    v[12] ^= count; // a count beyond 2^64 bytes would go into v[13]
    if (last) v[14] = ~v[14];
    rounds(v, m, std::make_integer_sequence<int, 12>());
    for (int i = 0; i < 8; ++i)
        h[i] ^= v[i] ^ v[i + 8];
}

} // namespace

QByteArray Blake2b::hash(QByteArrayView bytes, int digestSize)
{
    digestSize = std::clamp(digestSize, 1, 64);
    std::array<std::uint64_t, 8> h = Iv;
    h[0] ^= 0x01010000u ^ static_cast<std::uint64_t>(digestSize);
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    // Every block but the last, which is the one that may be short (and the
    // only one when there is nothing to hash).
    qsizetype done = 0;
    for (; size - done > BlockBytes; done += BlockBytes)
        compress(h, data + done, static_cast<std::uint64_t>(done + BlockBytes), false);
    unsigned char last[BlockBytes] = {};
    if (size > done) std::memcpy(last, data + done, static_cast<size_t>(size - done));
    compress(h, last, static_cast<std::uint64_t>(size), true);
    unsigned char digest[64];
    for (int i = 0; i < 8; ++i)
        qToLittleEndian(h[i], digest + 8 * i);
    return QByteArray(reinterpret_cast<const char*>(digest), digestSize);
}
