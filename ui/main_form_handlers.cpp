// The window's own handlers: creation, closing, keys, the enabling of the action buttons
// and the link and picture of the About strip.
#include "ui/main_form.h"

#include "toolkit/dialogs.h"
#include "ui/addresses.h"

void TMainForm::FormCreate(toolkit::Component&) {
    LoadSettings();
    PageControl1.SetActivePageIndex(0);
}

void TMainForm::FormClose(toolkit::Component&, toolkit::CloseAction& Action) {
    // Closing only hides: the window lives, and keeps polling, until the library unloads.
    Action = toolkit::CloseAction::caNone;
    Hide();
}

void TMainForm::FormKeyDown(toolkit::Component&, std::uint16_t& Key, toolkit::ShiftState Shift) {
    if (Key == toolkit::kKeyF4 && (Shift & toolkit::ssAlt)) Key = 0;
}

void TMainForm::ID3artistKeyDown(toolkit::Component&, std::uint16_t&, toolkit::ShiftState) {
    btnWriteTags.SetEnabled(true);
    btnReloadTags.SetEnabled(true);
}

void TMainForm::urlboxChange(toolkit::Component&) {
    Button1.SetEnabled(true);
}

void TMainForm::Label12Click(toolkit::Component&) {
    toolkit::ShellOpen(*this, ui::kMakerAddress);
}

void TMainForm::Label12MouseEnter(toolkit::Component&) {
    Label12.SetCursor(toolkit::crHandPoint);
    linkNormalColor = Label12.EffectiveFont().color;
    Label12.SetFontColor(linkHoverColor);
}

void TMainForm::Label12MouseLeave(toolkit::Component&) {
    Label12.SetCursor(toolkit::crDefault);
    Label12.SetFontColor(linkNormalColor);
}

void TMainForm::Image1Click(toolkit::Component&) {
    toolkit::ShellOpen(*this, ui::kDonationAddress);
}

void TMainForm::Image1MouseEnter(toolkit::Component&) {
    Image1.SetCursor(toolkit::crHandPoint);
}

void TMainForm::Image1MouseLeave(toolkit::Component&) {
    Image1.SetCursor(toolkit::crDefault);
}
