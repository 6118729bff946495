// Recording the song the window shows as a play, which the poster then sends.
#include "platform/codepage.h"
#include "tracker/http/song_submission.h"
#include "tracker/settings_values.h"
#include "ui/main_form.h"

void TMainForm::SendSongInfo(toolkit::Component&) {
    // The controls as they stand now, applied or not: an unchecked box or an empty URL
    // records nothing. A URL of blanks is not empty and is tried.
    if (!urlbox.Text().empty() && send.Checked()) {
        try {
            // Written down before any network work; the password is read at each try.
            poster.Record(TSongFields{.artist = ID3artist.Text(),
                                      .album = ID3album.Text(),
                                      .title = ID3title.Text(),
                                      .track = ID3track.Text(),
                                      .year = ID3year.Text(),
                                      .genre = ID3genre.Text(),
                                      .comment = ID3Comment.Text(),
                                      .filename = filename.Text(),
                                      .password = "",
                                      .charset = ""},
                          songCurrentSinceMs_, OutboxPath());
        } catch (...) {
            // Nothing may interrupt the user from a timer (memory running out).
        }
    }
    // One play per arming of the timer, whatever happened.
    Timer2.SetEnabled(false);
}

TSongPoster::Target TMainForm::PostTarget() const {
    return {urlbox.Text(), params.Text(), send.Checked(), utf8.Checked()};
}

const std::u16string& TMainForm::OutboxPath() {
    if (outboxPath_.empty())
        outboxPath_ = platform::Utf16FromAnsi(tracker::OutboxFilePath(context_.hostExecutablePath()));
    return outboxPath_;
}
