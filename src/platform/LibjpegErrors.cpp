#include "platform/LibjpegErrors.h"

namespace {

[[noreturn]] void exitOnError(j_common_ptr info)
{
    auto* errors = reinterpret_cast<LibjpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

void keepWarning(j_common_ptr info, int level)
{
    auto* errors = reinterpret_cast<LibjpegErrors*>(info->err);
    if (level >= 0) return; // trace messages
    if (errors->warning[0] == '\0') (*info->err->format_message)(info, errors->warning);
    ++info->err->num_warnings;
}

void countScans(j_common_ptr info)
{
    if (!info->is_decompressor) return;
    auto* decoder = reinterpret_cast<j_decompress_ptr>(info);
    if (decoder->input_scan_number > LibjpegErrors::MaxScans) {
        auto* errors = reinterpret_cast<LibjpegErrors*>(info->err);
        std::snprintf(errors->message, sizeof errors->message, "more than %d scans", LibjpegErrors::MaxScans);
        std::longjmp(errors->jump, 1);
    }
}

} // namespace

LibjpegErrors::LibjpegErrors()
{
    jpeg_std_error(&manager);
    manager.error_exit = exitOnError;
    manager.emit_message = keepWarning;
    progress.progress_monitor = countScans;
}
