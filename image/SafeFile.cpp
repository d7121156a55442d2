#include "SafeFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace velora {
namespace {

constexpr std::size_t kBufferBytes = std::size_t(1) << 16;

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A name no other writer uses at the same moment; O_EXCL settles the rare clash.
std::string TemporaryName(const std::string& folder) {
    static std::atomic<std::uint64_t> counter{0};
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::uint64_t x = (std::uint64_t(getpid()) << 32) ^ std::uint64_t(now.tv_nsec) ^
                      (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
    static const char kDigits[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string name = folder + (folder == "/" ? "" : "/") + ".velora-";
    for (int i = 0; i < 8; ++i) {
        x ^= x >> 29;
        x *= 0xBF58476D1CE4E5B9ull;
        name += kDigits[x % 62];
    }
    return name + ".tmp";
}

// Makes a rename durable: the folder's entry is what changed.
void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);  // some file systems refuse it for folders; the rename has happened anyway
    close(fd);
}

}  // namespace

std::string SafeFileStatus::Text() const { return Ok() ? std::string() : std::strerror(error); }

CSafeFile::~CSafeFile() { Discard(); }

CSafeFile::CSafeFile(CSafeFile&& other) noexcept { *this = std::move(other); }

CSafeFile& CSafeFile::operator=(CSafeFile&& other) noexcept {
    if (this == &other) return *this;
    Discard();
    m_fd = std::exchange(other.m_fd, -1);
    m_direct = other.m_direct;
    m_finished = other.m_finished;
    m_target = std::move(other.m_target);
    m_temporary = std::move(other.m_temporary);
    other.m_temporary.clear();
    m_buffer = std::move(other.m_buffer);
    m_status = other.m_status;
    return *this;
}

bool CSafeFile::Fail(SafeFileStatus::Stage stage, int error) {
    if (m_status.Ok()) m_status = SafeFileStatus{stage, error != 0 ? error : EIO};
    Discard();
    errno = m_status.error;
    return false;
}

namespace {

// Where a chain of symbolic links ends when its last link names nothing yet; false when
// path is not a link (or the chain is too long, or unreadable).
bool FollowDanglingLink(const std::string& path, std::string& end) {
    std::string at = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat link {};
        if (lstat(at.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
            if (hop == 0) return false;
            end = at;
            return true;
        }
        char buffer[PATH_MAX];
        const ssize_t length = readlink(at.c_str(), buffer, sizeof buffer - 1);
        if (length <= 0) return false;
        const std::string named(buffer, std::size_t(length));
        at = named.front() == '/' ? named : FolderOf(at) + "/" + named;
    }
    return false;
}

}  // namespace

bool CSafeFile::Open(const std::string& target) {
    Discard();
    m_status = {};
    m_finished = false;
    m_direct = false;
    m_buffer.clear();
    m_target = target;
    if (target.empty()) return Fail(SafeFileStatus::kCreate, ENOENT);

    struct stat existing {};
    const bool exists = stat(target.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) return Fail(SafeFileStatus::kCreate, errno);
    if (exists && S_ISDIR(existing.st_mode)) return Fail(SafeFileStatus::kCreate, EISDIR);
    if (exists && !S_ISREG(existing.st_mode)) {
        // A device or a FIFO has no contents to keep, and must not be replaced by a file. A
        // FIFO that no process reads fails at once (ENXIO) instead of waiting for one.
        const bool fifo = S_ISFIFO(existing.st_mode);
        m_fd = open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | (fifo ? O_NONBLOCK : 0));
        if (m_fd < 0) return Fail(SafeFileStatus::kCreate, errno);
        if (fifo && fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) & ~O_NONBLOCK) != 0) return Fail(SafeFileStatus::kCreate, errno);
        m_direct = true;
        return true;
    }
    if (!exists) {
        // A link that names no file yet: the file is made where it points, and the link stays.
        if (std::string followed; FollowDanglingLink(target, followed)) m_target = followed;
    }
    if (exists) {
        struct stat link {};
        if (lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
            // Replace the file the link names, not the link.
            char resolved[PATH_MAX];
            if (realpath(target.c_str(), resolved) == nullptr) return Fail(SafeFileStatus::kCreate, errno);
            m_target = resolved;
        }
    }

    const std::string folder = FolderOf(m_target);
    // A new file gets 0666 less the umask from the system itself; a replaced file's mode is
    // set before any byte is written, so its contents are never more readable than before.
    const mode_t mode = exists ? 0600 : 0666;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = TemporaryName(folder);
        m_fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (m_fd >= 0) {
            m_temporary = std::move(name);
            break;
        }
        if (errno != EEXIST) return Fail(SafeFileStatus::kCreate, errno);
    }
    if (m_fd < 0) return Fail(SafeFileStatus::kCreate, EEXIST);
    if (exists) {
        // Owner first: changing it may clear set-id bits that the mode then restores. Only
        // root may give a file away; otherwise the writer's own ownership stays.
        if (fchown(m_fd, existing.st_uid, existing.st_gid) != 0) {
        }
        if (fchmod(m_fd, existing.st_mode & 07777) != 0) return Fail(SafeFileStatus::kCreate, errno);
    }
    return true;
}

