// Writing a file so that a failure never costs the old one: the bytes go to a temporary file
// in the target's folder, which is flushed to the disk and then renamed over the target. A
// full disk, a write error or a crash leaves the target exactly as it was and no temporary
// behind. Every file the programs write goes through here.
//
// A target that is a symbolic link to a regular file is replaced where the link points, so
// the link stays; a link that names no file yet gets the file made where it points. A target
// that exists and is neither a regular file nor a folder (a device, a FIFO, a terminal)
// cannot be replaced; it is written directly, as a stream, and a FIFO that no process reads
// fails at once rather than waiting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velora {

// How a write ended. The stage numbers are the image writers' result codes.
struct SafeFileStatus {
    enum Stage : unsigned {
        kOk = 0,
        kCreate = 1,  // the temporary (or the stream) could not be created or opened
        kWrite = 2,   // writing, flushing or renaming failed
    };
    Stage stage = kOk;
    int error = 0;  // the errno of the failure

    bool Ok() const { return stage == kOk; }
    // The system's words for the error ("No space left on device").
    std::string Text() const;
};

class CSafeFile {
public:
    CSafeFile() = default;
    // An unpublished temporary is removed.
    ~CSafeFile();
    CSafeFile(CSafeFile&& other) noexcept;
    CSafeFile& operator=(CSafeFile&& other) noexcept;
    CSafeFile(const CSafeFile&) = delete;
    CSafeFile& operator=(const CSafeFile&) = delete;

    // Creates the temporary beside target: with the mode (and, where allowed, the owner) of
    // the file it will replace, or 0666 less the umask for a new file.
    bool Open(const std::string& target);
    // Appends bytes; large blocks go straight to the system, small ones are gathered.
    bool Write(const void* data, std::size_t size);
    // Writes what is gathered, syncs the temporary to the disk and closes it. The target
    // is untouched until Publish.
    bool Finish();
    // Renames the finished temporary over the target.
    bool Publish();
    // Finish, then Publish.
    bool Commit();
    // Removes the temporary; the target stays as it was.
    void Discard();

    const SafeFileStatus& Status() const { return m_status; }
    const std::string& Target() const { return m_target; }

private:
    bool Fail(SafeFileStatus::Stage stage, int error);
    bool WriteOut(const std::uint8_t* data, std::size_t size);
    bool Flush();
    void CloseQuietly();

    int m_fd = -1;
    bool m_direct = false;    // streaming into a non-regular target: nothing to rename
    bool m_finished = false;
    std::string m_target;     // where the rename goes (a link resolved)
    std::string m_temporary;  // empty when there is none to remove
    std::vector<std::uint8_t> m_buffer;
    SafeFileStatus m_status;
};

// The byte-string form: the whole content in one call.
SafeFileStatus WriteFileSafely(const std::string& target, const void* data, std::size_t size);
inline SafeFileStatus WriteFileSafely(const std::string& target, std::string_view bytes) {
    return WriteFileSafely(target, bytes.data(), bytes.size());
}

// Several files that are written together or not at all (the components of a split): every
// temporary is finished before the first rename. Should a rename still fail, the files not
// yet renamed keep their old contents and their temporaries are removed.
SafeFileStatus PublishTogether(std::vector<CSafeFile>& files);

}  // namespace velora
