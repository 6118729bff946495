// The window's layout as the design fixes it: every control's parent, place, fixed text
// (as the window shows it once created, settings loaded from no file) and tab order
// (-1: none), and the fixed lines of its memos and table.
#pragma once

#include <string>
#include <vector>

struct ExpectedControl {
    const char* name;
    const char* parent;
    int left, top, width, height;
    const char* text;
    int tabOrder;
};

inline const std::vector<ExpectedControl>& ExpectedLayout() {
    static const std::vector<ExpectedControl> layout = {
        {"PageControl1", "MainForm", 0, 0, 333, 257, "", 0},
        {"Panel1", "MainForm", 0, 257, 333, 64, "", 1},
        {"TabSheet1", "PageControl1", 4, 27, 325, 226, "MP3 Information", -1},
        {"TabSheet2", "PageControl1", 4, 27, 325, 226, "Configuration", -1},
        {"TabSheet3", "PageControl1", 4, 27, 325, 226, "Help", -1},
        {"TabSheet4", "PageControl1", 4, 27, 325, 226, "About", -1},
        {"TabSheet5", "PageControl1", 4, 27, 325, 226, "Log", -1},
        {"GroupBox1", "TabSheet1", 0, 0, 325, 129, "ID3 Tag Info", 0},
        {"Label3", "GroupBox1", 31, 20, 26, 13, "Artist:", -1},
        {"Label4", "GroupBox1", 34, 40, 23, 13, "Title:", -1},
        {"Label5", "GroupBox1", 25, 60, 32, 13, "Album:", -1},
        {"Label7", "GroupBox1", 32, 80, 25, 13, "Year:", -1},
        {"Label9", "GroupBox1", 124, 80, 32, 13, "Genre:", -1},
        {"Label8", "GroupBox1", 10, 100, 47, 13, "Comment:", -1},
        {"Label6", "GroupBox1", 218, 100, 41, 13, "Track: #", -1},
        {"ID3artist", "GroupBox1", 60, 20, 250, 16, "", 0},
        {"ID3title", "GroupBox1", 60, 40, 250, 16, "", 1},
        {"ID3album", "GroupBox1", 60, 60, 250, 16, "", 2},
        {"ID3year", "GroupBox1", 60, 80, 50, 16, "", 3},
        {"ID3genre", "GroupBox1", 160, 80, 150, 16, "", 4},
        {"ID3Comment", "GroupBox1", 60, 100, 150, 16, "", 5},
        {"ID3track", "GroupBox1", 264, 100, 45, 16, "", 6},
        {"GroupBox3", "TabSheet1", 0, 129, 325, 57, "File Info", 1},
        {"labelf", "GroupBox3", 8, 20, 45, 13, "Filename:", -1},
        {"filename", "GroupBox3", 60, 20, 250, 16, "", 0},
        {"btnWriteTags", "TabSheet1", 247, 196, 75, 25, "Write Tags", 2},
        {"btnReloadTags", "TabSheet1", 166, 196, 75, 25, "Reload Tags", 3},
        {"GroupBox2", "TabSheet2", 0, 0, 325, 226, "Configuration", 0},
        // The two settings whose loaded defaults differ from what the layout creates.
        {"urlbox", "GroupBox2", 76, 24, 229, 21, "http://127.0.0.1/test.php", 1},
        {"urlboxSubLabel", "GroupBox2", 48, 28, 25, 13, "URL:", -1},
        {"Label10", "GroupBox2", 32, 54, 41, 13, "Timeout:", -1},
        {"timeout", "GroupBox2", 76, 51, 77, 22, "30000", 6},
        {"Label11", "GroupBox2", 159, 54, 65, 13, "(milli seconds)", -1},
        {"params", "GroupBox2", 76, 79, 229, 21, "", 3},
        {"paramsSubLabel", "GroupBox2", 24, 83, 49, 13, "Password:", -1},
        {"Memo1", "GroupBox2", 76, 106, 229, 41, nullptr, 5},
        {"Label2", "GroupBox2", 32, 163, 38, 13, "Interval:", -1},
        {"interval", "GroupBox2", 76, 160, 45, 22, "30", 2},
        {"Label14", "GroupBox2", 127, 163, 164, 13, "(seconds song must play until post)", -1},
        {"send", "GroupBox2", 76, 188, 97, 17, "Post song data", 0},
        {"Button1", "GroupBox2", 240, 188, 75, 25, "&Apply", 4},
        {"GroupBox4", "TabSheet3", 0, 0, 325, 180, "Parameters Sent", 0},
        {"ValueListEditor1", "GroupBox4", 2, 15, 321, 163, nullptr, 0},
        {"Memo2", "TabSheet3", 0, 180, 325, 46, nullptr, 1},
        {"Memo3", "TabSheet4", 0, 0, 325, 226, nullptr, 0},
        {"log", "TabSheet5", 0, 0, 325, 226, "", 0},
        {"GroupBox5", "Panel1", 5, 0, 323, 59, "About", 0},
        {"Label1", "GroupBox5", 12, 16, 180, 13, nullptr, -1},
        {"Label12", "GroupBox5", 12, 35, 121, 13, nullptr, -1},
        {"Image1", "GroupBox5", 252, 19, 62, 31, nullptr, -1},
    };
    return layout;
}

inline const std::vector<std::string>& ExpectedMemo1() {
    static const std::vector<std::string> lines = {
        "This is the extra paramenter \"password\" that will ",
        "be be posted along with the ID3 tags. Use it to ",
        "verify it's you posting and not an imposter.",
    };
    return lines;
}

inline const std::vector<std::string>& ExpectedMemo2() {
    static const std::vector<std::string> lines = {
        "If you wish to know how to implement this on your website using php ",
        "visit my website for example code.",
    };
    return lines;
}

// The first 18 lines; the 19th is the project's own address.
inline const std::vector<std::string>& ExpectedMemo3Head() {
    static const std::vector<std::string> lines = {
        "Version History",
        "----------------------------------",
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
        "----------------------------------",
        "ID3v2 tag unit",
    };
    return lines;
}

// Name, value.
inline const std::vector<std::pair<std::string, std::string>>& ExpectedTableRows() {
    static const std::vector<std::pair<std::string, std::string>> rows = {
        {"artist", "ID3 Artist"},
        {"album", "ID3 Album"},
        {"title", "ID3 Title"},
        {"comment", "ID3 Comment"},
        {"year", "ID3 Year"},
        {"genre", "ID3 Genre"},
        {"filename", "Filename of the MP3"},
        {"password", "The optional password"},
    };
    return rows;
}
