#include "ImageFiles.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>

#include "SafeFile.h"

namespace velora::cli {
namespace {

std::string Describe(ImageFileKind format, unsigned code) {
    switch (code) {
        case kLoadCannotOpen:
            return "cannot open the file";
        case kLoadInvalid:
            switch (format) {
                case ImageFileKind::Bmp: return "not a valid BMP file (no \"BM\" signature, or its header or data is damaged or incomplete)";
                case ImageFileKind::Pgm: return "not a binary PGM (P5) file, or its header or data is damaged or incomplete";
                case ImageFileKind::Raw: return "the file length does not match the RAW dimensions";
                case ImageFileKind::Other: break;
            }
            break;
        case kLoadBadDepth: return "bit depth not supported (accepted: 1, 4, 8, 16, 24 and 32 bits per pixel)";
        case kLoadCompressed: return "compressed BMP files are not supported";
        case kLoadTooLarge: return "image too large (pixel data over 1 GiB) or not enough memory";
        default: break;
    }
    return "unknown error";
}

}  // namespace

unsigned LoadImageFile(const std::string& path, const LoadOptions& options, CVelora& image, std::string& message) {
    const ImageFileKind format = KindOfFileName(path);
    if (format == ImageFileKind::Other) {
        message = "cannot load '" + path + "': unknown file type (expected .bmp, .raw or .pgm)";
        return kLoadCannotOpen;
    }
    // A FIFO or a device would keep the run waiting for a writer, or read without end.
    if (struct stat st {}; stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        message = "cannot load '" + path + "': not a regular file (reader result 1)";
        return kLoadCannotOpen;
    }
    unsigned code = 0;
    switch (format) {
        case ImageFileKind::Bmp: code = image.LoadBMP(path); break;
        case ImageFileKind::Pgm: code = image.LoadPGM(path); break;
        case ImageFileKind::Raw: {
            CFile file;
            if (!file.Open(path, CFile::modeRead)) {
                code = kLoadCannotOpen;
                break;
            }
            const auto length = std::uint64_t(std::max<std::int64_t>(file.GetLength(), 0));
            if (CVelora::RawSizeForLength(length)) code = image.LoadRAW(file);
            else if (options.rawSize) code = image.LoadRAW(file, options.rawSize->width, options.rawSize->height);
            else {
                message = "cannot load '" + path + "': a RAW file of " + std::to_string(length) +
                          " bytes is not in the size table; give its dimensions with --raw-size WxH (reader result 2)";
                return kLoadInvalid;
            }
            break;
        }
        case ImageFileKind::Other: break;
    }
    if (code != 0) message = "cannot load '" + path + "': " + Describe(format, code) + " (reader result " + std::to_string(code) + ")";
    return code;
}

std::string WriteFailureMessage(const std::string& path, unsigned code, const std::string& systemReason) {
    static const char* const kWhy[] = {"", "the file cannot be created", "writing the file failed",
                                       "this image cannot be written in that format"};
    return "cannot write '" + path + "': " + (code < 4 ? kWhy[code] : "unknown error") +
           (systemReason.empty() ? "" : ": " + systemReason) + " (writer result " + std::to_string(code) + ")";
}

bool SaveImageFile(const std::string& path, const CVelora& image, std::string& message) {
    const ImageFileKind format = KindOfFileName(path);
    if (format != ImageFileKind::Bmp && format != ImageFileKind::Raw) {
        message = "cannot write '" + path + "': the output must be a .bmp or .raw file";
        return false;
    }
    errno = 0;
    const unsigned code = format == ImageFileKind::Bmp ? image.SaveBMP(path) : image.SaveRAW(path);
    if (code == 0) return true;
    // The writers leave the system's reason in errno.
    const int error = errno;
    message = WriteFailureMessage(path, code, code <= 2 && error != 0 ? std::strerror(error) : "");
    return false;
}

bool SaveImageWithFiles(const std::string& path, const CVelora& image, const std::vector<catalog::FileOutput>& files,
                        std::string& message) {
    const ImageFileKind format = KindOfFileName(path);
    if (format != ImageFileKind::Bmp && format != ImageFileKind::Raw) {
        message = "cannot write '" + path + "': the output must be a .bmp or .raw file";
        return false;
    }
    // The bytes SaveBMP and SaveRAW write; none when the image cannot be written so.
    const std::vector<std::uint8_t> bytes = format == ImageFileKind::Bmp ? image.EncodeBMP() : image.EncodeRAW();
    if (bytes.empty() && image.GetWidth() > 0 && image.GetHeight() > 0) {
        message = WriteFailureMessage(path, 3, "") + "; nothing was written";
        return false;
    }
    std::vector<CSafeFile> outputs(files.size() + 1);
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const std::string& target = i == 0 ? path : files[i - 1].path;
        const void* data = i == 0 ? static_cast<const void*>(bytes.data()) : files[i - 1].bytes.data();
        const std::size_t size = i == 0 ? bytes.size() : files[i - 1].bytes.size();
        CSafeFile& out = outputs[i];
        if (!out.Open(target) || !out.Write(data, size) || !out.Finish()) {
            message = WriteFailureMessage(target, out.Status().stage, out.Status().Text()) + "; nothing was written";
            return false;
        }
    }
    if (const SafeFileStatus status = PublishTogether(outputs); !status.Ok()) {
        std::string failed;
        for (const CSafeFile& out : outputs)
            if (!out.Status().Ok()) failed = out.Target();
        message = WriteFailureMessage(failed, status.stage, status.Text());
        return false;
    }
    return true;
}

}  // namespace velora::cli
