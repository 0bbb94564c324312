#pragma once

namespace quorvin {

// The window's Real Time Mode box and computer name, as a failure switches Real Time Mode off.
class RealTimeSwitch {
public:
    virtual ~RealTimeSwitch() = default;
    // Clears the box, which runs its switch; also from within the box's own click, where a plain
    // setChecked(false) would leave the box deaf to its next click.
    virtual void clearBox() = 0;
    // Lets the user type another computer's name.
    virtual void freeComputerName() = 0;
};

} // namespace quorvin
