#include "files/LosslessStamper.h"

#include "imaging/PictureOrientation.h"
#include "platform/LibjpegErrors.h"
#include "platform/PictureLoader.h"
#include "platform/RuntimeError.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

namespace {

const QString Source = QStringLiteral("LosslessStamper");

// The unsupported photos' reasons start so.
const QString CannotStamp = QStringLiteral("cannot be stamped without re-encoding: ");

RuntimeError failure(const QString& shownName, const QString& reason)
{
    return RuntimeError(PictureLoader::InvalidPicture, RuntimeError::sourceFor(Source),
        QStringLiteral("\"%1\" %2").arg(shownName, reason));
}

RuntimeError libraryFailure(const LibjpegErrors& errors, const QString& shownName)
{
    return failure(
        shownName, QStringLiteral("is no JPEG that can be read: %1").arg(QString::fromLocal8Bit(errors.message)));
}

// Runs step, whose calls into libjpeg may jump back here on a fatal error:
// neither this frame nor the step's holds anything that needs destroying.
template <typename Step> void guarded(LibjpegErrors& errors, const QString& shownName, const Step& step)
{
    if (setjmp(errors.jump)) throw libraryFailure(errors, shownName);
    step();
}

// The output written straight into a QByteArray, sized for the source's
// bytes to begin with (the output is as large, give or take the stamp's
// blocks), grown by half when that is not enough: no second buffer, no copy.
struct ByteArrayDestination {
    jpeg_destination_mgr manager {};
    QByteArray bytes;
    qsizetype expected = 0;
};

// Resizes the output, or fails as libjpeg fails without memory (the jump
// is made outside the handler, which must end first).
void resizeBytes(j_compress_ptr info, ByteArrayDestination& d, qsizetype size)
{
    bool resized = true;
    try {
        d.bytes.resize(size);
    } catch (const std::bad_alloc&) {
        resized = false;
    }
    if (!resized) ERREXIT1(info, JERR_OUT_OF_MEMORY, 10);
}

void startBytes(j_compress_ptr info)
{
    auto* d = reinterpret_cast<ByteArrayDestination*>(info->dest);
    resizeBytes(info, *d, std::max<qsizetype>(d->expected, 65536));
    d->manager.next_output_byte = reinterpret_cast<JOCTET*>(d->bytes.data());
    d->manager.free_in_buffer = static_cast<size_t>(d->bytes.size());
}

boolean growBytes(j_compress_ptr info)
{
    auto* d = reinterpret_cast<ByteArrayDestination*>(info->dest);
    const qsizetype used = d->bytes.size();
    resizeBytes(info, *d, used + used / 2);
    d->manager.next_output_byte = reinterpret_cast<JOCTET*>(d->bytes.data() + used);
    d->manager.free_in_buffer = static_cast<size_t>(d->bytes.size() - used);
    return TRUE;
}

void endBytes(j_compress_ptr info)
{
    auto* d = reinterpret_cast<ByteArrayDestination*>(info->dest);
    d->bytes.resize(d->bytes.size() - static_cast<qsizetype>(d->manager.free_in_buffer));
}

// Every libjpeg object of one stamping, so that a jump out of the library
// leaves nothing to destroy but this record. Objects are destroyed in any
// state, created or not.
struct Codecs {
    LibjpegErrors errors;
    jpeg_decompress_struct source {}; // the photo's coefficients
    jpeg_decompress_struct area {}; // the pixels of the box
    jpeg_compress_struct areaEncoder {};
    jpeg_decompress_struct areaCoefficients {};
    jpeg_compress_struct output {};
    jpeg_compress_struct boxEncoder {}; // the box's own coefficients, for its pixels
    bool made[6] = {};
    unsigned char* areaJpeg = nullptr;
    unsigned long areaJpegSize = 0;
    ByteArrayDestination outputBytes;
    unsigned char* boxJpeg = nullptr;
    unsigned long boxJpegSize = 0;

