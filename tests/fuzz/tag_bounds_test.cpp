// Reading a tag that declares 256 MiB and holds 64 MiB of one-byte frames: the reader's
// memory and time follow what it reads, never the sizes declared. Writing a 30 MB tag of
// empty frames: the writer holds at most four times the tag. Measured in a child process,
// whose peak resident memory is its own; the figures are printed.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tags/id3v2.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr std::size_t kFramesBytes = 64u << 20;
constexpr std::uint32_t kDeclaredBody = 0x0FFFFFFF;  // the most four synchsafe bytes can say
#ifdef __SANITIZE_ADDRESS__
constexpr double kCpuSecondsBound = 100;  // an unoptimised, instrumented build
#else
constexpr double kCpuSecondsBound = 10;
#endif

// Header, frames of one content byte each (known ids and others in turn), then a hole up to
// the declared end, so that the tag fits in the file and the walk meets its zero padding.
void WriteHugeTag(const std::filesystem::path& file) {
    std::ofstream out(file, std::ios::binary);
    out.write("ID3\x03\x00\x00\x7F\x7F\x7F\x7F", 10);
    const char* const ids[] = {"TIT2", "TPE1", "COMM", "TXXX", "WXXX", "APIC", "TRCK", "ZZZZ"};
    std::string block;
    std::size_t written = 0;
    for (std::size_t i = 0; written + 11 <= kFramesBytes; ++i, written += 11) {
        block.append(ids[i % 8], 4);
        block.append("\x00\x00\x00\x01\x00\x00\x00", 7);
        if (block.size() >= (1u << 20)) {
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
            block.clear();
        }
    }
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
    out.close();
    std::filesystem::resize_file(file, std::uintmax_t{kDeclaredBody} + 10 + 4096);
}

struct Figures {
    long peakKiB = 0;      // the child's peak resident memory
    long startKiB = 0;     // its resident memory just before the work
    double seconds = 0;    // wall-clock time of the work
    double cpuSeconds = 0;  // processor time of the whole child, the work nearly all of it
    bool done = false;     // the work gave what it should
};

long ResidentKiB() {
    long pages = 0, resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Runs `work` in a child process and measures it there.
template <typename Work>
Figures MeasureInChild(Work work) {
    int channel[2];
    if (pipe(channel) != 0) throw std::runtime_error("pipe");
    const pid_t child = fork();
    if (child == 0) {
        Figures figures;
        figures.startKiB = ResidentKiB();
        const auto start = std::chrono::steady_clock::now();
        figures.done = work();
        figures.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        figures.peakKiB = usage.ru_maxrss;
        figures.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                             static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        const bool sent = write(channel[1], &figures, sizeof figures) == sizeof figures;
        _exit(sent ? 0 : 1);
    }
    close(channel[1]);
    Figures figures;
    const bool received = read(channel[0], &figures, sizeof figures) == sizeof figures;
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!received || !WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("the child failed");
    return figures;
}

TEST(TagBounds, AHugeDeclaredTagOfTinyFramesIsReadInBoundedMemoryAndTime) {
    test_support::TempDir dir;
    WriteHugeTag(dir.Native("huge.mp3"));
    const std::u16string path = dir.File("huge.mp3");
    const Figures figures = MeasureInChild([&] {
        TID3v2 tag;
        tag.ReadTag(path);
        return tag.TagPresent && tag.TotalSize == static_cast<std::int32_t>(kDeclaredBody + 10);
    });
    std::printf("read: peak resident %ld KiB (%ld KiB before the read), %.3f s (%.3f s of processor time)\n",
                figures.peakKiB, figures.startKiB, figures.seconds, figures.cpuSeconds);
    EXPECT_TRUE(figures.done);
    // What the read itself added; the process around it (sanitizers included) comes on top.
    EXPECT_LT(figures.peakKiB - figures.startKiB, 32 * 1024);
    // Generous, and in processor time, which other work on the machine does not stretch: the
    // figure above is what counts; this catches a read that grows with the declared size or
    // with the square of the frames.
    EXPECT_LT(figures.cpuSeconds, kCpuSecondsBound);
}

TEST(TagBounds, AWriteHoldsAtMostFourTimesTheTag) {
    constexpr std::size_t kBody = 30'000'000;
    const struct {
        const char* what;
        std::string frames;
    } cases[] = {
        // Three million empty frames.
        {"empty frames", [] {
             std::string frames;
             for (std::size_t i = 0; i < kBody / 10; ++i) frames.append(i % 2 ? "TXXX" : "PRIV").append(6, '\0');
             return frames;
         }()},
        {"one picture", [] {
             std::string frames = "APIC";
             for (int shift = 24; shift >= 0; shift -= 8) frames += static_cast<char>(((kBody - 10) >> shift) & 0xFF);
             frames.append(2, '\0');
             frames.append(kBody - 10, '\x89');
             return frames;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test_support::TempDir dir;
        {
            std::ofstream out(dir.Native("song.mp3"), std::ios::binary);
            const char header[] = {'I', 'D', '3', 3, 0, 0, static_cast<char>((kBody >> 21) & 0x7F),
                                   static_cast<char>((kBody >> 14) & 0x7F), static_cast<char>((kBody >> 7) & 0x7F),
                                   static_cast<char>(kBody & 0x7F)};
            out.write(header, sizeof header);
            out.write(c.frames.data(), static_cast<std::streamsize>(c.frames.size()));
            out.write("audio", 5);
        }
        const std::u16string path = dir.File("song.mp3");
        const Figures figures = MeasureInChild([&] {
            TID3v2 tag;
            tag.SetYear("2001");
            return static_cast<bool>(tag.WriteTag(path));
        });
        std::printf("write of a %zu-byte tag of %s: peak resident %ld KiB (%ld KiB before the write), %.3f s\n",
                    kBody + 10, c.what, figures.peakKiB, figures.startKiB, figures.seconds);
        EXPECT_TRUE(figures.done);
        EXPECT_LT(figures.peakKiB - figures.startKiB, static_cast<long>(4 * (kBody + 10) / 1024) + 8 * 1024);
        TID3v2 back;
        ASSERT_TRUE(back.ReadTag(path));
        EXPECT_EQ(back.Year, "2001");
        // Rebuilt: the year's frame, then 4096 bytes of room, in front of the audio.
        EXPECT_EQ(std::filesystem::file_size(dir.Native("song.mp3")), 10 + kBody + 15 + 4096 + 5);
    }
}

}  // namespace
