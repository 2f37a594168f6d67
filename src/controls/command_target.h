#pragma once

// A window that takes numbered commands: the skinned buttons hand their
// press to the window they were laid on as that window's command, the same
// way a menu item or an accelerator would.
class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    virtual void OnCommand(int id) = 0;
};
