// The workbench's commands in one table: identifier, menu text (with its mnemonic and,
// after a tab, its accelerator), status-bar prompt, and the rule that enables it. The
// menus, the context menu, the toolbars and the enabling are all built from it; the
// windows attach a handler to each identifier.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "CVelora.h"

enum CommandId : int {
    kCmdArithmetic = 167, kCmdThreshold = 185, kCmdBrightness = 187,
    kCmdHistogram = 32780, kCmdImageInfo = 32797, kCmdNegative = 32799, kCmdEqualize = 32800,
    kCmdEllipse = 32809, kCmdFlipVertical = 32812, kCmdFlipHorizontal = 32813, kCmdBitPlanes = 32837,
    kCmdConvolution = 32843, kCmdGrayScale = 32844, kCmdNoise = 32848, kCmdLinearContrast = 32860,
    kCmdRotate = 32870, kCmdScale = 32875, kCmdEmboss = 32877, kCmdMosaic = 32878, kCmdFft = 32881,
    kCmdSwapChannels = 32898, kCmdNonLinear = 32899, kCmdColorBalance = 32901, kCmdFalseColor = 32902,
    kCmdEditPalette = 32905, kCmdColorDepth = 32911, kCmdDibProperties = 32912, kCmdTranslate = 32916,
    kCmdCrop = 32950, kCmdLogical = 32955, kCmdSwapPalettes = 32970, kCmdSetOperations = 33002,
    kCmdMorphology = 33003, kCmdCloseAllViews = 33028, kCmdHoover = 33032, kCmdLoadPalette = 33056,
    kCmdSavePalette = 33062, kCmdRegionGrowing = 33143, kCmdGraySlice = 33148, kCmdBinarySmoothing = 33156,
    kCmdEraseBitPlanes = 33164, kCmdOptimalThreshold = 33207, kCmdColorModel = 33218, kCmdSplit = 33219,
    kCmdGrayPalette = 33221, kCmdColorConversion = 33242, kCmdDeinterlaceRows = 33243, kCmdInterlace = 33255,
    kCmdSecondMonitor = 33258, kCmdScotoma = 33259, kCmdRipple = 33265, kCmdScaleToFit = 33270,
    kCmdSizeToImage = 33271, kCmdCloseToolWindows = 33273, kCmdRedPalette = 33278, kCmdGreenPalette = 33279,
    kCmdBluePalette = 33280, kCmdFillBitmap = 33287, kCmdAlpha = 33290, kCmdDeinterlaceColumns = 33305,
    kCmdMonitors = 33306, kCmdBatch = 33310, kCmdSwirl = 33312, kCmdShear = 33326, kCmdGamma = 33332,
    kCmdGrayBands = 33336,
    kCmdCopy = 57634, kCmdPaste = 57637, kCmdEmptyClipboard = 33009, kCmdFullScreen = 33183,
    kCmdTwainSelect = 33029, kCmdTwainAcquire = 33030, kCmdDownload = 33055, kCmdStepByStep = 33130,
    kCmdConfiguration = 33063, kCmdNotepad = 33057, kCmdCalculator = 33058, kCmdPaint = 33139,
    kCmdSystemInfo = 33138, kCmdCalendar = 32903,
    kCmdNew = 57600, kCmdOpen = 57601, kCmdSave = 57603, kCmdSaveAs = 57604, kCmdExit = 57665,
    kCmdUndo = 57643, kCmdRedo = 57644, kCmdPrint = 57607, kCmdPrintPreview = 57609, kCmdPrintSetup = 57606,
    kCmdSendMail = 57612, kCmdNewWindow = 57648, kCmdCascade = 57650, kCmdTile = 57651, kCmdArrange = 57649,
    kCmdToolBar = 59392, kCmdStatusBar = 59393, kCmdAbout = 57664,
    kCmdHelpTopics = 32851, kCmdHelpNew = 32850, kCmdHelpClass = 33137, kCmdHelpBibliography = 33136,
    kCmdHelpTips = 33134, kCmdHelpMoreImages = 33289, kCmdHelpConfig = 33177, kCmdHelpStepByStep = 33175,
    kCmdHelpHowTo = 33173, kCmdHelpVersions = 33171, kCmdWebProgram = 33192, kCmdWebAuthor = 33191,
};

// Bit depths a command accepts (GetBitCount of the active image).
enum DepthBit : unsigned { kD1 = 1, kD4 = 2, kD8 = 4, kD16 = 8, kD24 = 16, kD32 = 32 };
constexpr unsigned kDepthsAll5 = kD1 | kD4 | kD8 | kD24 | kD32;  // every depth with pixel accessors
constexpr unsigned kDepthsNo1 = kD4 | kD8 | kD24 | kD32;
constexpr unsigned kDepthsPalette = kD1 | kD4 | kD8;
constexpr unsigned kDepthsAll6 = kDepthsAll5 | kD16;

enum class CommandScope {
    Frame,  // available with or without an image window
    View,   // needs an active image window
};

enum class EnableExtra {
    None,
    AfterFirstImage,  // tool windows: not while their opening is pending
    ClipboardDib,     // the clipboard holds an image
    NotGray,
    Gray,
    FftSize,          // 8 bits with 256 colours, width and height powers of two
    PaletteRule,      // 1 or 4 bits, or 8 bits in the RGB model
    Undo,
    Redo,
};

struct EnableRule {
    unsigned depths = 0;  // 0: any image
    bool rgbOnly = false;
    EnableExtra extra = EnableExtra::None;
};

struct CommandInfo {
    int id;
    std::string_view menuText;  // "&Abrir...\tCtrl+A"
    std::string_view prompt;    // status-bar text while the item is highlighted
    CommandScope scope;
    EnableRule rule;
    bool built;                 // false while its operation is still to come: shown disabled
};

// What the enabling rules look at.
struct CommandContext {
    const CVelora* image = nullptr;  // the active image; null without an image window
    std::optional<bool> imageIsGray; // the image's IsGray() when the caller has it cached
    int colorModel = 0;              // 0 = RGB
    bool toolWindowsPending = true;  // the tool windows wait for the next paint to open
    bool clipboardHasDib = false;
    bool canUndo = false, canRedo = false;
};

const std::vector<CommandInfo>& Commands();
const CommandInfo* FindCommand(int id);
bool IsCommandEnabled(const CommandInfo& command, const CommandContext& context);

// The menus: a node is a command, a separator or a submenu with its children.
struct MenuNode {
    enum Kind { Command, Separator, Submenu, RecentFiles, WindowList } kind;
    int id = 0;
    std::string_view title;
    std::vector<MenuNode> children;
};
const std::vector<MenuNode>& MainMenu();
const std::vector<MenuNode>& ContextMenu();
// Toolbar buttons in order (0 = separator), and the second toolbar's.
const std::vector<int>& MainToolBar();
const std::vector<int>& SecondToolBar();
