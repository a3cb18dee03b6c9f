#include "imaging/ImageFilters.h"

#include "imaging/Hls.h"
#include "platform/PixelSurface.h"
#include "platform/RuntimeError.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <random>

namespace {

// A buffer's memory, padding included.
std::vector<uint8_t> bytesOf(const PixelSurface& surface)
{
    return std::vector<uint8_t>(surface.bits(), surface.bits() + size_t(surface.stride()) * surface.height());
}

// A picture of random bytes (padding included, so stray writes show), or
// of one value when there is no random source.
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

uint8_t clamp255(long long v)
{
    return uint8_t(std::clamp(v, 0LL, 255LL));
}

// From pictures smaller than every kernel (which stay as they are) to a few
// hundred pixels a side.
const std::pair<int32_t, int32_t> sizes[] = { { 1, 1 }, { 1, 6 }, { 6, 1 }, { 2, 2 }, { 3, 3 }, { 4, 7 }, { 7, 4 },
    { 5, 5 }, { 9, 8 }, { 10, 11 }, { 33, 17 }, { 64, 3 }, { 3, 64 }, { 129, 131 }, { 301, 201 } };

// ---------------------------------------------------------------------------
// References, straight from the definitions

// The filter types' kernels, by type: a square of elements (memory row
// j = -h first, i = -h first within it) and the weight.
struct Kernel {
    int32_t size;
    std::vector<int32_t> values;
    int32_t weight;
};

const Kernel blur { 3, std::vector<int32_t>(9, 1), 9 }; // Unsharp blurs first
const Kernel kernels[] = { {}, blur, { 5, std::vector<int32_t>(25, 1), 25 }, { 3, { 1, 1, 1, 1, 4, 1, 1, 1, 1 }, 12 },
    { 5, { 1, 1, 1, 1, 1, 1, 2, 2, 2, 1, 1, 2, 12, 2, 1, 1, 2, 2, 2, 1, 1, 1, 1, 1, 1 }, 44 },
    { 3, { -1, -1, -1, -1, 15, -1, -1, -1, -1 }, 7 }, { 3, { 0, -1, 0, -1, 5, -1, 0, -1, 0 }, 1 }, blur,
    { 3, { -1, 0, 0, 0, 0, 0, 0, 0, 1 }, 1 } };

// Each pixel the kernel fits over becomes the weighted sum of its
// neighbourhood, clamped; the border keeps its bytes. Unsharp then takes
// 2 x image - blurred, Emboss the filtered image + 127.
void refProcessImage(int32_t type, PixelSurface& image)
{
    const Kernel& k = kernels[type];
    const int32_t h = k.size / 2;
    const auto filtered = image.copy();
    for (int32_t y = h; y < image.height() - h; ++y)
        for (int32_t b = 3 * h; b < 3 * (image.width() - h); ++b) {
            long long sum = 0;
            for (int32_t j = -h; j <= h; ++j)
                for (int32_t i = -h; i <= h; ++i)
                    sum += (long long)k.values[(j + h) * k.size + i + h] * image.memoryRow(y + j)[b + 3 * i];
            filtered->memoryRow(y)[b] = clamp255(sum / k.weight);
        }
    for (int32_t y = 0; y < image.height(); ++y)
        for (int32_t b = 0; b < 3 * image.width(); ++b) {
            uint8_t& v = image.memoryRow(y)[b];
            const int32_t f = filtered->memoryRow(y)[b];
            v = type == 7 ? clamp255(2 * v - f) : type == 8 ? clamp255(f + 127) : uint8_t(f);
        }
}

void eachPixel(PixelSurface& surface, const std::function<void(uint8_t*)>& f)
{
    for (int32_t y = 0; y < surface.height(); ++y)
        for (int32_t x = 0; x < surface.width(); ++x)
            f(&pixel(surface, x, y));
}

void refHlsPixel(uint8_t* v, const std::function<void(float&, float&, float&)>& change)
{
    float h, s, l;
    Hls::rgbToHls(v[2], v[1], v[0], h, s, l);
    change(h, s, l);
    int32_t r, g, b;
    Hls::hlsToRgb(h, s, l, r, g, b);
    v[2] = clamp255(r), v[1] = clamp255(g), v[0] = clamp255(b);
}

// Every fifth value of each channel, 0 and 255 and the ties of channels
// included: 52 x 52 x 52 pixels.
std::unique_ptr<PixelSurface> colourCube()
{
    constexpr int32_t n = 52;
    auto cube = picture(n * n, n, nullptr);
    for (int32_t row = 0; row < n; ++row)
        for (int32_t x = 0; x < n * n; ++x) {
            pixel(*cube, x, row, 0) = uint8_t(5 * row);
            pixel(*cube, x, row, 1) = uint8_t(5 * (x % n));
            pixel(*cube, x, row, 2) = uint8_t(5 * (x / n));
        }
    return cube;
}

} // namespace

