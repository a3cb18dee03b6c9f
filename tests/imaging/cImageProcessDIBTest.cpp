#include "imaging/cImageProcessDIB.h"

#include "imaging/cDIBSection.h"
#include "imaging/cPalette.h"
#include "imaging/mHLSRGB.h"
#include "platform/RuntimeError.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

namespace {

struct Event {
    char kind; // 'I'nitProgress, 'P'rogress, 'C'omplete (the time is not compared)
    int32_t value;
    bool operator==(const Event&) const = default;
};
using Events = std::vector<Event>;

// Listens to the process it is given.
struct Recorder : ImageProcessListener {
    explicit Recorder(cImageProcessDIB& process) { process.setListener(this); }
    Events events;
    void InitProgress(int32_t lMax) override { events.push_back({ 'I', lMax }); }
    void Progress(int32_t lPosition) override { events.push_back({ 'P', lPosition }); }
    void Complete(int32_t lTimeMs) override { events.push_back({ 'C', lTimeMs >= 0 ? 0 : -1 }); }
};

// A copy of a buffer's memory, padding included, for the reference to work on.
struct Plain {
    int32_t W, H, stride;
    std::vector<uint8_t> bytes;
    uint8_t& at(int32_t offset, int32_t row) { return bytes[size_t(row) * stride + offset]; }
};

Plain plainOf(const cDIBSection& dib)
{
    const uint8_t* p = dib.DIBSectionBitsPtr();
    return { dib.Width(), dib.Height(), dib.BytesPerScanLine(),
        std::vector<uint8_t>(p, p + size_t(dib.BytesPerScanLine()) * dib.Height()) };
}

// A picture of random bytes (padding included, so stray writes show), or
// of one value when a value is given.
std::unique_ptr<cDIBSection> picture(int32_t width, int32_t height, std::mt19937* random, uint8_t value = 0)
{
    auto dib = std::make_unique<cDIBSection>();
    EXPECT_TRUE(dib->Create(width, height));
    for (size_t i = 0; i < size_t(dib->BytesPerScanLine()) * height; ++i)
        dib->DIBSectionBitsPtr()[i] = random ? uint8_t((*random)()) : value;
    return dib;
}

uint8_t& pixel(const cDIBSection& dib, int32_t x, int32_t row, int32_t channel = 0)
{
    return dib.DIBSectionBitsPtr()[row * dib.BytesPerScanLine() + 3 * x + channel];
}

void setGrey(cDIBSection& dib, int32_t x, int32_t row, uint8_t value)
{
    pixel(dib, x, row, 0) = pixel(dib, x, row, 1) = pixel(dib, x, row, 2) = value;
}

uint8_t clamp255(long long v)
{
    return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

void columns(Events& events, int32_t first, int32_t last, const std::function<void(int32_t)>& column)
{
    events.push_back({ 'I', last });
    for (int32_t x = first; x <= last; x += 3) {
        column(x);
        events.push_back({ 'P', x });
    }
    events.push_back({ 'C', 0 });
}

// From pictures smaller than every kernel (which stay as they are, events
// all the same) to a few hundred pixels a side.
const std::pair<int32_t, int32_t> sizes[] = { { 1, 1 }, { 1, 6 }, { 6, 1 }, { 2, 2 }, { 3, 3 }, { 4, 7 }, { 7, 4 },
    { 5, 5 }, { 9, 8 }, { 10, 11 }, { 33, 17 }, { 64, 3 }, { 3, 64 }, { 129, 131 }, { 301, 201 } };

// ---------------------------------------------------------------------------
// Reference filters, straight from their definition

struct Kernel {
    int32_t size;
    std::vector<int32_t> values; // memory row j = -h first, i = -h first within it
    int32_t weight;
    int32_t at(int32_t i, int32_t j) const { return values[size_t((j + size / 2) * size + i + size / 2)]; }
};

// The kernels as the table of filter types lists them; 0 for none.
Kernel tableKernel(int32_t type)
{
    const std::vector<int32_t> ones5(25, 1);
    switch (type) {
    case 1:
    case 7:
        return { 3, { 1, 1, 1, 1, 1, 1, 1, 1, 1 }, 9 };
    case 2:
        return { 5, ones5, 25 };
    case 3:
        return { 3, { 1, 1, 1, 1, 4, 1, 1, 1, 1 }, 12 };
    case 4:
        return { 5, { 1, 1, 1, 1, 1, 1, 2, 2, 2, 1, 1, 2, 12, 2, 1, 1, 2, 2, 2, 1, 1, 1, 1, 1, 1 }, 44 };
    case 5:
        return { 3, { -1, -1, -1, -1, 15, -1, -1, -1, -1 }, 7 };
    case 6:
        return { 3, { 0, -1, 0, -1, 5, -1, 0, -1, 0 }, 1 };
    case 8:
        return { 3, { -1, 0, 0, 0, 0, 0, 0, 0, 1 }, 1 };
    default:
        return { 0, {}, 0 };
    }
}

// User kernels of every size with small values, values whose worst-case
// sums need more than 32 bits, and rows all alike; weights of all kinds.
Kernel randomKernel(std::mt19937& random, int32_t variant)
{
    Kernel k { 1 + 2 * (variant % 5), {}, 0 };
    const int32_t range[] = { 3, 3000, 1000000 };
    std::uniform_int_distribution<int32_t> value(-range[variant % 3], range[variant % 3]);
    for (int32_t e = 0; e < k.size * k.size; ++e)
        k.values.push_back(variant % 4 == 2 && e >= k.size ? k.values[size_t(e - k.size)] : value(random));
    const int32_t weights[] = { 1, 7, -5, 70000, 13, -1, 2, 65536, 100, 3 };
    k.weight = weights[variant % 10];
    return k;
}

void refConvolution(Plain& S, Plain& D, const Kernel& k, Events& events)
{
    const int32_t h = k.size / 2;
    columns(events, 3 * h, 3 * (S.W - 1) - 3 * h, [&](int32_t x) {
        for (int32_t y = h; y <= S.H - 1 - h; ++y)
            for (int32_t c = 0; c < 3; ++c) {
                long long sum = 0;
                for (int32_t i = -h; i <= h; ++i)
                    for (int32_t j = -h; j <= h; ++j)
                        sum += (long long)k.at(i, j) * S.at(x + 3 * i + c, y + j);
                D.at(x + c, y) = clamp255(sum / k.weight);
            }
    });
}

void refRank(int32_t type, Plain& S, Plain& D, Events& events)
{
    columns(events, 3, 3 * (S.W - 1) - 3, [&](int32_t x) {
        for (int32_t y = 1; y <= S.H - 2; ++y)
            for (int32_t c = 0; c < 3; ++c) {
                int32_t v = type == 10 ? 255 : 0;
                for (int32_t i = -1; i <= 1; ++i)
                    for (int32_t j = -1; j <= 1; ++j) {
                        const int32_t n = S.at(x + 3 * i + c, y + j);
                        v = type == 9 ? v + n : (type == 10 ? std::min(v, n) : std::max(v, n));
                    }
                D.at(x + c, y) = clamp255(type == 9 ? v / 9 : v);
            }
    });
}

void refAddImages(Plain& from, Plain& to, int32_t fromMultiplier, int32_t fromOffset, int32_t toMultiplier)
{
    for (int32_t x = 0; x < 3 * to.W; ++x)
        for (int32_t y = 0; y < to.H; ++y)
            to.at(x, y) = clamp255((from.at(x, y) + fromOffset) * fromMultiplier + to.at(x, y) * toMultiplier);
}

bool refProcessImage(int32_t type, Plain& image, const Kernel& kernel, Events& events)
{
    Plain buffer = image;
    if (type == 12) return false;
    if (type >= 9 && type <= 11)
        refRank(type, image, buffer, events);
    else
        refConvolution(image, buffer, kernel, events);
    if (type == 7)
        refAddImages(buffer, image, -1, 0, 2);
    else if (type == 8)
        refAddImages(buffer, image, 1, 127, 0);
    else
        image = buffer; // the padding is never written, so the copy is whole
    return true;
}

// ---------------------------------------------------------------------------
// Reference pixel operations

Events eachPixel(Plain& p, const std::function<void(uint8_t*)>& f)
{
    Events events;
    columns(events, 0, 3 * (p.W - 1), [&](int32_t x) {
        for (int32_t y = 0; y < p.H; ++y)
            f(&p.at(x, y));
    });
    return events;
}

uint8_t refGrey(const uint8_t* p)
{
    return uint8_t(std::nearbyint((222 * p[2] + 707 * p[1] + 71 * p[0]) / 1000.0));
}

int32_t brightness(uint8_t* p)
{
    return 222 * p[2] + 707 * p[1] + 71 * p[0];
}

Events refDiffuse(Plain& from, Plain& to, const cPalette* palette)
{
    Events events;
    if (!palette) events = eachPixel(from, [](uint8_t* p) { p[0] = p[1] = p[2] = refGrey(p); });
    const int32_t last = 3 * (to.W - 1);
    columns(events, 0, last, [&](int32_t x) {
        for (int32_t y = 0; y < to.H; ++y) {
            int32_t e[3];
            if (!palette) {
                const int32_t g = from.at(x, y);
                to.at(x, y) = to.at(x + 1, y) = to.at(x + 2, y) = g <= 128 ? 0 : 255;
                e[0] = g <= 128 ? (g > 16 ? g : 0) : 127 - g;
            } else {
                int32_t i = palette->ClosestIndex(from.at(x + 2, y), from.at(x + 1, y), from.at(x, y));
                i = i == 0 ? 1 : i;
                const int32_t entry[3] = { palette->Blue(i), palette->Green(i), palette->Red(i) };
                for (int32_t c = 0; c < 3; ++c)
                    e[c] = from.at(x + c, y) - (to.at(x + c, y) = uint8_t(entry[c]));
                if (std::abs(e[0]) + std::abs(e[1]) + std::abs(e[2]) <= 3) continue;
            }
            auto spread = [&](int32_t offset, int32_t row, int32_t weight) {
                if (!palette)
                    from.at(offset, row) = from.at(offset + 1, row) = from.at(offset + 2, row)
                        = clamp255(from.at(offset, row) + e[0] * weight / 16);
                else
                    for (int32_t c = 0; c < 3; ++c)
                        from.at(offset + c, row) = clamp255(from.at(offset + c, row) + e[c] * weight / 16);
            };
            if (x < last - 3) spread(x + 3, y, 7);
            for (auto [offset, weight] : { std::pair { x - 3, 3 }, { x, 5 }, { x + 3, 1 } })
                if (y < to.H - 1 && offset >= 1 && offset < last) spread(offset, y + 1, weight);
        }
    });
    for (int32_t y = 0; y < to.H; ++y) // pixels only: each buffer keeps its padding
        std::copy_n(&to.at(0, y), 3 * to.W, &from.at(0, y));
    return events;
}

void refHLSPixel(uint8_t* v, const std::function<void(float&, float&, float&)>& change)
{
    float h, s, l;
    mHLSRGB::RGBToHLS(v[2], v[1], v[0], h, s, l);
    change(h, s, l);
    int32_t r, g, b;
    mHLSRGB::HLSToRGB(h, s, l, r, g, b);
    v[2] = clamp255(r), v[1] = clamp255(g), v[0] = clamp255(b);
}

void refLighten(uint8_t* v, int32_t amount)
{
    refHLSPixel(v, [amount](float&, float&, float& l) { l = std::min(1.0f, float((1 + amount / 100.0) * l)); });
}

} // namespace

// ---------------------------------------------------------------------------

TEST(cImageProcessDIBTest, FiltersAgreeWithReferenceOnRandomPictures)
{
    std::mt19937 random(1234);
    int32_t variant = 0;
    for (auto [width, height] : sizes)
        for (int32_t type = 1; type <= 13; ++type)
            for (int32_t run = 0; run < (type == 13 ? 6 : 1); ++run) {
                auto image = picture(width, height, &random), buffer = picture(width, height, &random);
                cImageProcessDIB process;
                Recorder recorder(process);
                Kernel kernel = tableKernel(type);
                if (type == 13) {
                    kernel = randomKernel(random, variant++);
                    const int32_t h = kernel.size / 2;
                    process.FilterArraySize(kernel.size);
                    for (int32_t j = -h; j <= h; ++j)
                        for (int32_t i = -h; i <= h; ++i)
                            process.FilterValue(i, j, kernel.at(i, j));
                    process.FilterWeight(kernel.weight);
                }
                process.FilterType(type);
                Plain expected = plainOf(*image);
                Events expectedEvents;
                ASSERT_EQ(
                    process.ProcessImage(*image, *buffer), refProcessImage(type, expected, kernel, expectedEvents));
                ASSERT_TRUE(plainOf(*image).bytes == expected.bytes)
                    << type << ' ' << run << ' ' << width << 'x' << height;
                ASSERT_EQ(recorder.events, expectedEvents) << type;
            }
}

TEST(cImageProcessDIBTest, PixelOperationsAgreeWithReferenceOnRandomPictures)
{
    std::mt19937 random(99);
    QTemporaryDir dir;
    const QString paletteFile = dir.filePath(QStringLiteral("p.txt"));
    cPalette palette;
    using Operation = std::function<bool(cImageProcessDIB&, cDIBSection&, cDIBSection&)>;
    using Reference = std::function<Events(Plain&, Plain&)>;
    std::vector<std::tuple<std::string, Operation, Reference>> operations;
    for (int32_t amount : { 240, 0, 255, 97, -20, 400 })
        operations.emplace_back(
            "Fade", [=](auto& p, auto& a, auto&) { return p.Fade(a, amount); },
            [=](Plain& a, Plain&) {
                return eachPixel(a, [=](uint8_t* v) {
                    for (int c = 0; c < 3; ++c)
                        v[c] = uint8_t(v[c] * std::clamp(amount, 0, 255) / 255);
                });
            });
    for (int32_t amount : { 10, 0, -35, -100, -300, 60, 2000, INT32_MAX, INT32_MIN })
        operations.emplace_back(
            "Lighten", [=](auto& p, auto& a, auto&) { return p.Lighten(a, amount); },
            [=](Plain& a, Plain&) { return eachPixel(a, [=](uint8_t* v) { refLighten(v, std::max(amount, -100)); }); });
    for (float hue : { -1.0f, 0.0f, 0.4f, 2.5f, 4.75f, 5.5f, 9.0f })
        operations.emplace_back(
            "Colourise", [=](auto& p, auto& a, auto&) { return p.Colourise(a, hue, 0.9f); },
            [=](Plain& a, Plain&) {
                return eachPixel(a, [=](uint8_t* v) {
                    refHLSPixel(v, [=](float& h, float& s, float&) { s = h == 0 ? 0.5f : s, h = hue; });
                });
            });
    operations.emplace_back(
        "GrayScale", [](auto& p, auto& a, auto&) { return p.GrayScale(a); },
        [](Plain& a, Plain&) { return eachPixel(a, [](uint8_t* v) { v[0] = v[1] = v[2] = refGrey(v); }); });
    for (int32_t sign : { -1, 1 })
        operations.emplace_back(
            "AddLightest/AddDarkest",
            [=](auto& p, auto& a, auto& b) { return sign < 0 ? p.AddLightest(a, b) : p.AddDarkest(a, b); },
            [=](Plain& from, Plain& to) {
                for (int32_t x = 0; x < 3 * to.W; x += 3)
                    for (int32_t y = 0; y < to.H; ++y)
                        if (sign * (brightness(&from.at(x, y)) - brightness(&to.at(x, y))) > 0)
                            std::copy_n(&from.at(x, y), 3, &to.at(x, y));
                return Events {};
            });
    operations.emplace_back(
        "BlackAndWhite", [](auto& p, auto& a, auto& b) { return p.BlackAndWhite(a, b); },
        [](Plain& a, Plain& b) { return refDiffuse(a, b, nullptr); });
    operations.emplace_back(
        "ApplyPalette", [&](auto& p, auto& a, auto& b) { return p.ApplyPalette(a, b, palette); },
        [&](Plain& a, Plain& b) { return refDiffuse(a, b, &palette); });

    for (auto [width, height] : sizes)
        for (const auto& [name, operation, reference] : operations) {
            if (name == "ApplyPalette") { // a new palette of 1 to 20 entries each time
                QByteArray text;
                for (uint32_t i = 0, n = 1 + random() % 20; i < n; ++i)
                    text += QByteArray::number(random() % 256) + ' ' + QByteArray::number(random() % 256) + ' '
                        + QByteArray::number(random() % 256) + "\r\n";
                ASSERT_TRUE(writeFile(paletteFile, text) && palette.LoadFromFile(paletteFile));
            }
            auto a = picture(width, height, &random), b = picture(width, height, &random);
            for (int32_t y = 0; y < height; y += 2) // pixels alike in both, for ties of brightness
                std::copy_n(&pixel(*a, 0, y), 3, &pixel(*b, 0, y));
            Plain expectedA = plainOf(*a), expectedB = plainOf(*b);
            const Events expectedEvents = reference(expectedA, expectedB);
            cImageProcessDIB process;
            Recorder recorder(process);
            EXPECT_TRUE(operation(process, *a, *b));
            ASSERT_TRUE(plainOf(*a).bytes == expectedA.bytes) << name << ' ' << width << 'x' << height;
            ASSERT_TRUE(plainOf(*b).bytes == expectedB.bytes) << name << ' ' << width << 'x' << height;
            ASSERT_EQ(recorder.events, expectedEvents) << name;
        }
}

TEST(cImageProcessDIBTest, LightenAgreesWithTheConversionsAcrossTheColourCube)
{
    constexpr int32_t n = 86; // every third value of each channel, ties included
    for (int32_t amount : { 10, -40, 75 }) {
        auto cube = picture(n * n, n, nullptr);
        for (int32_t row = 0; row < n; ++row)
            for (int32_t x = 0; x < n * n; ++x)
                pixel(*cube, x, row, 0) = uint8_t(3 * row), pixel(*cube, x, row, 1) = uint8_t(3 * (x % n)),
                                     pixel(*cube, x, row, 2) = uint8_t(3 * (x / n));
        Plain expected = plainOf(*cube);
        eachPixel(expected, [=](uint8_t* v) { refLighten(v, amount); });
        cImageProcessDIB().Lighten(*cube, amount);
        ASSERT_TRUE(plainOf(*cube).bytes == expected.bytes) << amount;
    }
}

// ---------------------------------------------------------------------------
// Cases that pin the arithmetic

TEST(cImageProcessDIBTest, FilterCasesWithKnownResults)
{
    // A grey picture of one value with a few pixels set; one pixel read back.
    const struct {
        int32_t type, width, height;
        uint8_t fill;
        std::vector<std::array<int32_t, 3>> set; // x, memory row, value
        int32_t x, row;
        uint8_t expected;
    } cases[] = {
        { 6, 3, 3, 90, { { 1, 1, 100 } }, 1, 1, 140 }, // Sharpen More: 5 x 100 - 4 x 90
        { 6, 3, 3, 90, { { 1, 1, 100 } }, 0, 1, 90 }, // the border stays
        { 8, 3, 3, 100, { { 0, 0, 200 }, { 2, 2, 100 } }, 1, 1, 127 }, // Emboss: -100 clamps to 0, + 127
        { 8, 3, 3, 100, { { 0, 0, 0 }, { 2, 2, 200 } }, 1, 1, 255 }, // 200 + 127
        { 8, 3, 3, 100, { { 1, 0, 20 } }, 1, 0, 147 }, // the border: unfiltered + 127
        { 8, 3, 3, 100, { { 2, 0, 200 } }, 2, 0, 255 },
        { 8, 2, 5, 60, {}, 1, 2, 187 }, // nothing filtered, all + 127
        { 1, 7, 6, 77, {}, 3, 3, 77 }, // uniform pictures stay
        { 2, 7, 6, 77, {}, 3, 3, 77 },
        { 4, 7, 6, 77, {}, 3, 2, 77 },
        { 7, 7, 6, 77, {}, 3, 3, 77 },
        { 10, 7, 7, 255, { { 2, 1, 0 } }, 3, 2, 0 }, // Minimum spreads black over 3 x 3
        { 10, 7, 7, 255, { { 2, 1, 0 } }, 1, 1, 0 },
        { 10, 7, 7, 255, { { 2, 1, 0 } }, 2, 0, 255 }, // but not into the border
        { 10, 7, 7, 255, { { 2, 1, 0 } }, 4, 2, 255 },
        { 11, 5, 5, 9, { { 2, 2, 200 } }, 1, 3, 200 },
    };
    for (const auto& c : cases) {
        auto image = picture(c.width, c.height, nullptr, c.fill), buffer = picture(c.width, c.height, nullptr);
        for (const auto& [x, row, value] : c.set)
            setGrey(*image, x, row, uint8_t(value));
        cImageProcessDIB process;
        process.FilterType(c.type);
        ASSERT_TRUE(process.ProcessImage(*image, *buffer));
        EXPECT_EQ(pixel(*image, c.x, c.row), c.expected) << c.type << " at " << c.x << ',' << c.row;
        if (c.type == 7) { // Unsharp leaves the 3 x 3 blur kernel and weight 0
            EXPECT_EQ(process.FilterArraySize(), 3);
            EXPECT_EQ(process.FilterWeight(), 0);
            EXPECT_EQ(process.FilterValue(-1, 1), 1);
        }
    }
}

TEST(cImageProcessDIBTest, ErrorsCarryNumberSourceAndDescription)
{
    cImageProcessDIB process, fresh;
    auto image = picture(5, 5, nullptr, 30), buffer = picture(5, 5, nullptr);
    Recorder recorder(process);
    const char* subscript = "Subscript out of range";
    const char* size = "Invalid size.  Size should be an odd number from 3 to 9";
    const struct {
        std::function<void()> call;
        long number;
        const char* description;
    } cases[] = {
        { [&] { process.FilterValue(0, 0, 1); }, 9, subscript }, // no kernel yet
        { [&] { process.FilterArraySize(1), process.FilterType(5), process.FilterType(0); }, -2147220198,
            "Invalid filter types." },
        { [&] { process.FilterType(14); }, -2147220198, "Invalid filter types." },
        { [&] { process.FilterArraySize(4); }, -2147220199, "Size must be an odd number" },
        { [&] { process.FilterArraySize(0); }, -2147220199, "Size must be an odd number" },
        { [&] { process.FilterArraySize(-2); }, -2147220199, "Size must be an odd number" },
        { [&] { process.FilterArraySize(11); }, -2147220198, size },
        { [&] { process.FilterArraySize(-1); }, -2147220198, size },
        { [&] { process.FilterValue(2, 0, 1); }, 9, subscript },
        { [&] { process.FilterValue(0, -2); }, 9, subscript },
        { [&] { fresh.FilterType(13), fresh.ProcessImage(*image, *buffer); }, 9, subscript },
        // Weight 0 is refused before any pixel or event.
        { [&] { process.FilterType(13), process.FilterWeight(0), process.ProcessImage(*image, *buffer); }, -2147220197,
            "Invalid weight.  The filter weight must not be 0" },
    };
    for (const auto& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << c.description;
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.number(), c.number);
            EXPECT_EQ(error.description(), QString::fromLatin1(c.description));
            EXPECT_EQ(error.source(), RuntimeError::sourceFor(QStringLiteral("cImageProcess")));
        }
        if (&c == &cases[9]) { // nothing of the refused calls was stored: still Sharpen
            EXPECT_EQ(process.FilterArraySize(), 3);
            EXPECT_EQ(process.FilterWeight(), 7);
            EXPECT_EQ(process.FilterValue(0, 0), 15);
            EXPECT_EQ(process.FilterValue(1, 1), -1);
        }
    }
    EXPECT_EQ(pixel(*image, 2, 2), 30);
    EXPECT_TRUE(recorder.events.empty());
}

