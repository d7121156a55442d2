#include "CommandTable.h"

#include <algorithm>

#include "Operation.h"

namespace {

using S = CommandScope;
using X = EnableExtra;

constexpr EnableRule Any{};
constexpr EnableRule Depths(unsigned d, bool rgb = true, X extra = X::None) { return EnableRule{d, rgb, extra}; }
constexpr EnableRule Tool{0, false, X::AfterFirstImage};
// A command that runs a declared operation: the declaration says which images it takes.
constexpr EnableRule Op{0, false, X::None, true};

const std::vector<CommandInfo> kCommands = {
    // ---- Archivo
    {kCmdNew, "&Nuevo\tCtrl+N", "Crea una nueva imagen, copia de la imagen activa", S::Frame, Any, true},
    {kCmdOpen, "&Abrir...\tCtrl+A", "Abre una imagen BMP, RAW o PGM", S::Frame, Any, true},
    {kCmdSave, "&Guardar\tCtrl+G", "Guarda la imagen activa", S::View, Any, true},
    {kCmdSaveAs, "Guardar c&omo...", "Guarda la imagen activa con otro nombre o formato", S::View, Any, true},
    {kCmdDownload, "Descargar desde URL ...", "Descarga una imagen de Internet", S::Frame, Any, false},
    {kCmdTwainSelect, "Seleccionar Origen TWAIN ...", "Elige el escáner o la cámara", S::Frame, Any, false},
    {kCmdTwainAcquire, "Capturar ...", "Adquiere una imagen del escáner o la cámara", S::Frame, Any, false},
    {kCmdPrint, "&Imprimir...\tCtrl+P", "Imprime la imagen activa", S::View, Any, true},
    {kCmdPrintPreview, "&Presentación preliminar", "Muestra cómo quedará la imagen impresa", S::View, Any, true},
    {kCmdPrintSetup, "Con&figurar impresora...", "Elige la impresora y sus opciones", S::Frame, Any, true},
    {kCmdSendMail, "Enviar por Correo Electrónico ...", "Envía la imagen activa como adjunto", S::View, Any, true},
    {kCmdExit, "&Salir", "Cierra la aplicación", S::Frame, Any, true},
    // ---- Edición
    {kCmdUndo, "&Deshacer\tCtrl+Z", "Deshace la última operación", S::View, Depths(0, false, X::Undo), true},
    {kCmdRedo, "&Rehacer\tCtrl+Y", "Rehace la operación deshecha", S::View, Depths(0, false, X::Redo), true},
    {kCmdCopy, "&Copiar\tCtrl+C", "Copia la imagen activa en el portapapeles", S::View, Any, true},
    {kCmdPaste, "Pegar como nueva imagen\tCtrl+V", "Pega la imagen del portapapeles en una ventana nueva", S::Frame,
     Depths(0, false, X::ClipboardDib), true},
    {kCmdEmptyClipboard, "Vaciar Portapapeles", "Vacía el portapapeles", S::Frame, Depths(0, false, X::ClipboardDib), true},
    {kCmdConfiguration, "Configuración", "Opciones de arranque de la aplicación", S::Frame, Any, true},
    {kCmdStepByStep, "Paso a Paso", "Activa o desactiva la ejecución paso a paso", S::Frame, Any, true},
    // ---- Ver
    {kCmdToolBar, "Barra de &herramientas", "Muestra u oculta las barras de herramientas", S::Frame, Any, true},
    {kCmdStatusBar, "Barra de &estado", "Muestra u oculta la barra de estado", S::Frame, Any, true},
    {kCmdFullScreen, "Pantalla completa\tCtrl+F", "Cambia entre pantalla normal y completa", S::Frame, Any, true},
    {kCmdScaleToFit, "Mostrar Vista SIN barras de desplazamiento (Scale To Fit)",
     "Ajusta la imagen a la ventana, sin barras de desplazamiento", S::View, Any, true},
    {kCmdSizeToImage, "Mostrar Vista CON barras de desplazamiento (ScrollView)",
     "Ajusta la ventana al tamaño de la imagen", S::View, Any, true},
    {kCmdImageInfo, "&Información de la Imagen", "Datos de la imagen, de un píxel y sus medias", S::View, Tool, true},
    {kCmdDibProperties, "Propiedades del DIB", "Campos de la cabecera y punteros del DIB", S::View, Tool, true},
    {kCmdHistogram, "Histograma", "Histograma de la imagen activa", S::View, Tool, true},
    {kCmdColorModel, "Seleccionar Modelo de Color", "Elige el modelo de color activo", S::View, Tool, true},
    {kCmdRecord, "Registro", "Las órdenes de velora que rehacen cada imagen", S::View, Tool, true},
    {kCmdSecondMonitor, "Duplicar imagen activa en 2º monitor", "Muestra la imagen activa en el segundo monitor",
     S::View, Tool, true},
    {kCmdCloseToolWindows, "Cerrar Todas las Cajas de Diálogo No Modales abiertas", "Cierra las ventanas de herramientas",
     S::Frame, Any, true},
    {kCmdMonitors, "Monitores del Sistema", "Resolución y tamaño de los monitores", S::Frame, Any, true},
    // ---- Imagen: intensidad
    {kCmdNegative, "&Negativo", "Negativo de la imagen o de sus canales", S::View, Op, true},
    {kCmdBrightness, "Brillo", "Modifica el brillo", S::View, Op, true},
    {kCmdGamma, "Corrección Gamma", "Corrección gamma", S::View, Op, true},
    {kCmdLinearContrast, "Transformación Lineal", "Contraste por una función de transferencia lineal", S::View, Op, true},
    {kCmdNonLinear, "Funciones No Lineales", "Contraste por funciones no lineales", S::View, Op, true},
    {kCmdEqualize, "Ecualización", "Ecualiza el histograma en una ventana nueva", S::View, Op, true},
    {kCmdThreshold, "Umbralización", "Umbraliza la imagen", S::View, Op, true},
    {kCmdOptimalThreshold, "Calcular Umbral Óptimo", "Busca el umbral óptimo", S::View, Op, true},
    {kCmdGrayScale, "Escala de Grises", "Convierte la imagen a niveles de gris", S::View,
     EnableRule{0, false, X::NotGray, true}, true},
    {kCmdGraySlice, "Fraccionamiento del Nivel de Gris", "Destaca un rango de niveles", S::View, Op, true},
    {kCmdGrayBands, "Establecer Nº Bandas de Niveles de Gris", "Reduce la imagen a bandas de gris", S::View,
     EnableRule{0, false, X::Gray, true}, true},
    {kCmdFalseColor, "Falso Color", "Colorea los niveles de gris", S::View, Op, true},
    {kCmdColorBalance, "Calibración de Color", "Equilibrio de color", S::View, Op, true},
    {kCmdAlpha, "Canal Alfa", "Edición del canal alfa", S::View, Op, true},
    {kCmdFillBitmap, "Fijar Valores del Mapa de Bits", "Da un valor a todos los píxeles", S::View, Op, true},
    {kCmdColorDepth, "Cambiar Profundidad de Color", "Cambia los bits por píxel", S::View, Op, true},
    {kCmdBitPlanes, "Ver Planos", "Abre una ventana por cada plano de bits", S::View, Op, true},
    {kCmdEraseBitPlanes, "Eliminar uno o varios planos", "Borra planos de bits", S::View, Op, true},
    // ---- Color y paletas
    {kCmdSplit, "Separar Canales - Split", "Una ventana por componente del modelo activo", S::View,
     Depths(kDepthsAll5, false), true},
    {kCmdColorConversion, "Conversión de Valores entre Diferentes Modelos de Color", "Convierte un color entre modelos",
     S::View, Depths(kD1 | kD4 | kD8 | kD24, false), true},
    {kCmdEditPalette, "Editar Paleta", "Edita la paleta", S::View, Depths(kDepthsPalette), true},
    {kCmdSwapPalettes, "Intercambiar Paletas", "Cambia la paleta por otra", S::View, Depths(kDepthsPalette), true},
    {kCmdSwapChannels, "Intercambiar Canales RGB", "Reordena los canales de la paleta", S::View, Op, true},
    {kCmdLoadPalette, "Cargar Paleta", "Carga una paleta de disco", S::View, Op, true},
    {kCmdSavePalette, "Almacenar Paleta", "Guarda la paleta en disco", S::View, Op, true},
    // The ramps take their depths from their declarations, and keep the 8-bit rule.
    {kCmdGrayPalette, "Fijar Paleta a Niveles de Gris", "Paleta de niveles de gris", S::View,
     EnableRule{0, false, X::PaletteRule, true}, true},
    {kCmdRedPalette, "Fijar Paleta a R", "Paleta en escala de rojos", S::View, EnableRule{0, false, X::PaletteRule, true}, true},
    {kCmdGreenPalette, "Fijar Paleta a G", "Paleta en escala de verdes", S::View, EnableRule{0, false, X::PaletteRule, true}, true},
    {kCmdBluePalette, "Fijar Paleta a B", "Paleta en escala de azules", S::View, EnableRule{0, false, X::PaletteRule, true}, true},
    // ---- Operaciones geométricas
    {kCmdTranslate, "Traslación", "Desplaza la imagen", S::View, Op, true},
    {kCmdScale, "Escalado", "Escala la imagen (teclas + y - del teclado numérico)", S::View, Op, true},
    {kCmdRotate, "Rotación", "Rota la imagen", S::View, Op, true},
    {kCmdFlipVertical, "Flip &Vertical", "Voltea la imagen de arriba abajo", S::View, Op, true},
    {kCmdFlipHorizontal, "Flip &Horizontal (Espejo)", "Refleja la imagen de izquierda a derecha", S::View, Op, true},
    {kCmdCrop, "Recorte ", "Recorta un rectángulo", S::View, Op, true},
    {kCmdEllipse, "Elipse", "Efecto elipse", S::View, Op, true},
    {kCmdRipple, "Ondulación", "Efecto de ondulación", S::View, Op, true},
    {kCmdSwirl, "Remolino ", "Efecto remolino", S::View, Op, true},
    {kCmdShear, "Inclinación", "Inclina la imagen", S::View, Op, true},
    {kCmdInterlace, "Entrelazar", "Entrelaza dos imágenes", S::View, Op, true},
    {kCmdDeinterlaceRows, "Horizontal", "Separa filas pares e impares", S::View, Op, true},
    {kCmdDeinterlaceColumns, "Vertical", "Separa columnas pares e impares", S::View, Op, true},
    {kCmdEmboss, "Emboss", "Efecto relieve", S::View, Op, true},
    {kCmdMosaic, "Mosaico", "Efecto mosaico", S::View, Op, true},
    {kCmdHoover, "Hoover", "Efecto aspiradora", S::View, Op, true},
    // ---- Filtros y frecuencia
    {kCmdConvolution, "Filtros - Convolución", "Filtros de convolución", S::View, Op, true},
    {kCmdNoise, "Añadir Ruido ", "Añade ruido a la imagen", S::View, Op, true},
    {kCmdFft, "Transformada de Fourier (FFT)", "Espectro de Fourier", S::View, EnableRule{0, false, X::FftSize, true}, true},
    {kCmdBinarySmoothing, "Suavizado Binario", "Suavizado de imágenes binarias", S::View, Op, true},
    // ---- Segmentación, morfología y álgebra
    {kCmdRegionGrowing, "Crecimiento de Regiones", "Segmentación por crecimiento de regiones", S::View, Op, true},
    {kCmdSetOperations, "Operaciones de Conjuntos", "Operaciones de conjuntos entre imágenes binarias", S::View, Op,
     true},
    {kCmdMorphology, "Morfología Matemática", "Operaciones morfológicas", S::View, Op, true},
    {kCmdArithmetic, "Operaciones Aritméticas", "Operaciones aritméticas entre imágenes", S::View, Op, true},
    {kCmdLogical, "Operaciones Lógicas", "Operaciones lógicas entre imágenes", S::View, Op, true},
    // ---- Escotoma
    {kCmdScotoma, "Zoom Escotoma", "Simulación de un escotoma", S::View, Depths(kDepthsAll5), false},
    {kCmdBatch, "Generar  Imágenes por Lotes", "Genera imágenes de estímulo por lotes", S::View, Depths(kDepthsAll5), false},
    // ---- Herramientas
    {kCmdNotepad, "Bloc de Notas", "Abre el editor de textos", S::Frame, Any, true},
    {kCmdCalculator, "Calculadora", "Abre la calculadora", S::Frame, Any, true},
    {kCmdPaint, "Paint", "Abre el programa de dibujo", S::Frame, Any, true},
    {kCmdSystemInfo, "Información del Sistema", "Abre la información del sistema", S::Frame, Any, true},
    {kCmdCalendar, "Calendario", "Muestra un calendario", S::Frame, Any, true},
    // ---- Ventana
    {kCmdNewWindow, "&Nueva ventana", "Abre otra ventana de la imagen activa", S::View, Any, true},
    {kCmdCascade, "&Cascada", "Coloca las ventanas en cascada", S::View, Any, true},
    {kCmdTile, "&Mosaico", "Coloca las ventanas en mosaico", S::View, Any, true},
    {kCmdArrange, "&Organizar iconos", "Ordena las ventanas minimizadas", S::View, Any, true},
    {kCmdCloseAllViews, "Cerrar Todas las Vistas (Imágenes)", "Cierra todas las imágenes", S::Frame, Any, true},
    // ---- Ayuda
    {kCmdHelpTopics, "Temas de Ayuda\tF1", "Índice de la ayuda", S::Frame, Any, true},
    {kCmdHelpNew, "Nuevo en esta Versión", "Novedades de esta versión", S::Frame, Any, true},
    {kCmdHelpClass, "Clase CVelora", "Estructura de la clase CVelora", S::Frame, Any, true},
    {kCmdHelpBibliography, "Bibliografía", "Libros y artículos de referencia", S::Frame, Any, true},
    {kCmdHelpTips, "Trucos de Visual C++", "Trucos de programación", S::Frame, Any, true},
    {kCmdHelpMoreImages, "Descargar más imágenes ...", "Dónde conseguir imágenes de prueba", S::Frame, Any, true},
    {kCmdHelpConfig, "Configuración de CVeloraMDI", "Opciones de configuración", S::Frame, Any, true},
    {kCmdHelpStepByStep, "Ejecución Paso a Paso", "La ejecución paso a paso", S::Frame, Any, true},
    {kCmdHelpHowTo, "¿Cómo utilizar la librería CVelora en un proyecto Visual C++?", "Usar la librería en un proyecto",
     S::Frame, Any, true},
    {kCmdHelpVersions, "Versiones anteriores de CVeloraMDI ", "Historia de las versiones", S::Frame, Any, true},
    {kCmdWebProgram, "Página web de CVeloraMDI", "Abre la página web del programa", S::Frame, Any, true},
    {kCmdWebAuthor, "Página web del autor", "Abre la página web del autor", S::Frame, Any, true},
    {kCmdAbout, "&Acerca de CVelora...", "Versión y créditos del programa", S::Frame, Any, true},
};

bool IsPowerOfTwo(std::int32_t v) { return v > 0 && (v & (v - 1)) == 0; }

MenuNode Cmd(int id, std::string_view title = {}) { return MenuNode{MenuNode::Command, id, title, {}}; }
MenuNode Sep() { return MenuNode{MenuNode::Separator, 0, {}, {}}; }
MenuNode Sub(std::string_view title, std::vector<MenuNode> children) {
    return MenuNode{MenuNode::Submenu, 0, title, std::move(children)};
}

}  // namespace

