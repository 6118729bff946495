// Tag unit speed: reading a typical tag (against TagLib reading the same fields), writing in
// place (a typical tag; a one-field edit of a file with a large picture, with the bytes each
// edit writes), and rebuilding a 20 MB file (against a plain copy of the same size). Prints
// the ratios after the runs.
//
//   build/native/bench/tags_bench [--benchmark_repetitions=N]
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include "tags/id3v2.h"

namespace {

namespace fs = std::filesystem;

const fs::path& WorkDirectory() {
    static const fs::path directory = [] {
        fs::path path = fs::temp_directory_path() / ("quillon-bench-" + std::to_string(::getpid()));
        fs::create_directories(path);
        return path;
    }();
    return directory;
}

std::string Frame(const std::string& id, const std::string& content) {
    const std::size_t size = content.size() + 1;  // encoding byte
    std::string frame = id;
    for (int shift = 24; shift >= 0; shift -= 8) frame += static_cast<char>((size >> shift) & 0xFF);
    frame += std::string(2, '\0') + std::string(1, '\0') + content;
    return frame;
}

// A typical tag of ten frames, padded to 4096 bytes as many taggers leave it.
std::string TypicalTag() {
    std::string frames = Frame("TIT2", "Dancing In The Moonlight") + Frame("TPE1", "The Example Band") +
                         Frame("TALB", "Songs For A Benchmark") + Frame("TRCK", "7/12") +
                         Frame("TYER", "1999") + Frame("TCON", "(17)Rock") +
                         Frame("COMM", std::string("eng\0", 4) + "Recorded live in one take") +
                         Frame("TCOM", "A. Composer") + Frame("TENC", "LAME 3.100") +
                         Frame("TCOP", "1999 Example Records");
    const std::size_t body = 4096 - 10;
    frames.resize(body, '\0');
    std::string header = "ID3";
    header += '\x03';
    header += std::string(2, '\0');
    for (int k = 3; k >= 0; --k) header += static_cast<char>((body >> (7 * k)) & 0x7F);
    return header + frames;
}

std::string Audio(std::size_t size) {
    std::string audio(size, '\0');
    for (std::size_t i = 0; i < size; ++i) audio[i] = static_cast<char>((i * 131) >> 3);
    for (std::size_t i = 0; i + 4 <= size; i += 418) audio.replace(i, 4, "\xFF\xFB\x90\x64");
    return audio;
}

fs::path MakeFile(const std::string& name, const std::string& content) {
    const fs::path path = WorkDirectory() / name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

const fs::path& ReadSample() {
    static const fs::path path = MakeFile("read.mp3", TypicalTag() + Audio(4 << 20));
    return path;
}

void BM_ReadTag_Quillon(benchmark::State& state) {
    const std::u16string path = ReadSample().u16string();
    for (auto _ : state) {
        TID3v2 tag;
        tag.ReadTag(path);
        benchmark::DoNotOptimize(tag.Title.data());
        benchmark::DoNotOptimize(tag.Composer.data());
        benchmark::DoNotOptimize(tag.TrackNumber);
    }
}

std::string TagLibFrameText(TagLib::ID3v2::Tag& tag, const char* id) {
    const auto& frames = tag.frameListMap()[id];
    return frames.isEmpty() ? std::string() : frames.front()->toString().to8Bit();
}

void BM_ReadTag_TagLib(benchmark::State& state) {
    const std::string path = ReadSample().string();
    for (auto _ : state) {
        // The same fields; audio properties are not asked for.
        TagLib::MPEG::File file(path.c_str(), false);
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
        std::string texts = tag->title().to8Bit() + tag->artist().to8Bit() + tag->album().to8Bit() +
                            tag->genre().to8Bit() + tag->comment().to8Bit() +
                            TagLibFrameText(*tag, "TRCK") + TagLibFrameText(*tag, "TCOM") +
                            TagLibFrameText(*tag, "TENC") + TagLibFrameText(*tag, "TCOP");
        unsigned year = tag->year();
        benchmark::DoNotOptimize(texts.data());
        benchmark::DoNotOptimize(year);
    }
}

TID3v2 EditedTag() {
    TID3v2 tag;
    tag.SetTitle("Dancing In The Moonlight (Remastered)");
    tag.SetArtist("The Example Band");
    tag.SetAlbum("Songs For A Benchmark");
    tag.SetTrackNumber(7);
    tag.SetYear("1999");
    tag.SetGenre("Rock");
    tag.SetComment("Recorded live in one take");
    return tag;
}

void BM_WriteTag_InPlace(benchmark::State& state) {
    const std::u16string path = MakeFile("inplace.mp3", TypicalTag() + Audio(4 << 20)).u16string();
    const TID3v2 tag = EditedTag();
    for (auto _ : state) {
        if (!tag.WriteTag(path)) state.SkipWithError("write failed");
    }
}

// Bytes this process has handed to write calls so far (Linux).
double BytesWritten() {
    std::ifstream io("/proc/self/io");
    std::string key;
    double value = 0;
    while (io >> key >> value) {
        if (key == "wchar:") return value;
    }
    return 0;
}

// A one-field edit of a 20 MB file whose tag holds a 3 MB picture: the title grows by a few
// bytes each time and still fits into the old tag's padding.
void BM_WriteTag_OneFieldWithPicture20MB(benchmark::State& state) {
    std::string picture = Frame("APIC", std::string("image/jpeg\0\x03\0", 13) + Audio(3 << 20));
    std::string frames = Frame("TIT2", "Title") + Frame("TPE1", "The Example Band") + picture;
    const std::size_t body = frames.size() + 4096;
    frames.resize(body, '\0');
    std::string header = "ID3";
    header += '\x03';
    header += std::string(2, '\0');
    for (int k = 3; k >= 0; --k) header += static_cast<char>((body >> (7 * k)) & 0x7F);
    const std::string content = header + frames + Audio((20 << 20) - header.size() - frames.size());
    const std::u16string path = MakeFile("picture.mp3", content).u16string();
    TID3v2 tag;
    tag.ReadTag(path);
    int edit = 0;
    const double writtenBefore = BytesWritten();
    for (auto _ : state) {
        tag.SetTitle("Title " + std::to_string(edit++ % 1000));
        if (!tag.WriteTag(path)) state.SkipWithError("write failed");
    }
    // The audio starts at header.size() + frames.size(): a write of fewer bytes left it alone.
    state.counters["written_per_edit"] = (BytesWritten() - writtenBefore) / static_cast<double>(state.iterations());
}

// A 20 MB file without a tag gets one: the whole file is rewritten. The file is made anew,
// untimed, before each write, since a rebuilt tag leaves room for the next edit.
void BM_WriteTag_Rebuild20MB(benchmark::State& state) {
    const std::string audio = Audio(20 << 20);
    const fs::path file = WorkDirectory() / "rebuild.mp3";
    const std::u16string path = file.u16string();
    TID3v2 tag = EditedTag();
    tag.SetComment(std::string(5000, 'c'));
    for (auto _ : state) {
        state.PauseTiming();
        MakeFile("rebuild.mp3", audio);
        state.ResumeTiming();
        if (!tag.WriteTag(path)) state.SkipWithError("rebuild failed");
    }
}

// The yardstick for the rebuild: the same bytes copied in the same blocks, made durable the
// same way (flushed to disk before closing), then renamed into place.
void CopyFile(const fs::path& from, const fs::path& to, bool flush) {
    const int in = ::open(from.c_str(), O_RDONLY);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char> block(61440);
    ssize_t got;
    while ((got = ::read(in, block.data(), block.size())) > 0) {
        if (::write(out, block.data(), static_cast<std::size_t>(got)) != got) break;
    }
    if (flush) ::fsync(out);
    ::close(in);
    ::close(out);
}

void BM_PlainCopy20MB(benchmark::State& state) {
    const bool flush = state.range(0) != 0;
    const fs::path source = MakeFile("copy-source.mp3", Audio(20 << 20));
    const fs::path target = WorkDirectory() / "copy-target.mp3";
    const fs::path temporary = WorkDirectory() / "copy-target.mp3~";
    for (auto _ : state) {
        CopyFile(source, temporary, flush);
        fs::rename(temporary, target);
    }
}

BENCHMARK(BM_ReadTag_Quillon);
BENCHMARK(BM_ReadTag_TagLib);
BENCHMARK(BM_WriteTag_InPlace)->UseRealTime();
BENCHMARK(BM_WriteTag_OneFieldWithPicture20MB)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteTag_Rebuild20MB)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainCopy20MB)->ArgName("flushed")->Arg(1)->Arg(0)->UseRealTime()->Unit(benchmark::kMillisecond);

