// Message boxes of the workbench go through here, so that tests can read them instead of
// blocking on a modal box.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace velora::ui {

enum class MessageKind { Error, Warning, Information };

struct MessageSink {
    // Replaced by tests; by default shows a modal QMessageBox.
    static std::function<void(QWidget* parent, MessageKind, const QString& caption, const QString& text)> show;
    // Yes/No/Cancel question; returns QMessageBox::StandardButton. Replaced by tests.
    static std::function<int(QWidget* parent, const QString& caption, const QString& text, int buttons)> ask;
};

inline void ShowError(QWidget* parent, const QString& text, const QString& caption = "Mensaje de Error") {
    MessageSink::show(parent, MessageKind::Error, caption, text);
}

// An operation that ran out of memory, or ended otherwise than by its result: the images are
// as they were.
inline void ShowNotCompleted(QWidget* parent) {
    ShowError(parent, QString::fromUtf8("Error. No hay memoria suficiente para completar la operación.\n"
                                        "La imagen no ha cambiado."));
}

}  // namespace velora::ui