    Codecs() = default;
    ~Codecs()
    {
        if (made[5]) jpeg_destroy_compress(&boxEncoder);
        if (made[4]) jpeg_destroy_compress(&output);
        if (made[3]) jpeg_destroy_decompress(&areaCoefficients);
        if (made[2]) jpeg_destroy_compress(&areaEncoder);
        if (made[1]) jpeg_destroy_decompress(&area);
        if (made[0]) jpeg_destroy_decompress(&source);
        std::free(areaJpeg);
        std::free(boxJpeg);
    }
    Codecs(const Codecs&) = delete;
    Codecs& operator=(const Codecs&) = delete;

    void makeDecoder(jpeg_decompress_struct& decoder, int index, const unsigned char* data, unsigned long size)
    {
        decoder.err = &errors.manager;
        jpeg_create_decompress(&decoder);
        made[index] = true;
        decoder.progress = &errors.progress;
        jpeg_mem_src(&decoder, data, size);
    }
    void makeDecoder(jpeg_decompress_struct& decoder, int index, const QByteArray& data)
    {
        makeDecoder(decoder, index, reinterpret_cast<const unsigned char*>(data.constData()),
            static_cast<unsigned long>(data.size()));
    }
    void makeEncoder(jpeg_compress_struct& encoder, int index, unsigned char** buffer, unsigned long* size)
    {
        encoder.err = &errors.manager;
        jpeg_create_compress(&encoder);
        made[index] = true;
        jpeg_mem_dest(&encoder, buffer, size);
    }
};

bool isSegment(const jpeg_saved_marker_ptr marker, int code, const char* name, size_t nameLength)
{
    return marker->marker == code && marker->data_length >= nameLength
        && std::memcmp(marker->data, name, nameLength) == 0;
}

constexpr char ExifName[] = "Exif\0\0";
constexpr size_t ExifNameLength = 6;
constexpr char XmpName[] = "http://ns.adobe.com/xap/1.0/";
constexpr size_t XmpNameLength = sizeof XmpName; // with its NUL
constexpr char MpfName[] = "MPF";
constexpr size_t MpfNameLength = sizeof MpfName;

void writeSegment(j_compress_ptr encoder, int code, const QByteArray& body)
{
    jpeg_write_marker(
        encoder, code, reinterpret_cast<const JOCTET*>(body.constData()), static_cast<unsigned int>(body.size()));
}

// The segments of the source in their order, the EXIF and XMP ones
// replaced when replaced has their records; an XMP packet the source lacks
// goes in after its EXIF segment, or after its JFIF one, or first. The
// multi-picture index is left out: the pictures it points at, after the
// end of the stream, are not carried.
void copySegments(j_decompress_ptr source, j_compress_ptr output, const QByteArray& exif, const QByteArray& xmp)
{
    const QByteArray xmpBody = xmp.isEmpty() ? QByteArray() : QByteArray(XmpName, XmpNameLength) + xmp;
    bool hasXmp = false;
    jpeg_saved_marker_ptr xmpAfter = nullptr; // where a new packet goes; first when null
    for (jpeg_saved_marker_ptr marker = source->marker_list; marker; marker = marker->next) {
        hasXmp = hasXmp || isSegment(marker, JPEG_APP0 + 1, XmpName, XmpNameLength);
        if (isSegment(marker, JPEG_APP0 + 1, ExifName, ExifNameLength)
            || (marker == source->marker_list && marker->marker == JPEG_APP0 && !xmpAfter))
            xmpAfter = marker;
    }
    const bool xmpAdded = !xmpBody.isEmpty() && !hasXmp;
    if (xmpAdded && !xmpAfter) writeSegment(output, JPEG_APP0 + 1, xmpBody);
    for (jpeg_saved_marker_ptr marker = source->marker_list; marker; marker = marker->next) {
        if (isSegment(marker, JPEG_APP0 + 2, MpfName, MpfNameLength)) continue;
        if (!exif.isEmpty() && isSegment(marker, JPEG_APP0 + 1, ExifName, ExifNameLength))
            writeSegment(output, marker->marker, exif);
        else if (!xmpBody.isEmpty() && isSegment(marker, JPEG_APP0 + 1, XmpName, XmpNameLength))
            writeSegment(output, marker->marker, xmpBody);
        else
            jpeg_write_marker(output, marker->marker, marker->data, marker->data_length);
        if (xmpAdded && marker == xmpAfter) writeSegment(output, JPEG_APP0 + 1, xmpBody);
    }
}

int inverseOrientation(int orientation)
{
    return orientation == 6 ? 8 : orientation == 8 ? 6 : orientation;
}

QRect alignedOut(QRect box, int unitX, int unitY, QSize limit)
{
    const int left = box.left() / unitX * unitX;
    const int top = box.top() / unitY * unitY;
    const int right = std::min(limit.width(), (box.right() + unitX) / unitX * unitX);
    const int bottom = std::min(limit.height(), (box.bottom() + unitY) / unitY * unitY);
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

// Whether any pixel of the w x h cell at x, y differs between the pictures.
bool cellDiffers(const PixelSurface& a, const PixelSurface& b, int x, int y, int w, int h)
{
    for (int row = y; row < y + h; ++row)
        if (std::memcmp(a.scanLine(row) + 3 * x, b.scanLine(row) + 3 * x, size_t(3) * w) != 0) return true;
    return false;
}

// The steps that run inside libjpeg; each returns normally or by a jump,
// so they hold nothing that would need destroying (their buffers are the
// caller's).

void readSource(Codecs& c, const QByteArray& data)
{
    c.makeDecoder(c.source, 0, data);
    for (int n = 0; n < 16; ++n)
        jpeg_save_markers(&c.source, JPEG_APP0 + n, 0xFFFF);
    jpeg_save_markers(&c.source, JPEG_COM, 0xFFFF);
    jpeg_read_header(&c.source, TRUE);
}

// The pixels of the box, decoded from the source's coefficients that the
// box holds, written out as a small JPEG of their own: the rest of the
// photo is never decoded. At the box's edges the chroma is upsampled from
// the box alone, which matters only to an edge MCU the stamp reaches, and
// there by a level or two.
void decodeBox(Codecs& c, jvirt_barray_ptr* sourceArrays, QRect box, PixelSurface& pixels)
{
    jpeg_decompress_struct& s = c.source;
    c.makeEncoder(c.boxEncoder, 5, &c.boxJpeg, &c.boxJpegSize);
    jpeg_compress_struct& e = c.boxEncoder;
    jpeg_copy_critical_parameters(&s, &e);
    e.image_width = static_cast<JDIMENSION>(box.width());
    e.image_height = static_cast<JDIMENSION>(box.height());
    e.write_JFIF_header = FALSE;
    e.write_Adobe_marker = FALSE;
    const int mcuWidth = s.max_h_samp_factor * DCTSIZE;
    const int mcuHeight = s.max_v_samp_factor * DCTSIZE;
    jvirt_barray_ptr boxArrays[MAX_COMPONENTS] = {};
    for (int i = 0; i < s.num_components; ++i) {
        const int h = s.comp_info[i].h_samp_factor;
        const int v = s.comp_info[i].v_samp_factor;
        // Whole MCUs: the box's blocks, as the source's arrays hold them.
        const auto columns = static_cast<JDIMENSION>((box.width() + mcuWidth - 1) / mcuWidth * h);
        const auto rows = static_cast<JDIMENSION>((box.height() + mcuHeight - 1) / mcuHeight * v);
        boxArrays[i] = (*e.mem->request_virt_barray)(
            reinterpret_cast<j_common_ptr>(&e), JPOOL_IMAGE, FALSE, columns, rows, JDIMENSION(v));
    }
    (*e.mem->realize_virt_arrays)(reinterpret_cast<j_common_ptr>(&e));
    for (int i = 0; i < s.num_components; ++i) {
        const int h = s.comp_info[i].h_samp_factor;
        const int v = s.comp_info[i].v_samp_factor;
        const auto firstRow = static_cast<JDIMENSION>(box.top() / mcuHeight * v);
        const auto firstColumn = static_cast<JDIMENSION>(box.left() / mcuWidth * h);
        const auto columns = static_cast<JDIMENSION>((box.width() + mcuWidth - 1) / mcuWidth * h);
        const auto rows = static_cast<JDIMENSION>((box.height() + mcuHeight - 1) / mcuHeight * v);
        for (JDIMENSION row = 0; row < rows; ++row) {
            JBLOCKARRAY from = (*s.mem->access_virt_barray)(
                reinterpret_cast<j_common_ptr>(&s), sourceArrays[i], firstRow + row, 1, FALSE);
            JBLOCKARRAY to
                = (*e.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&e), boxArrays[i], row, 1, TRUE);
            std::memcpy(to[0][0], from[0][firstColumn], sizeof(JBLOCK) * columns);
        }
    }
    jpeg_write_coefficients(&e, boxArrays);
    jpeg_finish_compress(&e);

    c.makeDecoder(c.area, 1, c.boxJpeg, c.boxJpegSize);
    jpeg_read_header(&c.area, TRUE);
    c.area.jpeg_color_space = s.jpeg_color_space; // no JFIF or Adobe segment tells it
    // The pixels as the picture loader makes them: the accurate transform,
    // smooth upsampling.
    c.area.out_color_space = JCS_EXT_BGR;
    c.area.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&c.area);
    while (c.area.output_scanline < c.area.output_height) {
        JSAMPROW rows[1] = { pixels.scanLine(static_cast<int32_t>(c.area.output_scanline)) };
        jpeg_read_scanlines(&c.area, rows, 1);
    }
    jpeg_finish_decompress(&c.area);
}

