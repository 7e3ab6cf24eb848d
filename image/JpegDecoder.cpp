#include "image/JpegDecoder.h"

#include <csetjmp>
#include <cstdio>  // jpeglib.h uses FILE and size_t without including their headers
#include <memory>
#include <new>

#include <jpeglib.h>

namespace carecfg {
namespace {

// A progressive file may hold thousands of tiny scans that each cost a pass over the whole
// picture; real pictures have a dozen at most.
constexpr int kMaxScans = 256;
// libjpeg's working memory for one picture (progressive pictures keep all coefficients).
constexpr long kMaxWorkingMemory = 256L * 1024 * 1024;

// libjpeg's error manager, with the place to jump back to and the text of the first problem.
struct ErrorTrap {
    jpeg_error_mgr manager;  // first member: libjpeg hands a pointer to it to the callbacks
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool warned;
};

// Everything a decode touches after setjmp lives in this one object, in memory, so that after
// the jump back every member holds what libjpeg or the decode last wrote.
struct DecodeJob {
    jpeg_decompress_struct info;
    ErrorTrap trap;
    jpeg_progress_mgr progress;
    const std::uint8_t* data;
    std::size_t size;
    RgbPicture* picture;
    const char* refusal;  // our own reason for stopping, when it is not libjpeg's
};

ErrorTrap& TrapOf(j_common_ptr info) {
    return *reinterpret_cast<ErrorTrap*>(info->err);
}

extern "C" {
// A fatal error: keep its text and jump back into RunDecode. Between the failing libjpeg call
// and RunDecode lie only libjpeg's own C frames, so the jump skips no C++ destructor.
static void TrapFatalError(j_common_ptr info) {
    ErrorTrap& trap = TrapOf(info);
    (*info->err->format_message)(info, trap.message);
    std::longjmp(trap.jump, 1);
}

// Level -1 is a corrupt-data warning (libjpeg goes on and fills the rest with grey): counted,
// and the first one kept. Trace messages (levels 0 and up) are ignored. Nothing is printed.
static void TrapMessage(j_common_ptr info, int level) {
    if (level >= 0) {
        return;
    }
    ErrorTrap& trap = TrapOf(info);
    if (!trap.warned) {
        (*info->err->format_message)(info, trap.message);
        trap.warned = true;
    }
    ++info->err->num_warnings;
}

static void DiscardOutput(j_common_ptr) {}

// Stops a file whose scan count shows it is built to keep the decoder busy.
static void LimitScans(j_common_ptr info) {
    if (info->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) {
        ErrorTrap& trap = TrapOf(info);
        std::snprintf(trap.message, sizeof trap.message, "more than %d scans", kMaxScans);
        std::longjmp(trap.jump, 1);
    }
}
}  // extern "C"

// Makes room for the decoded rows; false when the memory is not there.
bool MakeRoom(RgbPicture& picture, std::size_t bytes) noexcept {
    try {
        picture.rgb.assign(bytes, 0);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Runs libjpeg over the job's bytes into its picture. No object with a destructor lives in this
// frame, so returning here by longjmp is as sound as returning from the failing call.
bool RunDecode(DecodeJob& job) {
    job.info.err = jpeg_std_error(&job.trap.manager);
    job.trap.manager.error_exit = TrapFatalError;
    job.trap.manager.emit_message = TrapMessage;
    job.trap.manager.output_message = DiscardOutput;
    if (setjmp(job.trap.jump) != 0) {
        jpeg_destroy_decompress(&job.info);
        return false;
    }
    jpeg_create_decompress(&job.info);
    job.info.mem->max_memory_to_use = kMaxWorkingMemory;
    job.progress.progress_monitor = LimitScans;
    job.info.progress = &job.progress;
    jpeg_mem_src(&job.info, job.data, static_cast<unsigned long>(job.size));
    jpeg_read_header(&job.info, TRUE);

    const JDIMENSION width = job.info.image_width;
    const JDIMENSION height = job.info.image_height;
    constexpr auto kMaxSide = static_cast<JDIMENSION>(kMaxJpegSide);
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide ||
        std::size_t{width} * height > kMaxJpegPixels) {
        job.refusal = "the picture is too large";
        jpeg_destroy_decompress(&job.info);
        return false;
    }
    job.info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&job.info);
    if (job.info.output_components != 3) {
        job.refusal = "the picture cannot be shown as RGB";
        jpeg_destroy_decompress(&job.info);
        return false;
    }
    const std::size_t stride = std::size_t{job.info.output_width} * 3;
    if (!MakeRoom(*job.picture, stride * job.info.output_height)) {
        job.refusal = "not enough memory for the picture";
        jpeg_destroy_decompress(&job.info);
        return false;
    }
    while (job.info.output_scanline < job.info.output_height) {
        JSAMPROW row = job.picture->rgb.data() + stride * job.info.output_scanline;
        if (jpeg_read_scanlines(&job.info, &row, 1) != 1) {
            job.refusal = "the picture data stopped early";
            jpeg_destroy_decompress(&job.info);
            return false;
        }
    }
    job.picture->width = static_cast<int>(job.info.output_width);
    job.picture->height = static_cast<int>(job.info.output_height);
    jpeg_finish_decompress(&job.info);
    jpeg_destroy_decompress(&job.info);
    return true;
}

}  // namespace

JpegDecodeResult DecodeJpeg(std::span<const std::uint8_t> bytes) {
    JpegDecodeResult result;
    if (bytes.empty()) {
        result.error = "no picture data";
        return result;
    }
    auto job = std::make_unique<DecodeJob>();  // value-initialised: every member zero
    job->data = bytes.data();
    job->size = bytes.size();
    job->picture = &result.picture;
    const bool decoded = RunDecode(*job);
    if (!decoded || job->trap.warned) {
        result.error = job->refusal != nullptr ? job->refusal : job->trap.message;
        if (result.error.empty()) {
            result.error = "the picture cannot be decoded";
        }
        result.picture = RgbPicture{};
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace carecfg
