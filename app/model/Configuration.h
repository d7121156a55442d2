// The five yes/no switches of "configuracion.ini" in the start directory: read at start-up,
// rewritten at exit only when the settings dialog was accepted. The file's format is
// shared with other installations, so it is kept byte for byte: five lines "KEY=SI" or
// "KEY=NO" ending in CR LF, read by position rather than by key.
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

    explicit CConfiguration(std::string startDirectory);

    // Reads the file; when it does not exist, creates it with the defaults NO, NO, SI, SI, SI.
    void Read();
    // Rewrites the file when the settings dialog was accepted; false when writing failed.
    bool WriteIfAccepted() const;

    // The file's bytes for a set of switches, and the switches that bytes give.
    static std::string Format(const ConfigSwitches& switches);
    static ConfigSwitches Parse(const std::string& bytes);
    static ConfigSwitches Defaults();

    std::string FilePath() const;
    const std::string& StartDirectory() const { return m_startDirectory; }

    ConfigSwitches switches;
    bool writeOnExit = false;  // set when the settings dialog is accepted

private:
    std::string m_startDirectory;
};
