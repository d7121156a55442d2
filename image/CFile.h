// A small binary file handle, the "open file" that the readers and writers of CVelora take.
// It knows the path it was opened with, so a reader can name the image after the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class CFile {
public:
    enum OpenMode { modeRead, modeCreate };

    CFile() = default;
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens the file (modeCreate truncates or creates it). False when it cannot be opened.
    bool Open(const std::string& path, OpenMode mode);
    void Close();
    bool IsOpen() const { return m_file != nullptr; }

    // Reads up to count bytes; returns how many were read.
    std::size_t Read(void* buffer, std::size_t count);
    // Writes count bytes; false when not all of them could be written.
    bool Write(const void* buffer, std::size_t count);
    // Flushes buffered data to the system; false on a write error.
    bool Flush();

    // Length of the file in bytes, or -1 when it cannot be told.
    std::int64_t GetLength() const;
    // Whether it is a regular file, whose length and positions mean something (not a pipe).
    bool IsRegularFile() const;
    // The position from the start, or -1; moving to a position, false when it cannot.
    std::int64_t Tell() const;
    bool Seek(std::int64_t position);
    // Reads from the current position to the end of the file. False on a read error
    // or when the rest would be larger than maxBytes.
    bool ReadRest(std::vector<std::uint8_t>& out, std::size_t maxBytes);

    const std::string& GetFilePath() const { return m_path; }
    // The file's name without its directory.
    std::string GetFileName() const;

private:
    std::FILE* m_file = nullptr;
    std::string m_path;
};
