#include "PngWriter.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <png.h>

#include "RAST_Blit.h"
#include "SnapshotError.h"

namespace tonewell::snapshot {

namespace {

// What libpng's callbacks report back: the growing image and the text of
// the error that ended the encoding.
struct EncodeContext {
    std::vector<unsigned char>* out;
    char error[160];
};

// libpng requires its error handler not to return. The message is kept in a
// fixed buffer: nothing here may allocate or throw.
void OnError(png_structp png, png_const_charp text) {
    auto* context = static_cast<EncodeContext*>(png_get_error_ptr(png));
    std::snprintf(context->error, sizeof context->error, "%s", text ? text : "unknown error");
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// The jump of png_error must not cross a live try block or destructor, so a
// failed append is only noted inside the handler and reported after it.
void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* context = static_cast<EncodeContext*>(png_get_io_ptr(png));
    bool failed = false;
    try {
        context->out->insert(context->out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        failed = true;
    }
    if (failed) png_error(png, "out of memory");
}

void NoFlush(png_structp) {}

// Owns libpng's write and info structs for the length of one encoding.
class WriteStructs {
public:
    explicit WriteStructs(EncodeContext* context) {
        png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, context, OnError, OnWarning);
        if (png_) info_ = png_create_info_struct(png_);
    }
    ~WriteStructs() {
        if (png_) png_destroy_write_struct(&png_, info_ ? &info_ : nullptr);
    }
    WriteStructs(const WriteStructs&) = delete;
    WriteStructs& operator=(const WriteStructs&) = delete;

    bool Valid() const { return png_ && info_; }
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

// Sets libpng's error return point, so it holds nothing with a destructor;
// the frames a jump crosses are libpng's C code and the callbacks above.
bool WriteRows(png_structp png, png_infop info, png_uint_32 width, png_uint_32 height,
               png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

// Closes the file on every path; Close reports whether the data reached it.
class OutputStream {
public:
    explicit OutputStream(const std::string& path) : file(std::fopen(path.c_str(), "wb")) {}
    ~OutputStream() {
        if (file) std::fclose(file);
    }
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;

    bool IsOpen() const { return file != nullptr; }
    bool Write(const std::vector<unsigned char>& bytes) {
        return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    bool Close() {
        const bool closed = std::fclose(file) == 0;
        file = nullptr;
        return closed;
    }

private:
    std::FILE* file;
};

std::string Describe(int error) {
    return error != 0 ? std::strerror(error) : "write failed";
}

} // namespace

std::vector<unsigned char> PngWriter::Encode(const RAST_IBitmap& bitmap) {
    const int width = bitmap.width(), height = bitmap.height();
    if (width <= 0 || height <= 0 || !bitmap.pixelData())
        throw SnapshotError("cannot encode an empty bitmap (" + std::to_string(width) + " x " +
                            std::to_string(height) + ")");

    // Pixel words (A, R, G, B from the top byte down) become R, G, B, A bytes.
    const std::size_t rowBytes = std::size_t(width) * 4;
    std::vector<unsigned char> converted(rowBytes * static_cast<std::size_t>(height));
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const Pixel* in = RAST_RowPointer(&bitmap, y);
        unsigned char* out = converted.data() + rowBytes * std::size_t(y);
        rows[std::size_t(y)] = out;
        for (int x = 0; x < width; ++x, out += 4) {
            const Pixel p = in[x];
            out[0] = static_cast<unsigned char>(p >> 16);
            out[1] = static_cast<unsigned char>(p >> 8);
            out[2] = static_cast<unsigned char>(p);
            out[3] = static_cast<unsigned char>(p >> 24);
        }
    }

    std::vector<unsigned char> image;
    EncodeContext context{&image, {}};
    WriteStructs structs(&context);
    if (!structs.Valid()) throw SnapshotError("cannot encode PNG: libpng could not start");
    png_set_write_fn(structs.png(), &context, AppendBytes, NoFlush);
    if (!WriteRows(structs.png(), structs.info(), png_uint_32(width), png_uint_32(height),
                   rows.data()))
        throw SnapshotError(std::string("cannot encode PNG: ") + context.error);
    return image;
}

void PngWriter::WriteFile(const RAST_IBitmap& bitmap, const std::string& path) {
    if (path.empty()) throw SnapshotError("no output file name given");
    // Encoded first, and written under a temporary name that only replaces
    // the destination when complete: a failure never leaves half a file or
    // destroys an older one.
    const std::vector<unsigned char> image = Encode(bitmap);
    const std::string partial = path + ".part";
    errno = 0;
    OutputStream stream(partial);
    if (!stream.IsOpen()) throw SnapshotError("cannot write '" + path + "': " + Describe(errno));
    errno = 0;
    bool ok = stream.Write(image);
    int error = errno;
    if (!stream.Close() && ok) {
        ok = false;
        error = errno;
    }
    std::error_code renamed;
    if (ok) std::filesystem::rename(partial, path, renamed);
    if (!ok || renamed) {
        std::remove(partial.c_str());
        throw SnapshotError("cannot write '" + path +
                            "': " + (renamed ? renamed.message() : Describe(error)));
    }
}

} // namespace tonewell::snapshot
