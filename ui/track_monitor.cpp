// Following the player's current song: the poll tick and the filling of the tag edits.
#include "platform/codepage.h"
#include "tags/id3v2.h"
#include "ui/main_form.h"

void TMainForm::Timer1Timer(toolkit::Component&) {
    // Plays waiting from before (this run's or an earlier one's) go when their try is due.
    poster.Poll(OutboxPath());
    const std::int32_t position =
        player::QueryPlayer(context_.player, context_.playerWindow(), player::IPC_GETLISTPOS, 0);
    filename.SetText(player::QueryPlayerFileName(context_.player, context_.playerWindow(), position));
    // The field carries the name: what it holds is what gets compared and remembered.
    if (filename.Text() == context_.lastFileName) return;
    context_.lastFileName = filename.Text();
    songCurrentSinceMs_ = context_.utcNow();
    loadTrack();
    // Already counting for an earlier song: it runs on, so the submission comes one period
    // after the first change and carries the song shown then.
    Timer2.SetEnabled(true);
}

void TMainForm::loadTrack() {
    for (toolkit::Edit* field : {&ID3title, &ID3artist, &ID3album, &ID3track, &ID3year,
                                 &ID3genre, &ID3Comment}) {
        field->SetText("");
    }
    TID3v2& tag = context_.songTag;
    // A file that cannot be read has neither tag, which is all that matters here.
    tag.ReadTag(platform::Utf16FromUtf8(filename.Text()));
    if (!tag.TagPresent && !tag.Version1TagPresent) return;
    ID3title.SetText(tag.Title);
    ID3artist.SetText(tag.Artist);
    ID3album.SetText(tag.Album);
    ID3track.SetText(std::to_string(tag.TrackNumber));
    ID3year.SetText(tag.Year);
    ID3genre.SetText(tag.Genre);
    ID3Comment.SetText(tag.Comment);
}
