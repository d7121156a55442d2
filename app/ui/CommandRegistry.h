// Where commands get their handlers from outside the frame: the operation dialogs, say,
// are installed this way, so that the windows never need to know them.
#pragma once

#include <functional>

class CCommandRegistry {
public:
    virtual ~CCommandRegistry() = default;
    // Replaces the command's handler, if it had one. The handler runs as the menu item's would,
    // and only while the command is enabled.
    virtual void SetCommandHandler(int id, std::function<void()> handler) = 0;
};
