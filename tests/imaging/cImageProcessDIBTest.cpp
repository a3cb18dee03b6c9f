#include "imaging/cImageProcessDIB.h"

#include "imaging/cDIBSection.h"
#include "imaging/cPalette.h"
#include "imaging/mHLSRGB.h"
#include "platform/RuntimeError.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

namespace {

// ---------------------------------------------------------------------------
// Events and pictures as the reference sees them

struct Event {
    char kind; // 'I'nitProgress, 'P'rogress, 'C'omplete (time not compared)
    int32_t value;
    bool operator==(const Event&) const = default;
};
using Events = std::vector<Event>;

struct Recorder : ImageProcessListener {
    Events events;
    void InitProgress(int32_t lMax) override { events.push_back({'I', lMax}); }
    void Progress(int32_t lPosition) override { events.push_back({'P', lPosition}); }
    void Complete(int32_t lTimeMs) override
    {
        EXPECT_GE(lTimeMs, 0);
        events.push_back({'C', 0});
    }
};

void columnEvents(Events& events, int32_t first, int32_t last)
{
    events.push_back({'I', last});
    for (int32_t x = first; x <= last; x += 3)
        events.push_back({'P', x});
    events.push_back({'C', 0});
}

struct Plain {
    int32_t W, H, stride;
    std::vector<uint8_t> bytes;
    uint8_t& at(int32_t offset, int32_t row) { return bytes[size_t(row) * stride + offset]; }
    uint8_t at(int32_t offset, int32_t row) const { return bytes[size_t(row) * stride + offset]; }
};

Plain plainOf(const cDIBSection& dib)
{
    const uint8_t* p = dib.DIBSectionBitsPtr();
    return {dib.Width(), dib.Height(), dib.BytesPerScanLine(),
            std::vector<uint8_t>(p, p + size_t(dib.BytesPerScanLine()) * dib.Height())};
}

// Random bytes everywhere, padding included, so writes past a row show.
void fill(cDIBSection& dib, std::mt19937& random)
{
    for (size_t i = 0; i < size_t(dib.BytesPerScanLine()) * dib.Height(); ++i)
        dib.DIBSectionBitsPtr()[i] = uint8_t(random());
}

void fillUniform(cDIBSection& dib, uint8_t value)
{
    std::fill_n(dib.DIBSectionBitsPtr(), size_t(dib.BytesPerScanLine()) * dib.Height(), value);
}

void setPixel(cDIBSection& dib, int32_t x, int32_t row, uint8_t value)
{
    uint8_t* p = dib.DIBSectionBitsPtr() + row * dib.BytesPerScanLine() + 3 * x;
    p[0] = p[1] = p[2] = value;
}

uint8_t pixel(const cDIBSection& dib, int32_t x, int32_t row)
{
    return dib.DIBSectionBitsPtr()[row * dib.BytesPerScanLine() + 3 * x];
}

void copyPixels(const Plain& from, Plain& to)
{
    for (int32_t r = 0; r < from.H; ++r)
        for (int32_t i = 0; i < 3 * from.W; ++i)
            to.at(i, r) = from.at(i, r);
}

int32_t clamp255(long long v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : int32_t(v));
}

const std::pair<int32_t, int32_t> sizes[] = {{1, 1}, {1, 6}, {6, 1},   {2, 2},   {3, 3},    {4, 7},   {7, 4},
                                             {5, 5}, {9, 8}, {10, 11}, {33, 17}, {64, 3},   {3, 64},  {129, 131},
                                             {301, 201}};

// ---------------------------------------------------------------------------
// Reference filters, straight from their definition

struct Kernel {
    int32_t h = 0;
    std::vector<int32_t> values; // (j + h) x (2h + 1) + (i + h)
    int32_t weight = 0;
    int32_t at(int32_t i, int32_t j) const { return values[size_t((j + h) * (2 * h + 1) + (i + h))]; }
    int32_t& at(int32_t i, int32_t j) { return values[size_t((j + h) * (2 * h + 1) + (i + h))]; }
};

Kernel kernelOfSize(int32_t size)
{
    Kernel k;
    k.h = size / 2;
    k.values.assign(size_t(size * size), 0);
    return k;
}

