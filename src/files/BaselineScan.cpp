#include "files/BaselineScan.h"

#include <algorithm>
#include <bit>
#include <bitset>
#include <cstring>

namespace {

// Where the k-th coefficient of the zigzag order stands in a block.
constexpr std::array<uint8_t, 64> NaturalOrder = { 0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5, 12, 19, 26,
    33, 40, 48, 41, 34, 27, 20, 13, 6, 7, 14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63 };

// The largest sizes (bits of a coefficient's magnitude) 8-bit samples give.
constexpr int MaxDcSize = 11;
constexpr int MaxAcSize = 10;

// A table's codes, made as JPEG makes them from the counts (shortest first,
// counting up); false for a table that libjpeg refuses too (more codes of a
// length than fit, or a code of all ones).
struct Codes {
    std::array<uint16_t, 256> code {};
    std::array<uint8_t, 256> length {}; // 0: no code
};

bool makeCodes(const BaselineScan::CodeTable& table, Codes& codes)
{
    if (!table.present) return false;
    int index = 0;
    uint32_t code = 0;
    for (int length = 1; length <= 16; ++length) {
        for (int i = 0; i < table.counts[length]; ++i) {
            if (index >= 256) return false;
            const uint8_t symbol = table.symbols[index++];
            if (codes.length[symbol] != 0) return false; // a symbol twice
            codes.code[symbol] = static_cast<uint16_t>(code++);
            codes.length[symbol] = static_cast<uint8_t>(length);
        }
        if (code >= (1u << length)) return false;
        code <<= 1;
    }
    return true;
}

// Decoding: codes of up to LookAhead bits from one table look-up, longer
// ones length by length.
constexpr int LookAhead = 10;

struct Decoder {
    std::array<uint16_t, 1 << LookAhead> fast {}; // length << 8 | symbol; 0 for a longer code
    std::array<int32_t, 18> largest {}; // the largest code of each length, -1 when none
    std::array<int32_t, 17> firstIndex {}; // index of a length's first symbol, less its first code
    std::array<uint8_t, 256> symbols {};
    // For AC coefficients that are passed over: the bits a code and its
    // value take, and how far it moves along the block (64: to its end),
    // as bits | advance << 5; 0 when they do not fit in LookAhead bits.
    std::array<uint16_t, 1 << LookAhead> skip {};
};

constexpr int ToTheEnd = 64;

bool makeDecoder(const BaselineScan::CodeTable& table, Decoder& decoder)
{
    Codes codes;
    if (!makeCodes(table, codes)) return false;
    decoder.symbols = table.symbols;
    int index = 0;
    int32_t code = 0;
    for (int length = 1; length <= 16; ++length) {
        const int count = table.counts[length];
        decoder.firstIndex[length] = index - code;
        decoder.largest[length] = count ? code + count - 1 : -1;
        for (int i = 0; i < count; ++i, ++index, ++code) {
            if (length > LookAhead) continue;
            const int spread = LookAhead - length;
            const auto entry = static_cast<uint16_t>(length << 8 | table.symbols[index]);
            std::fill_n(decoder.fast.begin() + (code << spread), 1 << spread, entry);
        }
        code <<= 1;
    }
    decoder.largest[17] = INT32_MAX; // ends the search of a code that is no code
    for (size_t bits = 0; bits < decoder.fast.size(); ++bits) {
        const int entry = decoder.fast[bits];
        const int length = entry >> 8;
        const int run = (entry >> 4) & 15;
        const int size = entry & 15;
        if (length == 0 || length + size > LookAhead) continue;
        const int advance = size > 0 ? run + 1 : run == 0 ? ToTheEnd : run == 15 ? 16 : 0;
        if (advance > 0) decoder.skip[bits] = static_cast<uint16_t>((length + size) | advance << 5);
    }
    return true;
}

bool holdsFF(uint64_t word)
{
    const uint64_t inverse = ~word; // a byte of it is zero where word has 0xFF
    return ((inverse - 0x0101010101010101) & ~inverse & 0x8080808080808080) != 0;
}

// Reads the coded data bit by bit, taking out the zero byte stuffed after
// each 0xFF. At a marker (or the end of the bytes) it stops taking bytes in
// and feeds zeros, counting them: reading one of those means that the data
// was cut short.
class BitReader {
public:
    BitReader(const uint8_t* data, qsizetype size, qsizetype at)
        : m_data(data)
        , m_size(size)
        , m_start(at)
        , m_at(at)
    {
    }