const std::vector<CommandInfo>& Commands() { return kCommands; }

const CommandInfo* FindCommand(int id) {
    const auto it = std::find_if(kCommands.begin(), kCommands.end(), [id](const CommandInfo& c) { return c.id == id; });
    return it == kCommands.end() ? nullptr : &*it;
}

EnableRule EffectiveRule(const CommandInfo& command) {
    EnableRule rule = command.rule;
    if (rule.fromOperation) {
        if (const auto binding = velora::catalog::FindByCommand(command.id)) {
            rule.depths = binding.operation->depths;
            rule.rgbOnly = binding.operation->rgbModelOnly;
        }
    }
    return rule;
}

bool IsCommandEnabled(const CommandInfo& command, const CommandContext& context) {
    if (!command.built) return false;
    const CVelora* image = context.image;
    if (command.scope == CommandScope::View && image == nullptr) return false;
    const EnableRule rule = EffectiveRule(command);
    if (rule.depths != 0 || rule.rgbOnly || rule.extra != EnableExtra::None) {
        if (rule.extra == EnableExtra::ClipboardDib) return context.clipboardHasDib;
        if (rule.extra == EnableExtra::AfterFirstImage) return !context.toolWindowsPending;
        if (image == nullptr) return false;
    }
    if (rule.rgbOnly && context.colorModel != 0) return false;
    if (rule.depths != 0) {
        const unsigned bit = DepthBitOf(image->GetBitCount());
        if ((rule.depths & bit) == 0) return false;
    }
    // Sizes the declaration says the library refuses.
    if (rule.fromOperation)
        if (const auto binding = velora::catalog::FindByCommand(command.id);
            binding && binding.operation->takesSize && !binding.operation->takesSize(*image))
            return false;
    switch (rule.extra) {
        case EnableExtra::NotGray: return !context.imageIsGray.value_or(image->IsGray());
        case EnableExtra::Gray: return context.imageIsGray.value_or(image->IsGray());
        case EnableExtra::FftSize:
            return image->GetNumColors() == 256 && IsPowerOfTwo(image->GetWidth()) && IsPowerOfTwo(image->GetHeight());
        case EnableExtra::PaletteRule: return image->GetBitCount() != 8 || context.colorModel == 0;
        case EnableExtra::Undo: return context.canUndo;
        case EnableExtra::Redo: return context.canRedo;
        default: return true;
    }
}