TEST(cImageProcessDIBTest, ToneAndPixelOperationCases)
{
    cImageProcessDIB process;
    Recorder recorder(process);
    auto image = picture(1, 2, nullptr, 128); // Lighten 10: 128 / 255 x 1.1 gives 141
    process.Lighten(*image, 10);
    EXPECT_EQ(pixel(*image, 0, 1), 141);
    EXPECT_EQ(recorder.events, (Events { { 'I', 0 }, { 'P', 0 }, { 'C', 0 } }));

    image = picture(1, 2, nullptr, 255); // GrayScale rounds 56.61 up; white stays white
    pixel(*image, 0, 0, 0) = pixel(*image, 0, 0, 1) = 0;
    process.GrayScale(*image);
    EXPECT_EQ(pixel(*image, 0, 0, 0), 57);
    EXPECT_EQ(pixel(*image, 0, 0, 2), 57);
    EXPECT_EQ(pixel(*image, 0, 1), 255);

    std::mt19937 random(3); // AddNoise 0 % changes nothing; 50 % stays within 32
    auto noisy = picture(40, 30, &random);
    const Plain before = plainOf(*noisy);
    process.AddNoise(*noisy, 0);
    process.AddNoise(*noisy, 0, true);
    EXPECT_TRUE(plainOf(*noisy).bytes == before.bytes);
    process.AddNoise(*noisy, 50);
    for (size_t i = 0; i < before.bytes.size(); ++i)
        EXPECT_LE(std::abs(int(noisy->DIBSectionBitsPtr()[i]) - int(before.bytes[i])), 32);
}