    // At least 32 bits at hand: a code and its value need 27 at most.
    void fill()
    {
        if (m_count < 32) refill();
    }

    uint32_t peek(int n) const { return static_cast<uint32_t>(m_bits >> (m_count - n)) & ((1u << n) - 1); }
    void skip(int n) { m_count -= n; }
    uint32_t take(int n)
    {
        const uint32_t value = peek(n);
        m_count -= n;
        return value;
    }

    // A symbol coded with decoder; -1 for a code the table lacks.
    int decode(const Decoder& decoder)
    {
        const uint16_t entry = decoder.fast[peek(LookAhead)];
        if (entry != 0) {
            m_count -= entry >> 8;
            return entry & 0xFF;
        }
        int length = LookAhead + 1;
        auto code = static_cast<int32_t>(peek(length));
        while (code > decoder.largest[length]) {
            if (++length > 16) return -1;
            code = static_cast<int32_t>(peek(length));
        }
        m_count -= length;
        return decoder.symbols[static_cast<size_t>(decoder.firstIndex[length] + code)];
    }

    // Whether every bit read so far was in the data.
    bool sound() const { return m_count >= m_fed; }

    // At a restart marker or the end: the bits left of a started byte are
    // padding; a whole byte left is data no block took.
    bool onlyPaddingLeft() const { return sound() && m_count - m_fed < 8; }

    // Where the next bit is, found by stepping back over the bytes held
    // (a 0xFF then 0x00 is one byte of data, stuffed: the data never holds
    // 0xFF otherwise).
    BaselineScan::Position position() const
    {
        const int held = m_count - m_fed;
        qsizetype at = m_at;
        for (int i = 0; i < (held + 7) / 8; ++i)
            at -= at - 2 >= m_start && m_data[at - 1] == 0 && m_data[at - 2] == 0xFF ? 2 : 1;
        return { at, (8 - held % 8) % 8 };
    }

    // Once only padding is left: steps over the fill bytes and the marker
    // of code after them; false when another marker stands there.
    bool passMarker(uint8_t code)
    {
        qsizetype at = m_at;
        if (at >= m_size || m_data[at] != 0xFF) return false;
        while (at < m_size && m_data[at] == 0xFF)
            ++at;
        if (at >= m_size || m_data[at] != code) return false;
        m_at = at + 1;
        m_bits = 0;
        m_count = 0;
        m_fed = 0;
        m_atMarker = false;
        return true;
    }

    // The next byte to take in: once only padding is left, the marker's
    // first byte.
    qsizetype at() const { return m_at; }

private:
    // Takes bytes in until more than 56 bits are held: eight at a time
    // while none of them is 0xFF (which is most of the time).
    void refill()
    {
        while (m_count <= 56) {
            if (!m_atMarker && m_at + 8 <= m_size) {
                uint64_t word;
                std::memcpy(&word, m_data + m_at, 8);
                if (!holdsFF(word)) {
                    word = __builtin_bswap64(word);
                    const int bytes = std::min(7, (64 - m_count) / 8);
                    m_bits = m_bits << (8 * bytes) | word >> (64 - 8 * bytes);
                    m_count += 8 * bytes;
                    m_at += bytes;
                    continue;
                }
            }
            uint8_t byte = 0;
            if (!m_atMarker) {
                if (m_at < m_size && m_data[m_at] != 0xFF) {
                    byte = m_data[m_at++];
                } else if (m_at + 1 < m_size && m_data[m_at] == 0xFF && m_data[m_at + 1] == 0) {
                    byte = 0xFF;
                    m_at += 2;
                } else {
                    m_atMarker = true;
                }
            }
            if (m_atMarker) m_fed += 8;
            m_bits = m_bits << 8 | byte;
            m_count += 8;
        }
    }