// The kernels as the table of filter types lists them.
Kernel tableKernel(int32_t type)
{
    Kernel k = kernelOfSize(type == 2 || type == 4 ? 5 : 3);
    switch (type) {
    case 1:
    case 2:
        std::fill(k.values.begin(), k.values.end(), 1);
        k.weight = type == 1 ? 9 : 25;
        break;
    case 3:
        std::fill(k.values.begin(), k.values.end(), 1);
        k.at(0, 0) = 4;
        k.weight = 12;
        break;
    case 4:
        for (int32_t j = -2; j <= 2; ++j)
            for (int32_t i = -2; i <= 2; ++i)
                k.at(i, j) = std::max(std::abs(i), std::abs(j)) == 2 ? 1 : 2;
        k.at(0, 0) = 12;
        k.weight = 44;
        break;
    case 5:
        std::fill(k.values.begin(), k.values.end(), -1);
        k.at(0, 0) = 15;
        k.weight = 7;
        break;
    case 6:
        k.at(0, 0) = 5;
        k.at(-1, 0) = k.at(1, 0) = k.at(0, -1) = k.at(0, 1) = -1;
        k.weight = 1;
        break;
    case 8:
        k.at(-1, -1) = -1;
        k.at(1, 1) = 1;
        k.weight = 1;
        break;
    }
    return k;
}

void refConvolutionPass(const Plain& S, Plain& D, const Kernel& k, Events& events)
{
    const int32_t h = k.h, x1 = 3 * h, x2 = 3 * (S.W - 1) - 3 * h;
    events.push_back({'I', x2});
    for (int32_t x = x1; x <= x2; x += 3) {
        for (int32_t y = h; y <= S.H - 1 - h; ++y) {
            long long sB = 0, sG = 0, sR = 0;
            for (int32_t i = -h; i <= h; ++i)
                for (int32_t j = -h; j <= h; ++j) {
                    sB += (long long)k.at(i, j) * S.at(x + 3 * i, y + j);
                    sG += (long long)k.at(i, j) * S.at(x + 3 * i + 1, y + j);
                    sR += (long long)k.at(i, j) * S.at(x + 3 * i + 2, y + j);
                }
            D.at(x, y) = uint8_t(clamp255(sB / k.weight));
            D.at(x + 1, y) = uint8_t(clamp255(sG / k.weight));
            D.at(x + 2, y) = uint8_t(clamp255(sR / k.weight));
        }
        events.push_back({'P', x});
    }
    events.push_back({'C', 0});
}

void refRankPass(int32_t type, const Plain& S, Plain& D, Events& events)
{
    const int32_t last = 3 * (S.W - 1) - 3;
    events.push_back({'I', last});
    for (int32_t x = 3; x <= last; x += 3) {
        for (int32_t y = 1; y <= S.H - 2; ++y)
            for (int32_t c = 0; c < 3; ++c) {
                int32_t v = type == 10 ? 255 : 0;
                for (int32_t i = -1; i <= 1; ++i)
                    for (int32_t j = -1; j <= 1; ++j) {
                        const int32_t n = S.at(x + 3 * i + c, y + j);
                        v = type == 9 ? v + n : (type == 10 ? (n < v ? n : v) : (n > v ? n : v));
                    }
                D.at(x + c, y) = uint8_t(clamp255(type == 9 ? v / 9 : v));
            }
        events.push_back({'P', x});
    }
    events.push_back({'C', 0});
}

void refAddImages(const Plain& from, Plain& to, int32_t fm, int32_t fr, int32_t fg, int32_t fb, int32_t tm, int32_t tr,
                  int32_t tg, int32_t tb)
{
    for (int32_t x = 0; x <= 3 * (to.W - 1); x += 3)
        for (int32_t y = 0; y < to.H; ++y) {
            to.at(x, y) = uint8_t(clamp255((from.at(x, y) + fr) * fm + (to.at(x, y) + tr) * tm));
            to.at(x + 1, y) = uint8_t(clamp255((from.at(x + 1, y) + fg) * fm + (to.at(x + 1, y) + tg) * tm));
            to.at(x + 2, y) = uint8_t(clamp255((from.at(x + 2, y) + fb) * fm + (to.at(x + 2, y) + tb) * tm));
        }
}