// Remembers the mean time of each benchmark for the closing summary.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.repetitions > 1) continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "mean") continue;
            nanoseconds[run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args)] =
                run.GetAdjustedRealTime() * benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
                benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
    }
    std::map<std::string, double> nanoseconds;
};

void PrintRatio(const SummaryReporter& reporter, const char* what, const std::string& slow,
                const std::string& fast, const char* target) {
    const auto a = reporter.nanoseconds.find(slow), b = reporter.nanoseconds.find(fast);
    if (a == reporter.nanoseconds.end() || b == reporter.nanoseconds.end()) return;
    std::printf("%-52s %8.2f   (%s)\n", what, a->second / b->second, target);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    PrintRatio(reporter, "read: TagLib time / our time", "BM_ReadTag_TagLib", "BM_ReadTag_Quillon",
               "target: at least 2");
    PrintRatio(reporter, "rebuild 20 MB: our time / flushed plain copy", "BM_WriteTag_Rebuild20MB",
               "BM_PlainCopy20MB/flushed:1", "target: at most 1.5");
    PrintRatio(reporter, "rebuild 20 MB: our time / unflushed plain copy", "BM_WriteTag_Rebuild20MB",
               "BM_PlainCopy20MB/flushed:0", "for reference");
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(WorkDirectory(), ignored);
    return 0;
}