TEST(cImageProcessDIBTest, ErrorDiffusionCases)
{
    cImageProcessDIB process;
    // White 200 leaves error 127 - 200 = -73, of which (-73 x 7) / 16 = -31
    // reaches the right neighbour: 159 falls to 128 (black), 160 to 129
    // (white). The pixel above the first one (129) receives nothing.
    for (auto [second, expected] : { std::pair { 159, 0 }, { 160, 255 } }) {
        auto from = picture(3, 2, nullptr, 0), to = picture(3, 2, nullptr);
        setGrey(*from, 0, 0, 200), setGrey(*from, 1, 0, uint8_t(second)), setGrey(*from, 0, 1, 129);
        ASSERT_TRUE(process.BlackAndWhite(*from, *to));
        EXPECT_EQ(pixel(*to, 0, 0), 255);
        EXPECT_EQ(pixel(*to, 1, 0), expected);
        EXPECT_EQ(pixel(*to, 0, 1), 255);
        EXPECT_TRUE(plainOf(*from).bytes == plainOf(*to).bytes);
    }

    // Black against a palette of white only is nearest to no entry (765);
    // the white one is taken. An empty palette is refused.
    QTemporaryDir dir;
    const QString white = dir.filePath(QStringLiteral("white.txt"));
    cPalette palette;
    ASSERT_TRUE(writeFile(white, "255 255 255\r\n") && palette.LoadFromFile(white));
    auto from = picture(3, 2, nullptr, 0), to = picture(3, 2, nullptr);
    ASSERT_TRUE(process.ApplyPalette(*from, *to, palette));
    EXPECT_EQ(pixel(*from, 2, 1), 255);
    EXPECT_FALSE(process.ApplyPalette(*from, *to, cPalette()));
    // The diffusion reads one buffer while writing the other.
    EXPECT_FALSE(process.ApplyPalette(*from, *from, palette));
    EXPECT_FALSE(process.BlackAndWhite(*from, *from));
}