bool refProcessImage(int32_t type, Plain& image, const Kernel& kernel, Events& events)
{
    Plain buffer = image;
    switch (type) {
    case 7:
        refConvolutionPass(image, buffer, tableKernel(1), events);
        refAddImages(buffer, image, -1, 0, 0, 0, 2, 0, 0, 0);
        return true;
    case 8:
        refConvolutionPass(image, buffer, kernel, events);
        refAddImages(buffer, image, 1, 127, 127, 127, 0, 0, 0, 0);
        return true;
    case 9:
    case 10:
    case 11:
        refRankPass(type, image, buffer, events);
        break;
    case 12:
        return false;
    default:
        refConvolutionPass(image, buffer, kernel, events);
    }
    copyPixels(buffer, image);
    return true;
}

// User kernels of every size: small values, values large enough to need
// more than 32 bits for the worst case, and kernels whose rows are alike;
// positive, negative and large weights.
Kernel randomKernel(std::mt19937& random, int32_t variant)
{
    const int32_t sizesOfKernel[] = {1, 3, 5, 7, 9};
    Kernel k = kernelOfSize(sizesOfKernel[variant % 5]);
    const int32_t range = variant % 3 == 0 ? 3 : (variant % 3 == 1 ? 3000 : 1000000);
    std::uniform_int_distribution<int32_t> value(-range, range);
    for (auto& v : k.values)
        v = value(random);
    if (variant % 4 == 2)
        for (int32_t j = -k.h; j <= k.h; ++j)
            for (int32_t i = -k.h; i <= k.h; ++i)
                k.at(i, j) = k.at(i, -k.h);
    const int32_t weights[] = {1, 7, -5, 70000, 13, -1, 2, 65536, 100, 3};
    k.weight = weights[variant % 10];
    return k;
}

// ---------------------------------------------------------------------------
// Reference pixel operations

void eachPixel(Plain& p, Events* events, const std::function<void(uint8_t*)>& f)
{
    if (events)
        events->push_back({'I', 3 * (p.W - 1)});
    for (int32_t x = 0; x <= 3 * (p.W - 1); x += 3) {
        for (int32_t y = 0; y < p.H; ++y)
            f(&p.at(x, y));
        if (events)
            events->push_back({'P', x});
    }
    if (events)
        events->push_back({'C', 0});
}

int32_t refGrey(const uint8_t* p)
{
    return int32_t(std::nearbyint((222 * p[2] + 707 * p[1] + 71 * p[0]) / 1000.0));
}

void refDiffuse(Plain& from, Plain& to, const cPalette* palette, Events& events)
{
    if (!palette)
        eachPixel(from, &events, [](uint8_t* p) { p[0] = p[1] = p[2] = uint8_t(refGrey(p)); });
    const int32_t last = 3 * (to.W - 1);
    events.push_back({'I', last});
    for (int32_t x = 0; x <= last; x += 3) {
        for (int32_t y = 0; y < to.H; ++y) {
            int32_t e[3];
            if (!palette) {
                const int32_t g = from.at(x, y);
                const uint8_t out = g <= 128 ? 0 : 255;
                to.at(x, y) = to.at(x + 1, y) = to.at(x + 2, y) = out;
                e[0] = e[1] = e[2] = g <= 128 ? (g > 16 ? g : 0) : 127 - g;
            } else {
                int32_t i = palette->ClosestIndex(from.at(x + 2, y), from.at(x + 1, y), from.at(x, y));
                if (i == 0)
                    i = 1;
                const int32_t entry[3] = {palette->Blue(i), palette->Green(i), palette->Red(i)};
                for (int32_t c = 0; c < 3; ++c) {
                    to.at(x + c, y) = uint8_t(entry[c]);
                    e[c] = from.at(x + c, y) - entry[c];
                }
                if (std::abs(e[0]) + std::abs(e[1]) + std::abs(e[2]) <= 3)
                    continue;
            }
            auto spread = [&](int32_t offset, int32_t row, int32_t weight) {
                for (int32_t c = 0; c < 3; ++c)
                    from.at(offset + c, row) = uint8_t(clamp255(from.at(offset + (palette ? c : 0), row) + e[c] * weight / 16));
            };
            if (x < last - 3)
                spread(x + 3, y, 7);
            if (y < to.H - 1) {
                for (auto [offset, weight] : {std::pair{x - 3, 3}, {x, 5}, {x + 3, 1}})
                    if (offset >= 1 && offset < last)
                        spread(offset, y + 1, weight);
            }
        }
        events.push_back({'P', x});
    }
    copyPixels(to, from);
    events.push_back({'C', 0});
}

} // namespace

// ---------------------------------------------------------------------------

