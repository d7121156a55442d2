#include "RawDimensionDlg.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

std::function<std::optional<CVelora::RawSize>(std::uint64_t, const std::string&)> CRawDimensionDlg::testAnswer;

CRawDimensionDlg::CRawDimensionDlg(std::uint64_t fileLength, const std::string& fileName, QWidget* parent)
    : QDialog(parent), m_model(fileLength, fileName) {
    setWindowTitle(QString::fromStdString(m_model.Title()));
    auto* form = new QFormLayout;
    m_width = new QLineEdit(QString::number(m_model.Width()));
    m_height = new QLineEdit(QString::number(m_model.Height()));
    m_product = new QLabel;
    form->addRow("Columnas:", m_width);
    form->addRow("Filas:", m_height);
    form->addRow("Tamaño real del archivo:", new QLabel(QString("%1 bytes").arg(fileLength)));
    form->addRow("Según las dimensiones:", m_product);
    m_accept = new QPushButton("Aceptar");
    auto* cancel = new QPushButton("Cancelar");
    m_accept->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_accept);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    connect(m_width, &QLineEdit::textChanged, this, &CRawDimensionDlg::Update);
    connect(m_height, &QLineEdit::textChanged, this, &CRawDimensionDlg::Update);
    connect(m_accept, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &CRawDimensionDlg::reject);
    Update();
}

void CRawDimensionDlg::reject() { done(CRawDimensions::kCancelCode); }

void CRawDimensionDlg::Update() {
    m_model.SetWidthText(m_width->text().toStdString());
    m_model.SetHeightText(m_height->text().toStdString());
    m_product->setText(QString("%1 bytes").arg(m_model.Product()));
    m_accept->setEnabled(m_model.CanAccept());
}

std::optional<CVelora::RawSize> CRawDimensionDlg::Ask(std::uint64_t fileLength, const std::string& fileName,
                                                      QWidget* parent) {
    if (testAnswer) return testAnswer(fileLength, fileName);
    CRawDimensionDlg dialog(fileLength, fileName, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const auto& m = dialog.Model();
    return CVelora::RawSize{std::int32_t(std::clamp<std::int64_t>(m.Width(), 0, INT32_MAX)),
                            std::int32_t(std::clamp<std::int64_t>(m.Height(), 0, INT32_MAX))};
}