    const uint8_t* m_data;
    qsizetype m_size;
    qsizetype m_start;
    qsizetype m_at;
    uint64_t m_bits = 0; // its last m_count bits are those not read yet
    int m_count = 0;
    int m_fed = 0; // zeros fed after the data, at the end of those bits
    bool m_atMarker = false;
};

// Writes coded data, stuffing a zero after each 0xFF, into a byte array
// grown as it goes and cut to size by finish().
class BitWriter {
public:
    BitWriter(QByteArray& out, qsizetype expected)
        : m_out(out)
        , m_size(out.size())
    {
        m_out.resize(m_size + expected + 1024);
    }

    void put(uint32_t bits, int n)
    {
        m_bits = m_bits << n | bits;
        m_count += n;
        while (m_count >= 8) {
            m_count -= 8;
            const auto byte = static_cast<uint8_t>(m_bits >> m_count);
            push(byte);
            if (byte == 0xFF) push(0);
        }
    }

    // Ones up to the next byte, as encoders pad before a marker.
    void pad()
    {
        if (m_count > 0) put((1u << (8 - m_count)) - 1, 8 - m_count);
    }

    void marker(uint8_t code)
    {
        push(0xFF);
        push(code);
    }

    // Bytes already coded, once padded to a byte.
    void copy(const uint8_t* bytes, qsizetype n)
    {
        reserve(n);
        std::memcpy(m_out.data() + m_size, bytes, static_cast<size_t>(n));
        m_size += n;
    }

    // The bits of data from one place to another, the stuffed zeros taken
    // out and put in again where the bits now fall.
    void copyBits(const uint8_t* data, BaselineScan::Position from, BaselineScan::Position to)
    {
        qsizetype at = from.offset;
        int bit = from.bit;
        if (bit > 0 && at < to.offset) {
            const uint8_t byte = data[at];
            put(byte & ((1u << (8 - bit)) - 1), 8 - bit);
            bit = 0;
            at += byte == 0xFF ? 2 : 1;
        }
        if (bit == 0 && m_count == 0) {
            copy(data + at, to.offset - at);
            at = to.offset;
        }
        reserve(to.offset - at + 16);
        while (at < to.offset) {
            // Eight bytes at a time while neither they nor what they give
            // hold a 0xFF (no stuffing to take out or put in).
            if (m_count > 0 && at + 8 <= to.offset) {
                uint64_t word;
                std::memcpy(&word, data + at, 8);
                word = __builtin_bswap64(word);
                const uint64_t shifted = m_bits << (64 - m_count) | word >> m_count;
                if (!holdsFF(word) && !holdsFF(shifted)) {
                    const uint64_t out = __builtin_bswap64(shifted);
                    std::memcpy(m_out.data() + m_size, &out, 8);
                    m_size += 8;
                    m_bits = word;
                    at += 8;
                    continue;
                }
            }
            const uint8_t byte = data[at];
            put(byte, 8);
            at += byte == 0xFF ? 2 : 1;
        }
        if (to.bit > bit) put((data[at] >> (8 - to.bit)) & ((1u << (to.bit - bit)) - 1), to.bit - bit);
    }

    void finish() { m_out.resize(m_size); }

private:
    void reserve(qsizetype n)
    {
        // Each byte may come out stuffed.
        if (m_size + 2 * n + 16 > m_out.size()) m_out.resize(std::max(m_out.size() * 3 / 2, m_size + 2 * n + 16));
    }
    void push(uint8_t byte)
    {
        if (m_size == m_out.size()) reserve(m_out.size() / 2 + 16);
        m_out.data()[m_size++] = static_cast<char>(byte);
    }