TEST(cImageProcessDIBTest, FiltersAgreeWithReferenceOnRandomPictures)
{
    std::mt19937 random(1234);
    int32_t variant = 0;
    for (auto [width, height] : sizes) {
        for (int32_t type = 1; type <= 13; ++type) {
            for (int32_t run = 0; run < (type == 13 ? 6 : 1); ++run) {
                cDIBSection image, buffer;
                ASSERT_TRUE(image.Create(width, height));
                ASSERT_TRUE(buffer.Create(width, height));
                fill(image, random);
                fill(buffer, random);
                Plain expected = plainOf(image);
                Events expectedEvents;
                cImageProcessDIB process;
                Recorder recorder;
                process.setListener(&recorder);
                Kernel kernel = tableKernel(type);
                if (type == 13) {
                    kernel = randomKernel(random, variant++);
                    process.FilterArraySize(2 * kernel.h + 1);
                    for (int32_t j = -kernel.h; j <= kernel.h; ++j)
                        for (int32_t i = -kernel.h; i <= kernel.h; ++i)
                            process.FilterValue(i, j, kernel.at(i, j));
                    process.FilterWeight(kernel.weight);
                }
                process.FilterType(type);
                const bool expectedResult = refProcessImage(type, expected, kernel, expectedEvents);
                ASSERT_EQ(process.ProcessImage(image, buffer), expectedResult);
                ASSERT_TRUE(plainOf(image).bytes == expected.bytes)
                    << "type " << type << " run " << run << " size " << width << "x" << height;
                ASSERT_EQ(recorder.events, expectedEvents) << "type " << type;
            }
        }
    }
}

