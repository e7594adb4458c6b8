#include "formats/jpeg_codec.h"

#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/file_io.h"
#include "core/limits.h"
#include "core/tessalin_error.h"
#include "formats/jpeg_scan_count.h"

namespace tessalin {

namespace {

// A small progressive file can ask for hundreds of scans, each a pass over the
// whole picture however little it holds. Encoders write far fewer: libjpeg's
// progression 10 for colour (2 + 4 per component otherwise, 60 at the most),
// optimising encoders about a dozen. Like djpeg's -maxscans and TurboJPEG's
// scan limit, more are refused.
constexpr int kMaxScans = 100;

// A progressive picture keeps every coefficient until its last scan: 2 bytes a
// sample of every component (800 MB for CMYK at the pixel limit), on top of the
// 3 bytes a pixel of the result. Together they stay within this.
constexpr int64_t kMaxDecodeBytes = 960'000'000;

// libjpeg reports fatal errors through error_exit, which must not return; we
// jump back to the caller's setjmp. No C++ object with a destructor lives
// between the setjmp and the library calls, so the jump skips nothing.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnErrorExit(j_common_ptr info) {
  auto* mgr = reinterpret_cast<ErrorManager*>(info->err);
  if (info->err->msg_code == JERR_NO_BACKING_STORE) {
    // Its whole-picture buffers would pass the memory given to it.
    std::snprintf(mgr->message, sizeof mgr->message,
                  "a progressive picture of this size and colour needs more than %lld MB to decode",
                  static_cast<long long>(kMaxDecodeBytes / 1'000'000));
  } else {
    (*info->err->format_message)(info, mgr->message);
  }
  std::longjmp(mgr->jump, 1);
}

// A file that ends early is decoded by libjpeg as grey filler; we refuse it.
void OnEmitMessage(j_common_ptr info, int level) {
  auto* mgr = reinterpret_cast<ErrorManager*>(info->err);
  if (level < 0) {
    if (info->err->msg_code == JWRN_JPEG_EOF) {
      std::snprintf(mgr->message, sizeof mgr->message, "the file ends before the picture is complete");
      std::longjmp(mgr->jump, 1);
    }
    info->err->num_warnings++;
  }
}

// The scans of the file at `path`, else of data and size, counted from their
// markers up to one past the limit, so that too many are refused before the
// first is decoded.
int CountScans(const char* path, const uint8_t* data, size_t size) {
  JpegScanCounter counter;
  if (!path) {
    counter.Feed(data, size);
    return counter.Scans();
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "rb"), &std::fclose);
  if (!file) return 0;  // the decoder's own reading reports it
  std::vector<uint8_t> buffer(64 * 1024);
  while (!counter.Ended() && counter.Scans() <= kMaxScans) {
    const size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
    if (got == 0) break;
    counter.Feed(buffer.data(), got);
  }
  return counter.Scans();
}

void SetTooManyScans(ErrorManager& mgr) {
  std::snprintf(mgr.message, sizeof mgr.message,
                "it has more than %d progressive scans, more than any encoder writes", kMaxScans);
}

// A guard behind CountScans, should libjpeg find scans the count did not.
void OnProgress(j_common_ptr info) {
  if (!info->is_decompressor) return;
  auto* cinfo = reinterpret_cast<j_decompress_ptr>(info);
  if (cinfo->input_scan_number > kMaxScans) {
    auto* mgr = reinterpret_cast<ErrorManager*>(info->err);
    SetTooManyScans(*mgr);
    std::longjmp(mgr->jump, 1);
  }
}

void InstallErrors(ErrorManager& mgr) {
  jpeg_std_error(&mgr.base);
  mgr.base.error_exit = OnErrorExit;
  mgr.base.emit_message = OnEmitMessage;
  mgr.message[0] = '\0';
}

struct DecodeOut {
  RasterImage* image;
  std::vector<uint8_t>* row;
  char limitMessage[160];
};

