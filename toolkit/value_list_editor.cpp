#include "toolkit/value_list_editor.h"

namespace toolkit {

ValueListEditor::ValueListEditor(Control* parent, std::string name)
    : Control(parent, std::move(name), ControlKind::ValueListEditor) {
    SetColor(clWindow);
}

void ValueListEditor::SetRows(const std::vector<ValueRow>& rows) {
    rows_ = rows;
    Changed(Aspect::Rows);
}

void ValueListEditor::SetTitles(const std::string& keyTitle, const std::string& valueTitle) {
    keyTitle_ = keyTitle;
    valueTitle_ = valueTitle;
    Changed(Aspect::Rows);
}

void ValueListEditor::SetColumnWidths(int keyWidth, int valueWidth) {
    keyWidth_ = keyWidth;
    valueWidth_ = valueWidth;
    Changed(Aspect::Rows);
}

void ValueListEditor::HandleValueEdited(std::size_t row, const std::string& value) {
    if (row < rows_.size() && CanReceiveInput()) rows_[row].value = value;
}

}  // namespace toolkit
