// Every component's text, place, look and initial state.
#include "ui/main_form.h"

#include "ui/addresses.h"

std::vector<Placement> TMainForm::Layout() {
    // Every page fills the area under the one row of tabs.
    constexpr toolkit::Bounds page{4, 27, 325, 226};
    return {
        {PageControl1, "", {0, 0, 333, 257}, 0},
        {Panel1, "", {0, 257, 333, 64}, 1},
        {TabSheet1, "MP3 Information", page, -1},
        {TabSheet2, "Configuration", page, -1},
        {TabSheet3, "Help", page, -1},
        {TabSheet4, "About", page, -1},
        {TabSheet5, "Log", page, -1},

        {GroupBox1, "ID3 Tag Info", {0, 0, 325, 129}, 0},
        {Label3, "Artist:", {31, 20, 26, 13}, -1},
        {Label4, "Title:", {34, 40, 23, 13}, -1},
        {Label5, "Album:", {25, 60, 32, 13}, -1},
        {Label7, "Year:", {32, 80, 25, 13}, -1},
        {Label9, "Genre:", {124, 80, 32, 13}, -1},
        {Label8, "Comment:", {10, 100, 47, 13}, -1},
        {Label6, "Track: #", {218, 100, 41, 13}, -1},
        {ID3artist, "", {60, 20, 250, 16}, 0},
        {ID3title, "", {60, 40, 250, 16}, 1},
        {ID3album, "", {60, 60, 250, 16}, 2},
        {ID3year, "", {60, 80, 50, 16}, 3},
        {ID3genre, "", {160, 80, 150, 16}, 4},
        {ID3Comment, "", {60, 100, 150, 16}, 5},
        {ID3track, "", {264, 100, 45, 16}, 6},
        {GroupBox3, "File Info", {0, 129, 325, 57}, 1},
        {labelf, "Filename:", {8, 20, 45, 13}, -1},
        {filename, "", {60, 20, 250, 16}, 0},
        {btnWriteTags, "Write Tags", {247, 196, 75, 25}, 2},
        {btnReloadTags, "Reload Tags", {166, 196, 75, 25}, 3},

        {GroupBox2, "Configuration", {0, 0, 325, 226}, 0},
        {urlbox, "", {76, 24, 229, 21}, 2},
        {Label10, "Timeout:", {32, 54, 41, 13}, -1},
        {timeout, "", {76, 51, 77, 22}, 7},
        {Label11, "(milli seconds)", {159, 54, 65, 13}, -1},
        {params, "", {76, 79, 229, 21}, 4},
        {Memo1, "", {76, 106, 229, 41}, 6},
        {Label2, "Interval:", {32, 163, 38, 13}, -1},
        {interval, "", {76, 160, 45, 22}, 3},
        {Label14, "(seconds song must play until post)", {127, 163, 164, 13}, -1},
        {send, "Post song data", {76, 188, 97, 17}, 0},
        {utf8, "Send text as &UTF-8", {76, 206, 113, 17}, 1},
        {Button1, "&Apply", {240, 188, 75, 25}, 5},

        {GroupBox4, "Parameters Sent", {0, 0, 325, 180}, 0},
        {ValueListEditor1, "", {2, 15, 321, 163}, 0},
        {Memo2, "", {0, 180, 325, 46}, 1},

        {Memo3, "", {0, 0, 325, 226}, 0},

        {log, "", {0, 0, 325, 226}, 0},

        {GroupBox5, "About", {5, 0, 323, 59}, 0},
        {Label1, ui::kAuthorshipNotice, {12, 16, 180, 13}, -1},
        {Label12, ui::kMakerAddress, {12, 35, 121, 13}, -1},
        {Image1, "", {252, 19, 62, 31}, -1},
    };
}

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

    for (const Placement& placement : Layout()) {
        placement.control.SetText(placement.text);
        placement.control.SetBounds(placement.bounds);
        placement.control.SetTabOrder(placement.tabOrder);
    }
    BuildTagFields();
    BuildConfigurationPage();
    BuildHelpPage();
    BuildAboutPages();

    Timer1.SetInterval(1000);
    Timer1.SetEnabled(true);
    Timer2.SetEnabled(false);
    Timer2.SetInterval(30000);
}

// Borderless, bold and without a length limit.
void TMainForm::BuildTagFields() {
    toolkit::Font font;
    font.bold = true;
    font.charset = toolkit::kDefaultCharset;
    for (toolkit::Edit* field : {&ID3artist, &ID3title, &ID3album, &ID3year, &ID3genre, &ID3Comment,
                                 &ID3track, &filename}) {
        field->SetBorder(false);
        field->SetFont(font);
    }
    filename.SetReadOnly(true);
    filename.SetColor(toolkit::clBtnFace);
    btnWriteTags.SetEnabled(false);
    btnReloadTags.SetEnabled(false);
}

void TMainForm::BuildConfigurationPage() {
    urlbox.SetEditLabel("URL:", 25, 13);
    timeout.SetRange(10, 60000);
    timeout.SetValue(30000);
    params.SetEditLabel("Password:", 49, 13);
    Memo1.SetLines({
        "This is the extra paramenter \"password\" that will ",
        "be be posted along with the ID3 tags. Use it to ",
        "verify it's you posting and not an imposter.",
    });
    Memo1.SetBorder(false);
    Memo1.SetColor(toolkit::clBtnFace);
    interval.SetRange(10, 240);
    interval.SetValue(10);
    send.SetChecked(false);
    Button1.SetEnabled(false);
}

void TMainForm::BuildHelpPage() {
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
    Memo2.SetLines({
        "If you wish to know how to implement this on your website using php ",
        "visit my website for example code.",
    });
    Memo2.SetBorder(false);
    Memo2.SetColor(toolkit::clBtnFace);
    Memo2.SetReadOnly(true);
}

// The version history, the log and the About strip.
void TMainForm::BuildAboutPages() {
    const std::string rule(34, '-');
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

    log.SetBorder(false);
    // A player runs for weeks, and an answer's body may be a whole web page.
    log.SetTextCap(kLogCapBytes);

    toolkit::Font linkFont;
    linkFont.color = toolkit::clBlue;
    linkFont.underline = true;
    Label12.SetFont(linkFont);
    Image1.SetPicture(ui::kDonationPictureResource);
}
