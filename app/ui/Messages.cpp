#include "Messages.h"

#include <QMessageBox>

namespace velora::ui {

std::function<void(QWidget*, MessageKind, const QString&, const QString&)> MessageSink::show =
    [](QWidget* parent, MessageKind kind, const QString& caption, const QString& text) {
        switch (kind) {
            case MessageKind::Error: QMessageBox::critical(parent, caption, text); break;
            case MessageKind::Warning: QMessageBox::warning(parent, caption, text); break;
            case MessageKind::Information: QMessageBox::information(parent, caption, text); break;
        }
    };

std::function<int(QWidget*, const QString&, const QString&, int)> MessageSink::ask =
    [](QWidget* parent, const QString& caption, const QString& text, int buttons) {
        return int(QMessageBox::question(parent, caption, text, QMessageBox::StandardButtons(buttons)));
    };

}  // namespace velora::ui
