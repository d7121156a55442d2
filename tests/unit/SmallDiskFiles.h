// A tmpfs mounted for a full-disk test and unmounted after it; without root the tests say why they skip.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "TestImages.h"

namespace testing_support {

// Sets the process's umask for one scope.
struct UmaskFor {
    explicit UmaskFor(mode_t mask) : old(umask(mask)) {}
    ~UmaskFor() { umask(old); }
    mode_t old;
};

// The permission bits of a file (a test failure when it cannot be told).
inline unsigned ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

class SmallDisk {
public:
    explicit SmallDisk(const std::string& name, const char* size = "size=64k") {
        m_path = TempPath("disk-" + name + "-" + std::to_string(getpid()));
        std::filesystem::create_directories(m_path);
        if (geteuid() != 0) {
            m_why = "mounting a small tmpfs needs root";
        } else if (mount("tmpfs", m_path.c_str(), "tmpfs", 0, size) != 0) {
            m_why = std::string("cannot mount a small tmpfs: ") + std::strerror(errno);
        } else {
            m_mounted = true;
        }
    }
    ~SmallDisk() {
        if (m_mounted) umount2(m_path.c_str(), MNT_DETACH);
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Mounted() const { return m_mounted; }
    const std::string& Why() const { return m_why; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

    // Takes up what space is left with a filler file.
    void Fill() const {
        FILE* f = std::fopen((m_path + "/filler").c_str(), "wb");
        if (f == nullptr) return;
        std::vector<char> block(4096, 'x');
        while (std::fwrite(block.data(), 1, block.size(), f) == block.size() && std::fflush(f) == 0) {
        }
        std::fclose(f);
    }

    // The names in the folder, sorted: what a failed write must not leave behind.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(m_path)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string m_path;
    std::string m_why;
    bool m_mounted = false;
};

#define SKIP_WITHOUT_SMALL_DISK(disk) \
    if (!(disk).Mounted()) GTEST_SKIP() << (disk).Why()

}  // namespace testing_support
