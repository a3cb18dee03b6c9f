#include "files/LosslessStamper.h"

#include "files/BaselineScan.h"
#include "imaging/PictureOrientation.h"
#include "platform/LibjpegErrors.h"
#include "platform/PictureLoader.h"
#include "platform/RuntimeError.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <optional>
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

// Segments are written by sink(code, body, length): into a libjpeg
// encoder, or into bytes of our own.
template <typename Sink> void writeSegment(const Sink& sink, int code, const QByteArray& body)
{
    sink(code, reinterpret_cast<const JOCTET*>(body.constData()), static_cast<unsigned int>(body.size()));
}

// The segments of the source in their order, the EXIF and XMP ones
// replaced when replaced has their records; an XMP packet the source lacks
// goes in after its EXIF segment, or after its JFIF one, or first. The
// multi-picture index is left out: the pictures it points at, after the
// end of the stream, are not carried.
template <typename Sink>
void copySegments(j_decompress_ptr source, const Sink& output, const QByteArray& exif, const QByteArray& xmp)
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
            output(marker->marker, marker->data, marker->data_length);
        if (xmpAdded && marker == xmpAfter) writeSegment(output, JPEG_APP0 + 1, xmpBody);
    }
}

// A component's quantisation table: the one its blocks were read with, or
// before they are, the one its table number names.
const JQUANT_TBL* quantTable(const jpeg_decompress_struct& s, int component)
{
    const jpeg_component_info& info = s.comp_info[component];
    if (info.quant_table) return info.quant_table;
    return info.quant_tbl_no >= 0 && info.quant_tbl_no < NUM_QUANT_TBLS ? s.quant_tbl_ptrs[info.quant_tbl_no] : nullptr;
}

// A row of a component's blocks (counted from the top of the picture), to
// read or to change: from libjpeg's arrays, or from the band a BaselineScan
// holds.
using BlockRows = std::function<JBLOCKROW(int component, JDIMENSION row, bool changing)>;

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
void decodeBox(Codecs& c, const BlockRows& sourceRows, QRect box, PixelSurface& pixels)
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
            JBLOCKROW from = sourceRows(i, firstRow + row, false);
            JBLOCKARRAY to
                = (*e.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&e), boxArrays[i], row, 1, TRUE);
            std::memcpy(to[0][0], from[firstColumn], sizeof(JBLOCK) * columns);
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
        const JQUANT_TBL* table = quantTable(c.source, i);
        std::memcpy(e.quant_tbl_ptrs[i]->quantval, table->quantval, sizeof table->quantval);
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
void pasteArea(Codecs& c, const BlockRows& sourceRows, QRect box, const std::vector<char>& changed, int mcuColumns)
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
            for (int by = 0; by < v; ++by) {
                JBLOCKROW to = sourceRows(i, firstRow + JDIMENSION(my * v + by), true);
                for (int mx = 0; mx < mcuColumns; ++mx) {
                    if (changed[size_t(my) * mcuColumns + mx])
                        std::memcpy(to[firstColumn + JDIMENSION(mx * h)], from[by][mx * h], sizeof(JBLOCK) * h);
                }
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
    copySegments(
        &c.source,
        [&](int code, const JOCTET* body, unsigned int length) { jpeg_write_marker(&c.output, code, body, length); },
        exif, xmp);
    jpeg_finish_compress(&c.output);
}

// The picture at an eighth of its size from the blocks' DC coefficients,
// as libjpeg's 1/8 scaling makes it: each block's inverse transform is its
// dequantised mean, rounded, centred on 128; at that scale the chroma is
// replicated, not interpolated. Colours are converted as JFIF defines them.
struct DcPlanes {
    std::vector<uint8_t> samples[3]; // one a block, row by row
    int width[3] = {};
    std::vector<int> rowDc; // a row's DC coefficients, as read
};

