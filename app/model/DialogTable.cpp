#include "DialogTable.h"

#include <algorithm>
#include <array>

namespace {

// The dialogs still to come: class, caption, title prefix, help topic, undo label, timing
// label. When an operation gets its dialog, its row moves into the operation's declaration.
// Three topics lack the "/" after "::"; they stay as the help file's index knows them.
constexpr std::array kDialogs = {
    DialogInfo{"CBuscarUmbralDlg", "Cálculo del Umbral Óptimo de la Imagen", "Búsqueda del Umbral Óptimo de ",
               "CVelora.chm::/Ayuda/FindThreshold.htm", "Buscar Umbral Óptimo", "Cálculo del Umbral Óptimo"},
    DialogInfo{"CCalibracionColorDlg", "Equilibrio de Color", "Calibración del Color a ",
               "CVelora.chm::/Ayuda/Balance.htm", "Calibración de Color", "Cálculo Calibración Color"},
    DialogInfo{"CCambiarNumeroGrises", "Cambiar nº niveles de gris de la imagen", "",
               "CVelora.chm::/Ayuda/ChangeGrayLevelsNumber.htm", "Modificación del Nº de Niveles de Gris de la Imagen", "Cálculo Creación Bandas de Nivel de Gris"},
    DialogInfo{"CCambiarPaletaDlg", "Intercambiar la Paleta", "",
               "CVelora.chm::/Ayuda/SetPalette.htm", "Cambiar Paleta", ""},
    DialogInfo{"CCambiarProfundidadColor", "Cambiar la Profundidad de Píxel de la Imagen", "Cambiar la Profundidad de Color a ",
               "CVelora.chm::/Ayuda/ChangeColorDepth.htm", "Cambiar Profundidad de Color", "Cálculo Nueva Prof.Color"},
    DialogInfo{"CCanalAlfaDlg", "Edición del Canal Alfa", "",
               "CVelora.chm::/Ayuda/SetAlfa.htm", "Modificar valor CANAL ALFA", "Cálculo modificación CANAL ALFA"},
    DialogInfo{"CColorToGrisDlg", "Color a Gris", "",
               "CVelora.chm::/Ayuda/ColorToGray.htm", "Transformar a Nivel de Gris", "Cálculo Color a Gris"},
    DialogInfo{"CCrecimientoRegionesDlg", "Crecimiento de Regiones", "",
               "CVelora.chm::/Ayuda/RegionGrowing.htm", "Crecimiento de Regiones", "Cálculo Crec. Regiones"},
    DialogInfo{"CElemEstructDlg", "Elemento Estructural", "",
               "CVelora.chm::/Ayuda/Morphological.htm", "Transformación Morfológica", "Cálculo Op. Morfología"},
    DialogInfo{"CEmbossDlg", "Aplicación del Efecto Emboss a la Imagen", "Aplicación del Efecto Emboss a ",
               "CVelora.chm::/Ayuda/Emboss.htm", "Efecto Emboss", "Cálculo Efecto Emboss"},
    DialogInfo{"CEntrelazarDlg", "Entrelazar Imágenes", "",
               "CVelora.chm::Ayuda/Interlace.htm", "", ""},
    DialogInfo{"CEscaladoDlg", "Escalado de una Imagen", "Escalado de ",
               "CVelora.chm::Ayuda/Scaling.htm", "Escalado", "Cálculo Escalado"},
    DialogInfo{"CEscotomaZoomDlg", "", "Zoom de Escotoma de ",
               "CVelora.chm::/Ayuda/ScotomaZoom.htm", "Zoom Escotoma", "Cálculo Zoom Escotoma"},
    DialogInfo{"CFFTDlg", "Transformada Rápida de Fourier (FFT)", "",
               "CVelora.chm::/Ayuda/FFT.htm", "FFT", "Cálculo FFT"},
    DialogInfo{"CFijarValoresBitmapDlg", "Fijar Valores del Mapa de Bits", "",
               "CVelora.chm::/Ayuda/Initialize.htm", "Fijar Valores del Mapa de Bits", "Cálculo Fijar Valores del Mapa de Bits"},
    DialogInfo{"CFiltros", "", "Aplicación de Filtros a ",
               "CVelora.chm::/Ayuda/Filters.htm", "", ""},
    DialogInfo{"CFraccNivelGrisDlg", "Fraccionamiento del Nivel de Gris", "Fraccionamiento del Nivel de Gris a ",
               "CVelora.chm::/Ayuda/GrayLevelSlicing.htm", "Fraccionamiento del Nivel de Gris", "Cálculo Umbralización"},
    DialogInfo{"CHooverDlg", "Aplicación del Efecto Hoover a la Imagen", "Efecto Hoover a ",
               "CVelora.chm::/Ayuda/Hoover.htm", "Efecto Hoover", "Cálculo Efecto Hoover"},
    DialogInfo{"CInclinacionDlg", "Inclinar la Imagen", "",
               "CVelora.chm::/Ayuda/Inclination.htm", "Inclinación", "Cálculo Inclinación de la Imagen"},
    DialogInfo{"CMosaicDlg", "Aplicación del Efecto Mosaico a la Imagen", "Efecto Mosaico a ",
               "CVelora.chm::/Ayuda/Mosaic.htm", "Efecto Mosaico", "Cálculo Efecto Mosaico"},
    DialogInfo{"COndulacionDlg", "Ondulación", "Ondulación de ",
               "CVelora.chm::/Ayuda/Undulation.htm", "Ondulación", "Cálculo Ondulación"},
    DialogInfo{"COpConjuntosDlg", "Operaciones Básicas entre Conjuntos", "",
               "CVelora.chm::/Ayuda/SetOps.htm", "Operaciones de Conjuntos", "Cálculo Op. Conjuntos"},
    DialogInfo{"COperacionesEntreImg", "Operaciones Aritméticas", "",
               "CVelora.chm::/Ayuda/Arithmetic.htm", "Operaciones entre Imágenes", "Cálculo Op. Aritmética"},
    DialogInfo{"COpLogicasDlg", "Operaciones Lógicas", "",
               "CVelora.chm::/Ayuda/Logic.htm", "Operaciones Lógicas", "Cálculo Op. Lógica"},
    DialogInfo{"CPlanosBitsDlg", "Eliminación de Planos de Bits", "Eliminación de Planos de Bits de ",
               "CVelora.chm::/Ayuda/BitPlaneErase.htm", "Eliminar Planos de Bits", "Cálculo Eliminar Planos de Bits"},
    DialogInfo{"CRecortarDlg", "Recorte de una Imagen", "Recorte de ",
               "CVelora.chm::/Ayuda/Crop.htm", "Recortar", "Cálculo Recorte Imagen"},
    DialogInfo{"CRemolinoDlg", "Efecto Espiral", "Espiral/Remolino de ",
               "CVelora.chm::/Ayuda/Spiral.htm", "Espiral", "Cálculo Espiral"},
    DialogInfo{"CRotarDlg", "Rotación de una Imagen", "Rotación de ",
               "CVelora.chm::/Ayuda/Rotation.htm", "Rotar", "Cálculo Rotación"},
    DialogInfo{"CRuidoDlg", "Introducir Ruido", "Introducir ruido a ",
               "CVelora.chm::/Ayuda/AddNoise.htm", "", ""},
    DialogInfo{"CSuavizadoBinarioDlg", "Suavizado Binario de Imágenes", "Suavizado Binario de ",
               "CVelora.chm::/Ayuda/BinarySmoothing.htm", "Suavizado Binario", "Cálculo Suavizado Binario"},
    DialogInfo{"CTraslacionDlg", "Traslación de una Imagen", "Traslación de ",
               "CVelora.chm::/Ayuda/Translation.htm", "Traslación", "Cálculo Traslación"},
    DialogInfo{"CUmbralizarDlg", "Umbralización de una Imagen", "Umbralización de ",
               "CVelora.chm::/Ayuda/Thresholding.htm", "Umbralizar", "Cálculo Umbralización"},
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
