// A two-column table of names and values under a header row. Names are fixed; the user
// may edit a value in place.
#pragma once

#include <string>
#include <vector>

#include "toolkit/component.h"

namespace toolkit {

struct ValueRow {
    std::string name;
    std::string value;

    bool operator==(const ValueRow&) const = default;
};

class ValueListEditor : public Control {
public:
    ValueListEditor(Control* parent, std::string name);

    const std::vector<ValueRow>& Rows() const { return rows_; }
    void SetRows(const std::vector<ValueRow>& rows);
    const std::string& KeyTitle() const { return keyTitle_; }
    const std::string& ValueTitle() const { return valueTitle_; }
    void SetTitles(const std::string& keyTitle, const std::string& valueTitle);
    int KeyColumnWidth() const { return keyWidth_; }
    int ValueColumnWidth() const { return valueWidth_; }
    void SetColumnWidths(int keyWidth, int valueWidth);
    int RowHeight() const { return rowHeight_; }
    void SetRowHeight(int height) { rowHeight_ = height; }
    bool Border() const { return border_; }
    void SetBorder(bool border) { border_ = border; }

    // The user edited the value of a row in place.
    void HandleValueEdited(std::size_t row, const std::string& value);

private:
    std::vector<ValueRow> rows_;
    std::string keyTitle_ = "Key";
    std::string valueTitle_ = "Value";
    int keyWidth_ = 150;
    int valueWidth_ = 150;
    int rowHeight_ = 18;
    bool border_ = true;
};

}  // namespace toolkit