    QByteArray& m_out;
    qsizetype m_size;
    uint64_t m_bits = 0; // its last m_count bits are those not written yet
    int m_count = 0;
};

int extended(uint32_t bits, int size)
{
    const int value = static_cast<int>(bits);
    return value < (1 << (size - 1)) ? value - (1 << size) + 1 : value;
}

// One block's coefficients, into block when it is not null (it starts as
// zeros); false for a block that no regular encoder writes.
bool readBlock(BitReader& reader, const Decoder& dc, const Decoder& ac, int& prediction, int16_t* block)
{
    reader.fill();
    const int size = reader.decode(dc);
    if (size < 0 || size > MaxDcSize) return false;
    if (size > 0) prediction += extended(reader.take(size), size);
    if (prediction < INT16_MIN || prediction > INT16_MAX) return false;
    if (block) block[0] = static_cast<int16_t>(prediction);
    for (int k = 1; k < 64;) {
        reader.fill();
        if (!block) {
            const uint16_t skip = ac.skip[reader.peek(LookAhead)];
            if (skip != 0) {
                reader.skip(skip & 31);
                if (skip >> 5 == ToTheEnd) break;
                k += skip >> 5;
                if (k > 64) return false;
                continue;
            }
        }
        const int symbol = reader.decode(ac);
        if (symbol < 0) return false;
        const int run = symbol >> 4;
        const int bits = symbol & 15;
        if (bits == 0) {
            if (run == 0) break; // the rest are zeros
            if (run != 15 || k + 16 > 64) return false;
            k += 16;
            continue;
        }
        k += run;
        if (bits > MaxAcSize || k > 63) return false;
        if (block)
            block[NaturalOrder[k]] = static_cast<int16_t>(extended(reader.take(bits), bits));
        else
            reader.skip(bits);
        ++k;
    }
    return reader.sound();
}

// A value's size class and its bits as JPEG codes them (a negative one less
// one, in as many bits as its magnitude needs).
int sizeOf(int value)
{
    return std::bit_width(static_cast<unsigned>(value < 0 ? -value : value));
}
uint32_t bitsOf(int value, int size)
{
    return static_cast<uint32_t>(value < 0 ? value - 1 : value) & ((1u << size) - 1);
}

// Codes one block: symbol(table, s) codes symbol s of a table (0 to 3 the
// DC tables, 4 to 7 the AC ones) and says whether it could, bits(v, n)
// writes n bits. False when a symbol could not be coded.
template <typename Symbol, typename Bits>
bool codeBlock(const Symbol& symbol, const Bits& bits, int dcTable, int acTable, int& prediction, const int16_t* block)
{
    const int difference = block[0] - prediction;
    prediction = block[0];
    int size = sizeOf(difference);
    if (size > MaxDcSize || !symbol(dcTable, size)) return false;
    if (size > 0) bits(bitsOf(difference, size), size);
    int run = 0;
    for (int k = 1; k < 64; ++k) {
        const int value = block[NaturalOrder[k]];
        if (value == 0) {
            ++run;
            continue;
        }
        for (; run > 15; run -= 16) {
            if (!symbol(acTable, 0xF0)) return false;
        }
        size = sizeOf(value);
        if (size > MaxAcSize || !symbol(acTable, run << 4 | size)) return false;
        bits(bitsOf(value, size), size);
        run = 0;
    }
    return run == 0 || symbol(acTable, 0x00);
}

// Adds the symbols of needed that table lacks, with codes of 16 bits: the
// codes a table has are unchanged, so data coded with it reads the same.
// False when the codes left (up to the all-ones one, which JPEG keeps
// unused) are too few.
bool extend(BaselineScan::CodeTable& table, const std::bitset<256>& needed)
{
    Codes codes;
    if (!makeCodes(table, codes)) return false;
    int count = 0;
    for (int length = 1; length <= 16; ++length)
        count += table.counts[length];
    for (int symbol = 0; symbol < 256; ++symbol) {
        if (!needed[size_t(symbol)] || codes.length[size_t(symbol)] != 0) continue;
        if (count >= 256 || table.counts[16] == 255) return false;
        table.symbols[size_t(count++)] = static_cast<uint8_t>(symbol);
        ++table.counts[16];
    }
    Codes extended;
    return makeCodes(table, extended);
}

// The DHT segment of every table there is.
QByteArray tableSegment(const std::array<BaselineScan::CodeTable, 8>& tables)
{
    QByteArray body;
    for (int t = 0; t < 8; ++t) {
        const BaselineScan::CodeTable& table = tables[size_t(t)];
        if (!table.present) continue;
        body += char((t >= 4 ? 0x10 : 0x00) | (t % 4));
        int count = 0;
        for (int length = 1; length <= 16; ++length) {
            body += char(table.counts[size_t(length)]);
            count += table.counts[size_t(length)];
        }
        body += QByteArray(reinterpret_cast<const char*>(table.symbols.data()), count);
    }
    const qsizetype length = body.size() + 2;
    return QByteArray("\xFF\xC4", 2) + char(length >> 8) + char(length & 0xFF) + body;
}

constexpr uint8_t RestartMarker = 0xD0;
constexpr uint8_t EndMarker = 0xD9;

} // namespace

