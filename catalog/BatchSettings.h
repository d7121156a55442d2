// The three parameter files the stimulus batch reads: the translation's and the gray bands'
// (written by their dialogs) and the scotoma's (written here). The readers are strict: a file
// that is not exactly what a dialog writes is refused with the line and the reason, so that a
// batch never runs on half-read settings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ParameterFile.h"

namespace velora::catalog {

struct TranslationSettings {
    int mode = 1;  // 0 a new size, 1 the original size
    std::uint32_t background = 0;  // colour reference
    float alpha = 0, beta = 0;     // degrees
};

struct ScotomaSettings {
    unsigned type = 0;      // 0 horizontal, 1 vertical
    unsigned mode = 0;      // 0 with loss of visual field, 1 without
    unsigned monitor = 0;   // 0 main, 1 second
    float alphaLeft = 0, alphaRight = 0, betaLower = 0, betaUpper = 0;  // degrees
    unsigned a = 0, b = 0, centreColumn = 0;  // pixels
    unsigned c = 0, e = 0, centreRow = 0;
};

// Why a file was refused: its line (1 on; 0 the file as a whole) and the reason in English.
struct FileProblem {
    int line = 0;
    std::string reason;
};

// What the dialogs show for a parameter file they cannot read: the message, with the caption of
// each kind.
inline constexpr std::string_view kReadErrorMessage = "Error al abrir el archivo para lectura";
inline constexpr std::string_view kTranslationReadCaption = "Leyendo contenido Archivo Configuración Translation";
inline constexpr std::string_view kScotomaReadCaption = "Leyendo contenido Archivo Configuración Scotoma";
inline constexpr std::string_view kBandsReadCaption = "Leyendo contenido Archivo Configuración Bandas de Niveles de Griss";

// The scotoma file's thirteen lines; its extension and the caption of "Guardar"'s message.
std::vector<ParameterLine> ScotomaFileLines(const ScotomaSettings& s);
inline constexpr ParameterFileKind kScotomaFile{"CfgScotoma", "Salvando Parámetros de Scotoma", true};

// The file's bytes (Windows-1252 text) into settings; nothing is set on a refusal.
std::optional<FileProblem> ParseTranslationFile(std::string_view bytes, TranslationSettings& out);
std::optional<FileProblem> ParseScotomaFile(std::string_view bytes, ScotomaSettings& out);
std::optional<FileProblem> ParseBandsFile(std::string_view bytes, int& bands);

// The same from a file; line 0 when it cannot be read.
std::optional<FileProblem> ReadTranslationFile(const std::string& path, TranslationSettings& out);
std::optional<FileProblem> ReadScotomaFile(const std::string& path, ScotomaSettings& out);
std::optional<FileProblem> ReadBandsFile(const std::string& path, int& bands);

}  // namespace velora::catalog