TEST(cImageProcessDIBTest, PixelOperationsAgreeWithReferenceOnRandomPictures)
{
    std::mt19937 random(99);
    QTemporaryDir dir;
    const QString paletteFile = dir.filePath(QStringLiteral("p.txt"));
    for (auto [width, height] : sizes) {
        cDIBSection picture, other;
        ASSERT_TRUE(picture.Create(width, height));
        ASSERT_TRUE(other.Create(width, height));
        // Runs one operation on fresh random pictures and its reference on
        // copies; both must leave the same bytes in both buffers.
        auto check = [&](const char* name, const std::function<bool(cImageProcessDIB&)>& operation,
                         const std::function<void(Plain&, Plain&, Events&)>& reference) {
            fill(picture, random);
            fill(other, random);
            // Some pixels alike in both, for the brightness ties.
            for (int32_t i = 0; i < width * height / 4; ++i)
                std::memcpy(other.DIBSectionBitsPtr() + 3 * (i * 4 % width) + (i * 4 / width) * other.BytesPerScanLine(),
                            picture.DIBSectionBitsPtr() + 3 * (i * 4 % width) + (i * 4 / width) * other.BytesPerScanLine(),
                            3);
            Plain expected = plainOf(picture), expectedOther = plainOf(other);
            Events expectedEvents;
            cImageProcessDIB process;
            Recorder recorder;
            process.setListener(&recorder);
            reference(expected, expectedOther, expectedEvents);
            EXPECT_TRUE(operation(process));
            ASSERT_TRUE(plainOf(picture).bytes == expected.bytes) << name << ' ' << width << "x" << height;
            ASSERT_TRUE(plainOf(other).bytes == expectedOther.bytes) << name << ' ' << width << "x" << height;
            ASSERT_EQ(recorder.events, expectedEvents) << name;
        };

        for (int32_t amount : {240, 0, 255, 97, -20, 400}) {
            check("Fade", [&](cImageProcessDIB& p) { return p.Fade(picture, amount); },
                  [&](Plain& p, Plain&, Events& e) {
                      const int32_t a = std::clamp(amount, 0, 255);
                      eachPixel(p, &e, [a](uint8_t* v) {
                          for (int c = 0; c < 3; ++c)
                              v[c] = uint8_t(v[c] * a / 255);
                      });
                  });
        }
        for (int32_t amount : {10, 0, -35, -100, -300, 60, 2000}) {
            check("Lighten", [&](cImageProcessDIB& p) { return p.Lighten(picture, amount); },
                  [&](Plain& p, Plain&, Events& e) {
                      eachPixel(p, &e, [amount](uint8_t* v) {
                          float h, s, l;
                          mHLSRGB::RGBToHLS(v[2], v[1], v[0], h, s, l);
                          l = float((1 + std::max(amount, -100) / 100.0) * l);
                          if (l > 1)
                              l = 1;
                          int32_t r, g, b;
                          mHLSRGB::HLSToRGB(h, s, l, r, g, b);
                          v[2] = uint8_t(clamp255(r));
                          v[1] = uint8_t(clamp255(g));
                          v[0] = uint8_t(clamp255(b));
                      });
                  });
        }
        for (float hue : {-1.0f, 0.0f, 0.4f, 2.5f, 4.75f, 5.5f, 9.0f}) {
            check("Colourise", [&](cImageProcessDIB& p) { return p.Colourise(picture, hue, 0.9f); },
                  [&](Plain& p, Plain&, Events& e) {
                      eachPixel(p, &e, [hue](uint8_t* v) {
                          float h, s, l;
                          mHLSRGB::RGBToHLS(v[2], v[1], v[0], h, s, l);
                          int32_t r, g, b;
                          mHLSRGB::HLSToRGB(hue, h == 0 ? 0.5f : s, l, r, g, b);
                          v[2] = uint8_t(clamp255(r));
                          v[1] = uint8_t(clamp255(g));
                          v[0] = uint8_t(clamp255(b));
                      });
                  });
        }
        check("GrayScale", [&](cImageProcessDIB& p) { return p.GrayScale(picture); },
              [&](Plain& p, Plain&, Events& e) {
                  eachPixel(p, &e, [](uint8_t* v) { v[0] = v[1] = v[2] = uint8_t(refGrey(v)); });
              });
        for (bool darkest : {false, true}) {
            check("AddLightest/AddDarkest",
                  [&](cImageProcessDIB& p) { return darkest ? p.AddDarkest(picture, other) : p.AddLightest(picture, other); },
                  [&](Plain& from, Plain& to, Events&) {
                      for (int32_t x = 0; x < 3 * to.W; x += 3)
                          for (int32_t y = 0; y < to.H; ++y) {
                              const int32_t bf = 222 * from.at(x + 2, y) + 707 * from.at(x + 1, y) + 71 * from.at(x, y);
                              const int32_t bt = 222 * to.at(x + 2, y) + 707 * to.at(x + 1, y) + 71 * to.at(x, y);
                              if (darkest ? bf > bt : bf < bt)
                                  for (int c = 0; c < 3; ++c)
                                      to.at(x + c, y) = from.at(x + c, y);
                          }
                  });
        }
        check("BlackAndWhite", [&](cImageProcessDIB& p) { return p.BlackAndWhite(picture, other); },
              [&](Plain& from, Plain& to, Events& e) { refDiffuse(from, to, nullptr, e); });

        for (int32_t entries : {1, 2, 17}) {
            QFile file(paletteFile);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            for (int32_t i = 0; i < entries; ++i)
                file.write(QByteArray::number(int(random() % 256)) + ' ' + QByteArray::number(int(random() % 256)) + ' '
                           + QByteArray::number(int(random() % 256)) + "\r\n");
            file.close();
            cPalette palette;
            ASSERT_TRUE(palette.LoadFromFile(paletteFile));
            check("ApplyPalette", [&](cImageProcessDIB& p) { return p.ApplyPalette(picture, other, palette); },
                  [&](Plain& from, Plain& to, Events& e) { refDiffuse(from, to, &palette, e); });
        }
    }
}

// ---------------------------------------------------------------------------
// Cases that pin the arithmetic

