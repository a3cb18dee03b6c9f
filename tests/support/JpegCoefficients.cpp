#include "support/JpegCoefficients.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <jpeglib.h>

namespace {

struct Errors {
    jpeg_error_mgr manager {};
    std::jmp_buf jump {};
};

[[noreturn]] void jumpOut(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<Errors*>(info->err)->jump, 1);
}

// A decoder over bytes, all segments kept; a failure throws (tests only
// feed it JPEG files that decode).
struct Decoder {
    Errors errors;
    jpeg_decompress_struct info {};
    explicit Decoder(const QByteArray& jpeg)
    {
        info.err = jpeg_std_error(&errors.manager);
        errors.manager.error_exit = jumpOut;
        jpeg_create_decompress(&info);
        if (setjmp(errors.jump)) throw std::runtime_error("not a JPEG the tests can read");
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(jpeg.constData()), jpeg.size());
        for (int n = 0; n < 16; ++n)
            jpeg_save_markers(&info, JPEG_APP0 + n, 0xFFFF);
        jpeg_save_markers(&info, JPEG_COM, 0xFFFF);
        jpeg_read_header(&info, TRUE);
    }
    ~Decoder() { jpeg_destroy_decompress(&info); }
};

// An encoder into memory whose errors jump where the decoder's do.
struct Encoder {
    jpeg_compress_struct info {};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    explicit Encoder(Errors& errors)
    {
        info.err = &errors.manager;
        jpeg_create_compress(&info);
        jpeg_mem_dest(&info, &buffer, &size);
    }
    ~Encoder()
    {
        jpeg_destroy_compress(&info);
        std::free(buffer);
    }
    QByteArray bytes() const { return QByteArray(reinterpret_cast<const char*>(buffer), qsizetype(size)); }
};

void copySegments(jpeg_decompress_struct& from, jpeg_compress_struct& to)
{
    for (jpeg_saved_marker_ptr m = from.marker_list; m; m = m->next)
        jpeg_write_marker(&to, m->marker, m->data, m->data_length);
}

} // namespace

JpegCoefficients JpegCoefficients::read(const QByteArray& jpeg)
{
    Decoder d(jpeg);
    if (setjmp(d.errors.jump)) throw std::runtime_error("not a JPEG the tests can read");
    jvirt_barray_ptr* arrays = jpeg_read_coefficients(&d.info);
    JpegCoefficients result;
    result.width = int(d.info.image_width);
    result.height = int(d.info.image_height);
    result.progressive = d.info.progressive_mode;
    result.mcuWidth = d.info.max_h_samp_factor * DCTSIZE;
    result.mcuHeight = d.info.max_v_samp_factor * DCTSIZE;
    for (int c = 0; c < d.info.num_components; ++c) {
        const jpeg_component_info& info = d.info.comp_info[c];
        Component component;
        component.hSampling = info.h_samp_factor;
        component.vSampling = info.v_samp_factor;
        component.widthInBlocks = int(info.width_in_blocks);
        component.heightInBlocks = int(info.height_in_blocks);
        std::copy(
            std::begin(info.quant_table->quantval), std::end(info.quant_table->quantval), component.quantTable.begin());
        for (JDIMENSION row = 0; row < info.height_in_blocks; ++row) {
            JBLOCKARRAY blocks
                = (*d.info.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&d.info), arrays[c], row, 1, FALSE);
            for (JDIMENSION column = 0; column < info.width_in_blocks; ++column) {
                std::array<int16_t, 64> block;
                std::copy(blocks[0][column], blocks[0][column] + 64, block.begin());
                component.blocks.push_back(block);
            }
        }
        result.components << component;
    }
    for (jpeg_saved_marker_ptr m = d.info.marker_list; m; m = m->next)
        result.segments << QByteArray(1, char(m->marker))
                + QByteArray(reinterpret_cast<const char*>(m->data), m->data_length);
    jpeg_abort_decompress(&d.info);
    return result;
}

QRect JpegCoefficients::differingMcus(const JpegCoefficients& other) const
{
    QRect box;
    for (qsizetype c = 0; c < components.size(); ++c) {
        const Component& a = components[c];
        const Component& b = other.components[c];
        for (int row = 0; row < a.heightInBlocks; ++row) {
            for (int column = 0; column < a.widthInBlocks; ++column) {
                const size_t at = size_t(row) * a.widthInBlocks + column;
                if (a.blocks[at] == b.blocks[at]) continue;
                const int mcuX = column / a.hSampling * mcuWidth;
                const int mcuY = row / a.vSampling * mcuHeight;
                box |= QRect(mcuX, mcuY, mcuWidth, mcuHeight);
            }
        }
    }
    return box & QRect(0, 0, width, height);
}

