// What the RAW dimensions dialog decides, without its widgets: the size it proposes for a
// file length, the product it shows, and when "Aceptar" may be pressed.
#pragma once

#include <cstdint>
#include <string>

class CRawDimensions {
public:
    // The dialog's result when "Cancelar" is pressed; only this result skips the load.
    static constexpr int kCancelCode = 10;
    static constexpr const char* kCaption = "Seleccionar Dimensión de la Imagen RAW";

    CRawDimensions(std::uint64_t fileLength, std::string fileName);

    // Window title: "Seleccionar Dimensión de " and the file name.
    std::string Title() const;
    std::uint64_t FileLength() const { return m_fileLength; }

    std::int64_t Width() const { return m_width; }
    std::int64_t Height() const { return m_height; }
    // An edit changed: its text is read as a number (as atoi reads it).
    void SetWidthText(const std::string& text);
    void SetHeightText(const std::string& text);
    // Width x height as the dialog shows it under "Según las dimensiones:".
    std::int64_t Product() const { return m_width * m_height; }
    // "Aceptar" is enabled exactly when the dimensions account for the whole file.
    bool CanAccept() const;

    // Reads a leading decimal integer as atoi does; 0 when there is none.
    static std::int64_t ParseNumber(const std::string& text);

private:
    std::uint64_t m_fileLength;
    std::string m_fileName;
    std::int64_t m_width = 0;
    std::int64_t m_height = 0;
};