TEST(cImageProcessDIBTest, SmallPicturesWithKnownResults)
{
    cImageProcessDIB process;
    cDIBSection image, buffer;
    ASSERT_TRUE(image.Create(3, 3));
    ASSERT_TRUE(buffer.Create(3, 3));

    // Sharpen More: 5 x 100 - 4 x 90.
    fillUniform(image, 90);
    setPixel(image, 1, 1, 100);
    process.FilterType(6);
    ASSERT_TRUE(process.ProcessImage(image, buffer));
    EXPECT_EQ(pixel(image, 1, 1), 140);
    EXPECT_EQ(pixel(image, 0, 1), 90);

    // Emboss: upper right minus lower left, + 127; the border gets + 127
    // on its unfiltered value.
    process.FilterType(8);
    const struct {
        uint8_t lowerLeft, upperRight, centre, expected;
    } emboss[] = {{200, 100, 50, 127}, {0, 200, 50, 255}, {10, 60, 0, 177}};
    for (const auto& c : emboss) {
        fillUniform(image, 100);
        setPixel(image, 0, 0, c.lowerLeft);
        setPixel(image, 2, 2, c.upperRight);
        setPixel(image, 1, 1, c.centre);
        setPixel(image, 1, 0, 20);
        setPixel(image, 2, 0, 200);
        ASSERT_TRUE(process.ProcessImage(image, buffer));
        EXPECT_EQ(pixel(image, 1, 1), c.expected);
        EXPECT_EQ(pixel(image, 1, 0), 147);
        EXPECT_EQ(pixel(image, 2, 0), 255);
        EXPECT_EQ(pixel(image, 0, 1), 227);
    }

    // Blur and Unsharp keep a uniform picture; Unsharp leaves the blur
    // kernel of size 3 and the weight 0 behind.
    for (int32_t type : {1, 2, 3, 4, 7, 9}) {
        fillUniform(image, 77);
        process.FilterType(type);
        ASSERT_TRUE(process.ProcessImage(image, buffer));
        EXPECT_EQ(pixel(image, 1, 1), 77) << type;
    }
    EXPECT_EQ(process.FilterArraySize(), 3);
    EXPECT_EQ(process.FilterWeight(), 0);
    EXPECT_EQ(process.FilterValue(-1, 1), 1);

    // Minimum: a black pixel blackens its neighbourhood, not the border.
    cDIBSection big, bigBuffer;
    ASSERT_TRUE(big.Create(7, 7));
    ASSERT_TRUE(bigBuffer.Create(7, 7));
    fillUniform(big, 255);
    setPixel(big, 2, 1, 0);
    process.FilterType(10);
    ASSERT_TRUE(process.ProcessImage(big, bigBuffer));
    for (int32_t row = 0; row < 7; ++row)
        for (int32_t x = 0; x < 7; ++x) {
            const bool black = x >= 1 && x <= 3 && row >= 1 && row <= 2;
            EXPECT_EQ(pixel(big, x, row), black ? 0 : 255) << x << ',' << row;
        }

    // Predefined weights, and the rounded centres of the Soften kernels.
    const int32_t weights[] = {9, 25, 12, 44, 7, 1, 0, 1, 0, 0, 0, 0};
    for (int32_t type = 1; type <= 12; ++type) {
        process.FilterType(type);
        EXPECT_EQ(process.FilterWeight(), weights[type - 1]) << type;
    }
    process.FilterType(3);
    EXPECT_EQ(process.FilterValue(0, 0), 4);
    process.FilterType(4);
    EXPECT_EQ(process.FilterValue(0, 0), 12);
    EXPECT_EQ(process.FilterValue(2, -1), 1);
    process.FilterType(12);
    EXPECT_FALSE(process.ProcessImage(image, buffer));
}

TEST(cImageProcessDIBTest, PicturesSmallerThanTheKernelStayButRaiseEvents)
{
    const struct {
        int32_t type, width, height;
    } cases[] = {{1, 2, 9}, {2, 4, 9}, {2, 9, 4}, {5, 9, 2}, {7, 2, 2}, {9, 2, 6}, {10, 6, 1}, {11, 1, 1}, {13, 8, 20}};
    std::mt19937 random(5);
    for (const auto& c : cases) {
        cImageProcessDIB process;
        Recorder recorder;
        process.setListener(&recorder);
        if (c.type == 13) { // the identity of size 9 on a picture 8 wide
            process.FilterArraySize(9);
            process.FilterValue(0, 0, 1);
            process.FilterWeight(1);
        }
        process.FilterType(c.type);
        cDIBSection image, buffer;
        ASSERT_TRUE(image.Create(c.width, c.height));
        ASSERT_TRUE(buffer.Create(c.width, c.height));
        fill(image, random);
        const Plain before = plainOf(image);
        ASSERT_TRUE(process.ProcessImage(image, buffer));
        EXPECT_TRUE(plainOf(image).bytes == before.bytes) << c.type;
        const int32_t h = c.type == 2 ? 2 : (c.type == 13 ? 4 : 1);
        Events expected;
        columnEvents(expected, 3 * h, 3 * (c.width - 1) - 3 * h);
        EXPECT_EQ(recorder.events, expected) << c.type;
    }
}