// Reads from `file`, opened on `path`, when it is given (the header is checked
// before the rest is read), else from data and size. Returns false with
// mgr.message set, or with out.limitMessage set for a picture above the limit.
bool DecodeWithLibjpeg(std::FILE* file, const char* path, const uint8_t* data, size_t size, ErrorManager& mgr,
                       DecodeOut& out) {
  jpeg_decompress_struct cinfo;
  InstallErrors(mgr);
  cinfo.err = &mgr.base;
  if (setjmp(mgr.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_progress_mgr progress{};
  progress.progress_monitor = OnProgress;
  cinfo.progress = &progress;
  if (file)
    jpeg_stdio_src(&cinfo, file);
  else
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  if (!WithinPixelLimit(cinfo.image_width, cinfo.image_height)) {
    std::snprintf(out.limitMessage, sizeof out.limitMessage,
                  "the picture of %u x %u pixels is larger than the limit of %lld pixels", cinfo.image_width,
                  cinfo.image_height, static_cast<long long>(kMaxPixels));
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  if (CountScans(file ? path : nullptr, data, size) > kMaxScans) {
    SetTooManyScans(mgr);
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  if (cmyk)
    cinfo.out_color_space = JCS_CMYK;
  else if (cinfo.jpeg_color_space == JCS_GRAYSCALE)
    cinfo.out_color_space = JCS_GRAYSCALE;
  else
    cinfo.out_color_space = JCS_RGB;
  // What the result leaves of the budget bounds libjpeg's whole-picture buffers.
  const int64_t resultBytes = int64_t{3} * cinfo.image_width * cinfo.image_height;
  cinfo.mem->max_memory_to_use = static_cast<long>(std::max<int64_t>(kMaxDecodeBytes - resultBytes, 1));
  jpeg_start_decompress(&cinfo);
  const int width = static_cast<int>(cinfo.output_width);
  const int height = static_cast<int>(cinfo.output_height);
  const int comps = cinfo.output_components;
  *out.image = NewRaster(PixelFormat::pf24Bit, height, width);
  out.row->assign(static_cast<size_t>(width) * comps, 0);
  JSAMPROW rows[1] = {out.row->data()};
  // Adobe writes CMYK inverted; this is what every viewer assumes.
  const bool adobeInverted = cmyk && cinfo.saw_Adobe_marker;
  while (cinfo.output_scanline < cinfo.output_height) {
    const int y = static_cast<int>(cinfo.output_scanline);
    jpeg_read_scanlines(&cinfo, rows, 1);
    uint8_t* dst = out.image->Row(y);
    const uint8_t* src = out.row->data();
    for (int x = 0; x < width; ++x) {
      if (comps == 1) {
        dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = src[x];
      } else if (comps == 3) {
        dst[3 * x] = src[3 * x + 2];
        dst[3 * x + 1] = src[3 * x + 1];
        dst[3 * x + 2] = src[3 * x];
      } else {
        int c = src[4 * x], m = src[4 * x + 1], yy = src[4 * x + 2], k = src[4 * x + 3];
        if (!adobeInverted) {
          c = 255 - c;
          m = 255 - m;
          yy = 255 - yy;
          k = 255 - k;
        }
        dst[3 * x] = static_cast<uint8_t>((yy * k + 127) / 255);
        dst[3 * x + 1] = static_cast<uint8_t>((m * k + 127) / 255);
        dst[3 * x + 2] = static_cast<uint8_t>((c * k + 127) / 255);
      }
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

struct EncodeIn {
  const RasterImage* picture;
  std::vector<uint8_t>* row;
  unsigned char* buffer;
  unsigned long size;
};

bool EncodeWithLibjpeg(ErrorManager& mgr, EncodeIn& in) {
  jpeg_compress_struct cinfo;
  InstallErrors(mgr);
  cinfo.err = &mgr.base;
  if (setjmp(mgr.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &in.buffer, &in.size);
  const RasterImage& pic = *in.picture;
  cinfo.image_width = static_cast<JDIMENSION>(pic.Width());
  cinfo.image_height = static_cast<JDIMENSION>(pic.Height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  const int width = pic.Width();
  in.row->assign(static_cast<size_t>(width) * 6, 0);
  uint8_t* bgr = in.row->data();
  uint8_t* rgb = in.row->data() + static_cast<size_t>(width) * 3;
  JSAMPROW rows[1] = {rgb};
  while (cinfo.next_scanline < cinfo.image_height) {
    pic.ReadRowBgr(static_cast<int>(cinfo.next_scanline), bgr);
    for (int x = 0; x < width; ++x) {
      rgb[3 * x] = bgr[3 * x + 2];
      rgb[3 * x + 1] = bgr[3 * x + 1];
      rgb[3 * x + 2] = bgr[3 * x];
    }
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

namespace {

RasterImage Decode(std::FILE* file, std::span<const uint8_t> bytes, const std::string& nameForErrors) {
  const char* path = file ? nameForErrors.c_str() : nullptr;
  RasterImage image;
  std::vector<uint8_t> row;
  ErrorManager mgr;
  DecodeOut out{&image, &row, {0}};
  if (!DecodeWithLibjpeg(file, path, bytes.data(), bytes.size(), mgr, out)) {
    if (out.limitMessage[0]) ThrowFileError(nameForErrors, std::string(out.limitMessage) + ".");
    ThrowFileError(nameForErrors, std::string("is not a readable JPEG file: ") + mgr.message + ".");
  }
  return image;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

RasterImage DecodeJpeg(std::span<const uint8_t> bytes, const std::string& nameForErrors) {
  if (bytes.empty()) ThrowFileError(nameForErrors, "is empty, not a JPEG file.");
  return Decode(nullptr, bytes, nameForErrors);
}

RasterImage LoadJpegFile(const std::string& path) {
  // Read as it is decoded, so a size past the limit is refused from the header.
  if (FileSizeOf(path) == 0) ThrowFileError(path, "is empty, not a JPEG file.");
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) ThrowFileError(path, std::string("cannot be opened: ") + std::strerror(errno) + ".");
  return Decode(file.get(), {}, path);
}

std::vector<uint8_t> EncodeJpeg(const RasterImage& picture, const std::string& nameForErrors) {
  if (!picture.HasImage()) ThrowFileError(nameForErrors, "there is no picture to write.");
  if (picture.Width() > 65500 || picture.Height() > 65500)
    ThrowFileError(nameForErrors, "a JPEG file holds at most 65500 pixels a side.");
  std::vector<uint8_t> row;
  ErrorManager mgr;
  EncodeIn in{&picture, &row, nullptr, 0};
  const bool ok = EncodeWithLibjpeg(mgr, in);
  std::vector<uint8_t> bytes;
  if (ok && in.buffer) bytes.assign(in.buffer, in.buffer + in.size);
  std::free(in.buffer);
  if (!ok) ThrowFileError(nameForErrors, std::string("cannot be encoded as JPEG: ") + mgr.message + ".");
  return bytes;
}

void SaveJpegFile(const RasterImage& picture, const std::string& path) {
  WriteFileAtomically(path, EncodeJpeg(picture, path));
}

}  // namespace tessalin
