// The five yes/no switches of "configuracion.ini" in the start directory: read at start-up,
// rewritten at exit only when the settings dialog was accepted. The file's format is
// shared with other installations, so it is kept byte for byte: five lines "KEY=SI" or
// "KEY=NO" ending in CR LF, read by position rather than by key.
//
// Whatever lies at that name (a folder, a FIFO, a device, a link to an endless file, a
// damaged or empty file) start-up neither stops nor waits: the defaults are used, and the
// workbench says so once.
#pragma once

#include <cstdint>
#include <string>

struct ConfigSwitches {
    std::uint32_t menusXP = 0;        // ESMENUSXP
    std::uint32_t stepByStep = 0;     // PASOAPASO
    std::uint32_t notepad = 0;        // BLOCNOTAS: show loaded palette files in a text editor
    std::uint32_t loadModeless = 0;   // LOADNOMOD: open the tool windows with the first image
    std::uint32_t modelessOnTop = 0;  // TOPNOMODA
    friend bool operator==(const ConfigSwitches&, const ConfigSwitches&) = default;
};

class CConfiguration {
public:
    static constexpr const char* kFileName = "configuracion.ini";
    // Longer than this, the file is not ours: five lines take 70 bytes.
    static constexpr std::size_t kMaxFileBytes = 4096;

    enum class ReadState {
        Read,        // the switches come from the file
        Missing,     // no file: the defaults, and the file is created with them
        Unreadable,  // not a regular file, not readable, or no start directory: the defaults, nothing written
        Malformed,   // empty, truncated or over-long: the defaults, and the file is rewritten
    };

    // startDirectory: absolute; empty when it could not be told (then nothing is ever written).
    explicit CConfiguration(std::string startDirectory);

    // Reads the file; when it is missing or malformed, writes the defaults NO, NO, SI, SI, SI.
    void Read();
    ReadState State() const { return m_state; }
    // The status-bar text when the defaults stand in for a file that could not be used;
    // empty when the file was read or simply did not exist yet.
    std::string FallbackMessage() const;
    // Rewrites the file when the settings dialog was accepted; false when writing failed.
    bool WriteIfAccepted() const;

    // The file's bytes for a set of switches, and the switches that bytes give.
    static std::string Format(const ConfigSwitches& switches);
    static ConfigSwitches Parse(const std::string& bytes);
    static ConfigSwitches Defaults();
    // Whether bytes hold five whole records "KEY=XX" with CR LF between them.
    static bool IsWellFormed(const std::string& bytes);

    std::string FilePath() const;
    const std::string& StartDirectory() const { return m_startDirectory; }

    ConfigSwitches switches;
    bool writeOnExit = false;  // set when the settings dialog is accepted

private:
    // Through the safe writer, and only into a regular file or where none is.
    bool Write() const;

    std::string m_startDirectory;
    ReadState m_state = ReadState::Missing;
};
