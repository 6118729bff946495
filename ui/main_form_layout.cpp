// Every component's text, place, look and initial state.
#include "ui/main_form.h"

#include "ui/addresses.h"

using toolkit::Bounds;

namespace {

toolkit::Font TagFieldFont() {
    toolkit::Font font;
    font.bold = true;
    font.charset = toolkit::kDefaultCharset;
    return font;
}

void Place(toolkit::Control& control, const std::string& text, Bounds bounds, int tabOrder = -1) {
    control.SetText(text);
    control.SetBounds(bounds);
    control.SetTabOrder(tabOrder);
}

// Borderless, bold and without a length limit.
void MakeTagField(toolkit::Edit& edit, Bounds bounds, int tabOrder) {
    Place(edit, "", bounds, tabOrder);
    edit.SetBorder(false);
    edit.SetFont(TagFieldFont());
}

}  // namespace

void TMainForm::BuildWindow() {
    SetText("Quillon 1.0");
    SetClientSize(333, 321);
    toolkit::FormStyle style;
    style.stayOnTop = true;
    style.sizeable = false;
    style.maximizeBox = false;
    style.desktopCenter = true;
    style.screenSnap = true;
    style.snapBuffer = 10;
    SetStyle(style);
    SetIcon(ui::kIconResource);
    SetColor(toolkit::clBtnFace);
    SetFont(toolkit::Font{});

    Place(PageControl1, "", {0, 0, 333, 257}, 0);
    Place(Panel1, "", {0, 257, 333, 64}, 1);
    Place(TabSheet1, "MP3 Information", TabSheet1.GetBounds());
    Place(TabSheet2, "Configuration", TabSheet2.GetBounds());
    Place(TabSheet3, "Help", TabSheet3.GetBounds());
    Place(TabSheet4, "About", TabSheet4.GetBounds());
    Place(TabSheet5, "Log", TabSheet5.GetBounds());

    BuildInformationPage();
    BuildConfigurationPage();
    BuildHelpPage();
    BuildHistoryAndLogPages();
    BuildAboutStrip();

    Timer1.SetInterval(1000);
    Timer1.SetEnabled(true);
    Timer2.SetEnabled(false);
    Timer2.SetInterval(30000);
}

void TMainForm::BuildInformationPage() {
    Place(GroupBox1, "ID3 Tag Info", {0, 0, 325, 129}, 0);
    Place(Label3, "Artist:", {31, 20, 26, 13});
    Place(Label4, "Title:", {34, 40, 23, 13});
    Place(Label5, "Album:", {25, 60, 32, 13});
    Place(Label7, "Year:", {32, 80, 25, 13});
    Place(Label9, "Genre:", {124, 80, 32, 13});
    Place(Label8, "Comment:", {10, 100, 47, 13});
    Place(Label6, "Track: #", {218, 100, 41, 13});
    MakeTagField(ID3artist, {60, 20, 250, 16}, 0);
    MakeTagField(ID3title, {60, 40, 250, 16}, 1);
    MakeTagField(ID3album, {60, 60, 250, 16}, 2);
    MakeTagField(ID3year, {60, 80, 50, 16}, 3);
    MakeTagField(ID3genre, {160, 80, 150, 16}, 4);
    MakeTagField(ID3Comment, {60, 100, 150, 16}, 5);
    MakeTagField(ID3track, {264, 100, 45, 16}, 6);

    Place(GroupBox3, "File Info", {0, 129, 325, 57}, 1);
    Place(labelf, "Filename:", {8, 20, 45, 13});
    MakeTagField(filename, {60, 20, 250, 16}, 0);
    filename.SetReadOnly(true);
    filename.SetColor(toolkit::clBtnFace);

    Place(btnWriteTags, "Write Tags", {247, 196, 75, 25}, 2);
    btnWriteTags.SetEnabled(false);
    Place(btnReloadTags, "Reload Tags", {166, 196, 75, 25}, 3);
    btnReloadTags.SetEnabled(false);
}

