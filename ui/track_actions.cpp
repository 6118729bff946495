// Handlers that follow the player, submit songs, store settings and write tags; they are
// wired now and filled in with the track monitor, submission and settings work.
#include "ui/main_form.h"

void TMainForm::loadTrack() {}

void TMainForm::Timer1Timer(toolkit::Component&) {}

void TMainForm::SendSongInfo(toolkit::Component&) {}

void TMainForm::SaveSettings(toolkit::Component&) {}

void TMainForm::btnWriteTagsClick(toolkit::Component&) {}

void TMainForm::btnReloadTagsClick(toolkit::Component&) {}