// dcOf(component, row, rowDc) puts the DC coefficients of a row of a
// component's blocks (those that show) into rowDc.
template <typename DcOf> void readDcPlanes(const jpeg_decompress_struct& s, const DcOf& dcOf, DcPlanes& dc)
{
    for (int i = 0; i < s.num_components; ++i) {
        const jpeg_component_info& info = s.comp_info[i];
        const int columns = static_cast<int>(info.width_in_blocks);
        dc.width[i] = columns;
        dc.samples[i].resize(size_t(columns) * info.height_in_blocks);
        dc.rowDc.resize(size_t(columns));
        const int quant = quantTable(s, i)->quantval[0];
        for (JDIMENSION row = 0; row < info.height_in_blocks; ++row) {
            dcOf(i, row, dc.rowDc.data());
            uint8_t* out = dc.samples[i].data() + size_t(row) * columns;
            for (int column = 0; column < columns; ++column)
                out[column] = static_cast<uint8_t>(std::clamp(((dc.rowDc[column] * quant + 4) >> 3) + 128, 0, 255));
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

namespace {

// What both ways of stamping check first: the source's header is read, and
// the photo is one they can stamp. Gives its stored size.
QSize readAndCheck(Codecs& c, const QByteArray& data, const QString& shownName)
{
    guarded(c.errors, shownName, [&] { readSource(c, data); });
    const jpeg_decompress_struct& s = c.source;
    if (s.data_precision != 8)
        throw failure(shownName, CannotStamp + QStringLiteral("%1 bits a sample").arg(s.data_precision));
    if (s.jpeg_color_space != JCS_YCbCr && s.jpeg_color_space != JCS_GRAYSCALE && s.jpeg_color_space != JCS_RGB)
        throw failure(shownName, CannotStamp + QStringLiteral("its colours are not RGB or grey (CMYK)"));
    const QSize stored(static_cast<int>(s.image_width), static_cast<int>(s.image_height));
    if (int64_t(stored.width()) * stored.height() > PixelSurface::MaxPixels)
        throw failure(shownName, QStringLiteral("is too large"));
    return stored;
}

bool quantisesByZero(const jpeg_decompress_struct& s)
{
    for (int i = 0; i < s.num_components; ++i) {
        const JQUANT_TBL* table = quantTable(s, i);
        if (!table || std::find(std::begin(table->quantval), std::end(table->quantval), 0) != std::end(table->quantval))
            return true;
    }
    return false;
}

// The blocks the stamp may change: its area on the upright picture, on the
// stored one, widened to whole MCUs; empty when the area is off the photo.
QRect boxFor(const jpeg_decompress_struct& s, QSize stored, int orientation, QRect uprightArea)
{
    const QSize uprightSize = PictureOrientation::swapsSides(orientation) ? stored.transposed() : stored;
    const QRect area = uprightArea & QRect(QPoint(0, 0), uprightSize);
    if (area.isEmpty()) return {};
    return alignedOut(LosslessStamper::storedRect(area, stored, orientation), s.max_h_samp_factor * DCTSIZE,
        s.max_v_samp_factor * DCTSIZE, stored);
}

// Draws the stamp into the box: its pixels decoded, turned upright, drawn
// on, turned back, and the MCUs where a pixel changed given new
// coefficients in rows. Gives how many MCUs changed.
int stampBox(Codecs& c, const BlockRows& rows, QRect box, int orientation, const LosslessStamper::Draw& draw,
    const QString& shownName)
{
    const QSize stored(static_cast<int>(c.source.image_width), static_cast<int>(c.source.image_height));
    std::unique_ptr<PixelSurface> before = PixelSurface::createForOverwrite(box.width(), box.height());
    if (!before) throw std::bad_alloc();
    guarded(c.errors, shownName, [&] { decodeBox(c, rows, box, *before); });

    std::unique_ptr<PixelSurface> copy = PixelSurface::createForOverwrite(box.width(), box.height());
    if (!copy) throw std::bad_alloc();
    PixelSurface::copyBlock(*copy, 0, 0, box.width(), box.height(), *before, 0, 0);
    std::unique_ptr<PixelSurface> upright = PictureOrientation::upright(std::move(copy), orientation);
    draw(*upright, LosslessStamper::uprightRect(box, stored, orientation).topLeft());
    const std::unique_ptr<PixelSurface> after
        = PictureOrientation::upright(std::move(upright), inverseOrientation(orientation));

    const int mcuWidth = c.source.max_h_samp_factor * DCTSIZE;
    const int mcuHeight = c.source.max_v_samp_factor * DCTSIZE;
    const int mcuColumns = (box.width() + mcuWidth - 1) / mcuWidth;
    const int mcuRows = (box.height() + mcuHeight - 1) / mcuHeight;
    std::vector<char> changed(size_t(mcuColumns) * mcuRows);
    int replaced = 0;
    for (int my = 0; my < mcuRows; ++my) {
        for (int mx = 0; mx < mcuColumns; ++mx) {
            const int x = mx * mcuWidth;
            const int y = my * mcuHeight;
            const bool differs = cellDiffers(
                *before, *after, x, y, std::min(mcuWidth, box.width() - x), std::min(mcuHeight, box.height() - y));
            changed[size_t(my) * mcuColumns + mx] = differs;
            replaced += differs;
        }
    }
    if (replaced > 0) {
        guarded(c.errors, shownName, [&] {
            encodeArea(c, *after);
            pasteArea(c, rows, box, changed, mcuColumns);
        });
    }
    return replaced;
}

std::unique_ptr<PixelSurface> eighthFrom(const DcPlanes& dc, const jpeg_decompress_struct& s)
{
    auto eighth = PixelSurface::createForOverwrite(
        static_cast<int32_t>((s.image_width + 7) / 8), static_cast<int32_t>((s.image_height + 7) / 8));
    if (!eighth) throw std::bad_alloc();
    fillEighth(s, dc, *eighth);
    return eighth;
}

// The source's own segments between its start and its coded data that are
// no APPn or COM segment (its tables, frame, restart interval and scan
// header), as they stand; false when anything else stands there, or they do
// not end where libjpeg found the coded data.
bool framingSegments(const QByteArray& jpeg, qsizetype scanStart, QByteArray& out)
{
    const auto* d = reinterpret_cast<const uint8_t*>(jpeg.constData());
    if (scanStart > jpeg.size() || scanStart < 4 || d[0] != 0xFF || d[1] != 0xD8) return false;
    qsizetype at = 2;
    int code = 0;
    while (at < scanStart) {
        if (d[at] != 0xFF) return false;
        while (at < scanStart && d[at] == 0xFF)
            ++at;
        if (at + 3 > scanStart) return false;
        code = d[at];
        const qsizetype end = at + 1 + (d[at + 1] << 8 | d[at + 2]);
        if (end < at + 3 || end > scanStart) return false;
        const bool metadata = (code >= JPEG_APP0 && code <= JPEG_APP0 + 15) || code == JPEG_COM;
        // Tables, baseline or extended sequential frame, restart interval, scan.
        const bool framing
            = code == 0xDB || code == 0xC4 || code == 0xC0 || code == 0xC1 || code == 0xDD || code == 0xDA;
        if (!metadata && !framing) return false;
        if (framing) {
            out += char(0xFF);
            out += QByteArray::fromRawData(jpeg.constData() + at, end - at);
        }
        at = end;
    }
    return at == scanStart && code == 0xDA;
}

// The scan's layout as libjpeg read it from the header; false for a photo
// that BaselineScan does not code (progressive, arithmetic, several scans,
// a code table missing).
bool scanLayout(const jpeg_decompress_struct& s, BaselineScan::Layout& layout)
{
    if (s.progressive_mode || s.arith_code || s.comps_in_scan != s.num_components) return false;
    if (s.num_components != 1 && s.num_components != 3) return false;
    for (int i = 0; i < s.num_components; ++i) {
        const jpeg_component_info& info = s.comp_info[i];
        if (s.cur_comp_info[i] != &s.comp_info[i]) return false; // components in another order
        BaselineScan::Component component;
        component.h = info.h_samp_factor;
        component.v = info.v_samp_factor;
        component.dcTable = info.dc_tbl_no;
        component.acTable = info.ac_tbl_no;
        component.widthInBlocks = static_cast<int>(info.width_in_blocks);
        component.heightInBlocks = static_cast<int>(info.height_in_blocks);
        layout.components.push_back(component);
    }
    for (int n = 0; n < NUM_HUFF_TBLS; ++n) {
        const JHUFF_TBL* tables[2] = { s.dc_huff_tbl_ptrs[n], s.ac_huff_tbl_ptrs[n] };
        BaselineScan::CodeTable* into[2] = { &layout.dcTables[size_t(n)], &layout.acTables[size_t(n)] };
        for (int k = 0; k < 2; ++k) {
            if (!tables[k]) continue;
            into[k]->present = true;
            std::copy(std::begin(tables[k]->bits), std::end(tables[k]->bits), into[k]->counts.begin());
            std::copy(std::begin(tables[k]->huffval), std::end(tables[k]->huffval), into[k]->symbols.begin());
        }
    }
    if (s.num_components == 1) {
        layout.mcuColumns = static_cast<int>(s.comp_info[0].width_in_blocks);
        layout.mcuRows = static_cast<int>(s.comp_info[0].height_in_blocks);
    } else {
        layout.mcuColumns = static_cast<int>((s.image_width + s.max_h_samp_factor * DCTSIZE - 1)
            / static_cast<JDIMENSION>(s.max_h_samp_factor * DCTSIZE));
        layout.mcuRows = static_cast<int>((s.image_height + s.max_v_samp_factor * DCTSIZE - 1)
            / static_cast<JDIMENSION>(s.max_v_samp_factor * DCTSIZE));
    }
    layout.restartInterval = static_cast<int>(s.restart_interval);
    return true;
}

// Stamps a regular baseline photo without holding its coefficients: the
// coded data is read through once, the MCU rows of the stamp's box (and the
// row after it, whose first DC follows from the box's last) are coded
// again, and the rest is carried over as it was coded. Nothing when the
// photo is not one this way takes; the other way then stamps it.
std::optional<LosslessStamper::Result> stampCarryingCodedData(const QByteArray& data, int orientation,
    QRect uprightArea, const LosslessStamper::Draw& draw, const JpegMetadata& replaced, const QString& shownName,
    bool withEighth)
{
    Codecs c;
    const QSize stored = readAndCheck(c, data, shownName);
    const jpeg_decompress_struct& s = c.source;
    BaselineScan::Layout layout;
    if (quantisesByZero(s) || !scanLayout(s, layout)) return std::nullopt;
    const qsizetype scanStart = reinterpret_cast<const char*>(s.src->next_input_byte) - data.constData();
    QByteArray framing;
    if (!framingSegments(data, scanStart, framing)) return std::nullopt;

    LosslessStamper::Result result;
    result.storedBox = boxFor(s, stored, orientation, uprightArea);
    const int mcuHeight = s.max_v_samp_factor * DCTSIZE;
    const int bandBegin = result.storedBox.isEmpty() ? 0 : result.storedBox.top() / mcuHeight;
    const int bandEnd
        = result.storedBox.isEmpty() ? 0 : std::min(result.storedBox.bottom() / mcuHeight + 2, layout.mcuRows);
    std::optional<BaselineScan> scan = BaselineScan::read(data, scanStart, layout, bandBegin, bandEnd);
    if (!scan) return std::nullopt;

    if (!result.storedBox.isEmpty()) {
        const BlockRows rows = [&](int component, JDIMENSION row, bool) {
            static_assert(sizeof(BaselineScan::Block) == sizeof(JBLOCK));
            return reinterpret_cast<JBLOCKROW>(scan->blockRow(component, static_cast<int>(row)));
        };
        result.replacedMcus = stampBox(c, rows, result.storedBox, orientation, draw, shownName);
    }

    QByteArray out;
    out.reserve(data.size() + data.size() / 16);
    out += "\xFF\xD8";
    bool fits = true;
    copySegments(
        &c.source,
        [&](int code, const JOCTET* body, unsigned int length) {
            // libjpeg refuses a longer one; the other way says so.
            fits = fits && length <= 65533;
            out += char(0xFF);
            out += char(code);
            out += char((length + 2) >> 8);
            out += char((length + 2) & 0xFF);
            out += QByteArray::fromRawData(reinterpret_cast<const char*>(body), length);
        },
        replaced.exif, replaced.xmp);
    if (!fits || !scan->write(framing, out)) return std::nullopt;

    if (withEighth) {
        DcPlanes dc;
        readDcPlanes(
            s,
            [&](int component, JDIMENSION row, int* rowDc) {
                for (int column = 0; column < dc.width[component]; ++column)
                    rowDc[column] = scan->dc(component, static_cast<int>(row), column);
            },
            dc);
        result.eighth = eighthFrom(dc, s);
    }
    if (c.errors.warning[0] != '\0') result.warning = QString::fromLocal8Bit(c.errors.warning);
    result.carried = true;
    result.jpeg = std::move(out);
    return result;
}

// Stamps any photo libjpeg reads, holding all its coefficients: they are
// read whole, the stamp's MCUs replaced, and all coded again.
LosslessStamper::Result stampRecoding(QByteArray data, int orientation, QRect uprightArea,
    const LosslessStamper::Draw& draw, const JpegMetadata& replaced, const QString& shownName, bool withEighth)
{
    Codecs c;
    c.outputBytes.expected = data.size() + data.size() / 16;
    const QSize stored = readAndCheck(c, data, shownName);
    jvirt_barray_ptr* arrays = nullptr;
    guarded(c.errors, shownName, [&] { arrays = jpeg_read_coefficients(&c.source); });
    // The encoder divides by the tables the stamp's blocks are coded with.
    if (quantisesByZero(c.source))
        throw failure(shownName, CannotStamp + QStringLiteral("a quantisation table holds a zero"));
    // Everything is read (the segments are the library's copies): the
    // output need not be made beside the source's bytes.
    data = QByteArray();

    jpeg_decompress_struct& s = c.source;
    const BlockRows rows = [&](int component, JDIMENSION row, bool changing) {
        return (*s.mem->access_virt_barray)(
            reinterpret_cast<j_common_ptr>(&s), arrays[component], row, 1, changing ? TRUE : FALSE)[0];
    };
    LosslessStamper::Result result;
    result.storedBox = boxFor(s, stored, orientation, uprightArea);
    if (!result.storedBox.isEmpty())
        result.replacedMcus = stampBox(c, rows, result.storedBox, orientation, draw, shownName);

    guarded(c.errors, shownName, [&] { writeOutput(c, arrays, replaced.exif, replaced.xmp); });
    if (withEighth) {
        DcPlanes dc;
        guarded(c.errors, shownName, [&] {
            readDcPlanes(
                s,
                [&](int component, JDIMENSION row, int* rowDc) {
                    const JBLOCKROW blocks = rows(component, row, false);
                    for (int column = 0; column < dc.width[component]; ++column)
                        rowDc[column] = blocks[column][0];
                },
                dc);
        });
        result.eighth = eighthFrom(dc, s);
    }
    if (c.errors.warning[0] != '\0') result.warning = QString::fromLocal8Bit(c.errors.warning);
    result.jpeg = std::move(c.outputBytes.bytes);
    return result;
}

} // namespace

LosslessStamper::Result LosslessStamper::stamp(QByteArray data, int orientation, QRect uprightArea, const Draw& draw,
    const JpegMetadata& replaced, const QString& shownName, bool withEighth, Coding coding)
{
    if (coding == Coding::CarryWherePossible) {
        if (std::optional<Result> result
            = stampCarryingCodedData(data, orientation, uprightArea, draw, replaced, shownName, withEighth))
            return std::move(*result);
    }
    return stampRecoding(std::move(data), orientation, uprightArea, draw, replaced, shownName, withEighth);
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
