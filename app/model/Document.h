// The workbench's document without its windows: one image, its undo history, the result
// of the last load, and opening and saving by file extension with timing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "CVelora.h"
#include "DocumentRecord.h"
#include "Stopwatch.h"
#include "UndoHistory.h"

// The message the view shows for a load result (0 has none). Names the file.
std::optional<std::string> LoadErrorMessage(unsigned code, const std::string& fileName);

class CUtilidadDoc {
public:
    // Receives the timing texts (status pane 5).
    using TimingSink = std::function<void(const std::string&)>;
    // Asks the RAW dimensions for a file of this length; nullopt when the user cancels.
    using RawDimensionsAsker =
        std::function<std::optional<CVelora::RawSize>(std::uint64_t length, const std::string& fileName)>;

    enum class OpenOutcome { Read, Failed, Cancelled };
    struct SaveOutcome {
        bool saved = false;
        bool needsSaveAs = false;  // the name names no format we write and no filter was chosen
        std::string error;         // Spanish message when saving failed
    };

    // Save-as filters, 1-based as the dialog reports them.
    static constexpr int kFilterBmp = 1, kFilterRaw = 2;

    CUtilidadDoc();

    // A new document: a copy of the active image, or the default image when there is none.
    void OnNewDocument(const CVelora* activeImage);
    // Reads a file by its extension into the image; the result code waits in LoadResult().
    OpenOutcome Open(const std::string& path, const RawDimensionsAsker& askDimensions);
    // Writes to the document's path by its extension, or by the last save-as filter.
    SaveOutcome Save();
    // Writes to a new path with the chosen filter; the document then has that path.
    SaveOutcome SaveAs(const std::string& path, int filter);

    // An undo step, with the command-line steps that do what follows it (none: the command
    // line cannot).
    // False when there is no memory for the undo copy; nothing is recorded then.
    // False without memory for the copy: then nothing is recorded and the caller must leave
    // the image as it is (ShowNotCompleted says so).
    [[nodiscard]] bool PushUndo(const std::string& description, std::vector<std::string> steps = {}) {
        if (!m_history.PushUndo(*m_image, description)) return false;
        m_record.Push({description, std::move(steps)});
        return true;
    }
    // The image's name is the document's: a step taken before a "Guardar como" comes back
    // under the name saved since.
    bool Undo();
    void DiscardLastUndo() {
        m_history.DiscardLast();
        m_record.DropLast();
    }
    bool Redo();
    const CUndoHistory& History() const { return m_history; }
    const CDocumentRecord& Record() const { return m_record; }
    CDocumentRecord& Record() { return m_record; }

    // An operation on the image as one undoable, timed step: the undo step is taken, the
    // stopwatch runs around op, and on success the timing text is reported and the document
    // is modified. An operation that refuses (non-zero code) is assumed to have left the
    // image as it was, so its undo step is dropped and nothing is reported. Without memory
    // for the undo copy, or when op ends in an exception (the image is then restored from
    // that copy), the result is kNotEnoughMemory.
    static constexpr unsigned kNotEnoughMemory = 0xFFFFFFFFu;
    unsigned RunOperation(const std::string& undoLabel, const std::string& timingLabel,
                          const std::function<unsigned(CVelora&)>& op, std::vector<std::string> steps = {});

    // The stopwatch: stop = false starts it; stop = true stops it and reports the text.
    void TimeOperation(bool stop, const std::string& label);
    void SetTimingSink(TimingSink sink) { m_timingSink = std::move(sink); }
    float Elapsed() const { return m_stopwatch.Elapsed(); }

    CVelora& Image() { return *m_image; }
    const CVelora& Image() const { return *m_image; }

    unsigned LoadResult() const { return m_loadResult; }
    // The view takes the result once to show its message.
    unsigned TakeLoadResult() { return std::exchange(m_loadResult, 0u); }

    const std::string& PathName() const { return m_pathName; }
    const std::string& Title() const { return m_title; }
    void SetTitle(const std::string& title) { m_title = title; }
    bool IsModified() const { return m_modified; }
    void SetModified(bool modified = true) { m_modified = modified; }
    bool frameSized = false;

private:
    unsigned Write(const std::string& path, ImageFileKind kind, std::string& error);
    bool Step(bool forward);  // undo or redo, the name and the record following

    std::unique_ptr<CVelora> m_image;
    CUndoHistory m_history;
    CDocumentRecord m_record;
    CStopwatch m_stopwatch;
    TimingSink m_timingSink;
    unsigned m_loadResult = 0;
    int m_saveFilter = 0;
    bool m_modified = false;
    std::string m_pathName;
    std::string m_title;
};
