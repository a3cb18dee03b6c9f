#include "support/JpegCoefficients.h"
#include "support/TestSupport.h"

#include <csetjmp>
#include <cstdlib>
#include <functional>
#include <stdexcept>

#include <jpeglib.h>

namespace {

[[noreturn]] void jumpOut(j_common_ptr info);

struct Errors {
    jpeg_error_mgr manager {};
    std::jmp_buf jump {};
    Errors()
    {
        jpeg_std_error(&manager);
        manager.error_exit = jumpOut;
    }
};

void jumpOut(j_common_ptr info)
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
        info.err = &errors.manager;
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

void copySegments(jpeg_saved_marker_ptr segments, jpeg_compress_struct& to)
{
    for (jpeg_saved_marker_ptr m = segments; m; m = m->next)
        jpeg_write_marker(&to, m->marker, m->data, m->data_length);
}

// Encodes the rows fill writes, each of width samples of components, coded
// as code chooses over the defaults, with the segments given. A failure,
// the encoder's or that of a decoder fill reads sharing errors, throws.
QByteArray encode(Errors& errors, int width, int height, int components, J_COLOR_SPACE space,
    const std::function<void(jpeg_compress_struct&)>& code, const std::function<void(int y, JSAMPLE* row)>& fill,
    jpeg_saved_marker_ptr segments = nullptr)
{
    Encoder e(errors);
    std::vector<JSAMPLE> row(size_t(width) * size_t(components));
    if (setjmp(errors.jump)) throw std::runtime_error("cannot make the photo");
    e.info.image_width = JDIMENSION(width);
    e.info.image_height = JDIMENSION(height);
    e.info.input_components = components;
    e.info.in_color_space = space;
    jpeg_set_defaults(&e.info);
    e.info.write_JFIF_header = FALSE;
    code(e.info);
    jpeg_start_compress(&e.info, TRUE);
    copySegments(segments, e.info);
    for (int y = 0; y < height; ++y) {
        fill(y, row.data());
        JSAMPROW rows[1] = { row.data() };
        jpeg_write_scanlines(&e.info, rows, 1);
    }
    jpeg_finish_compress(&e.info);
    return e.bytes();
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
    result.coding = { d.info.progressive_mode };
    result.mcuWidth = d.info.max_h_samp_factor * DCTSIZE;
    result.mcuHeight = d.info.max_v_samp_factor * DCTSIZE;
    for (int c = 0; c < d.info.num_components; ++c) {
        const jpeg_component_info& info = d.info.comp_info[c];
        Component component;
        component.hSampling = info.h_samp_factor;
        component.vSampling = info.v_samp_factor;
        component.widthInBlocks = int(info.width_in_blocks);
        component.heightInBlocks = int(info.height_in_blocks);
        result.coding.insert(result.coding.end(), { info.h_samp_factor, info.v_samp_factor });
        result.coding.insert(
            result.coding.end(), std::begin(info.quant_table->quantval), std::end(info.quant_table->quantval));
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

namespace {

// The photo's coefficients and segments coded again, as code sets the
// encoder up beyond the photo's own parameters.
QByteArray recoded(const QByteArray& jpeg, const std::function<void(jpeg_compress_struct&)>& code)
{
    Decoder d(jpeg);
    Encoder e(d.errors);
    if (setjmp(d.errors.jump)) throw std::runtime_error("cannot make the copy");
    jvirt_barray_ptr* arrays = jpeg_read_coefficients(&d.info);
    jpeg_copy_critical_parameters(&d.info, &e.info);
    e.info.write_JFIF_header = FALSE;
    code(e.info);
    jpeg_write_coefficients(&e.info, arrays);
    copySegments(d.info.marker_list, e.info);
    jpeg_finish_compress(&e.info);
    jpeg_finish_decompress(&d.info);
    return e.bytes();
}

} // namespace

QByteArray JpegCoefficients::progressiveCopy(const QByteArray& jpeg)
{
    return recoded(jpeg, [](jpeg_compress_struct& info) { jpeg_simple_progression(&info); });
}

QByteArray JpegCoefficients::withRestarts(const QByteArray& jpeg, int interval)
{
    return recoded(jpeg, [interval](jpeg_compress_struct& info) { info.restart_interval = JDIMENSION(interval); });
}

QByteArray JpegCoefficients::grey(int width, int height)
{
    Errors errors;
    return encode(
        errors, width, height, 1, JCS_GRAYSCALE, [](jpeg_compress_struct&) {},
        [width](int y, JSAMPLE* row) {
            for (int x = 0; x < width; ++x)
                row[x] = JSAMPLE((x * 7 + y * 3) % 256);
        });
}

QByteArray JpegCoefficients::fullChromaCopy(const QByteArray& jpeg, bool progressive)
{
    Decoder d(jpeg);
    if (setjmp(d.errors.jump)) throw std::runtime_error("cannot make the copy");
    d.info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d.info);
    const auto code = [progressive](jpeg_compress_struct& info) {
        jpeg_set_quality(&info, 92, TRUE);
        for (int c = 0; c < 3; ++c)
            info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
        if (progressive) jpeg_simple_progression(&info);
    };
    // Not finished: the decoder's errors would jump into encode's frame.
    return encode(
        d.errors, int(d.info.output_width), int(d.info.output_height), 3, JCS_RGB, code,
        [&d](int, JSAMPLE* row) { jpeg_read_scanlines(&d.info, &row, 1); }, d.info.marker_list);
}

QByteArray JpegCoefficients::manyScans()
{
    const QByteArray photo = progressiveCopy(smallJpeg(64, 64));
    const qsizetype last = photo.lastIndexOf("\xFF\xDA");
    return photo.left(photo.size() - 2) + photo.mid(last, photo.size() - 2 - last).repeated(600) + "\xFF\xD9";
}

QByteArray JpegCoefficients::cmyk()
{
    Errors errors;
    return encode(
        errors, 16, 16, 4, JCS_CMYK, [](jpeg_compress_struct&) {},
        [](int, JSAMPLE* row) { std::fill_n(row, 64, 100); });
}
