#pragma once

#include <QByteArray>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// The one scan of a baseline JPEG (sequential, Huffman-coded, every
// component in it), read MCU by MCU with the photo's own code tables and
// written again with a band of MCU rows coded afresh from its coefficients,
// while the coded data before and after the band is carried over as it was:
// the bytes before it copied, the bits after it shifted into place. Only the
// band's coefficients are held, and one DC coefficient a block (for an
// eighth of the picture), so a photo of any size costs little more than its
// bytes, and no block outside the band is coded again.
//
// Anything but a regular scan (a code no table has, a restart marker
// missing or out of turn, data cut short, bytes before the end marker, a
// second scan) is refused: the caller then treats the photo the slower way,
// which reads what it can and says what is wrong.
class BaselineScan {
public:
    // A code table as the DHT segment gives it.
    struct CodeTable {
        bool present = false;
        std::array<uint8_t, 17> counts {}; // codes of each length 1 to 16; [0] unused
        std::array<uint8_t, 256> symbols {};
    };
    struct Component {
        int h = 1; // sampling factors: blocks across and down an MCU
        int v = 1;
        int dcTable = 0;
        int acTable = 0;
        int widthInBlocks = 0; // the blocks that show, without an MCU's padding
        int heightInBlocks = 0;
    };
    struct Layout {
        std::vector<Component> components; // in the scan's order
        std::array<CodeTable, 4> dcTables;
        std::array<CodeTable, 4> acTables;
        int mcuColumns = 0;
        int mcuRows = 0;
        int restartInterval = 0; // MCUs between restart markers; 0 for none
    };
    // 64 quantised coefficients in natural order (row by row), as libjpeg's
    // JBLOCK holds them.
    using Block = std::array<int16_t, 64>;

    // Reads the scan whose coded data starts at start in jpeg (just after
    // its SOS segment), keeping the coefficients of MCU rows
    // [bandBegin, bandEnd); an empty band keeps none. Nothing when the scan
    // is not regular or the layout is not one this class codes.
    static std::optional<BaselineScan> read(
        const QByteArray& jpeg, qsizetype start, const Layout& layout, int bandBegin, int bandEnd);

    // The blocks of a row of the band (row counts the component's block
    // rows from the top of the picture), an MCU row's padding blocks
    // included; changes to them are what write() codes.
    Block* blockRow(int component, int row);
    // The DC coefficient of a block that shows, as it is now.
    int dc(int component, int row, int column) const;

    // Appends to out the segments of framing (those between the photo's
    // start marker and its coded data that are no APPn or COM segment, each
    // as 0xFF, code, length, body), then the coded data again up to and with
    // the end marker: the band coded from its blocks, the rest as it was.
    // A code table that lacks a code the band needs gets it, with 16 bits,
    // its other codes unchanged (the tables then go out in one DHT segment
    // before the scan's). False, and out as it was, when no code is left.
    bool write(const QByteArray& framing, QByteArray& out) const;

    // A place in the coded data: the byte that holds the next bit (never a
    // stuffed zero), and how many of its bits come before it.
    struct Position {
        qsizetype offset = 0;
        int bit = 0;
    };

private:
    BaselineScan() = default;
    // Calls codeBlock(component, prediction, block) for each block of the
    // band in coding order and restart(mcu) before an MCU that a restart
    // marker starts; stops when codeBlock fails.
    template <typename CodeBlock, typename Restart>
    bool codeBand(const CodeBlock& codeBlock, const Restart& restart) const;
    int mcuCount() const { return m_layout.mcuColumns * m_layout.mcuRows; }
    bool restartsBefore(int mcu) const
    {
        return m_layout.restartInterval > 0 && mcu > 0 && mcu % m_layout.restartInterval == 0;
    }

    QByteArray m_jpeg;
    qsizetype m_start = 0;
    Layout m_layout;
    int m_bandBegin = 0; // MCU rows
    int m_bandEnd = 0;
    std::vector<std::vector<Block>> m_band; // per component, its block rows of the band
    std::vector<std::vector<int16_t>> m_dc; // per component, a block that shows
    Position m_bandStart; // where the band's first MCU begins
    std::array<int, 4> m_bandPredictions {}; // the DC predictions there
    Position m_tailStart; // where the MCU after the band begins
    Position m_tailEnd; // the end of the data after it, before a restart marker or the end
    qsizetype m_afterTail = 0; // that marker's offset (with any fill bytes before it)
    qsizetype m_end = 0; // the end marker's offset (with any fill bytes before it)
};
