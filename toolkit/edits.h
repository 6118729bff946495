// Text controls: the single-line edit, the edit with a label on its left, and the memo.
#pragma once

#include <string>
#include <vector>

#include "toolkit/component.h"
#include "toolkit/controls.h"

namespace toolkit {

// OnChange fires on every change of the text, also one the program makes. No length limit.
class Edit : public Control {
public:
    Edit(Control* parent, std::string name) : Edit(parent, std::move(name), ControlKind::Edit) {}

    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { SetProperty(readOnly_, readOnly, Aspect::ReadOnly); }
    // Sunken border, or none; fixed once the handle exists.
    bool Border() const { return border_; }
    void SetBorder(bool border) { border_ = border; }

    NotifyEvent OnChange;
    KeyEvent OnKeyDown;

    // Input from the backend. Returns the key as the handlers left it (0: not acted on).
    virtual std::uint16_t HandleKeyDown(std::uint16_t key, ShiftState shift);
    // Whether a typed character may reach the edit; a read-only one takes only control
    // characters, which change no text.
    virtual bool HandleChar(char character);
    virtual void HandleFocusLost() {}
    // The user changed the text in place.
    void HandleTextEdited(const std::string& text);

protected:
    Edit(Control* parent, std::string name, ControlKind kind);
    void TextChanged() override;

private:
    bool readOnly_ = false;
    bool border_ = true;
};

// The label sits 3 pixels left of the edit, centred on the edit's height.
class LabeledEdit : public Edit {
public:
    LabeledEdit(Control* parent, std::string name);

    void SetBounds(const Bounds& bounds) override;
    void SetEditLabel(const std::string& caption, int width, int height);

    Label EditLabel;

private:
    void PlaceLabel();
};

// Multi-line text that wraps at its width, without scroll bars. Lines are kept as one text
// with CR LF between them.
class Memo : public Edit {
public:
    Memo(Control* parent, std::string name) : Edit(parent, std::move(name), ControlKind::Memo) {}

    std::vector<std::string> Lines() const;
    void SetLines(const std::vector<std::string>& lines);
    // Appends at the end. With a cap, the oldest lines are dropped whole to stay within it; a
    // new line longer than the cap on its own is all that is kept, cut at the cap.
    void AddLine(const std::string& line);
    // Bytes of text that AddLine keeps at most, line breaks included; 0: no cap.
    void SetTextCap(std::size_t bytes) { textCap_ = bytes; }

private:
    std::size_t textCap_ = 0;
};

}  // namespace toolkit
