// What the workbench did to a document, written as the `velora` command line that does it
// again: the file the document came from and the steps applied since, in the order of the
// undo history (an undone step is left out; a new step after an undo drops what could have
// been redone). Students see each undo step's command in its tooltip and can copy or save a
// whole session as a shell script.
#pragma once

#include <optional>
#include <string>
#include <vector>

class CDocumentRecord {
public:
    struct Entry {
        std::string label;               // the undo label: "Modificar Brillo"
        std::vector<std::string> steps;  // "Brightness:35"; none: the command line cannot do it
        std::optional<unsigned> seed{};  // the seed its random draws came from (--seed)
    };

    // Where the steps start: a file, or (empty) an image made in the workbench.
    void SetSource(std::string path) { m_source = std::move(path); }
    const std::string& Source() const { return m_source; }
    // A document made from another one's result: its source and applied steps come first.
    void Derive(const CDocumentRecord& parent, std::vector<std::string> steps, std::optional<unsigned> seed = {});

    void Push(Entry entry);
    void DropLast();  // the step pushed last was refused
    void SeedLast(std::optional<unsigned> seed);
    void Undo();
    void Redo();

    // The entries applied now, oldest first, and the one a redo would bring back (null).
    std::vector<const Entry*> Applied() const;
    const Entry* Next() const;
    const Entry* Last() const;

    // Every applied step, inherited ones first; false when an applied entry has none.
    bool Reproducible() const;
    std::vector<std::string> Steps() const;
    // "velora apply [--seed N] SOURCE OUTPUT step...", shell-quoted, with comments for what
    // it cannot do. Random steps drawn from different seeds go in separate commands, chained
    // through intermediate files beside the output.
    std::string CommandLine(const std::string& output) const;
    // The same as argument lists: one per command, its last argument's file the output.
    std::vector<std::vector<std::string>> Commands(const std::string& output) const;

private:
    std::string m_source;
    std::vector<Entry> m_inherited;  // the parent's applied entries, and the step that made this one
    bool m_inheritedComplete = true;
    std::vector<Entry> m_entries;
    std::size_t m_position = 0;
};

// A word as a POSIX shell reads it back: quoted when it holds anything but safe characters.
std::string ShellQuote(const std::string& word);

// A shell script that remakes each document: one `velora apply` per document, the output
// named after the document's title.
struct RecordedDocument {
    std::string title;
    const CDocumentRecord* record;
};
std::string SessionScript(const std::vector<RecordedDocument>& documents);