void encodeArea(Codecs& c, const PixelSurface& pixels)
{
    c.makeEncoder(c.areaEncoder, 2, &c.areaJpeg, &c.areaJpegSize);
    jpeg_compress_struct& e = c.areaEncoder;
    e.image_width = static_cast<JDIMENSION>(pixels.width());
    e.image_height = static_cast<JDIMENSION>(pixels.height());
    e.input_components = 3;
    e.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&e);
    jpeg_set_colorspace(&e, c.source.jpeg_color_space);
    e.dct_method = JDCT_ISLOW;
    // The source's tables and sampling, so that the coefficients fit its
    // blocks as they are.
    for (int i = 0; i < e.num_components; ++i) {
        const jpeg_component_info& from = c.source.comp_info[i];
        e.comp_info[i].h_samp_factor = from.h_samp_factor;
        e.comp_info[i].v_samp_factor = from.v_samp_factor;
        e.comp_info[i].quant_tbl_no = i;
        if (!e.quant_tbl_ptrs[i]) e.quant_tbl_ptrs[i] = jpeg_alloc_quant_table(reinterpret_cast<j_common_ptr>(&e));
        std::memcpy(e.quant_tbl_ptrs[i]->quantval, from.quant_table->quantval, sizeof from.quant_table->quantval);
        e.quant_tbl_ptrs[i]->sent_table = FALSE;
    }
    jpeg_start_compress(&e, TRUE);
    for (int y = 0; y < pixels.height(); ++y) {
        JSAMPROW rows[1] = { const_cast<JSAMPLE*>(pixels.scanLine(y)) };
        jpeg_write_scanlines(&e, rows, 1);
    }
    jpeg_finish_compress(&e);
}