const std::vector<MenuNode>& MainMenu() {
    static const std::vector<MenuNode> menu = {
        Sub("&Archivo", {Cmd(kCmdNew), Cmd(kCmdOpen), Cmd(kCmdSave), Cmd(kCmdSaveAs), Sep(), Cmd(kCmdDownload),
                         Cmd(kCmdTwainSelect), Cmd(kCmdTwainAcquire), Sep(), Cmd(kCmdPrint), Cmd(kCmdPrintPreview),
                         Cmd(kCmdPrintSetup), Sep(), Cmd(kCmdSendMail), Sep(),
                         MenuNode{MenuNode::RecentFiles, 0, {}, {}}, Sep(), Cmd(kCmdExit)}),
        Sub("&Edición", {Cmd(kCmdUndo), Cmd(kCmdRedo), Sep(), Cmd(kCmdCopy), Cmd(kCmdPaste), Cmd(kCmdEmptyClipboard),
                         Sep(), Cmd(kCmdConfiguration), Cmd(kCmdStepByStep)}),
        Sub("&Ver", {Cmd(kCmdToolBar), Cmd(kCmdStatusBar), Sep(), Cmd(kCmdFullScreen), Cmd(kCmdScaleToFit),
                     Cmd(kCmdSizeToImage), Sep(), Cmd(kCmdImageInfo), Cmd(kCmdDibProperties), Cmd(kCmdHistogram),
                     Cmd(kCmdColorModel), Cmd(kCmdRecord), Cmd(kCmdSecondMonitor), Cmd(kCmdCloseToolWindows), Sep(), Cmd(kCmdMonitors)}),
        Sub("&Imagen", {Cmd(kCmdNegative), Cmd(kCmdBrightness), Cmd(kCmdGamma), Cmd(kCmdLinearContrast),
                        Cmd(kCmdNonLinear), Sep(), Cmd(kCmdEqualize), Cmd(kCmdThreshold), Cmd(kCmdOptimalThreshold), Sep(),
                        Cmd(kCmdGrayScale), Cmd(kCmdGraySlice), Cmd(kCmdGrayBands), Cmd(kCmdFalseColor),
                        Cmd(kCmdColorBalance), Cmd(kCmdAlpha), Cmd(kCmdFillBitmap), Cmd(kCmdColorDepth), Sep(),
                        Sub("Planos de Bits", {Cmd(kCmdBitPlanes), Cmd(kCmdEraseBitPlanes)})}),
        Sub("&Color", {Cmd(kCmdSplit), Cmd(kCmdColorConversion), Sep(), Cmd(kCmdEditPalette), Cmd(kCmdSwapPalettes),
                       Cmd(kCmdSwapChannels), Cmd(kCmdLoadPalette), Cmd(kCmdSavePalette), Sep(), Cmd(kCmdGrayPalette),
                       Cmd(kCmdRedPalette), Cmd(kCmdGreenPalette), Cmd(kCmdBluePalette)}),
        Sub("&Operaciones Geométricas",
            {Cmd(kCmdTranslate), Cmd(kCmdScale), Cmd(kCmdRotate), Cmd(kCmdFlipVertical), Cmd(kCmdFlipHorizontal),
             Cmd(kCmdCrop), Sep(), Cmd(kCmdEllipse), Cmd(kCmdRipple), Cmd(kCmdSwirl), Cmd(kCmdShear), Cmd(kCmdInterlace),
             Sub("Desentralazar", {Cmd(kCmdDeinterlaceRows), Cmd(kCmdDeinterlaceColumns)}), Sep(), Cmd(kCmdEmboss),
             Cmd(kCmdMosaic), Cmd(kCmdHoover)}),
        Sub("&Filtros", {Cmd(kCmdConvolution), Cmd(kCmdNoise), Cmd(kCmdFft), Cmd(kCmdBinarySmoothing)}),
        Sub("&Segmentación", {Cmd(kCmdRegionGrowing), Sep(), Cmd(kCmdSetOperations), Cmd(kCmdMorphology), Sep(),
                              Cmd(kCmdArithmetic), Cmd(kCmdLogical)}),
        Sub("Es&cotoma", {Cmd(kCmdScotoma), Cmd(kCmdBatch)}),
        Sub("&Herramientas", {Cmd(kCmdNotepad), Cmd(kCmdCalculator), Cmd(kCmdPaint), Cmd(kCmdSystemInfo), Sep(),
                              Cmd(kCmdCalendar)}),
        Sub("Ve&ntana", {Cmd(kCmdNewWindow), Cmd(kCmdCascade), Cmd(kCmdTile), Cmd(kCmdArrange), Sep(),
                         Cmd(kCmdCloseAllViews), Sep(), MenuNode{MenuNode::WindowList, 0, {}, {}}}),
        Sub("A&yuda", {Cmd(kCmdHelpTopics), Cmd(kCmdHelpNew), Cmd(kCmdHelpClass), Cmd(kCmdHelpBibliography),
                       Cmd(kCmdHelpTips), Cmd(kCmdHelpMoreImages), Cmd(kCmdHelpConfig), Cmd(kCmdHelpStepByStep),
                       Cmd(kCmdHelpHowTo), Cmd(kCmdHelpVersions), Sep(), Cmd(kCmdWebProgram), Cmd(kCmdWebAuthor), Sep(),
                       Cmd(kCmdAbout)}),
    };
    return menu;
}