std::optional<BaselineScan> BaselineScan::read(
    const QByteArray& jpeg, qsizetype start, const Layout& layout, int bandBegin, int bandEnd)
{
    const auto components = static_cast<int>(layout.components.size());
    if (components < 1 || components > 4 || layout.mcuColumns <= 0 || layout.mcuRows <= 0) return std::nullopt;
    if (start < 0 || start > jpeg.size() || bandBegin < 0 || bandEnd > layout.mcuRows || bandBegin > bandEnd)
        return std::nullopt;
    if (bandBegin == bandEnd) bandBegin = bandEnd = layout.mcuRows; // nothing coded again
    int blocksInMcu = 0;
    std::vector<Decoder> dcDecoders(components);
    std::vector<Decoder> acDecoders(components);
    for (int c = 0; c < components; ++c) {
        const Component& component = layout.components[c];
        if (component.h < 1 || component.h > 4 || component.v < 1 || component.v > 4 || component.dcTable < 0
            || component.dcTable > 3 || component.acTable < 0 || component.acTable > 3)
            return std::nullopt;
        // A component alone in its scan is coded block by block.
        if (components == 1 && (component.h != 1 || component.v != 1)) return std::nullopt;
        if (component.widthInBlocks < 1 || component.widthInBlocks > layout.mcuColumns * component.h
            || component.heightInBlocks < 1 || component.heightInBlocks > layout.mcuRows * component.v)
            return std::nullopt;
        blocksInMcu += component.h * component.v;
        if (!makeDecoder(layout.dcTables[component.dcTable], dcDecoders[c])
            || !makeDecoder(layout.acTables[component.acTable], acDecoders[c]))
            return std::nullopt;
    }
    if (blocksInMcu > 10) return std::nullopt;

    BaselineScan scan;
    scan.m_jpeg = jpeg;
    scan.m_start = start;
    scan.m_layout = layout;
    scan.m_bandBegin = bandBegin;
    scan.m_bandEnd = bandEnd;
    scan.m_band.resize(components);
    scan.m_dc.resize(components);
    for (int c = 0; c < components; ++c) {
        const Component& component = layout.components[c];
        scan.m_band[c].assign(size_t(bandEnd - bandBegin) * component.v * layout.mcuColumns * component.h, Block {});
        scan.m_dc[c].resize(size_t(component.widthInBlocks) * component.heightInBlocks);
    }

    const auto* data = reinterpret_cast<const uint8_t*>(jpeg.constData());
    BitReader reader(data, jpeg.size(), start);
    const int total = scan.mcuCount();
    const int bandFirst = bandBegin * layout.mcuColumns;
    const int bandLast = bandEnd * layout.mcuColumns;
    std::array<int, 4> predictions {};
    bool tailEnded = false;
    for (int mcu = 0; mcu < total; ++mcu) {
        if (scan.restartsBefore(mcu)) {
            if (mcu > bandLast && !tailEnded) {
                scan.m_tailEnd = reader.position();
                scan.m_afterTail = reader.at();
                tailEnded = true;
            }
            const auto code = static_cast<uint8_t>(RestartMarker + (mcu / layout.restartInterval - 1) % 8);
            if (!reader.onlyPaddingLeft() || !reader.passMarker(code)) return std::nullopt;
            predictions = {};
        }
        if (mcu == bandFirst) {
            scan.m_bandStart = reader.position();
            scan.m_bandPredictions = predictions;
        }
        if (mcu == bandLast) scan.m_tailStart = reader.position();
        const int row = mcu / layout.mcuColumns;
        const int column = mcu % layout.mcuColumns;
        const bool inBand = row >= bandBegin && row < bandEnd;
        for (int c = 0; c < components; ++c) {
            const Component& component = layout.components[c];
            const int bandColumns = layout.mcuColumns * component.h;
            for (int y = 0; y < component.v; ++y) {
                const int blockRow = row * component.v + y;
                for (int x = 0; x < component.h; ++x) {
                    const int blockColumn = column * component.h + x;
                    int16_t* block = inBand
                        ? scan.m_band[c][size_t(blockRow - bandBegin * component.v) * bandColumns + blockColumn].data()
                        : nullptr;
                    if (!readBlock(reader, dcDecoders[c], acDecoders[c], predictions[c], block)) return std::nullopt;
                    if (blockColumn < component.widthInBlocks && blockRow < component.heightInBlocks)
                        scan.m_dc[c][size_t(blockRow) * component.widthInBlocks + blockColumn]
                            = static_cast<int16_t>(predictions[c]);
                }
            }
        }
    }
    if (!reader.onlyPaddingLeft()) return std::nullopt;
    const Position end = reader.position();
    scan.m_end = reader.at();
    if (!tailEnded) {
        scan.m_tailEnd = end;
        scan.m_afterTail = scan.m_end;
    }
    if (bandFirst == total) scan.m_bandStart = scan.m_tailStart = end;
    if (!reader.passMarker(EndMarker)) return std::nullopt;
    return scan;
}