// Puts the area's coefficients into the source's blocks of the MCUs marked
// in changed (row by row, columns of the box).
void pasteArea(Codecs& c, jvirt_barray_ptr* sourceArrays, QRect box, const std::vector<char>& changed, int mcuColumns)
{
    jpeg_decompress_struct& a = c.areaCoefficients;
    c.makeDecoder(a, 3, c.areaJpeg, c.areaJpegSize);
    jpeg_read_header(&a, TRUE);
    jvirt_barray_ptr* areaArrays = jpeg_read_coefficients(&a);
    const int mcuWidth = c.source.max_h_samp_factor * DCTSIZE;
    const int mcuHeight = c.source.max_v_samp_factor * DCTSIZE;
    const int mcuRows = static_cast<int>(changed.size()) / mcuColumns;
    for (int i = 0; i < c.source.num_components; ++i) {
        const int h = c.source.comp_info[i].h_samp_factor;
        const int v = c.source.comp_info[i].v_samp_factor;
        const JDIMENSION firstRow = static_cast<JDIMENSION>(box.top() / mcuHeight * v);
        const JDIMENSION firstColumn = static_cast<JDIMENSION>(box.left() / mcuWidth * h);
        for (int my = 0; my < mcuRows; ++my) {
            JBLOCKARRAY from = (*a.mem->access_virt_barray)(
                reinterpret_cast<j_common_ptr>(&a), areaArrays[i], JDIMENSION(my * v), JDIMENSION(v), FALSE);
            JBLOCKARRAY to = (*c.source.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&c.source),
                sourceArrays[i], firstRow + JDIMENSION(my * v), JDIMENSION(v), TRUE);
            for (int mx = 0; mx < mcuColumns; ++mx) {
                if (!changed[size_t(my) * mcuColumns + mx]) continue;
                for (int by = 0; by < v; ++by)
                    std::memcpy(to[by][firstColumn + JDIMENSION(mx * h)], from[by][mx * h], sizeof(JBLOCK) * h);
            }
        }
    }
}