TEST(cImageProcessDIBTest, IdentityUserKernel)
{
    cImageProcessDIB process;
    process.FilterArraySize(7);
    process.FilterType(13);
    process.FilterValue(0, 0, 1);
    process.FilterWeight(1);
    std::mt19937 random(8);
    cDIBSection image, buffer;
    ASSERT_TRUE(image.Create(23, 19));
    ASSERT_TRUE(buffer.Create(23, 19));
    fill(image, random);
    const Plain before = plainOf(image);
    ASSERT_TRUE(process.ProcessImage(image, buffer));
    EXPECT_TRUE(plainOf(image).bytes == before.bytes);
}

TEST(cImageProcessDIBTest, ErrorsCarryNumberSourceAndDescription)
{
    cImageProcessDIB process;
    auto expectError = [](const std::function<void()>& call, long number, const char* description) {
        try {
            call();
            ADD_FAILURE() << description;
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.number(), number);
            EXPECT_EQ(error.description(), QString::fromLatin1(description));
            EXPECT_EQ(error.source(), RuntimeError::sourceFor(QStringLiteral("cImageProcess")));
            EXPECT_TRUE(error.source().endsWith(QStringLiteral(".cImageProcess")));
        }
    };
    const char* invalidType = "Invalid filter types.";
    const char* odd = "Size must be an odd number";
    const char* invalidSize = "Invalid size.  Size should be an odd number from 3 to 9";
    const char* subscript = "Subscript out of range";
    expectError([&] { process.FilterValue(0, 0, 1); }, 9, subscript); // no kernel yet
    process.FilterArraySize(1);
    EXPECT_EQ(process.FilterArraySize(), 1);
    process.FilterType(5);
    for (int32_t type : {0, 14, -1})
        expectError([&] { process.FilterType(type); }, -2147220198, invalidType);
    for (int32_t size : {0, 4, -2, 10})
        expectError([&] { process.FilterArraySize(size); }, -2147220199, odd);
    for (int32_t size : {11, -1, -3})
        expectError([&] { process.FilterArraySize(size); }, -2147220198, invalidSize);
    expectError([&] { process.FilterValue(2, 0, 1); }, 9, subscript);
    expectError([&] { process.FilterValue(0, -2); }, 9, subscript);
    // Nothing of the refused calls was stored: still Sharpen.
    EXPECT_EQ(process.FilterArraySize(), 3);
    EXPECT_EQ(process.FilterWeight(), 7);
    EXPECT_EQ(process.FilterValue(0, 0), 15);
    EXPECT_EQ(process.FilterValue(1, 1), -1);

    // A weight of 0 is refused before any pixel or event.
    cDIBSection image, buffer;
    ASSERT_TRUE(image.Create(5, 5));
    ASSERT_TRUE(buffer.Create(5, 5));
    fillUniform(image, 30);
    Recorder recorder;
    process.setListener(&recorder);
    process.FilterType(13);
    process.FilterWeight(0);
    expectError([&] { process.ProcessImage(image, buffer); }, -2147220197,
                "Invalid weight.  The filter weight must not be 0");
    EXPECT_EQ(pixel(image, 2, 2), 30);
    EXPECT_TRUE(recorder.events.empty());
    cImageProcessDIB fresh;
    fresh.FilterType(13);
    expectError([&] { fresh.ProcessImage(image, buffer); }, 9, subscript);
}

