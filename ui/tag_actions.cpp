// Writing the edited tag into the playing file, and reloading it from there.
#include "platform/codepage.h"
#include "tags/id3v2.h"
#include "toolkit/dialogs.h"
#include "tracker/settings_values.h"
#include "ui/main_form.h"

void TMainForm::btnReloadTagsClick(toolkit::Component&) {
    loadTrack();
    btnWriteTags.SetEnabled(false);
    btnReloadTags.SetEnabled(false);
}

void TMainForm::btnWriteTagsClick(toolkit::Component&) {
    TID3v2& tag = context_.songTag;
    tag.SetArtist(ID3artist.Text());
    tag.SetTitle(ID3title.Text());
    tag.SetAlbum(ID3album.Text());
    // A track text that is no whole number ends the action here, before the player is
    // paused and before anything is written; the error box shows it.
    tag.SetTrackNumber(tracker::StrToInt(ID3track.Text()));
    tag.SetYear(ID3year.Text());
    tag.SetGenre(ID3genre.Text());
    tag.SetComment(ID3Comment.Text());

    auto play = [this] { player::SendPlayerCommand(context_.player, context_.playerWindow(), player::WINAMP_BUTTON2); };
    // The player keeps the file open while it plays; paused, it may let go of it.
    player::SendPlayerCommand(context_.player, context_.playerWindow(), player::WINAMP_BUTTON3);
    try {
        const std::string path = filename.Text();
        const TWriteResult written = tag.WriteTag(platform::Utf16FromUtf8(path));
        if (written) {
            btnWriteTags.SetEnabled(false);
            btnReloadTags.SetEnabled(false);
        } else {
            // The name without its folder, which may be long.
            const std::string name = path.substr(path.find_last_of("\\/") + 1);
            toolkit::ShowMessage(*this, WriteFailureMessage(written.failure, name));
        }
    } catch (...) {
        // Whatever went wrong (the error box will say), the player does not stay paused.
        play();
        throw;
    }
    play();
}