void TMainForm::BuildConfigurationPage() {
    Place(GroupBox2, "Configuration", {0, 0, 325, 226}, 0);
    Place(urlbox, "", {76, 24, 229, 21}, 1);
    urlbox.SetEditLabel("URL:", 25, 13);
    Place(Label10, "Timeout:", {32, 54, 41, 13});
    Place(timeout, "", {76, 51, 77, 22}, 6);
    timeout.SetRange(10, 60000);
    timeout.SetValue(30000);
    Place(Label11, "(milli seconds)", {159, 54, 65, 13});
    Place(params, "", {76, 79, 229, 21}, 3);
    params.SetEditLabel("Password:", 49, 13);
    Place(Memo1, "", {76, 106, 229, 41}, 5);
    Memo1.SetLines({
        "This is the extra paramenter \"password\" that will ",
        "be be posted along with the ID3 tags. Use it to ",
        "verify it's you posting and not an imposter.",
    });
    Memo1.SetBorder(false);
    Memo1.SetColor(toolkit::clBtnFace);
    Place(Label2, "Interval:", {32, 163, 38, 13});
    Place(interval, "", {76, 160, 45, 22}, 2);
    interval.SetRange(10, 240);
    interval.SetValue(10);
    Place(Label14, "(seconds song must play until post)", {127, 163, 164, 13});
    Place(send, "Post song data", {76, 188, 97, 17}, 0);
    send.SetChecked(false);
    Place(Button1, "&Apply", {240, 188, 75, 25}, 4);
    Button1.SetEnabled(false);
}

void TMainForm::BuildHelpPage() {
    Place(GroupBox4, "Parameters Sent", {0, 0, 325, 180}, 0);
    Place(ValueListEditor1, "", {2, 15, 321, 163}, 0);
    ValueListEditor1.SetBorder(false);
    ValueListEditor1.SetRowHeight(17);
    ValueListEditor1.SetColumnWidths(108, 211);
    ValueListEditor1.SetTitles("Parameter", "Value");
    ValueListEditor1.SetRows({
        {"artist", "ID3 Artist"},
        {"album", "ID3 Album"},
        {"title", "ID3 Title"},
        {"comment", "ID3 Comment"},
        {"year", "ID3 Year"},
        {"genre", "ID3 Genre"},
        {"filename", "Filename of the MP3"},
        {"password", "The optional password"},
    });
    Place(Memo2, "", {0, 180, 325, 46}, 1);
    Memo2.SetLines({
        "If you wish to know how to implement this on your website using php ",
        "visit my website for example code.",
    });
    Memo2.SetBorder(false);
    Memo2.SetColor(toolkit::clBtnFace);
    Memo2.SetReadOnly(true);
}

void TMainForm::BuildHistoryAndLogPages() {
    const std::string rule(34, '-');
    Place(Memo3, "", {0, 0, 325, 226}, 0);
    Memo3.SetLines({
        "Version History",
        rule,
        "Version 1.0",
        "* Rewrote it all from scratch using a different unit for id3v2.4 ",
        "reading/writing",
        "* Removed id3v1 support (Who needs it anyway?)",
        "* Added support for editiing id3 tags",
        "",
        "",
        "Version 0.7",
        "* URL Encodes everyting before POST/GET (doh!)",
        "",
        "Version 0.6",
        "* HTTP Encodes everyting before POST/GET",
        "",
        "Credits",
        rule,
        "ID3v2 tag unit",
        ui::kProjectAddress,
    });
    Memo3.SetReadOnly(true);

    Place(log, "", {0, 0, 325, 226}, 0);
    log.SetBorder(false);
    // A player runs for weeks, and an answer's body may be a whole web page.
    log.SetTextCap(kLogCapBytes);
}

void TMainForm::BuildAboutStrip() {
    Place(GroupBox5, "About", {5, 0, 323, 59}, 0);
    Place(Label1, ui::kAuthorshipNotice, {12, 16, 180, 13});
    Place(Label12, ui::kMakerAddress, {12, 35, 121, 13});
    toolkit::Font linkFont;
    linkFont.color = toolkit::clBlue;
    linkFont.underline = true;
    Label12.SetFont(linkFont);
    Place(Image1, "", {252, 19, 62, 31});
    Image1.SetPicture(ui::kDonationPictureResource);
}
