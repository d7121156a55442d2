#include "CFile.h"

#include <sys/stat.h>

CFile::~CFile() { Close(); }

bool CFile::Open(const std::string& path, OpenMode mode) {
    Close();
    m_file = std::fopen(path.c_str(), mode == modeRead ? "rb" : "wb");
    if (m_file == nullptr) return false;
    m_path = path;
    return true;
}

void CFile::Close() {
    if (m_file != nullptr) std::fclose(m_file);
    m_file = nullptr;
}

std::size_t CFile::Read(void* buffer, std::size_t count) {
    if (m_file == nullptr || count == 0) return 0;
    return std::fread(buffer, 1, count, m_file);
}

bool CFile::Write(const void* buffer, std::size_t count) {
    if (m_file == nullptr) return false;
    return count == 0 || std::fwrite(buffer, 1, count, m_file) == count;
}

bool CFile::Flush() { return m_file != nullptr && std::fflush(m_file) == 0 && !std::ferror(m_file); }

std::int64_t CFile::GetLength() const {
    if (m_file == nullptr) return -1;
    struct stat st {};
    if (fstat(fileno(m_file), &st) != 0) return -1;
    return st.st_size;
}

bool CFile::IsRegularFile() const {
    if (m_file == nullptr) return false;
    struct stat st {};
    return fstat(fileno(m_file), &st) == 0 && S_ISREG(st.st_mode);
}

std::int64_t CFile::Tell() const { return m_file == nullptr ? -1 : std::int64_t(ftello(m_file)); }

bool CFile::Seek(std::int64_t position) {
    return m_file != nullptr && position >= 0 && fseeko(m_file, off_t(position), SEEK_SET) == 0;
}

bool CFile::ReadRest(std::vector<std::uint8_t>& out, std::size_t maxBytes) {
    out.clear();
    if (m_file == nullptr) return false;
    const std::int64_t length = GetLength();
    const long position = std::ftell(m_file);
    if (length >= 0 && position >= 0) {
        const auto rest = std::uint64_t(length - position > 0 ? length - position : 0);
        if (rest > maxBytes) return false;
        out.resize(std::size_t(rest));
        out.resize(Read(out.data(), out.size()));
    } else {  // a pipe or another file without a length: read in chunks
        std::uint8_t chunk[65536];
        std::size_t n;
        while ((n = Read(chunk, sizeof chunk)) > 0) {
            if (out.size() + n > maxBytes) return false;
            out.insert(out.end(), chunk, chunk + n);
        }
    }
    return !std::ferror(m_file);
}

std::string CFile::GetFileName() const {
    const auto slash = m_path.find_last_of('/');
    return slash == std::string::npos ? m_path : m_path.substr(slash + 1);
}