TEST(ImageFiltersTest, FiltersAgreeWithReferenceOnRandomPictures)
{
    // Random bytes, then 255 with a few 0 and 0 with a few 255: the kernels'
    // largest and smallest sums (a 5 x 5 square of 255 among them).
    std::mt19937 random(1234);
    for (auto [width, height] : sizes)
        for (int32_t type = 1; type <= 8; ++type)
            for (int32_t kind = 0; kind < 3; ++kind) {
                auto image = picture(width, height, &random), buffer = picture(width, height, &random);
                if (kind > 0) {
                    for (size_t i = 0; i < size_t(image->stride()) * height; ++i)
                        image->bits()[i] = (random() % 16 == 0) == (kind == 1) ? 0 : 255;
                }
                ImageFilters process;
                process.filterType(type);
                const auto expected = image->copy();
                refProcessImage(type, *expected);
                const auto scratch = bytesOf(*buffer);
                ASSERT_TRUE(process.processImage(*image, *buffer));
                ASSERT_TRUE(bytesOf(*image) == bytesOf(*expected))
                    << type << ' ' << width << 'x' << height << ' ' << kind;
                ASSERT_TRUE(bytesOf(*buffer) == scratch); // left as it was
            }
}

TEST(ImageFiltersTest, PixelOperationsAgreeWithReferenceOnRandomPicturesAndTheColourCube)
{
    using Operation = std::function<bool(ImageFilters&, PixelSurface&)>;
    std::vector<std::tuple<std::string, Operation, std::function<void(uint8_t*)>>> operations;
    for (int32_t amount : { 240, -20, 400 })
        operations.emplace_back(
            "Fade " + std::to_string(amount), [=](auto& p, auto& a) { return p.fade(a, amount); },
            [=](uint8_t* v) {
                for (int c = 0; c < 3; ++c)
                    v[c] = uint8_t(v[c] * std::clamp(amount, 0, 255) / 255);
            });
    // The lightness times 1 + amount / 100, at most 1; amounts below -100
    // count as -100.
    for (int32_t amount : { 10, -40, 75, -300, INT32_MAX, INT32_MIN })
        operations.emplace_back(
            "Lighten " + std::to_string(amount), [=](auto& p, auto& a) { return p.lighten(a, amount); },
            [=](uint8_t* v) {
                const double factor = 1 + std::max(amount, -100) / 100.0;
                refHlsPixel(v, [=](float&, float&, float& l) { l = std::min(1.0f, float(factor * l)); });
            });
    // Every pixel takes the hue and the saturation (within 0 to 1) and keeps
    // its lightness. (Copied out of the pair: clang 14 does not let a lambda
    // capture a structured binding.)
    for (const auto& look : { std::pair { 0.6f, 0.3f }, { -1.0f, 1.0f }, { 4.75f, 0.9f }, { 9.0f, 0.2f },
             { 1.5f, 1.7f }, { 3.0f, -0.4f } }) {
        const float hue = look.first;
        const float saturation = look.second;
        operations.emplace_back(
            "Colourise " + std::to_string(hue), [=](auto& p, auto& a) { return p.colourise(a, hue, saturation); },
            [=](uint8_t* v) {
                refHlsPixel(v, [=](float& h, float& s, float&) { h = hue, s = std::clamp(saturation, 0.0f, 1.0f); });
            });
    }
    operations.emplace_back(
        "GrayScale", [](auto& p, auto& a) { return p.grayScale(a); },
        [](uint8_t* v) {
            v[0] = v[1] = v[2] = uint8_t(std::nearbyint((222 * v[2] + 707 * v[1] + 71 * v[0]) / 1000.0));
        });

    std::mt19937 random(99);
    for (const auto& [name, operation, reference] : operations) {
        std::vector<std::unique_ptr<PixelSurface>> pictures;
        for (auto [width, height] : sizes)
            pictures.push_back(picture(width, height, &random));
        pictures.push_back(colourCube());
        for (const auto& surface : pictures) {
            const auto expected = surface->copy();
            eachPixel(*expected, reference);
            ImageFilters process;
            EXPECT_TRUE(operation(process, *surface));
            ASSERT_TRUE(bytesOf(*surface) == bytesOf(*expected))
                << name << ' ' << surface->width() << 'x' << surface->height();
        }
    }
}

