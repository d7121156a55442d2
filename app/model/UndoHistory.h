// The document's undo and redo history: up to 8 whole-image snapshots, the oldest dropped
// first. Slots below the position can be undone; the slots from the position on hold the
// states that redo brings back.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "CVelora.h"

class CUndoHistory {
public:
    static constexpr int kCapacity = 8;

    // Records a copy of the image as it is before the step named description; discards
    // whatever could have been redone. False, with the history as it was, when there is no
    // memory for the copy: an empty snapshot would make undo lose the image.
    bool PushUndo(const CVelora& current, const std::string& description);
    // Exchanges image with the snapshot below the position (undo) or at it (redo).
    bool Undo(std::unique_ptr<CVelora>& image);
    // Forgets the last recorded step, for an operation that refused and changed nothing.
    void DiscardLast();
    // Puts the last recorded snapshot back as the image and forgets it, for an operation that
    // failed halfway.
    void RestoreLast(std::unique_ptr<CVelora>& image);
    bool Redo(std::unique_ptr<CVelora>& image);

    bool CanUndo() const { return m_position > 0; }
    bool CanRedo() const { return m_position < kCapacity && m_slots[std::size_t(m_position)] != nullptr; }
    int Position() const { return m_position; }
    const std::string& Description(int slot) const { return m_descriptions[std::size_t(slot)]; }

    // Menu texts with their accelerators after a tab.
    std::string UndoText() const;
    std::string RedoText() const;

private:
    std::array<std::unique_ptr<CVelora>, kCapacity> m_slots;
    std::array<std::string, kCapacity> m_descriptions;
    int m_position = 0;
};
