// Stamps arbitrary bytes taken for a JPEG photo in each orientation, a box
// drawn near its corner: whatever the input, libjpeg's failures come back as
// a RuntimeError (never a crash or a jump into nowhere), and an output that
// is made reads back as a JPEG whose eighth has the size of the one made
// from its coefficients. Where the coded data was carried over, coding it
// all again must give the same picture.
#include "FuzzSupport.h"

#include "files/LosslessStamper.h"
#include "platform/RuntimeError.h"

#include <QPainter>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz::startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    const int orientation = 1 + data[0] % 8;
    const QRect area(0, 0, 40, 24);
    const auto draw = [&](PixelSurface& pixels, QPoint corner) {
        pixels.paint([&](QPainter& painter) { painter.fillRect(area.translated(-corner), Qt::white); });
    };
    try {
        const LosslessStamper::Result result
            = LosslessStamper::stamp(bytes, orientation, area, draw, {}, QStringLiteral("fuzz.jpg"), true);
        // The eighth, and the output decoded at an eighth, have the same size.
        const auto eighth = LosslessStamper::decodeReduced(result.jpeg, 8, QStringLiteral("output"));
        if (!result.eighth || eighth->width() != result.eighth->width() || eighth->height() != result.eighth->height())
            __builtin_trap();
        if (result.carried) {
            const LosslessStamper::Result recoded = LosslessStamper::stamp(
                bytes, orientation, area, draw, {}, QStringLiteral("fuzz.jpg"), true, LosslessStamper::Coding::Recode);
            const auto a = LosslessStamper::decodeReduced(result.jpeg, 1, QStringLiteral("carried"));
            const auto b = LosslessStamper::decodeReduced(recoded.jpeg, 1, QStringLiteral("recoded"));
            if (a->toImage() != b->toImage() || result.eighth->toImage() != recoded.eighth->toImage()) __builtin_trap();
        }
    } catch (const RuntimeError&) {
    } catch (const std::bad_alloc&) {
    }
    return 0;
}