void writeOutput(Codecs& c, jvirt_barray_ptr* arrays, const QByteArray& exif, const QByteArray& xmp)
{
    c.output.err = &c.errors.manager;
    jpeg_create_compress(&c.output);
    c.made[4] = true;
    c.outputBytes.manager.init_destination = startBytes;
    c.outputBytes.manager.empty_output_buffer = growBytes;
    c.outputBytes.manager.term_destination = endBytes;
    c.output.dest = &c.outputBytes.manager;
    jpeg_copy_critical_parameters(&c.source, &c.output);
    // The source's own JFIF and Adobe segments are copied with the others.
    c.output.write_JFIF_header = FALSE;
    c.output.write_Adobe_marker = FALSE;
    c.output.restart_interval = c.source.restart_interval;
    c.output.arith_code = c.source.arith_code;
    if (c.source.progressive_mode) jpeg_simple_progression(&c.output);
    jpeg_write_coefficients(&c.output, arrays);
    copySegments(&c.source, &c.output, exif, xmp);
    jpeg_finish_compress(&c.output);
}

// The picture at an eighth of its size from the blocks' DC coefficients,
// as libjpeg's 1/8 scaling makes it: each block's inverse transform is its
// dequantised mean, rounded, centred on 128; at that scale the chroma is
// replicated, not interpolated. Colours are converted as JFIF defines them.
struct DcPlanes {
    std::vector<uint8_t> samples[3]; // one a block, row by row
    int width[3] = {};
};

void readDcPlanes(Codecs& c, jvirt_barray_ptr* arrays, DcPlanes& dc)
{
    jpeg_decompress_struct& s = c.source;
    for (int i = 0; i < s.num_components; ++i) {
        const jpeg_component_info& info = s.comp_info[i];
        const int columns = static_cast<int>(info.width_in_blocks);
        dc.width[i] = columns;
        dc.samples[i].resize(size_t(columns) * info.height_in_blocks);
        const int quant = info.quant_table->quantval[0];
        for (JDIMENSION row = 0; row < info.height_in_blocks; ++row) {
            JBLOCKARRAY blocks
                = (*s.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&s), arrays[i], row, 1, FALSE);
            uint8_t* out = dc.samples[i].data() + size_t(row) * columns;
            for (int column = 0; column < columns; ++column)
                out[column] = static_cast<uint8_t>(std::clamp(((blocks[0][column][0] * quant + 4) >> 3) + 128, 0, 255));
        }
    }
}

void fillEighth(const jpeg_decompress_struct& s, const DcPlanes& dc, PixelSurface& picture)
{
    const int width = picture.width();
    const int height = picture.height();
    const int components = s.num_components;
    std::vector<int> columnOf(size_t(width) * components);
    for (int i = 0; i < components; ++i)
        for (int x = 0; x < width; ++x)
            columnOf[size_t(x) * components + i]
                = std::min(x * s.comp_info[i].h_samp_factor / s.max_h_samp_factor, dc.width[i] - 1);
    for (int y = 0; y < height; ++y) {
        const uint8_t* rows[3] = {};
        for (int i = 0; i < components; ++i) {
            const int row = std::min(y * s.comp_info[i].v_samp_factor / s.max_v_samp_factor,
                static_cast<int>(s.comp_info[i].height_in_blocks) - 1);
            rows[i] = dc.samples[i].data() + size_t(row) * dc.width[i];
        }
        uint8_t* out = picture.scanLine(y);
        for (int x = 0; x < width; ++x, out += 3) {
            const int* at = &columnOf[size_t(x) * components];
            if (components == 1) {
                out[0] = out[1] = out[2] = rows[0][at[0]];
                continue;
            }
            const int a = rows[0][at[0]];
            const int b = rows[1][at[1]];
            const int d = rows[2][at[2]];
            if (s.jpeg_color_space == JCS_RGB) {
                out[0] = static_cast<uint8_t>(d);
                out[1] = static_cast<uint8_t>(b);
                out[2] = static_cast<uint8_t>(a);
                continue;
            }
            // JFIF's conversion in 16-bit fixed point, rounded, as libjpeg's.
            const int cb = b - 128;
            const int cr = d - 128;
            const auto level = [](int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); };
            out[0] = level(a + ((116130 * cb + 32768) >> 16));
            out[1] = level(a + ((-22554 * cb - 46802 * cr + 32768) >> 16));
            out[2] = level(a + ((91881 * cr + 32768) >> 16));
        }
    }
}

} // namespace

