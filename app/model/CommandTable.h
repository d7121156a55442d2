// The workbench's commands in one table: identifier, menu text (with its mnemonic and,
// after a tab, its accelerator), status-bar prompt, and the rule that enables it. The
// menus, the context menu, the toolbars and the enabling are all built from it; the
// windows attach a handler to each identifier.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "CVelora.h"
#include "CommandIds.h"
#include "Depths.h"



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
    // The depths and the model come from the declaration of the operation the command runs.
    bool fromOperation = false;
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
// The rule in force: for a command that runs a declared operation, that declaration's
// depths and model with the table's extra condition.
EnableRule EffectiveRule(const CommandInfo& command);
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