bool CSafeFile::WriteOut(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail(SafeFileStatus::kWrite, errno);
        }
        if (n == 0) return Fail(SafeFileStatus::kWrite, ENOSPC);
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

bool CSafeFile::Flush() {
    if (m_buffer.empty()) return true;
    const bool ok = WriteOut(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
    return ok;
}

bool CSafeFile::Write(const void* data, std::size_t size) {
    if (m_fd < 0 || m_finished || !m_status.Ok()) return m_status.Ok() ? Fail(SafeFileStatus::kWrite, EBADF) : false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (size >= kBufferBytes) return Flush() && WriteOut(bytes, size);
    if (m_buffer.size() + size > kBufferBytes && !Flush()) return false;
    if (m_buffer.capacity() < kBufferBytes) m_buffer.reserve(kBufferBytes);
    m_buffer.insert(m_buffer.end(), bytes, bytes + size);
    return true;
}

bool CSafeFile::Finish() {
    if (!m_status.Ok()) return false;
    if (m_finished) return true;
    if (m_fd < 0) return Fail(SafeFileStatus::kWrite, EBADF);
    if (!Flush()) return false;
    // A stream (a pipe, a terminal) cannot be synced and need not be.
    if (!m_direct && fsync(m_fd) != 0) return Fail(SafeFileStatus::kWrite, errno);
    const int fd = std::exchange(m_fd, -1);
    if (close(fd) != 0 && errno != EINTR) return Fail(SafeFileStatus::kWrite, errno);
    m_finished = true;
    return true;
}

bool CSafeFile::Publish() {
    if (!m_status.Ok()) return false;
    if (!m_finished) return Fail(SafeFileStatus::kWrite, EBADF);
    if (m_direct) return true;
    if (std::rename(m_temporary.c_str(), m_target.c_str()) != 0) return Fail(SafeFileStatus::kWrite, errno);
    m_temporary.clear();
    SyncFolder(FolderOf(m_target));
    return true;
}

bool CSafeFile::Commit() { return Finish() && Publish(); }

void CSafeFile::CloseQuietly() {
    if (m_fd >= 0) close(m_fd);
    m_fd = -1;
}

void CSafeFile::Discard() {
    CloseQuietly();
    m_buffer.clear();
    if (!m_temporary.empty()) unlink(m_temporary.c_str());
    m_temporary.clear();
}

SafeFileStatus WriteFileSafely(const std::string& target, const void* data, std::size_t size) {
    CSafeFile file;
    if (file.Open(target) && file.Write(data, size)) file.Commit();
    return file.Status();
}

SafeFileStatus PublishTogether(std::vector<CSafeFile>& files) {
    SafeFileStatus failed;
    for (CSafeFile& f : files)
        if (!f.Finish()) {
            failed = f.Status();
            break;
        }
    for (CSafeFile& f : files) {
        if (failed.Ok() && !f.Publish()) failed = f.Status();
        if (!failed.Ok()) f.Discard();
    }
    return failed;
}

}  // namespace velora
