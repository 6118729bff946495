// Writing the edited tag into the playing file, and reloading it from there.
#include "platform/codepage.h"
#include "platform/text.h"
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

    // The player keeps the file open while it plays; paused, it may let go of it.
    player::SendPlayerCommand(context_.player, context_.playerWindow(), player::WINAMP_BUTTON3);
    const std::string& path = filename.Text();
    switch (tag.Write(platform::Utf16FromAnsi(path))) {
        case TID3v2::WriteResult::kWritten:
            btnWriteTags.SetEnabled(false);
            btnReloadTags.SetEnabled(false);
            break;
        case TID3v2::WriteResult::kUnreadableTag:
            toolkit::ShowMessage(*this, "Tag not written: the tag of " + path.substr(platform::FileNameStart(path)) +
                                            " could not be read whole.");
            break;
        case TID3v2::WriteResult::kFailed:
            toolkit::ShowMessage(*this, "Unable to write tags to file. The file might be read only "
                                        "or in use (playing).");
            break;
    }
    player::SendPlayerCommand(context_.player, context_.playerWindow(), player::WINAMP_BUTTON2);
}
