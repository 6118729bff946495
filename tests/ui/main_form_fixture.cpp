#include "tests/ui/main_form_fixture.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/codepage.h"

namespace {

#ifdef _WIN32
constexpr char kHostFolderName[] = "Player";
constexpr char kSeparator[] = "\\";
#else
constexpr char kHostFolderName[] = "Player\\";
constexpr char kSeparator[] = "/";
#endif

// Something that stands for audio after the tag.
const std::vector<unsigned char> kAudio(4000, 0x55);

std::string BoundaryOf(const std::string& head) {
    const std::string marker = "boundary=";
    const std::size_t at = head.find(marker);
    if (at == std::string::npos) throw std::runtime_error("no boundary in: " + head);
    const std::size_t end = head.find("\r\n", at);
    return head.substr(at + marker.size(), end - at - marker.size());
}

}  // namespace

std::intptr_t PlaylistPlayer::Send(player::WindowHandle window, std::uint32_t message,
                                   std::uintptr_t wParam, std::intptr_t lParam) {
    messages.push_back({window, message, wParam, lParam});
    if (message == player::WM_COMMAND_MESSAGE) {
        const auto command = static_cast<std::uint16_t>(wParam);
        if (onCommand) onCommand(command);
        commands.push_back(command);
        return 0;
    }
    if (message != player::WM_USER_MESSAGE) return 0;
    if (lParam == player::IPC_GETLISTPOS) return position;
    const auto index = static_cast<std::int32_t>(static_cast<std::uint32_t>(wParam));
    if (index < 0 || static_cast<std::size_t>(index) >= playlist.size()) return 0;
    const std::string& name = playlist[static_cast<std::size_t>(index)];
    // The answer is an address in the player's memory: here, a text this player owns.
    if (lParam == player::IPC_GETPLAYLISTFILE) {
        ansiAnswers_.push_back(std::make_unique<std::string>(platform::AnsiFromUtf8(name)));
        return reinterpret_cast<std::intptr_t>(ansiAnswers_.back()->c_str());
    }
    if (lParam == player::IPC_GETPLAYLISTFILEW && !oldPlayer) {
        wideAnswers_.push_back(std::make_unique<std::u16string>(platform::Utf16FromUtf8(name)));
        return reinterpret_cast<std::intptr_t>(wideAnswers_.back()->c_str());
    }
    return 0;
}

std::string PlaylistPlayer::CopyText(std::intptr_t address) {
    return reinterpret_cast<const char*>(address);
}

std::u16string PlaylistPlayer::CopyWideText(std::intptr_t address) {
    return reinterpret_cast<const char16_t*>(address);
}

FormFields ParseFormFields(const std::string& requestHead, const std::string& requestBody) {
    const std::string delimiter = "--" + BoundaryOf(requestHead);
    FormFields fields;
    std::size_t at = requestBody.find(delimiter);
    while (at != std::string::npos) {
        const std::size_t partStart = at + delimiter.size();
        if (requestBody.compare(partStart, 2, "--") == 0) break;  // the closing delimiter
        const std::size_t next = requestBody.find("\r\n" + delimiter, partStart);
        if (next == std::string::npos) throw std::runtime_error("unterminated part");
        const std::string part = requestBody.substr(partStart, next - partStart);
        const std::size_t nameAt = part.find("name=\"");
        const std::size_t nameEnd = part.find('"', nameAt + 6);
        const std::size_t valueAt = part.find("\r\n\r\n");
        if (nameAt == std::string::npos || valueAt == std::string::npos)
            throw std::runtime_error("malformed part: " + part);
        fields.emplace_back(part.substr(nameAt + 6, nameEnd - nameAt - 6), part.substr(valueAt + 4));
        at = next + 2;
    }
    return fields;
}

MainFormFixture::MainFormFixture() {
    std::filesystem::create_directory(HostFolder());
}

MainFormFixture::~MainFormFixture() = default;

MainFormContext MainFormFixture::Context() {
    MainFormContext context{songTag, lastFileName, player, [] { return kPlayerWindow; }};
    context.hostExecutablePath = [this] { return HostExecutable(); };
    context.utcNow = [this] { return kClockStartMs + static_cast<std::int64_t>(backend.now()); };
    return context;
}

TMainForm& MainFormFixture::Build() {
    form_ = std::make_unique<TMainForm>(backend, Context());
    return *form_;
}

TMainForm& MainFormFixture::Open() {
    Build().ShowAndBringToFront();
    return *form_;
}

std::string MainFormFixture::MakeSong(const std::string& name, const SongTagFields* tag) {
    test_support::WriteBytes(dir.Native(name), kAudio);
    if (tag) {
        TID3v2 writer;
        writer.SetArtist(tag->artist);
        writer.SetTitle(tag->title);
        writer.SetAlbum(tag->album);
        writer.SetYear(tag->year);
        writer.SetGenre(tag->genre);
        writer.SetComment(tag->comment);
        writer.SetTrackNumber(tag->track);
        if (!writer.WriteTag(dir.File(name))) throw std::runtime_error("cannot tag " + name);
    }
    return platform::Utf8FromUtf16(dir.File(name));
}

TID3v2 MainFormFixture::ReadSong(const std::string& path) const {
    TID3v2 tag;
    tag.ReadTag(platform::Utf16FromUtf8(path));
    return tag;
}

std::filesystem::path MainFormFixture::HostFolder() const {
    return dir.path() / kHostFolderName;
}

std::string MainFormFixture::HostExecutable() const {
    return platform::AnsiFromUtf16(dir.path().u16string()) + kSeparator + "Player\\winamp.exe";
}

std::string MainFormFixture::SettingsPathText() const {
    return platform::AnsiFromUtf16(dir.path().u16string()) + kSeparator +
           "Player\\/Plugins/gen_quillon.ini";
}

void MainFormFixture::WriteSettings(const std::string& content) {
    std::filesystem::create_directories(PluginsFolder());
    test_support::WriteBytes(SettingsFile(), {content.begin(), content.end()});
}

std::vector<std::string> MainFormFixture::SettingsLines() const {
    std::ifstream in(SettingsFile(), std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

void MainFormFixture::Apply() {
    backend.Input(form_->PageControl1, &toolkit::PageControl::HandlePageChosen, 1);
    backend.Input(form_->Button1, &toolkit::Control::HandleClick);
}

void MainFormFixture::Play(const std::string& path) {
    player.playlist.push_back(path);
    player.position = static_cast<std::int32_t>(player.playlist.size() - 1);
}
