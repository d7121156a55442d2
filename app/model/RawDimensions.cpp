#include "RawDimensions.h"

#include <cctype>
#include <utility>

namespace {

struct Proposal {
    std::uint64_t length;
    int width, height;
};
// The sizes the dialog proposes; 1024 x 1024 is not among them.
constexpr Proposal kProposals[] = {
    {1024, 32, 32}, {1248, 32, 39}, {4096, 64, 64}, {10304, 92, 112},
    {16384, 128, 128}, {65536, 256, 256}, {262144, 512, 512},
};

}  // namespace

CRawDimensions::CRawDimensions(std::uint64_t fileLength, std::string fileName)
    : m_fileLength(fileLength), m_fileName(std::move(fileName)) {
    for (const auto& p : kProposals)
        if (p.length == fileLength) {
            m_width = p.width;
            m_height = p.height;
        }
}

std::string CRawDimensions::Title() const { return "Seleccionar Dimensión de " + m_fileName; }

void CRawDimensions::SetWidthText(const std::string& text) { m_width = ParseNumber(text); }
void CRawDimensions::SetHeightText(const std::string& text) { m_height = ParseNumber(text); }

bool CRawDimensions::CanAccept() const {
    return m_width > 0 && m_height > 0 && std::uint64_t(Product()) == m_fileLength;
}

std::int64_t CRawDimensions::ParseNumber(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 0x7FFFFFFF) return 0;  // beyond an int: not a dimension
    }
    return negative ? -value : value;
}
