// Building the window, wiring its events and its lifetime.
#include "ui/main_form.h"

using toolkit::Handler;

TMainForm::TMainForm(toolkit::Backend& backend, MainFormContext context)
    : toolkit::Form(backend, "MainForm"), context_(std::move(context)) {
    // Settings first, handlers after: building the window raises no events.
    BuildWindow();
    WireEvents();
    Loaded();
}

TMainForm::~TMainForm() {
    poster.Stop(0);
    DestroyHandle();
}

void TMainForm::ShowAndBringToFront() {
    Show();
    BringToFront();
}

void TMainForm::WireEvents() {
    OnCreate = Handler(this, &TMainForm::FormCreate);
    OnClose = Handler(this, &TMainForm::FormClose);
    OnKeyDown = Handler(this, &TMainForm::FormKeyDown);
    for (toolkit::Edit* tagField : {&ID3artist, &ID3title, &ID3album, &ID3year, &ID3genre,
                                    &ID3Comment, &ID3track}) {
        tagField->OnKeyDown = Handler(this, &TMainForm::ID3artistKeyDown);
    }
    btnWriteTags.OnClick = Handler(this, &TMainForm::btnWriteTagsClick);
    btnReloadTags.OnClick = Handler(this, &TMainForm::btnReloadTagsClick);
    for (toolkit::Edit* setting : std::initializer_list<toolkit::Edit*>{&urlbox, &params, &interval, &timeout}) {
        setting->OnChange = Handler(this, &TMainForm::urlboxChange);
    }
    send.OnClick = Handler(this, &TMainForm::urlboxChange);
    utf8.OnClick = Handler(this, &TMainForm::urlboxChange);
    Button1.OnClick = Handler(this, &TMainForm::SaveSettings);
    Label12.OnClick = Handler(this, &TMainForm::Label12Click);
    Label12.OnMouseEnter = Handler(this, &TMainForm::Label12MouseEnter);
    Label12.OnMouseLeave = Handler(this, &TMainForm::Label12MouseLeave);
    Image1.OnClick = Handler(this, &TMainForm::Image1Click);
    Image1.OnMouseEnter = Handler(this, &TMainForm::Image1MouseEnter);
    Image1.OnMouseLeave = Handler(this, &TMainForm::Image1MouseLeave);
    Timer1.OnTimer = Handler(this, &TMainForm::Timer1Timer);
    Timer2.OnTimer = Handler(this, &TMainForm::SendSongInfo);
}