BaselineScan::Block* BaselineScan::blockRow(int component, int row)
{
    const Component& info = m_layout.components[component];
    return m_band[component].data() + size_t(row - m_bandBegin * info.v) * m_layout.mcuColumns * info.h;
}

int BaselineScan::dc(int component, int row, int column) const
{
    const Component& info = m_layout.components[component];
    if (row >= m_bandBegin * info.v && row < m_bandEnd * info.v)
        return m_band[component][size_t(row - m_bandBegin * info.v) * m_layout.mcuColumns * info.h + column][0];
    return m_dc[component][size_t(row) * info.widthInBlocks + column];
}

template <typename CodeBlock, typename Restart>
bool BaselineScan::codeBand(const CodeBlock& codeBlock, const Restart& restart) const
{
    const int bandFirst = m_bandBegin * m_layout.mcuColumns;
    const int bandLast = m_bandEnd * m_layout.mcuColumns;
    std::array<int, 4> predictions = m_bandPredictions;
    for (int mcu = bandFirst; mcu < bandLast; ++mcu) {
        if (mcu > bandFirst && restartsBefore(mcu)) {
            restart(mcu);
            predictions = {};
        }
        const int row = mcu / m_layout.mcuColumns - m_bandBegin;
        const int column = mcu % m_layout.mcuColumns;
        for (size_t c = 0; c < m_layout.components.size(); ++c) {
            const Component& component = m_layout.components[c];
            const int bandColumns = m_layout.mcuColumns * component.h;
            for (int y = 0; y < component.v; ++y) {
                const Block* blocks = m_band[c].data() + size_t(row * component.v + y) * bandColumns;
                for (int x = 0; x < component.h; ++x) {
                    if (!codeBlock(component, predictions[c], blocks[column * component.h + x].data())) return false;
                }
            }
        }
    }
    return true;
}

