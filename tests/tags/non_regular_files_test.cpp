// What is not a plain music file: links at the temporary name, permission bits, and pipes
// named in the playlist.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "tests/tags/tag_bytes.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace tag_bytes;
using test_support::ReadBytes;
using test_support::TempDir;
using test_support::WriteBytes;

namespace {

// The start of a version 3 tag, as a pipe might offer it.
const Bytes kHeader = Header(3, 100);

}  // namespace

#ifndef _WIN32
namespace {

namespace fs = std::filesystem;

const Bytes kAudio = Bytes(3000, 0x33);

// Writes a tag that needs a rebuild of the file.
bool WriteSongTitle(const std::u16string& path) {
    TID3v2 tag;
    tag.SetTitle("Song");
    return tag.WriteTag(path);
}

}  // namespace

TEST(NonRegularFiles, ALinkAtTheTemporaryNameIsReplacedAndWhatItPointsToStaysUntouched) {
    for (bool dangling : {false, true}) {
        SCOPED_TRACE(dangling ? "dangling link" : "link to a file");
        TempDir dir;
        WriteBytes(dir.Native("song.mp3"), kAudio);
        const Bytes precious = FromText("someone else's file");
        if (!dangling) WriteBytes(dir.Native("precious"), precious);
        fs::create_symlink(dir.Native("precious"), dir.Native("song.mp3~"));

        ASSERT_TRUE(WriteSongTitle(dir.File("song.mp3")));
        EXPECT_FALSE(fs::is_symlink(dir.Native("song.mp3")));
        EXPECT_FALSE(fs::exists(fs::symlink_status(dir.Native("song.mp3~"))));
        EXPECT_EQ(ReadBytes(dir.Native("song.mp3")).size(), 4096 + kAudio.size());
        if (dangling)
            EXPECT_FALSE(fs::exists(dir.Native("precious")));
        else
            EXPECT_EQ(ReadBytes(dir.Native("precious")), precious);
    }
}

TEST(NonRegularFiles, ARebuiltFileKeepsItsPermissionBits) {
    for (mode_t mode : {0600, 0660}) {
        SCOPED_TRACE(mode);
        TempDir dir;
        WriteBytes(dir.Native("song.mp3"), kAudio);
        ASSERT_EQ(::chmod(dir.Native("song.mp3").c_str(), mode), 0);
        ASSERT_TRUE(WriteSongTitle(dir.File("song.mp3")));
        struct stat info {};
        ASSERT_EQ(::stat(dir.Native("song.mp3").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, mode);
        EXPECT_EQ(ReadBytes(dir.Native("song.mp3")).size(), 4096 + kAudio.size());
    }
}

TEST(NonRegularFiles, AFifoReadsAsNoTagAtOnceAndIsNotWritten) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.Native("pipe.mp3").c_str(), 0600), 0);
    // A writer holds the FIFO open and has put the start of a tag into it.
    const int writer = ::open(dir.Native("pipe.mp3").c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, kHeader.data(), kHeader.size()), static_cast<ssize_t>(kHeader.size()));
    TID3v2 tag;
    EXPECT_FALSE(tag.ReadTag(dir.File("pipe.mp3")));
    EXPECT_FALSE(tag.TagPresent);
    EXPECT_FALSE(WriteSongTitle(dir.File("pipe.mp3")));
    EXPECT_FALSE(fs::exists(dir.Native("pipe.mp3~")));
    ::close(writer);
}
#else
TEST(NonRegularFiles, APipeReadsAsNoTagAtOnce) {
    const std::wstring name =
        L"\\\\.\\pipe\\quillon-tag-test-" + std::to_wstring(GetCurrentProcessId());
    HANDLE server = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT,
                                     1, 4096, 4096, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    // Whoever connects is offered the start of a tag and then nothing more, as a pipe that
    // a reader took for a file would hold it.
    std::thread offer([server] {
        if (ConnectNamedPipe(server, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED) {
            DWORD written = 0;
            WriteFile(server, kHeader.data(), static_cast<DWORD>(kHeader.size()), &written, nullptr);
        }
    });
    TID3v2 tag;
    EXPECT_FALSE(tag.ReadTag(std::u16string(name.begin(), name.end())));
    EXPECT_FALSE(tag.TagPresent);
    // Should the reader never have connected, this connection lets the offer end.
    HANDLE client = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    offer.join();
    if (client != INVALID_HANDLE_VALUE) CloseHandle(client);
    CloseHandle(server);
}
#endif
