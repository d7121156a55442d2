#include "CustomDialogs.h"

#include "CommandIds.h"
#include "EffectDialogs.h"
#include "GenericOperationDialog.h"
#include "GeometryDialogs.h"
#include "ImageAlgebraDialogs.h"
#include "NoiseDialogs.h"
#include "PixelValueDialogs.h"
#include "SegmentationDialogs.h"
#include "ThresholdDialogs.h"
#include "TranslationDialogs.h"
#include "Workbench.h"

namespace {

template <class Dialog>
CustomDialog Entry(int id, std::string_view reason) {
    return {id, reason, [](CUtilidadView* view) { return std::unique_ptr<COperationDialog>(new Dialog(view)); }};
}

}  // namespace

const std::vector<CustomDialog>& CustomDialogs() {
    static const std::vector<CustomDialog> dialogs = {
        Entry<CFijarValoresBitmapDlg>(kCmdFillBitmap, "runs FillIndex or InitializeRGB, by the image's depth"),
        Entry<CCambiarProfundidadColor>(kCmdColorDepth,
                                        "offers only the depths the image can take, and runs nothing for its own"),
        Entry<CUmbralizarDlg>(kCmdThreshold, "two operations (global and local), and the title follows L-1"),
        Entry<CBuscarUmbralDlg>(kCmdOptimalThreshold, "computes each method's threshold and shows it before applying"),
        Entry<CTraslacionDlg>(kCmdTranslate, "by pixels or by a visual angle (two operations), with the monitor"),
        Entry<CEscaladoDlg>(kCmdScale, "factors or pixels, proportions kept, the new size shown as typed"),
        Entry<CRotarDlg>(kCmdRotate, "the direction, the three angles of the 3-D rotation and the new size"),
        Entry<CRecortarDlg>(kCmdCrop, "corners bounded by each other and by the image, the size shown"),
        Entry<COperacionesEntreImg>(kCmdArithmetic, "two operations (plain and saturating); the result goes to image A"),
        Entry<COpLogicasDlg>(kCmdLogical, "the result goes to image A, which need not be the active one"),
        Entry<CHooverDlg>(kCmdHoover, "iteration presets beside a typed count, and a start point inside the image"),
        Entry<CRuidoDlg>(kCmdNoise, "stays open: each \"Aplicar\" opens a new noisy window with its own number"),
        Entry<COpConjuntosDlg>(kCmdSetOperations, "1-bit images A and B chosen among the open ones, and a translation between them"),
        Entry<CElemEstructDlg>(kCmdMorphology, "a 5 x 5 grid whose enabled cells follow the element's size and origin"),
    };
    return dialogs;
}

const std::vector<DialogHook>& DialogHooks() {
    static const std::vector<DialogHook> hooks = {
        // The preview keeps the image in the active model, so that the slider keeps up.
        {kCmdNonLinear,
         [](CGenericOperationDialog& dialog) {
             auto kept = std::make_shared<CModelPreview>(dialog.Backup());
             dialog.SetFastApply([kept](CVelora& image, const velora::catalog::Args& args) {
                 return kept->NonLinearContrast(image, args.Int(0), args.Int(1), args.Float(2));
             });
         }},
        {kCmdRegionGrowing, FinishRegionGrowingDialog},
    };
    return hooks;
}

std::unique_ptr<COperationDialog> MakeOperationDialog(int commandId, CUtilidadView* view) {
    for (const CustomDialog& custom : CustomDialogs())
        if (custom.commandId == commandId) return custom.make(view);
    auto dialog = std::make_unique<CGenericOperationDialog>(view, commandId);
    for (const DialogHook& hook : DialogHooks())
        if (hook.commandId == commandId) hook.finish(*dialog);
    return dialog;
}