bool BaselineScan::write(const QByteArray& framing, QByteArray& out) const
{
    // The codes the band needs: a table that lacks some gets them.
    std::array<CodeTable, 8> tables;
    std::copy(m_layout.dcTables.begin(), m_layout.dcTables.end(), tables.begin());
    std::copy(m_layout.acTables.begin(), m_layout.acTables.end(), tables.begin() + 4);
    std::array<std::bitset<256>, 8> needed;
    const bool codable = codeBand(
        [&](const Component& component, int& prediction, const int16_t* block) {
            return codeBlock(
                [&](int table, int symbol) {
                    needed[size_t(table)].set(size_t(symbol));
                    return true;
                },
                [](uint32_t, int) {}, component.dcTable, 4 + component.acTable, prediction, block);
        },
        [](int) {});
    if (!codable) return false;
    std::array<Codes, 8> codes;
    bool extended = false;
    for (size_t t = 0; t < 8; ++t) {
        if (needed[t].none()) continue;
        if (!makeCodes(tables[t], codes[t])) return false;
        for (size_t symbol = 0; symbol < 256; ++symbol) {
            if (!needed[t][symbol] || codes[t].length[symbol] != 0) continue;
            if (!extend(tables[t], needed[t]) || !makeCodes(tables[t], codes[t] = Codes())) return false;
            extended = true;
            break;
        }
    }

    // The tables, frame and scan header; the code tables in one segment of
    // their own when one was extended.
    for (qsizetype at = 0; at + 4 <= framing.size();) {
        const qsizetype length = 2 + (uint8_t(framing[at + 2]) << 8 | uint8_t(framing[at + 3]));
        const auto code = uint8_t(framing[at + 1]);
        if (extended && code == 0xDA) out += tableSegment(tables);
        if (!extended || code != 0xC4) out += framing.mid(at, length);
        at += length;
    }

    const auto* data = reinterpret_cast<const uint8_t*>(m_jpeg.constData());
    BitWriter writer(out, m_end - m_start);
    writer.copy(data + m_start, m_bandStart.offset - m_start);
    if (m_bandStart.bit > 0) writer.put(data[m_bandStart.offset] >> (8 - m_bandStart.bit), m_bandStart.bit);
    codeBand(
        [&](const Component& component, int& prediction, const int16_t* block) {
            return codeBlock(
                [&](int table, int symbol) {
                    const Codes& code = codes[size_t(table)];
                    writer.put(code.code[size_t(symbol)], code.length[size_t(symbol)]);
                    return true;
                },
                [&](uint32_t bits, int n) { writer.put(bits, n); }, component.dcTable, 4 + component.acTable,
                prediction, block);
        },
        [&](int mcu) {
            writer.pad();
            writer.marker(static_cast<uint8_t>(RestartMarker + (mcu / m_layout.restartInterval - 1) % 8));
        });

    const int total = mcuCount();
    const int bandLast = m_bandEnd * m_layout.mcuColumns;
    if (bandLast < total && restartsBefore(bandLast)) {
        // The rest starts at a restart: it is carried over byte for byte.
        writer.pad();
        writer.marker(static_cast<uint8_t>(RestartMarker + (bandLast / m_layout.restartInterval - 1) % 8));
        writer.copy(data + m_tailStart.offset, m_end - m_tailStart.offset);
    } else if (bandLast < total) {
        // Its bits up to the next restart follow the band's where they fall;
        // from that restart on, its bytes are as they were.
        writer.copyBits(data, m_tailStart, m_tailEnd);
        writer.pad();
        writer.copy(data + m_afterTail, m_end - m_afterTail);
    } else {
        writer.pad();
    }
    writer.marker(EndMarker);
    writer.finish();
    return true;
}
