// Posting the song the window shows to the user's web site, and logging the answer.
#include "tracker/http/song_submission.h"
#include "ui/main_form.h"

void TMainForm::SendSongInfo(toolkit::Component&) {
    // The controls as they stand now, applied or not: an unchecked box or an empty URL
    // posts nothing. A URL of blanks is not empty and is tried.
    if (!urlbox.Text().empty() && send.Checked()) {
        TMultipartFormStream body;
        std::string buffer;  // declared after the body, so released before it
        try {
            AddSongFields(body, TSongFields{.artist = ID3artist.Text(),
                                            .album = ID3album.Text(),
                                            .title = ID3title.Text(),
                                            .track = ID3track.Text(),
                                            .year = ID3year.Text(),
                                            .genre = ID3genre.Text(),
                                            .comment = ID3Comment.Text(),
                                            .filename = filename.Text(),
                                            .password = params.Text()});
            http.Request.ContentType = body.FormContentType();
            http.PostForm(urlbox.Text(), body, buffer);
        } catch (...) {
            // Every failure of whatever kind: the log lines below are the only report, and
            // nothing may interrupt the user with a box from a timer or skip disarming it.
        }
        for (const std::string& line : SubmissionResultLines(http, buffer)) log.AddLine(line);
    }
    // One submission per arming of the timer, whatever happened.
    Timer2.SetEnabled(false);
}
