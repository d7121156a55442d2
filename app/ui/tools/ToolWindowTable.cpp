#include "ToolWindowTable.h"

#include "ColorModelWindow.h"
#include "CommandTable.h"
#include "Document.h"
#include "HistogramWindow.h"
#include "Inspectors.h"
#include "RecordWindow.h"
#include "Workbench.h"
#include "periphery/CVerImagen2MonitorDlg.h"

namespace {

// A window that re-reads the active image through its own Refresh.
template <class Window>
ToolWindowParts MakeToolWindow(CWorkbench& bench) {
    auto* window = new Window(bench);
    return {window, [window] { window->Refresh(); }};
}

// The second monitor is a plain window: it is handed the active image, and shows it again
// from scratch on every refresh, since the pixels may have changed.
ToolWindowParts MakeSecondMonitor(CWorkbench& bench) {
    auto* window = new CVerImagen2MonitorDlg(bench.MainWindow());
    const auto show = [window, &bench] {
        CUtilidadDoc* doc = bench.ActiveDocument();
        window->InvalidateImage();
        window->SetImage(doc ? &doc->Image() : nullptr);
    };
    show();
    return {window, show};
}

// The colour-model window follows the model through the workbench's signal; the image does not concern it.
ToolWindowParts MakeColorModelWindow(CWorkbench& bench) { return {new CSeleccModeloColorDlg(bench), nullptr}; }

}  // namespace

std::vector<ToolWindowKind> ToolWindowTable() {
    return {
        // command, name, timing label, docked down the right, opens with images, factory
        {kCmdImageInfo, "Información de la Imagen", "Visualizar Información Imagen", true, true, MakeToolWindow<CInformacionDlg>},
        {kCmdHistogram, "Histograma", "Cálculo Histograma", true, true, MakeToolWindow<CHistogramaDlg>},
        {kCmdDibProperties, "Propiedades del DIB", "Visualizar Propiedades DIB", true, true, MakeToolWindow<CPropiedadesDIB>},
        {kCmdColorModel, "Modelo Color Activo", "Elegir Modelo de Color", true, true, MakeColorModelWindow},
        {kCmdRecord, "Registro", "Visualizar Registro", false, false, MakeToolWindow<CRegistroDlg>},
        {kCmdSecondMonitor, "Imagen activa en el 2º monitor", "Visualizar Imagen 2º monitor", false, false, MakeSecondMonitor},
    };
}