QByteArray JpegCoefficients::progressiveCopy(const QByteArray& jpeg)
{
    Decoder d(jpeg);
    Encoder e(d.errors);
    if (setjmp(d.errors.jump)) throw std::runtime_error("cannot make the copy");
    jvirt_barray_ptr* arrays = jpeg_read_coefficients(&d.info);
    jpeg_copy_critical_parameters(&d.info, &e.info);
    e.info.write_JFIF_header = FALSE;
    jpeg_simple_progression(&e.info);
    jpeg_write_coefficients(&e.info, arrays);
    copySegments(d.info, e.info);
    jpeg_finish_compress(&e.info);
    jpeg_finish_decompress(&d.info);
    return e.bytes();
}

QByteArray JpegCoefficients::fullChromaCopy(const QByteArray& jpeg, bool progressive)
{
    Decoder d(jpeg);
    Encoder e(d.errors);
    if (setjmp(d.errors.jump)) throw std::runtime_error("cannot make the copy");
    d.info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d.info);
    e.info.image_width = d.info.output_width;
    e.info.image_height = d.info.output_height;
    e.info.input_components = 3;
    e.info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&e.info);
    jpeg_set_quality(&e.info, 92, TRUE);
    e.info.write_JFIF_header = FALSE;
    for (int c = 0; c < 3; ++c)
        e.info.comp_info[c].h_samp_factor = e.info.comp_info[c].v_samp_factor = 1;
    if (progressive) jpeg_simple_progression(&e.info);
    jpeg_start_compress(&e.info, TRUE);
    copySegments(d.info, e.info);
    std::vector<JSAMPLE> row(size_t(d.info.output_width) * 3);
    while (d.info.output_scanline < d.info.output_height) {
        JSAMPROW rows[1] = { row.data() };
        jpeg_read_scanlines(&d.info, rows, 1);
        jpeg_write_scanlines(&e.info, rows, 1);
    }
    jpeg_finish_compress(&e.info);
    jpeg_finish_decompress(&d.info);
    return e.bytes();
}

QByteArray JpegCoefficients::manyScans()
{
    Errors errors;
    jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jumpOut;
    Encoder e(errors);
    if (setjmp(errors.jump)) throw std::runtime_error("cannot make the scans");
    e.info.image_width = 64;
    e.info.image_height = 64;
    e.info.input_components = 1;
    e.info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&e.info);
    static std::vector<jpeg_scan_info> scans;
    scans = { { 1, { 0 }, 0, 0, 0, 0 } };
    for (int k = 1; k < 64; ++k) {
        scans.push_back({ 1, { 0 }, k, k, 0, 10 });
        for (int al = 9; al >= 0; --al)
            scans.push_back({ 1, { 0 }, k, k, al + 1, al });
    }
    e.info.scan_info = scans.data();
    e.info.num_scans = static_cast<int>(scans.size());
    jpeg_start_compress(&e.info, TRUE);
    std::vector<JSAMPLE> row(64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x)
            row[size_t(x)] = static_cast<JSAMPLE>((x * y) & 0xFF);
        JSAMPROW rows[1] = { row.data() };
        jpeg_write_scanlines(&e.info, rows, 1);
    }
    jpeg_finish_compress(&e.info);
    return e.bytes();
}

QByteArray JpegCoefficients::cmyk()
{
    Errors errors;
    jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jumpOut;
    Encoder e(errors);
    if (setjmp(errors.jump)) throw std::runtime_error("cannot make the photo");
    e.info.image_width = 16;
    e.info.image_height = 16;
    e.info.input_components = 4;
    e.info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&e.info);
    jpeg_start_compress(&e.info, TRUE);
    std::vector<JSAMPLE> row(16 * 4, 100);
    for (int y = 0; y < 16; ++y) {
        JSAMPROW rows[1] = { row.data() };
        jpeg_write_scanlines(&e.info, rows, 1);
    }
    jpeg_finish_compress(&e.info);
    return e.bytes();
}