QRect LosslessStamper::uprightRect(QRect stored, QSize storedSize, int orientation)
{
    const int w = storedSize.width();
    const int h = storedSize.height();
    const auto map = [&](int x, int y) {
        switch (orientation) {
        case 2:
            return QPoint(w - 1 - x, y);
        case 3:
            return QPoint(w - 1 - x, h - 1 - y);
        case 4:
            return QPoint(x, h - 1 - y);
        case 5:
            return QPoint(y, x);
        case 6:
            return QPoint(h - 1 - y, x);
        case 7:
            return QPoint(h - 1 - y, w - 1 - x);
        case 8:
            return QPoint(y, w - 1 - x);
        default:
            return QPoint(x, y);
        }
    };
    if (stored.isEmpty()) return {};
    // Corner to corner (QRect::normalized would take them for a size).
    const QPoint a = map(stored.left(), stored.top());
    const QPoint b = map(stored.right(), stored.bottom());
    return QRect(
        QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())), QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

QRect LosslessStamper::storedRect(QRect upright, QSize storedSize, int orientation)
{
    const QSize uprightSize = PictureOrientation::swapsSides(orientation) ? storedSize.transposed() : storedSize;
    return uprightRect(upright, uprightSize, inverseOrientation(orientation));
}

bool LosslessStamper::unsupported(const RuntimeError& error)
{
    return error.source() == RuntimeError::sourceFor(Source) && error.description().contains(CannotStamp);
}

