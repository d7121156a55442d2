// Parameter files: the KEY=value text files that operation dialogs write and the batch
// generator reads back. Other installations exchange them, so their bytes are fixed:
// Windows-1252 text, lines separated by CR LF.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "Operation.h"

// UTF-8 to Windows-1252; a character the code page lacks becomes '?'.
std::string ToWindows1252(const std::string& utf8);

struct ParameterLine {
    std::string key;    // ends in "=" (UTF-8)
    std::string value;  // the edit box text as typed (UTF-8)
};

// The file's bytes: key + value per line, "\r\n" after every line, or only between lines
// when crlfAfterLast is false.
std::string ParameterFileContent(const std::vector<ParameterLine>& lines, bool crlfAfterLast = true);

// Writes the file through the safe writer: an old file at path stays whole unless the new
// one is complete. False when it could not be written.
bool WriteParameterFile(const std::string& path, const std::vector<ParameterLine>& lines, bool crlfAfterLast = true);

// What a dialog's "Guardar" button needs to know: declared with the operation.
using velora::catalog::ParameterFileKind;
