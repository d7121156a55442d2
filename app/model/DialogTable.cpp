#include "DialogTable.h"

#include <algorithm>
#include <array>

namespace {

// The dialogs still to come: class, caption, title prefix, help topic, undo label, timing
// label. When an operation gets its dialog, its row moves into the operation's declaration.
// Three topics lack the "/" after "::"; they stay as the help file's index knows them.
constexpr std::array kDialogs = {
    DialogInfo{"CCambiarPaletaDlg", "Intercambiar la Paleta", "",
               "CVelora.chm::/Ayuda/SetPalette.htm", "Cambiar Paleta", ""},
    DialogInfo{"CCrecimientoRegionesDlg", "Crecimiento de Regiones", "",
               "CVelora.chm::/Ayuda/RegionGrowing.htm", "Crecimiento de Regiones", "Cálculo Crec. Regiones"},
    DialogInfo{"CElemEstructDlg", "Elemento Estructural", "",
               "CVelora.chm::/Ayuda/Morphological.htm", "Transformación Morfológica", "Cálculo Op. Morfología"},
    DialogInfo{"CEntrelazarDlg", "Entrelazar Imágenes", "",
               "CVelora.chm::Ayuda/Interlace.htm", "", ""},
    DialogInfo{"CEscotomaZoomDlg", "", "Zoom de Escotoma de ",
               "CVelora.chm::/Ayuda/ScotomaZoom.htm", "Zoom Escotoma", "Cálculo Zoom Escotoma"},
    DialogInfo{"CFFTDlg", "Transformada Rápida de Fourier (FFT)", "",
               "CVelora.chm::/Ayuda/FFT.htm", "FFT", "Cálculo FFT"},
    DialogInfo{"CFiltros", "", "Aplicación de Filtros a ",
               "CVelora.chm::/Ayuda/Filters.htm", "", ""},
    DialogInfo{"CHooverDlg", "Aplicación del Efecto Hoover a la Imagen", "Efecto Hoover a ",
               "CVelora.chm::/Ayuda/Hoover.htm", "Efecto Hoover", "Cálculo Efecto Hoover"},
    DialogInfo{"CMosaicDlg", "Aplicación del Efecto Mosaico a la Imagen", "Efecto Mosaico a ",
               "CVelora.chm::/Ayuda/Mosaic.htm", "Efecto Mosaico", "Cálculo Efecto Mosaico"},
    DialogInfo{"COpConjuntosDlg", "Operaciones Básicas entre Conjuntos", "",
               "CVelora.chm::/Ayuda/SetOps.htm", "Operaciones de Conjuntos", "Cálculo Op. Conjuntos"},
    DialogInfo{"COperacionesEntreImg", "Operaciones Aritméticas", "",
               "CVelora.chm::/Ayuda/Arithmetic.htm", "Operaciones entre Imágenes", "Cálculo Op. Aritmética"},
    DialogInfo{"COpLogicasDlg", "Operaciones Lógicas", "",
               "CVelora.chm::/Ayuda/Logic.htm", "Operaciones Lógicas", "Cálculo Op. Lógica"},
    DialogInfo{"CRuidoDlg", "Introducir Ruido", "Introducir ruido a ",
               "CVelora.chm::/Ayuda/AddNoise.htm", "", ""},
    DialogInfo{"CSuavizadoBinarioDlg", "Suavizado Binario de Imágenes", "Suavizado Binario de ",
               "CVelora.chm::/Ayuda/BinarySmoothing.htm", "Suavizado Binario", "Cálculo Suavizado Binario"},
};

}  // namespace

const DialogInfo* FindDialog(std::string_view className) {
    const auto it = std::find_if(kDialogs.begin(), kDialogs.end(),
                                 [&](const DialogInfo& info) { return info.className == className; });
    return it == kDialogs.end() ? nullptr : &*it;
}

std::string ImageTitle(std::string_view prefix, const CVelora& image) {
    std::string title(prefix);
    title += image.GetNameWithoutExtension();
    title += '.';
    title += image.GetExtension();
    return title;
}
