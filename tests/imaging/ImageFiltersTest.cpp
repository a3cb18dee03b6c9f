#include "imaging/ImageFilters.h"

#include "imaging/Hls.h"
#include "platform/PixelSurface.h"
#include "platform/RuntimeError.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

namespace {

// A copy of a buffer's memory, padding included, for the reference to work on.
struct Plain {
    int32_t W, H, stride;
    std::vector<uint8_t> bytes;
    uint8_t& at(int32_t offset, int32_t row) { return bytes[size_t(row) * stride + offset]; }
};

Plain plainOf(const PixelSurface& surface)
{
    const uint8_t* p = surface.bits();
    return { surface.width(), surface.height(), surface.stride(),
        std::vector<uint8_t>(p, p + size_t(surface.stride()) * surface.height()) };
}

// A picture of random bytes (padding included, so stray writes show), or
// of one value when a value is given.
std::unique_ptr<PixelSurface> picture(int32_t width, int32_t height, std::mt19937* random, uint8_t value = 0)
{
    auto surface = PixelSurface::create(width, height);
    EXPECT_TRUE(surface);
    for (size_t i = 0; i < size_t(surface->stride()) * height; ++i)
        surface->bits()[i] = random ? uint8_t((*random)()) : value;
    return surface;
}

uint8_t& pixel(PixelSurface& surface, int32_t x, int32_t row, int32_t channel = 0)
{
    return surface.bits()[row * surface.stride() + 3 * x + channel];
}

void setGrey(PixelSurface& surface, int32_t x, int32_t row, uint8_t value)
{
    pixel(surface, x, row, 0) = pixel(surface, x, row, 1) = pixel(surface, x, row, 2) = value;
}

uint8_t clamp255(long long v)
{
    return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

void columns(int32_t first, int32_t last, const std::function<void(int32_t)>& column)
{
    for (int32_t x = first; x <= last; x += 3)
        column(x);
}

// From pictures smaller than every kernel (which stay as they are) to a few
// hundred pixels a side.
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

void refConvolution(Plain& S, Plain& D, const Kernel& k)
{
    const int32_t h = k.size / 2;
    columns(3 * h, 3 * (S.W - 1) - 3 * h, [&](int32_t x) {
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

void refAddImages(Plain& from, Plain& to, int32_t fromMultiplier, int32_t fromOffset, int32_t toMultiplier)
{
    for (int32_t x = 0; x < 3 * to.W; ++x)
        for (int32_t y = 0; y < to.H; ++y)
            to.at(x, y) = clamp255((from.at(x, y) + fromOffset) * fromMultiplier + to.at(x, y) * toMultiplier);
}

void refProcessImage(int32_t type, Plain& image, const Kernel& kernel)
{
    Plain buffer = image;
    refConvolution(image, buffer, kernel);
    if (type == 7)
        refAddImages(buffer, image, -1, 0, 2);
    else if (type == 8)
        refAddImages(buffer, image, 1, 127, 0);
    else
        image = buffer; // the padding is never written, so the copy is whole
}

// ---------------------------------------------------------------------------
// Reference pixel operations

void eachPixel(Plain& p, const std::function<void(uint8_t*)>& f)
{
    columns(0, 3 * (p.W - 1), [&](int32_t x) {
        for (int32_t y = 0; y < p.H; ++y)
            f(&p.at(x, y));
    });
}

uint8_t refGrey(const uint8_t* p)
{
    return uint8_t(std::nearbyint((222 * p[2] + 707 * p[1] + 71 * p[0]) / 1000.0));
}

void refHLSPixel(uint8_t* v, const std::function<void(float&, float&, float&)>& change)
{
    float h, s, l;
    Hls::rgbToHls(v[2], v[1], v[0], h, s, l);
    change(h, s, l);
    int32_t r, g, b;
    Hls::hlsToRgb(h, s, l, r, g, b);
    v[2] = clamp255(r), v[1] = clamp255(g), v[0] = clamp255(b);
}

void refLighten(uint8_t* v, int32_t amount)
{
    refHLSPixel(v, [amount](float&, float&, float& l) { l = std::min(1.0f, float((1 + amount / 100.0) * l)); });
}

} // namespace

// ---------------------------------------------------------------------------

TEST(ImageFiltersTest, FiltersAgreeWithReferenceOnRandomPictures)
{
    std::mt19937 random(1234);
    for (auto [width, height] : sizes)
        for (int32_t type = 1; type <= 8; ++type) {
            auto image = picture(width, height, &random), buffer = picture(width, height, &random);
            ImageFilters process;
            process.filterType(type);
            Plain expected = plainOf(*image);
            refProcessImage(type, expected, tableKernel(type));
            ASSERT_TRUE(process.processImage(*image, *buffer));
            ASSERT_TRUE(plainOf(*image).bytes == expected.bytes) << type << ' ' << width << 'x' << height;
        }
}

TEST(ImageFiltersTest, PixelOperationsAgreeWithReferenceOnRandomPictures)
{
    std::mt19937 random(99);
    using Operation = std::function<bool(ImageFilters&, PixelSurface&)>;
    std::vector<std::tuple<std::string, Operation, std::function<void(uint8_t*)>>> operations;
    for (int32_t amount : { 240, 0, 255, 97, -20, 400 })
        operations.emplace_back(
            "Fade", [=](auto& p, auto& a) { return p.fade(a, amount); },
            [=](uint8_t* v) {
                for (int c = 0; c < 3; ++c)
                    v[c] = uint8_t(v[c] * std::clamp(amount, 0, 255) / 255);
            });
    for (int32_t amount : { 10, 0, -35, -100, -300, 60, 2000, INT32_MAX, INT32_MIN })
        operations.emplace_back(
            "Lighten", [=](auto& p, auto& a) { return p.lighten(a, amount); },
            [=](uint8_t* v) { refLighten(v, std::max(amount, -100)); });
    // Every pixel takes the hue and the saturation (within 0 to 1) and
    // keeps its lightness.
    // (Copied out of the pair: clang 14 does not let a lambda capture a
    // structured binding.)
    for (const auto& look : { std::pair { 0.6f, 0.3f }, { -1.0f, 1.0f }, { 0.0f, 0.5f }, { 2.5f, 0.0f },
             { 4.75f, 0.9f }, { 9.0f, 0.2f }, { 1.5f, 1.7f }, { 3.0f, -0.4f } }) {
        const float hue = look.first;
        const float saturation = look.second;
        operations.emplace_back(
            "Colourise", [=](auto& p, auto& a) { return p.colourise(a, hue, saturation); },
            [=](uint8_t* v) {
                refHLSPixel(v, [=](float& h, float& s, float&) { h = hue, s = std::clamp(saturation, 0.0f, 1.0f); });
            });
    }
    operations.emplace_back(
        "GrayScale", [](auto& p, auto& a) { return p.grayScale(a); },
        [](uint8_t* v) { v[0] = v[1] = v[2] = refGrey(v); });

    for (auto [width, height] : sizes)
        for (const auto& [name, operation, reference] : operations) {
            auto a = picture(width, height, &random);
            Plain expected = plainOf(*a);
            eachPixel(expected, reference);
            ImageFilters process;
            EXPECT_TRUE(operation(process, *a));
            ASSERT_TRUE(plainOf(*a).bytes == expected.bytes) << name << ' ' << width << 'x' << height;
        }
}

// Every third value of each channel, ties included: 86 x 86 x 86 pixels.
std::unique_ptr<PixelSurface> colourCube()
{
    constexpr int32_t n = 86;
    auto cube = picture(n * n, n, nullptr);
    for (int32_t row = 0; row < n; ++row)
        for (int32_t x = 0; x < n * n; ++x)
            pixel(*cube, x, row, 0) = uint8_t(3 * row), pixel(*cube, x, row, 1) = uint8_t(3 * (x % n)),
                                 pixel(*cube, x, row, 2) = uint8_t(3 * (x / n));
    return cube;
}

TEST(ImageFiltersTest, LightenAgreesWithTheConversionsAcrossTheColourCube)
{
    for (int32_t amount : { 10, -40, 75 }) {
        auto cube = colourCube();
        Plain expected = plainOf(*cube);
        eachPixel(expected, [=](uint8_t* v) { refLighten(v, amount); });
        ImageFilters().lighten(*cube, amount);
        ASSERT_TRUE(plainOf(*cube).bytes == expected.bytes) << amount;
    }
}

// ---------------------------------------------------------------------------
// Cases that pin the arithmetic

TEST(ImageFiltersTest, FilterCasesWithKnownResults)
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
    };
    for (const auto& c : cases) {
        auto image = picture(c.width, c.height, nullptr, c.fill), buffer = picture(c.width, c.height, nullptr);
        for (const auto& [x, row, value] : c.set)
            setGrey(*image, x, row, uint8_t(value));
        ImageFilters process;
        process.filterType(c.type);
        ASSERT_TRUE(process.processImage(*image, *buffer));
        EXPECT_EQ(pixel(*image, c.x, c.row), c.expected) << c.type << " at " << c.x << ',' << c.row;
    }
}

TEST(ImageFiltersTest, ColouriseAgreesWithTheConversionsAcrossTheColourCube)
{
    auto cube = colourCube();
    Plain expected = plainOf(*cube);
    eachPixel(expected, [](uint8_t* v) { refHLSPixel(v, [](float& h, float& s, float&) { h = 0.6f, s = 0.3f; }); });
    ImageFilters().colourise(*cube, 0.6f, 0.3f);
    ASSERT_TRUE(plainOf(*cube).bytes == expected.bytes);
}

TEST(ImageFiltersTest, FilterTypesOutsideTheMenuAreRefused)
{
    ImageFilters process;
    auto image = picture(5, 5, nullptr, 30), buffer = picture(5, 5, nullptr);
    setGrey(*image, 2, 2, 60);
    process.filterType(6);
    for (int32_t type : { 0, 9, 13, -1 }) {
        try {
            process.filterType(type);
            ADD_FAILURE() << type;
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.number(), -2147220198);
            EXPECT_EQ(error.description(), QStringLiteral("Invalid filter types."));
            EXPECT_EQ(error.source(), RuntimeError::sourceFor(QStringLiteral("cImageProcess")));
        }
    }
    // Nothing of the refused types was kept: still Sharpen More.
    ASSERT_TRUE(process.processImage(*image, *buffer));
    EXPECT_EQ(pixel(*image, 2, 2), 5 * 60 - 4 * 30);
}

TEST(ImageFiltersTest, ToneAndPixelOperationCases)
{
    ImageFilters process;
    auto image = picture(1, 2, nullptr, 128); // Lighten 10: 128 / 255 x 1.1 gives 141
    process.lighten(*image, 10);
    EXPECT_EQ(pixel(*image, 0, 1), 141);

    image = picture(1, 2, nullptr, 255); // grayScale rounds 56.61 up; white stays white
    pixel(*image, 0, 0, 0) = pixel(*image, 0, 0, 1) = 0;
    process.grayScale(*image);
    EXPECT_EQ(pixel(*image, 0, 0, 0), 57);
    EXPECT_EQ(pixel(*image, 0, 0, 2), 57);
    EXPECT_EQ(pixel(*image, 0, 1), 255);

    image = picture(1, 1, nullptr, 128); // sepia's tone of a middle grey
    process.colourise(*image, 0.6f, 0.3f);
    EXPECT_EQ((std::array { pixel(*image, 0, 0, 2), pixel(*image, 0, 0, 1), pixel(*image, 0, 0, 0) }),
        (std::array<uint8_t, 3> { 166, 136, 90 }));
}

TEST(ImageFiltersTest, GrainIsGreyBoundedAndTheSameForASeed)
{
    std::mt19937 random(3);
    auto original = picture(40, 30, &random);
    for (int32_t y = 0; y < 30; ++y) // a band of middle greys, where nothing is clamped
        for (int32_t x = 0; x < 40; x += 2)
            setGrey(*original, x, y, uint8_t(100 + y));
    const Plain before = plainOf(*original);
    auto grained = [&](int32_t percent, uint32_t seed) {
        auto copy = picture(40, 30, nullptr);
        std::copy(before.bytes.begin(), before.bytes.end(), copy->bits());
        EXPECT_TRUE(ImageFilters().addNoise(*copy, percent, seed));
        return plainOf(*copy);
    };

    EXPECT_TRUE(grained(0, 7).bytes == before.bytes); // span 0
    const Plain once = grained(20, 7);
    EXPECT_TRUE(grained(20, 7).bytes == once.bytes);
    EXPECT_FALSE(grained(20, 8).bytes == once.bytes);

    // 20 %: a span of 25 levels, from 12 below to 13 above (exclusive). The
    // three bytes of a pixel move together: the grain has no colour.
    int32_t moved = 0;
    Plain after = once, start = before;
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40; ++x) {
            int32_t shift[3];
            for (int32_t c = 0; c < 3; ++c) {
                const int32_t v = start.at(3 * x + c, y), w = after.at(3 * x + c, y);
                shift[c] = w - v;
                if (w != 0 && w != 255) {
                    EXPECT_TRUE(shift[c] >= -12 && shift[c] <= 13) << x << ',' << y;
                }
            }
            if (x % 2 == 0) {
                EXPECT_TRUE(shift[0] == shift[1] && shift[1] == shift[2]) << x << ',' << y;
                moved += shift[0] != 0;
            }
        }
    EXPECT_GT(moved, 500); // of 600 grey pixels
}

TEST(ImageFiltersTest, MismatchedBuffersAreRefused)
{
    ImageFilters process;
    auto a = picture(4, 4, nullptr, 50), b = picture(4, 5, nullptr, 200);
    EXPECT_FALSE(process.processImage(*a, *a)); // no type yet
    process.filterType(1);
    EXPECT_FALSE(process.processImage(*a, *b));
    EXPECT_FALSE(process.processImage(*a, *a));
    EXPECT_FALSE(process.addImages(*b, *a, 1, 0, 0, 0, 0, 0, 0, 0));
    EXPECT_EQ(pixel(*a, 3, 3), 50);
    EXPECT_EQ(pixel(*b, 3, 4), 200);
}

TEST(ImageFiltersTest, AddImagesOffsetsGoToBytesInStorageOrder)
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
        EXPECT_FALSE(ImageFilters().addImages(*from, *to, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]));
        for (int32_t channel = 0; channel < 3; ++channel)
            EXPECT_EQ(pixel(*to, 0, 0, channel), c.expected[channel]) << v[0] << ' ' << channel;
    }
}
