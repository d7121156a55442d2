#include "Document.h"

#include <algorithm>

namespace {

std::string BaseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::optional<std::string> LoadErrorMessage(unsigned code, const std::string& fileName) {
    std::string text;
    switch (code) {
        case kLoadOk: return std::nullopt;
        case kLoadCannotOpen: text = "Error. No se puede abrir el archivo o su tipo no es BMP, RAW ni PGM"; break;
        case kLoadInvalid: text = "Error. Se intenta cargar un archivo BMP ó PGM no válido"; break;
        case kLoadBadDepth:
            text = "Error. El archivo BMP que intenta abrir tiene una profundidad de color no soportada.\n"
                   "CVelora carga imágenes de 1, 4, 8, 16, 24 y 32 bits por píxel";
            break;
        case kLoadCompressed:
            text = "Error. El archivo BMP que intenta abrir utiliza compresión.\n"
                   "CVelora no soporta la carga de archivos BMP comprimidos";
            break;
        case kLoadTooLarge:
            text = "Error. La imagen es demasiado grande (más de 1 GiB de píxeles) o no hay memoria suficiente para cargarla";
            break;
        default: text = "Error. No se ha podido cargar la imagen (código " + std::to_string(code) + ")"; break;
    }
    return text + "\n\nArchivo: " + fileName;
}

CUtilidadDoc::CUtilidadDoc() : m_image(std::make_unique<CVelora>()) {}

void CUtilidadDoc::OnNewDocument(const CVelora* activeImage) {
    if (activeImage != nullptr) *m_image = *activeImage;
}

void CUtilidadDoc::TimeOperation(bool stop, const std::string& label) {
    if (!stop) {
        m_stopwatch.Start();
        return;
    }
    const float seconds = m_stopwatch.Stop();
    if (m_timingSink) m_timingSink(CStopwatch::TimingText(label, seconds));
}

bool CUtilidadDoc::Undo() { return Step(false); }

bool CUtilidadDoc::Redo() { return Step(true); }

bool CUtilidadDoc::Step(bool forward) {
    std::string name = m_image->GetName();
    const bool done = forward ? m_history.Redo(m_image) : m_history.Undo(m_image);
    m_image->SetName(std::move(name));
    if (done) forward ? m_record.Redo() : m_record.Undo();
    return done;
}

unsigned CUtilidadDoc::RunOperation(const std::string& undoLabel, const std::string& timingLabel,
                                    const std::function<unsigned(CVelora&)>& op, std::vector<std::string> steps) {
    try {
        if (!PushUndo(undoLabel, std::move(steps))) return kNotEnoughMemory;
    } catch (const std::exception&) {
        return kNotEnoughMemory;
    }
    TimeOperation(false, "");
    unsigned code;
    try {
        code = op(*m_image);
    } catch (const std::exception&) {
        // The undo copy is the image as it was; the half-done one is dropped.
        std::string name = m_image->GetName();
        m_history.RestoreLast(m_image);
        m_image->SetName(std::move(name));
        m_record.DropLast();
        return kNotEnoughMemory;
    }
    if (code != 0) {
        DiscardLastUndo();
        return code;
    }
    TimeOperation(true, timingLabel);
    SetModified();
    return 0;
}

CUtilidadDoc::OpenOutcome CUtilidadDoc::Open(const std::string& path, const RawDimensionsAsker& askDimensions) {
    m_pathName = path;
    m_title = BaseName(path);
    unsigned code = kLoadCannotOpen;
    switch (KindOfFileName(path)) {
        case ImageFileKind::Bmp:
            TimeOperation(false, "");
            code = m_image->LoadBMP(path);
            if (code == 0) TimeOperation(true, "Cargar Imagen BMP");
            break;
        case ImageFileKind::Raw: {
            CFile file;
            if (!file.Open(path, CFile::modeRead)) break;
            const auto length = std::uint64_t(std::max<std::int64_t>(file.GetLength(), 0));
            const auto size = askDimensions ? askDimensions(length, BaseName(path)) : CVelora::RawSizeForLength(length);
            if (!size) return OpenOutcome::Cancelled;
            TimeOperation(false, "");
            code = m_image->LoadRAW(file, size->width, size->height);
            TimeOperation(true, "Cargar Imagen RAW");
            break;
        }
        case ImageFileKind::Pgm:
            TimeOperation(false, "");
            code = m_image->LoadPGM(path);
            TimeOperation(true, "Cargar Imagen PGM");
            break;
        case ImageFileKind::Other: break;
    }
    m_loadResult = code;
    m_modified = false;
    if (code == 0) m_record.SetSource(path);
    return code == 0 ? OpenOutcome::Read : OpenOutcome::Failed;
}

unsigned CUtilidadDoc::Write(const std::string& path, ImageFileKind kind, std::string& error) {
    // The writers go through a temporary beside the target, renamed over it once complete:
    // a failed save leaves the old file whole, with its mode.
    TimeOperation(false, "");
    const unsigned code = kind == ImageFileKind::Bmp ? m_image->SaveBMP(path) : m_image->SaveRAW(path);
    if (code == 0) {
        TimeOperation(true, kind == ImageFileKind::Bmp ? "Guardar Imagen BMP" : "Guardar Imagen RAW");
        return 0;
    }
    static const char* const kWhy[] = {"", "no se puede crear el archivo", "la escritura del archivo ha fallado",
                                       "la imagen no se puede guardar en ese formato"};
    error = "Error. No se ha podido guardar la imagen en el archivo " + path + ":\n" + (code < 4 ? kWhy[code] : "");
    return code;
}

CUtilidadDoc::SaveOutcome CUtilidadDoc::Save() {
    SaveOutcome outcome;
    ImageFileKind kind = KindOfFileName(m_pathName);
    if (kind != ImageFileKind::Bmp && kind != ImageFileKind::Raw) {
        if (m_saveFilter == kFilterBmp) kind = ImageFileKind::Bmp;
        else if (m_saveFilter == kFilterRaw) kind = ImageFileKind::Raw;
    }
    // A name without a format we write (a PGM, a pasted image) asks for a new name instead.
    if (m_pathName.empty() || (kind != ImageFileKind::Bmp && kind != ImageFileKind::Raw)) {
        outcome.needsSaveAs = true;
        return outcome;
    }
    outcome.saved = Write(m_pathName, kind, outcome.error) == 0;
    if (outcome.saved) m_modified = false;
    return outcome;
}

CUtilidadDoc::SaveOutcome CUtilidadDoc::SaveAs(const std::string& path, int filter) {
    SaveOutcome outcome;
    ImageFileKind kind = KindOfFileName(path);
    if (kind != ImageFileKind::Bmp && kind != ImageFileKind::Raw)
        kind = filter == kFilterRaw ? ImageFileKind::Raw : ImageFileKind::Bmp;
    outcome.saved = Write(path, kind, outcome.error) == 0;
    if (outcome.saved) {
        m_saveFilter = filter;
        m_pathName = path;
        m_title = BaseName(path);
        m_image->SetName(m_title);  // what the tool windows and dialogs call the image
        m_modified = false;
    }
    return outcome;
}
