#include "toolkit/spin_edit.h"

#include <algorithm>

#include "platform/whole_number.h"
#include "toolkit/form.h"

namespace toolkit {
namespace {
// Decimal, or hexadecimal after "$", "x" or "0x" up to 0xFFFFFFFF (taken as its signed bits).
constexpr platform::NumberGrammar kSpinText{.leadingBlanks = true, .sign = true, .dollarHex = true,
                                            .xHex = true, .zeroXHex = true, .hexIsBits32 = true};
}  // namespace

void SpinEdit::SetRange(int minValue, int maxValue) {
    minValue_ = minValue;
    maxValue_ = std::max(minValue, maxValue);
}

int SpinEdit::Value() const {
    return static_cast<int>(platform::ParseWholeNumber(Text(), kSpinText).value_or(minValue_));
}

void SpinEdit::SetValue(long long value) {
    SetText(std::to_string(std::clamp<long long>(value, minValue_, maxValue_)));
}

std::uint16_t SpinEdit::HandleKeyDown(std::uint16_t key, ShiftState shift) {
    if (CanReceiveInput() && !ReadOnly()) {
        if (key == kKeyUp) HandleStep(1);
        if (key == kKeyDown) HandleStep(-1);
    }
    return Edit::HandleKeyDown(key, shift);
}

bool SpinEdit::HandleChar(char character) {
    const auto code = static_cast<unsigned char>(character);
    const bool valid = (character >= '0' && character <= '9') || character == '+' ||
                       character == '-' || character == OwnerForm().GetBackend().DecimalSeparator() ||
                       (code < 0x20 && code != kKeyReturn);
    if (!valid) {
        OwnerForm().GetBackend().Beep();
        return false;
    }
    return Edit::HandleChar(character);
}

void SpinEdit::HandleFocusLost() {
    const int value = Value();
    if (value < minValue_ || value > maxValue_) SetValue(value);
}

void SpinEdit::HandleStep(int delta) {
    if (CanReceiveInput() && !ReadOnly()) SetValue(static_cast<long long>(Value()) + delta);
}

}  // namespace toolkit
