#include "DocumentRecord.h"

#include <cctype>
#include <string_view>

void CDocumentRecord::Derive(const CDocumentRecord& parent, std::vector<std::string> steps, std::optional<unsigned> seed) {
    m_source = parent.m_source;
    m_inherited = parent.m_inherited;
    for (const Entry* entry : parent.Applied()) m_inherited.push_back(*entry);
    m_inheritedComplete = parent.Reproducible();
    if (steps.empty()) m_inheritedComplete = false;
    m_inherited.push_back({"", std::move(steps), seed});
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

void CDocumentRecord::SeedLast(std::optional<unsigned> seed) {
    if (m_position > 0) m_entries[m_position - 1].seed = seed;
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
    std::vector<std::string> steps;
    for (const Entry& entry : m_inherited) steps.insert(steps.end(), entry.steps.begin(), entry.steps.end());
    for (std::size_t i = 0; i < m_position; ++i) steps.insert(steps.end(), m_entries[i].steps.begin(), m_entries[i].steps.end());
    return steps;
}

std::vector<std::vector<std::string>> CDocumentRecord::Commands(const std::string& output) const {
    // Segments of the steps: a random entry whose seed differs from its segment's starts a new one.
    struct Segment {
        std::optional<unsigned> seed;
        std::vector<std::string> steps;
    };
    std::vector<Segment> segments(1);
    const auto add = [&](const Entry& entry) {
        if (entry.seed && segments.back().seed && *segments.back().seed != *entry.seed) segments.push_back({});
        if (entry.seed) segments.back().seed = entry.seed;
        segments.back().steps.insert(segments.back().steps.end(), entry.steps.begin(), entry.steps.end());
    };
    for (const Entry& entry : m_inherited) add(entry);
    for (std::size_t i = 0; i < m_position; ++i) add(m_entries[i]);
    std::vector<std::vector<std::string>> commands;
    std::string input = m_source.empty() ? "SOURCE" : m_source;
    const std::string stem = output.substr(0, output.rfind('.'));
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const std::string target = i + 1 == segments.size() ? output : stem + "-" + std::to_string(i + 1) + ".bmp";
        std::vector<std::string> command = {"velora", "apply"};
        if (segments[i].seed) command.insert(command.end(), {"--seed", std::to_string(*segments[i].seed)});
        command.insert(command.end(), {input, target});
        command.insert(command.end(), segments[i].steps.begin(), segments[i].steps.end());
        commands.push_back(std::move(command));
        input = target;
    }
    return commands;
}

std::string CDocumentRecord::CommandLine(const std::string& output) const {
    std::string text;
    if (m_source.empty()) text += "# The image was made in the workbench: give its file in place of SOURCE.\n";
    else if (!m_inheritedComplete) text += "# Some earlier steps have no command line.\n";
    for (std::size_t i = 0; i < m_position; ++i)
        if (m_entries[i].steps.empty()) text += "# \"" + m_entries[i].label + "\" has no command line and is left out.\n";
    for (const auto& command : Commands(output)) {
        for (std::size_t i = 0; i < command.size(); ++i) text += (i ? " " : "") + ShellQuote(command[i]);
        text += "\n";
    }
    return text;
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