TEST(cImageProcessDIBTest, MismatchedOrMissingBuffersAreRefused)
{
    cImageProcessDIB process;
    Recorder recorder(process);
    auto a = picture(4, 4, nullptr, 50), b = picture(4, 5, nullptr, 200), dead = picture(4, 4, nullptr);
    dead->ClearUp(); // keeps its size, loses its memory
    process.FilterType(1);
    EXPECT_FALSE(process.ProcessImage(*a, *b));
    EXPECT_FALSE(process.ProcessImage(*a, *dead));
    EXPECT_FALSE(process.ProcessImage(*a, *a));
    EXPECT_FALSE(process.AddLightest(*b, *a));
    EXPECT_FALSE(process.AddDarkest(*b, *a));
    EXPECT_FALSE(process.BlackAndWhite(*a, *b));
    EXPECT_FALSE(process.AddImages(*b, *a, 1, 0, 0, 0, 0, 0, 0, 0));
    EXPECT_FALSE(process.Fade(*dead, 3));
    EXPECT_FALSE(process.Lighten(*dead, 3));
    EXPECT_EQ(pixel(*a, 3, 3), 50);
    EXPECT_EQ(pixel(*b, 3, 4), 200);
    EXPECT_TRUE(recorder.events.empty());
}

TEST(cImageProcessDIBTest, AddImagesOffsetsGoToBytesInStorageOrder)
{
    const struct {
        int32_t values[8];
        uint8_t expected[3];
    } cases[] = {
        { { 2, 10, 20, 30, -1, 0, 0, 0 }, { 170, 180, 190 } }, // (100 + offset) x 2 - to
        { { 0, 0, 0, 0, 1, -50, 0, 300 }, { 0, 60, 255 } },
        { { INT32_MIN, INT32_MAX, 0, 0, INT32_MIN, INT32_MAX, 0, 0 }, { 0, 0, 0 } }, // no overflow
        { { INT32_MAX, INT32_MAX, 0, 0, INT32_MAX, INT32_MAX, 0, 0 }, { 255, 255, 255 } },
    };
    for (const auto& c : cases) {
        auto from = picture(1, 1, nullptr, 100), to = picture(1, 1, nullptr);
        pixel(*to, 0, 0, 0) = 50, pixel(*to, 0, 0, 1) = 60, pixel(*to, 0, 0, 2) = 70;
        const int32_t* v = c.values;
        EXPECT_FALSE(cImageProcessDIB().AddImages(*from, *to, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]));
        for (int32_t channel = 0; channel < 3; ++channel)
            EXPECT_EQ(pixel(*to, 0, 0, channel), c.expected[channel]) << v[0] << ' ' << channel;
    }
}
