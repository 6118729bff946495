// Posting the song the window shows to the user's web site, and logging the answer.
#include "tracker/http/song_submission.h"

#include "platform/codepage.h"
#include "ui/main_form.h"

void TMainForm::SendSongInfo(toolkit::Component&) {
    // The controls as they stand now, applied or not: an unchecked box or an empty URL
    // posts nothing. A URL of blanks is not empty and is tried.
    if (!urlbox.Text().empty() && send.Checked()) {
        std::optional<TMultipartFormStream> body;
        try {
            body.emplace();
            const TSongFields texts{.artist = ID3artist.Text(),
                                    .album = ID3album.Text(),
                                    .title = ID3title.Text(),
                                    .track = ID3track.Text(),
                                    .year = ID3year.Text(),
                                    .genre = ID3genre.Text(),
                                    .comment = ID3Comment.Text(),
                                    .filename = filename.Text(),
                                    .password = params.Text(),
                                    .charset = {}};
            // The box as it stands now, like `send`.
            AddSongFields(*body, WireFields(texts, utf8.Checked()));
        } catch (...) {
            // Logged like a failed post: nothing may interrupt the user from a timer.
            body.reset();
        }
        // Everything is read now; the exchange itself runs on the worker, and its lines
        // come back in the order of the submissions.
        // The address goes in the code page, as it always went.
        poster.Post(platform::AnsiFromUtf8(urlbox.Text()), std::move(body), FileNamePart(filename.Text()), log);
    }
    // One submission per arming of the timer, whatever happened.
    Timer2.SetEnabled(false);
}
