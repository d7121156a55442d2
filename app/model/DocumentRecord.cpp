#include "DocumentRecord.h"

#include <cctype>
#include <string_view>

void CDocumentRecord::Derive(const CDocumentRecord& parent, std::vector<std::string> steps) {
    m_source = parent.m_source;
    m_inherited = parent.Steps();
    m_inheritedComplete = parent.Reproducible();
    m_inherited.insert(m_inherited.end(), steps.begin(), steps.end());
    if (steps.empty()) m_inheritedComplete = false;
    m_entries.clear();
    m_position = 0;
}

void CDocumentRecord::Push(Entry entry) {
    m_entries.resize(m_position);
    m_entries.push_back(std::move(entry));
    ++m_position;
}

void CDocumentRecord::DropLast() {
    if (m_position == 0) return;
    m_entries.resize(--m_position);
}

void CDocumentRecord::Undo() {
    if (m_position > 0) --m_position;
}

void CDocumentRecord::Redo() {
    if (m_position < m_entries.size()) ++m_position;
}

std::vector<const CDocumentRecord::Entry*> CDocumentRecord::Applied() const {
    std::vector<const Entry*> applied;
    for (std::size_t i = 0; i < m_position; ++i) applied.push_back(&m_entries[i]);
    return applied;
}

const CDocumentRecord::Entry* CDocumentRecord::Next() const {
    return m_position < m_entries.size() ? &m_entries[m_position] : nullptr;
}

const CDocumentRecord::Entry* CDocumentRecord::Last() const { return m_position > 0 ? &m_entries[m_position - 1] : nullptr; }

bool CDocumentRecord::Reproducible() const {
    if (m_source.empty() || !m_inheritedComplete) return false;
    for (std::size_t i = 0; i < m_position; ++i)
        if (m_entries[i].steps.empty()) return false;
    return true;
}

std::vector<std::string> CDocumentRecord::Steps() const {
    std::vector<std::string> steps = m_inherited;
    for (std::size_t i = 0; i < m_position; ++i) steps.insert(steps.end(), m_entries[i].steps.begin(), m_entries[i].steps.end());
    return steps;
}

std::string CDocumentRecord::CommandLine(const std::string& output) const {
    std::string text;
    if (m_source.empty()) text += "# The image was made in the workbench: give its file in place of SOURCE.\n";
    else if (!m_inheritedComplete) text += "# Some earlier steps have no command line.\n";
    for (std::size_t i = 0; i < m_position; ++i)
        if (m_entries[i].steps.empty()) text += "# \"" + m_entries[i].label + "\" has no command line and is left out.\n";
    text += "velora apply " + ShellQuote(m_source.empty() ? "SOURCE" : m_source) + " " + ShellQuote(output);
    for (const std::string& step : Steps()) text += " " + ShellQuote(step);
    return text + "\n";
}

std::string ShellQuote(const std::string& word) {
    bool safe = !word.empty();
    for (const char c : word)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || std::string_view("_-+=:,./@%").find(c) != std::string_view::npos))
            safe = false;
    if (safe) return word;
    std::string quoted = "'";
    for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string SessionScript(const std::vector<RecordedDocument>& documents) {
    std::string script = "#!/bin/sh\n# Remakes the workbench's images with the velora command line.\nset -e\n";
    for (const RecordedDocument& document : documents) {
        std::string output = document.title;
        const auto dot = output.rfind('.');
        output = (dot == std::string::npos ? output : output.substr(0, dot)) + "-velora.bmp";
        script += "\n# " + document.title + "\n" + document.record->CommandLine(output);
    }
    return script;
}