TEST(ImageFiltersTest, GrainMovesThePixelsBytesTogetherAsItsSeedSays)
{
    // Each pixel's bytes move by round(r x span - span \ 2), span = percent
    // x 128 \ 100, r the seed's next 32-bit draw over 2^32: the grain has no
    // colour and is the same for a seed on every run.
    std::mt19937 random(3);
    for (int32_t percent : { 0, 20, 100, 250 }) {
        auto grained = picture(40, 30, &random);
        const auto expected = grained->copy();
        const uint32_t seed = 7 + percent;
        std::mt19937 draws(seed);
        const long long span = percent * 128 / 100;
        eachPixel(*expected, [&](uint8_t* v) {
            const auto shift = (long long)std::nearbyint(draws() / 4294967296.0 * double(span) - double(span / 2));
            for (int c = 0; c < 3; ++c)
                v[c] = clamp255(v[c] + shift);
        });
        EXPECT_TRUE(ImageFilters().addNoise(*grained, percent, seed));
        EXPECT_TRUE(bytesOf(*grained) == bytesOf(*expected)) << percent;
    }
}

// ---------------------------------------------------------------------------
// Pixels worked out by hand, which check the references too

TEST(ImageFiltersTest, FilterCasesWithKnownResults)
{
    // A grey picture of 3 x 3 pixels, memory row 0 first; one pixel read back.
    const struct {
        int32_t type;
        uint8_t greys[9];
        int32_t x, row;
        uint8_t expected;
    } cases[] = {
        { 6, { 90, 90, 90, 90, 100, 90, 90, 90, 90 }, 1, 1, 140 }, // Sharpen More: 5 x 100 - 4 x 90
        { 6, { 90, 90, 90, 90, 100, 90, 90, 90, 90 }, 0, 1, 90 }, // the border stays
        { 8, { 200, 100, 100, 100, 100, 100, 100, 100, 100 }, 1, 1, 127 }, // Emboss: -100 clamps to 0, + 127
        { 8, { 0, 100, 100, 100, 100, 100, 100, 100, 200 }, 1, 1, 255 }, // 200 + 127
        { 8, { 100, 20, 100, 100, 100, 100, 100, 100, 100 }, 1, 0, 147 }, // the border: unfiltered + 127
    };
    for (const auto& c : cases) {
        auto image = picture(3, 3, nullptr), buffer = picture(3, 3, nullptr);
        for (int32_t i = 0; i < 9; ++i)
            std::fill_n(&pixel(*image, i % 3, i / 3), 3, c.greys[i]);
        ImageFilters process;
        process.filterType(c.type);
        EXPECT_THROW(process.filterType(9), RuntimeError); // and keeps the type it had
        ASSERT_TRUE(process.processImage(*image, *buffer));
        EXPECT_EQ(pixel(*image, c.x, c.row), c.expected) << c.type << " at " << c.x << ',' << c.row;
    }
}

TEST(ImageFiltersTest, ColouriseGivesAMiddleGreySepiasKnownTone)
{
    const auto image = picture(1, 1, nullptr, 128); // sepia's tone of a middle grey
    ImageFilters().colourise(*image, 0.6f, 0.3f);
    EXPECT_EQ((std::array { pixel(*image, 0, 0, 2), pixel(*image, 0, 0, 1), pixel(*image, 0, 0, 0) }),
        (std::array<uint8_t, 3> { 166, 136, 90 }));
}

TEST(ImageFiltersTest, FilterTypesOutsideTheMenuAreRefused)
{
    for (int32_t type : { 0, 9, -1 }) {
        try {
            ImageFilters().filterType(type);
            ADD_FAILURE() << type;
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.number(), -2147220198);
            EXPECT_EQ(error.description(), QStringLiteral("Invalid filter types."));
            EXPECT_EQ(error.source(), RuntimeError::sourceFor(QStringLiteral("cImageProcess")));
        }
    }
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

TEST(ImageFiltersTest, AddImagesGivesOffsetsToBytesInStorageOrderAndCannotOverflow)
{
    // The padding byte stays as it was.
    auto from = picture(1, 1, nullptr, 100), to = picture(1, 1, nullptr, 50);
    EXPECT_FALSE(ImageFilters().addImages(*from, *to, 2, 10, 20, 30, -1, 0, 0, 0)); // (100 + offset) x 2 - 50
    EXPECT_EQ(bytesOf(*to), (std::vector<uint8_t> { 170, 190, 210, 50 }));
    ImageFilters().addImages(*from, *to, INT32_MAX, INT32_MAX, 0, 0, INT32_MAX, INT32_MAX, 0, 0);
    EXPECT_EQ(bytesOf(*to), (std::vector<uint8_t> { 255, 255, 255, 50 }));
}