const std::vector<MenuNode>& ContextMenu() {
    static const std::vector<MenuNode> menu = {
        Cmd(kCmdCopy), Cmd(kCmdPaste, "&Pegar\tCtrl+V"), Sep(), Cmd(kCmdUndo), Cmd(kCmdRedo), Sep(),
        Cmd(kCmdImageInfo), Cmd(kCmdDibProperties), Cmd(kCmdHistogram), Sep(),
        Cmd(kCmdNegative), Cmd(kCmdBrightness), Cmd(kCmdEqualize, "Ecualización del Histograma"), Cmd(kCmdGrayScale),
        Sep(), Cmd(kCmdFlipVertical), Cmd(kCmdFlipHorizontal), Cmd(kCmdScale), Cmd(kCmdRotate),
        Cmd(kCmdSwirl, "Espiral"), Sep(), Cmd(kCmdConvolution), Cmd(kCmdMorphology, "Morfología - Transf. Básicas"), Sep(),
        Cmd(kCmdScaleToFit), Cmd(kCmdSizeToImage),
    };
    return menu;
}

const std::vector<int>& MainToolBar() {
    static const std::vector<int> bar = {kCmdNew, kCmdOpen, kCmdSave, 0, kCmdCopy, kCmdPaste, 0, kCmdUndo, kCmdRedo, 0,
                                         kCmdPrint, 0, kCmdImageInfo, kCmdDibProperties, kCmdHistogram, 0, kCmdAbout};
    return bar;
}

const std::vector<int>& SecondToolBar() {
    static const std::vector<int> bar = {kCmdStepByStep, 0, kCmdFlipVertical, kCmdFlipHorizontal, 0, kCmdNegative,
                                         kCmdBrightness, kCmdGrayScale, 0, kCmdScaleToFit, kCmdSizeToImage, 0,
                                         kCmdFullScreen, kCmdCloseToolWindows};
    return bar;
}
