// A whole-number edit with up/down buttons. Its value is its text read as a whole number,
// the minimum when the text is none; setting the value clamps it to the range.
#pragma once

#include <string>

#include "toolkit/edits.h"

namespace toolkit {

class SpinEdit : public Edit {
public:
    SpinEdit(Control* parent, std::string name)
        : Edit(parent, std::move(name), ControlKind::SpinEdit) {}

    int MinValue() const { return minValue_; }
    int MaxValue() const { return maxValue_; }
    void SetRange(int minValue, int maxValue);
    // The text as a whole number, or the minimum when it is none. Not clamped when read: a
    // typed value beyond the range reads as typed.
    int Value() const;
    void SetValue(long long value);

    // Up and Down step the value; other keys pass to OnKeyDown.
    std::uint16_t HandleKeyDown(std::uint16_t key, ShiftState shift) override;
    // Digits, signs, the decimal separator and control keys other than Enter; anything
    // else is refused with a beep.
    bool HandleChar(char character) override;
    void HandleFocusLost() override;
    // The up (+1) or down (-1) button.
    void HandleStep(int delta);

private:
    int minValue_ = 0;
    int maxValue_ = 100;
};

}  // namespace toolkit
