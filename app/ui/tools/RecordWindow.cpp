#include "RecordWindow.h"

#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "Document.h"
#include "LastFolder.h"
#include "Messages.h"
#include "SafeFile.h"
#include "Workbench.h"

namespace {

QString Joined(const std::vector<std::string>& steps) {
    QStringList words;
    for (const std::string& step : steps) words << QString::fromStdString(step);
    return words.isEmpty() ? QString("(sin orden de velora)") : words.join(' ');
}

// The open documents, the active one first.
std::vector<std::shared_ptr<CUtilidadDoc>> ActiveFirst(CWorkbench& bench) {
    auto documents = bench.OpenDocuments();
    const auto active = std::find_if(documents.begin(), documents.end(),
                                     [&](const auto& d) { return d.get() == bench.ActiveDocument(); });
    if (active != documents.end()) std::rotate(documents.begin(), active, active + 1);
    return documents;
}

}  // namespace

std::function<QString(QWidget*)> CRegistroDlg::askScriptPath = [](QWidget* parent) {
    QFileDialog dialog(parent, "Guardar como guion", velora::ui::LastFolder(velora::ui::kParameterFolderKey),
                       "Guiones de órdenes (*.sh)");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("sh");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().first();
};

CRegistroDlg::CRegistroDlg(CWorkbench& bench) : CToolWindow(bench) {
    setWindowTitle("Registro");
    auto* layout = new QVBoxLayout(this);
    steps = new QTreeWidget(this);
    steps->setColumnCount(2);
    steps->setHeaderLabels({"Paso", "Orden de velora"});
    steps->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    layout->addWidget(steps, 1);
    commandLine = new QPlainTextEdit(this);
    commandLine->setReadOnly(true);
    commandLine->setMaximumHeight(90);
    layout->addWidget(commandLine);
    auto* buttons = new QHBoxLayout;
    copyButton = new QPushButton("Copiar", this);
    saveButton = new QPushButton("Guardar como guion…", this);
    buttons->addWidget(copyButton);
    buttons->addWidget(saveButton);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(copyButton, &QPushButton::clicked, this, [this] { QGuiApplication::clipboard()->setText(Script()); });
    connect(saveButton, &QPushButton::clicked, this, &CRegistroDlg::SaveScript);
}

void CRegistroDlg::Refresh() {
    steps->clear();
    for (const auto& document : ActiveFirst(m_bench)) {
        auto* top = new QTreeWidgetItem(steps, {QString::fromStdString(document->Title())});
        const CDocumentRecord& record = document->Record();
        top->setText(1, QString::fromStdString(record.Source().empty() ? std::string("(imagen nueva)") : record.Source()));
        for (const CDocumentRecord::Entry* entry : record.Applied())
            new QTreeWidgetItem(top, {QString::fromStdString(entry->label), Joined(entry->steps)});
        top->setExpanded(document.get() == m_bench.ActiveDocument());
    }
    const CUtilidadDoc* active = m_bench.ActiveDocument();
    commandLine->setPlainText(active ? QString::fromStdString(active->Record().CommandLine("resultado.bmp")) : QString());
}

QString CRegistroDlg::Script() const {
    std::vector<RecordedDocument> documents;
    const auto open = ActiveFirst(m_bench);
    for (const auto& document : open) documents.push_back({document->Title(), &document->Record()});
    return QString::fromStdString(SessionScript(documents));
}

void CRegistroDlg::SaveScript() {
    const QString path = askScriptPath(this);
    if (path.isEmpty()) return;
    velora::ui::RememberFolderOf(velora::ui::kParameterFolderKey, path);
    const QByteArray bytes = Script().toUtf8();
    if (!velora::WriteFileSafely(QFile::encodeName(path).toStdString(), bytes.constData(), std::size_t(bytes.size())).Ok())
        velora::ui::ShowError(this, "Error al crear el archivo\n" + path, "Guardar como guion");
}
