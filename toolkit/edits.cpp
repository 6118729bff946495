#include "toolkit/edits.h"

namespace toolkit {

namespace {
constexpr int kLabelSpacing = 3;
const std::string kLineBreak = "\r\n";

bool EndsWithLineBreak(const std::string& text) {
    return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

// The first place at or after `position` where a line starts (the text's size if none).
std::size_t LineStartFrom(const std::string& text, std::size_t position) {
    if (position == 0) return 0;
    const char before = text[position - 1];
    if (before == '\n' || (before == '\r' && (position == text.size() || text[position] != '\n'))) {
        return position;
    }
    const std::size_t lineBreak = text.find_first_of("\r\n", position);
    if (lineBreak == std::string::npos) return text.size();
    const bool crLf = text[lineBreak] == '\r' && lineBreak + 1 < text.size() && text[lineBreak + 1] == '\n';
    return lineBreak + (crLf ? 2 : 1);
}
}  // namespace

Edit::Edit(Control* parent, std::string name, ControlKind kind)
    : Control(parent, std::move(name), kind) {
    SetColor(clWindow);
}

std::uint16_t Edit::HandleKeyDown(std::uint16_t key, ShiftState shift) {
    if (CanReceiveInput() && OnKeyDown) OnKeyDown(*this, key, shift);
    return key;
}

bool Edit::HandleChar(char character) {
    // Control characters pass a read-only edit too: Ctrl+C still copies.
    return CanReceiveInput() && (!readOnly_ || static_cast<unsigned char>(character) < 0x20);
}

void Edit::HandleTextEdited(const std::string& text) {
    SetText(text);
}

void Edit::TextChanged() {
    if (OnChange) OnChange(*this);
}

LabeledEdit::LabeledEdit(Control* parent, std::string name)
    : Edit(parent, name), EditLabel(parent, name + "SubLabel") {
    EditLabel.FocusControl = this;
}

void LabeledEdit::SetBounds(const Bounds& bounds) {
    Edit::SetBounds(bounds);
    PlaceLabel();
}

void LabeledEdit::SetEditLabel(const std::string& caption, int width, int height) {
    EditLabel.SetText(caption);
    EditLabel.SetBounds({0, 0, width, height});
    PlaceLabel();
}

void LabeledEdit::PlaceLabel() {
    const Bounds& edit = GetBounds();
    Bounds label = EditLabel.GetBounds();
    label.left = edit.left - label.width - kLabelSpacing;
    label.top = edit.top + (edit.height - label.height) / 2;
    EditLabel.SetBounds(label);
}

std::vector<std::string> Memo::Lines() const {
    // A lone CR or LF breaks a line as well, so that text from outside splits as it reads.
    // A break at the very end closes the last line rather than opening an empty one.
    std::vector<std::string> lines;
    const std::string& text = Text();
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!text.empty() && !EndsWithLineBreak(text)) lines.push_back(line);
    return lines;
}

void Memo::SetLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + kLineBreak;
    SetText(text);
}

void Memo::AddLine(const std::string& line) {
    const std::string& text = Text();
    const std::string closing = !text.empty() && !EndsWithLineBreak(text) ? kLineBreak : "";
    const std::size_t total = text.size() + closing.size() + line.size() + kLineBreak.size();
    if (textCap_ == 0 || total <= textCap_) {
        AmendText(0, closing + line + kLineBreak);
    } else if (line.size() + kLineBreak.size() > textCap_) {
        const std::size_t kept = textCap_ > kLineBreak.size() ? textCap_ - kLineBreak.size() : 0;
        AmendText(text.size(), line.substr(0, kept) + kLineBreak);
    } else {
        const std::size_t drop = LineStartFrom(text, total - textCap_);
        AmendText(drop, (drop < text.size() ? closing : "") + line + kLineBreak);
    }
}

}  // namespace toolkit
