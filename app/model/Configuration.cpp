#include "Configuration.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "SafeFile.h"

namespace {

const char* const kKeys[5] = {"ESMENUSXP", "PASOAPASO", "BLOCNOTAS", "LOADNOMOD", "TOPNOMODA"};
constexpr std::size_t kRecord = 12, kLine = 14;

std::uint32_t* SwitchAt(ConfigSwitches& s, int i) {
    std::uint32_t* fields[5] = {&s.menusXP, &s.stepByStep, &s.notepad, &s.loadModeless, &s.modelessOnTop};
    return fields[i];
}

enum class Reading { Done, Missing, Unreadable, TooLong };

// At most limit + 1 bytes of a regular file. Opened without blocking, so that a FIFO in
// its place cannot hold start-up, and judged by its type before a byte is read, so that a
// device cannot feed it without end.
Reading ReadSmallFile(const std::string& path, std::size_t limit, std::string& out) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? Reading::Missing : Reading::Unreadable;
    struct stat st {};
    Reading result = Reading::Done;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        result = Reading::Unreadable;
    } else {
        char buffer[512];
        while (result == Reading::Done) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) result = Reading::Unreadable;
            else if (n == 0) break;
            else if (out.size() + std::size_t(n) > limit) result = Reading::TooLong;
            else out.append(buffer, std::size_t(n));
        }
    }
    close(fd);
    return result;
}

}  // namespace

CConfiguration::CConfiguration(std::string startDirectory) : m_startDirectory(std::move(startDirectory)) {}

std::string CConfiguration::FilePath() const { return m_startDirectory + "/" + kFileName; }

ConfigSwitches CConfiguration::Defaults() {
    ConfigSwitches s;
    s.notepad = s.loadModeless = s.modelessOnTop = 1;
    return s;
}

std::string CConfiguration::Format(const ConfigSwitches& switches) {
    ConfigSwitches copy = switches;
    std::string text;
    for (int i = 0; i < 5; ++i) text += std::string(kKeys[i]) + "=" + (*SwitchAt(copy, i) ? "SI" : "NO") + "\r\n";
    return text;
}

ConfigSwitches CConfiguration::Parse(const std::string& bytes) {
    // Records of 12 characters and a 2-byte line end; only the last two characters of a
    // record count, so lines are assigned by position and anything but "SI" is NO.
    ConfigSwitches s;
    for (int i = 0; i < 5; ++i) {
        const std::size_t start = std::size_t(i) * kLine;
        if (start + kRecord > bytes.size()) break;
        *SwitchAt(s, i) = bytes.compare(start + 10, 2, "SI") == 0 ? 1 : 0;
    }
    return s;
}

bool CConfiguration::IsWellFormed(const std::string& bytes) {
    // Keys are taken by position, so their names are not checked; their shape is.
    for (std::size_t i = 0; i < 5; ++i) {
        const std::size_t start = i * kLine;
        if (start + kRecord > bytes.size() || bytes[start + 9] != '=') return false;
        if (i < 4 && bytes.compare(start + kRecord, 2, "\r\n") != 0) return false;
    }
    return true;
}

void CConfiguration::Read() {
    switches = Defaults();
    // Without a start directory (it was deleted before start-up) there is no file of ours:
    // a relative path would put it somewhere else.
    if (m_startDirectory.empty() || m_startDirectory.front() != '/') {
        m_state = ReadState::Unreadable;
        return;
    }
    std::string bytes;
    switch (ReadSmallFile(FilePath(), kMaxFileBytes, bytes)) {
        case Reading::Missing: {
            // A start directory deleted since start-up cannot take the file either.
            struct stat st {};
            if (stat(m_startDirectory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
                m_state = ReadState::Unreadable;
                return;
            }
            m_state = ReadState::Missing;
            break;
        }
        case Reading::Unreadable: m_state = ReadState::Unreadable; return;
        case Reading::TooLong: m_state = ReadState::Malformed; break;
        case Reading::Done:
            if (IsWellFormed(bytes)) {
                switches = Parse(bytes);
                m_state = ReadState::Read;
                return;
            }
            m_state = ReadState::Malformed;
            break;
    }
    Write();
}

std::string CConfiguration::FallbackMessage() const {
    if (m_state != ReadState::Unreadable && m_state != ReadState::Malformed) return {};
    return std::string("No se ha podido leer ") + kFileName + ": se usan los valores por defecto";
}

bool CConfiguration::Write() const {
    if (m_startDirectory.empty() || m_startDirectory.front() != '/') return false;
    // A FIFO or a device at the name would be written into, not replaced: leave it be.
    struct stat st {};
    if (stat(FilePath().c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return false;
    return velora::WriteFileSafely(FilePath(), Format(switches)).Ok();
}

bool CConfiguration::WriteIfAccepted() const {
    if (!writeOnExit) return true;
    return Write();
}
