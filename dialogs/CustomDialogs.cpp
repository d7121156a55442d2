#include "CustomDialogs.h"

#include "CommandIds.h"
#include "EffectDialogs.h"
#include "GenericOperationDialog.h"
#include "GeometryDialogs.h"
#include "GrayLevelDialogs.h"
#include "ImageAlgebraDialogs.h"
#include "IntensityDialogs.h"
#include "NoiseDialogs.h"
#include "PixelValueDialogs.h"
#include "ThresholdDialogs.h"
#include "PaletteDialogs.h"
#include "WarpDialogs.h"
#include "TranslationDialogs.h"

namespace {

template <class Dialog>
CustomDialog Entry(int id) {
    return {id, [](CUtilidadView* view) { return std::unique_ptr<COperationDialog>(new Dialog(view)); }};
}

}  // namespace

const std::vector<CustomDialog>& CustomDialogs() {
    static const std::vector<CustomDialog> dialogs = {
        Entry<CGammaDlg>(kCmdGamma),
        Entry<CContrasteTransfLinealDlg>(kCmdLinearContrast),
        Entry<CContrasteDlg>(kCmdNonLinear),
        Entry<CCanalAlfaDlg>(kCmdAlpha),
        Entry<CFijarValoresBitmapDlg>(kCmdFillBitmap),
        Entry<CCambiarProfundidadColor>(kCmdColorDepth),
        Entry<CFraccNivelGrisDlg>(kCmdGraySlice),
        Entry<CPlanosBitsDlg>(kCmdEraseBitPlanes),
        Entry<CCambiarNumeroGrises>(kCmdGrayBands),
        Entry<CColorToGrisDlg>(kCmdGrayScale),
        Entry<CCalibracionColorDlg>(kCmdColorBalance),
        Entry<CUmbralizarDlg>(kCmdThreshold),
        Entry<CBuscarUmbralDlg>(kCmdOptimalThreshold),
        Entry<CSwapCanalesRGB>(kCmdSwapChannels),
        Entry<COndulacionDlg>(kCmdRipple),
        Entry<CRemolinoDlg>(kCmdSwirl),
        Entry<CInclinacionDlg>(kCmdShear),
        Entry<CTraslacionDlg>(kCmdTranslate),
        Entry<CEscaladoDlg>(kCmdScale),
        Entry<CRotarDlg>(kCmdRotate),
        Entry<CRecortarDlg>(kCmdCrop),
        Entry<COperacionesEntreImg>(kCmdArithmetic),
        Entry<COpLogicasDlg>(kCmdLogical),
        Entry<CMosaicDlg>(kCmdMosaic),
        Entry<CHooverDlg>(kCmdHoover),
        Entry<CRuidoDlg>(kCmdNoise),
    };
    return dialogs;
}

std::unique_ptr<COperationDialog> MakeOperationDialog(int commandId, CUtilidadView* view) {
    for (const CustomDialog& custom : CustomDialogs())
        if (custom.commandId == commandId) return custom.make(view);
    return std::make_unique<CGenericOperationDialog>(view, commandId);
}
