#include "UndoHistory.h"

#include <utility>

bool CUndoHistory::PushUndo(const CVelora& current, const std::string& description) {
    auto copy = std::make_unique<CVelora>(current);
    if (current.HasImage() && !copy->HasImage()) return false;
    if (m_position == kCapacity) {
        for (int i = 0; i + 1 < kCapacity; ++i) {
            m_slots[std::size_t(i)] = std::move(m_slots[std::size_t(i) + 1]);
            m_descriptions[std::size_t(i)] = std::move(m_descriptions[std::size_t(i) + 1]);
        }
        m_slots[kCapacity - 1].reset();
        m_descriptions[kCapacity - 1].clear();
        m_position = kCapacity - 1;
    }
    for (int i = m_position; i < kCapacity; ++i) {
        m_slots[std::size_t(i)].reset();
        m_descriptions[std::size_t(i)].clear();
    }
    m_slots[std::size_t(m_position)] = std::move(copy);
    m_descriptions[std::size_t(m_position)] = description;
    ++m_position;
    return true;
}

void CUndoHistory::DiscardLast() {
    if (m_position == 0) return;
    --m_position;
    m_slots[std::size_t(m_position)].reset();
    m_descriptions[std::size_t(m_position)].clear();
}

void CUndoHistory::RestoreLast(std::unique_ptr<CVelora>& image) {
    if (m_position == 0) return;
    --m_position;
    image = std::move(m_slots[std::size_t(m_position)]);
    m_descriptions[std::size_t(m_position)].clear();
}

bool CUndoHistory::Undo(std::unique_ptr<CVelora>& image) {
    if (!CanUndo()) return false;
    --m_position;
    std::swap(image, m_slots[std::size_t(m_position)]);
    return true;
}

bool CUndoHistory::Redo(std::unique_ptr<CVelora>& image) {
    if (!CanRedo()) return false;
    std::swap(image, m_slots[std::size_t(m_position)]);
    ++m_position;
    return true;
}

std::string CUndoHistory::UndoText() const {
    if (m_position == 0) return "Deshacer   \tCtrl+Z";
    return "Deshacer (" + std::to_string(m_position) + ") " + m_descriptions[std::size_t(m_position) - 1] + " \tCtrl+Z";
}

std::string CUndoHistory::RedoText() const {
    if (m_position == kCapacity) return "Rehacer   \tCtrl+Y";
    return "Rehacer " + m_descriptions[std::size_t(m_position)] + " \tCtrl+Y";
}