TEST(cImageProcessDIBTest, ToneAndPixelOperationCases)
{
    cImageProcessDIB process;
    Recorder recorder;
    process.setListener(&recorder);
    cDIBSection image;
    ASSERT_TRUE(image.Create(1, 2));
    const struct {
        uint8_t in;
        int32_t amount;
        uint8_t out;
    } lighten[] = {{128, 10, 141}, {255, 10, 255}, {0, 10, 0}, {100, -100, 0}};
    for (const auto& c : lighten) {
        fillUniform(image, c.in);
        recorder.events.clear();
        process.Lighten(image, c.amount);
        EXPECT_EQ(pixel(image, 0, 0), c.out) << int(c.in);
        EXPECT_EQ(recorder.events, (Events{{'I', 0}, {'P', 0}, {'C', 0}}));
    }
    const struct {
        uint8_t in;
        int32_t amount;
        uint8_t out;
    } fade[] = {{255, 240, 240}, {128, 240, 120}, {1, 240, 0}, {200, 255, 200}, {200, 0, 0}, {200, 999, 200}, {9, -4, 0}};
    for (const auto& c : fade) {
        fillUniform(image, c.in);
        process.Fade(image, c.amount);
        EXPECT_EQ(pixel(image, 0, 1), c.out) << int(c.in) << ' ' << c.amount;
    }

    // GrayScale rounds 56.61 up; white stays white.
    uint8_t* p = image.DIBSectionBitsPtr();
    p[0] = 0, p[1] = 0, p[2] = 255;
    setPixel(image, 0, 1, 255);
    process.GrayScale(image);
    EXPECT_EQ(p[0], 57);
    EXPECT_EQ(p[2], 57);
    EXPECT_EQ(pixel(image, 0, 1), 255);

    // AddNoise 0 % changes nothing; noise stays within half the span.
    std::mt19937 random(3);
    cDIBSection noisy;
    ASSERT_TRUE(noisy.Create(40, 30));
    fill(noisy, random);
    const Plain before = plainOf(noisy);
    process.AddNoise(noisy, 0);
    process.AddNoise(noisy, 0, true);
    EXPECT_TRUE(plainOf(noisy).bytes == before.bytes);
    process.AddNoise(noisy, 50);
    for (int32_t r = 0; r < 30; ++r)
        for (int32_t i = 0; i < 120; ++i)
            EXPECT_LE(std::abs(int(plainOf(noisy).at(i, r)) - int(before.at(i, r))), 32);
}

TEST(cImageProcessDIBTest, BlackAndWhiteSpreadsTheErrorAsDefined)
{
    cImageProcessDIB process;
    cDIBSection from, to;
    ASSERT_TRUE(from.Create(3, 2));
    ASSERT_TRUE(to.Create(3, 2));
    // White 200 leaves error 127 - 200 = -73, of which (-73 x 7) / 16 = -31
    // reaches the right neighbour: 159 falls to 128 (black), 160 to 129
    // (white). The pixel above the first one (129) receives nothing.
    for (auto [second, expected] : {std::pair{159, 0}, {160, 255}}) {
        fillUniform(from, 0);
        setPixel(from, 0, 0, 200);
        setPixel(from, 1, 0, uint8_t(second));
        setPixel(from, 0, 1, 129);
        ASSERT_TRUE(process.BlackAndWhite(from, to));
        EXPECT_EQ(pixel(to, 0, 0), 255);
        EXPECT_EQ(pixel(to, 1, 0), expected);
        EXPECT_EQ(pixel(to, 0, 1), 255);
        EXPECT_TRUE(plainOf(from).bytes == plainOf(to).bytes);
    }

    // A black pixel against a palette of white only is nearest to none;
    // the white entry is taken.
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("white.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("255 255 255\r\n");
    file.close();
    cPalette palette;
    ASSERT_TRUE(palette.LoadFromFile(file.fileName()));
    fillUniform(from, 0);
    ASSERT_TRUE(process.ApplyPalette(from, to, palette));
    EXPECT_EQ(pixel(to, 2, 1), 255);
    EXPECT_FALSE(process.ApplyPalette(from, to, cPalette()));
}

TEST(cImageProcessDIBTest, MismatchedOrMissingBuffersAreRefused)
{
    cImageProcessDIB process;
    Recorder recorder;
    process.setListener(&recorder);
    cDIBSection a, b, dead;
    ASSERT_TRUE(a.Create(4, 4));
    ASSERT_TRUE(b.Create(4, 5));
    ASSERT_TRUE(dead.Create(4, 4));
    dead.ClearUp(); // keeps its size, loses its memory
    fillUniform(a, 50);
    fillUniform(b, 200);
    process.FilterType(1);
    EXPECT_FALSE(process.ProcessImage(a, b));
    EXPECT_FALSE(process.ProcessImage(a, dead));
    EXPECT_FALSE(process.ProcessImage(a, a));
    EXPECT_FALSE(process.AddLightest(b, a));
    EXPECT_FALSE(process.AddDarkest(b, a));
    EXPECT_FALSE(process.BlackAndWhite(a, b));
    EXPECT_FALSE(process.AddImages(b, a, 1, 0, 0, 0, 0, 0, 0, 0));
    EXPECT_FALSE(process.Fade(dead, 3));
    EXPECT_FALSE(process.Lighten(dead, 3));
    EXPECT_EQ(pixel(a, 3, 3), 50);
    EXPECT_EQ(pixel(b, 3, 4), 200);
    EXPECT_TRUE(recorder.events.empty());
}
