#include "Configuration.h"

#include <fstream>
#include <iterator>
#include <utility>

namespace {

const char* const kKeys[5] = {"ESMENUSXP", "PASOAPASO", "BLOCNOTAS", "LOADNOMOD", "TOPNOMODA"};

std::uint32_t* SwitchAt(ConfigSwitches& s, int i) {
    std::uint32_t* fields[5] = {&s.menusXP, &s.stepByStep, &s.notepad, &s.loadModeless, &s.modelessOnTop};
    return fields[i];
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
        const std::size_t start = std::size_t(i) * 14;
        if (start + 12 > bytes.size()) break;
        *SwitchAt(s, i) = bytes.compare(start + 10, 2, "SI") == 0 ? 1 : 0;
    }
    return s;
}

void CConfiguration::Read() {
    std::ifstream in(FilePath(), std::ios::binary);
    if (in) {
        switches = Parse(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
        return;
    }
    switches = Defaults();
    std::ofstream out(FilePath(), std::ios::binary);
    out << Format(switches);
}

bool CConfiguration::WriteIfAccepted() const {
    if (!writeOnExit) return true;
    std::ofstream out(FilePath(), std::ios::binary | std::ios::trunc);
    out << Format(switches);
    out.flush();
    return bool(out);
}