LosslessStamper::Result LosslessStamper::stamp(QByteArray data, int orientation, QRect uprightArea, const Draw& draw,
    const JpegMetadata& replaced, const QString& shownName, bool withEighth)
{
    Codecs c;
    c.outputBytes.expected = data.size() + data.size() / 16;
    guarded(c.errors, shownName, [&] { readSource(c, data); });
    const jpeg_decompress_struct& s = c.source;
    if (s.data_precision != 8)
        throw failure(shownName, CannotStamp + QStringLiteral("%1 bits a sample").arg(s.data_precision));
    if (s.jpeg_color_space != JCS_YCbCr && s.jpeg_color_space != JCS_GRAYSCALE && s.jpeg_color_space != JCS_RGB)
        throw failure(shownName, CannotStamp + QStringLiteral("its colours are not RGB or grey (CMYK)"));
    const QSize stored(static_cast<int>(s.image_width), static_cast<int>(s.image_height));
    if (int64_t(stored.width()) * stored.height() > PixelSurface::MaxPixels)
        throw failure(shownName, QStringLiteral("is too large"));

    jvirt_barray_ptr* arrays = nullptr;
    guarded(c.errors, shownName, [&] { arrays = jpeg_read_coefficients(&c.source); });
    // The encoder divides by the tables the stamp's blocks are coded with.
    for (int i = 0; i < s.num_components; ++i) {
        const JQUANT_TBL* table = s.comp_info[i].quant_table;
        if (!table || std::find(std::begin(table->quantval), std::end(table->quantval), 0) != std::end(table->quantval))
            throw failure(shownName, CannotStamp + QStringLiteral("a quantisation table holds a zero"));
    }
    // Everything is read (the segments are the library's copies): the
    // output need not be made beside the source's bytes.
    data = QByteArray();

    Result result;
    const QSize uprightSize = PictureOrientation::swapsSides(orientation) ? stored.transposed() : stored;
    const QRect area = uprightArea & QRect(QPoint(0, 0), uprightSize);
    if (!area.isEmpty()) {
        const int mcuWidth = s.max_h_samp_factor * DCTSIZE;
        const int mcuHeight = s.max_v_samp_factor * DCTSIZE;
        const QRect box = alignedOut(storedRect(area, stored, orientation), mcuWidth, mcuHeight, stored);
        result.storedBox = box;

        std::unique_ptr<PixelSurface> before = PixelSurface::createForOverwrite(box.width(), box.height());
        if (!before) throw std::bad_alloc();
        guarded(c.errors, shownName, [&] { decodeBox(c, arrays, box, *before); });

        std::unique_ptr<PixelSurface> copy = PixelSurface::createForOverwrite(box.width(), box.height());
        if (!copy) throw std::bad_alloc();
        PixelSurface::copyBlock(*copy, 0, 0, box.width(), box.height(), *before, 0, 0);
        std::unique_ptr<PixelSurface> upright = PictureOrientation::upright(std::move(copy), orientation);
        draw(*upright, uprightRect(box, stored, orientation).topLeft());
        const std::unique_ptr<PixelSurface> after
            = PictureOrientation::upright(std::move(upright), inverseOrientation(orientation));

        const int mcuColumns = (box.width() + mcuWidth - 1) / mcuWidth;
        const int mcuRows = (box.height() + mcuHeight - 1) / mcuHeight;
        std::vector<char> changed(size_t(mcuColumns) * mcuRows);
        for (int my = 0; my < mcuRows; ++my) {
            for (int mx = 0; mx < mcuColumns; ++mx) {
                const int x = mx * mcuWidth;
                const int y = my * mcuHeight;
                const bool differs = cellDiffers(
                    *before, *after, x, y, std::min(mcuWidth, box.width() - x), std::min(mcuHeight, box.height() - y));
                changed[size_t(my) * mcuColumns + mx] = differs;
                result.replacedMcus += differs;
            }
        }
        if (result.replacedMcus > 0) {
            guarded(c.errors, shownName, [&] {
                encodeArea(c, *after);
                pasteArea(c, arrays, box, changed, mcuColumns);
            });
        }
    }

    guarded(c.errors, shownName, [&] { writeOutput(c, arrays, replaced.exif, replaced.xmp); });
    if (withEighth) {
        result.eighth = PixelSurface::createForOverwrite((stored.width() + 7) / 8, (stored.height() + 7) / 8);
        if (!result.eighth) throw std::bad_alloc();
        DcPlanes dc;
        guarded(c.errors, shownName, [&] { readDcPlanes(c, arrays, dc); });
        fillEighth(c.source, dc, *result.eighth);
    }
    if (c.errors.warning[0] != '\0') result.warning = QString::fromLocal8Bit(c.errors.warning);
    result.jpeg = std::move(c.outputBytes.bytes);
    return result;
}

std::unique_ptr<PixelSurface> LosslessStamper::decodeReduced(
    const QByteArray& jpeg, int denominator, const QString& shownName)
{
    Codecs c;
    guarded(c.errors, shownName, [&] {
        c.makeDecoder(c.area, 1, jpeg);
        jpeg_read_header(&c.area, TRUE);
        c.area.out_color_space = JCS_EXT_BGR;
        c.area.dct_method = JDCT_ISLOW;
        c.area.scale_num = 1;
        c.area.scale_denom = static_cast<unsigned int>(denominator);
        jpeg_calc_output_dimensions(&c.area);
    });
    std::unique_ptr<PixelSurface> picture = PixelSurface::createForOverwrite(
        static_cast<int32_t>(c.area.output_width), static_cast<int32_t>(c.area.output_height));
    if (!picture) throw std::bad_alloc();
    guarded(c.errors, shownName, [&] {
        jpeg_start_decompress(&c.area);
        while (c.area.output_scanline < c.area.output_height) {
            JSAMPROW rows[1] = { picture->scanLine(static_cast<int32_t>(c.area.output_scanline)) };
            jpeg_read_scanlines(&c.area, rows, 1);
        }
        jpeg_abort_decompress(&c.area);
    });
    return picture;
}
