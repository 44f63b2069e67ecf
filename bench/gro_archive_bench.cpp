// .gro archive access on an archive of 10 000 members (50 folders, 3000 bytes each): listing
// the .tex members and extracting the last member (the worst case: every entry before it is
// walked).
//
// libarchive turns each entry's DOS time into a time_t with mktime(), and glibc re-reads
// /etc/localtime on every mktime() while TZ is unset. The listing is therefore measured twice:
// with TZ unset, and with TZ pinned to the same zone file (":/etc/localtime"), which a program
// can do once at start-up.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "../tests/texformats/zip_builder.h"
#include "platform/file_io.h"
#include "texformats/gro_archive.h"

namespace {

constexpr int kMembers = 10000;

const std::string& ArchivePath() {
    static const std::string path = [] {
        std::vector<testing_support::ZipEntry> entries;
        for (int i = 0; i < kMembers; ++i)
            entries.push_back({"Textures/Set" + std::to_string(i % 50) + "/Texture" + std::to_string(i) + ".tex",
                               std::string(3000, char('a' + i % 26))});
        const std::vector<uint8_t> zip = testing_support::BuildZip(entries);
        const std::string file = (std::filesystem::temp_directory_path() / "glimmer-bench-10000.gro").string();
        WriteFileAtomic(file, zip);
        return file;
    }();
    return path;
}

void ListMembers(benchmark::State& state) {
    std::vector<ArchiveMember> members;
    for (auto _ : state) benchmark::DoNotOptimize(ListArchiveTexMembers(ArchivePath(), members));
    state.counters["members"] = double(members.size());
}

void BM_ListTzUnset(benchmark::State& state) {
    unsetenv("TZ");
    ListMembers(state);
}

void BM_ListTzPinned(benchmark::State& state) {
    setenv("TZ", ":/etc/localtime", 1);
    ListMembers(state);
    unsetenv("TZ");
}

void BM_ExtractLastMember(benchmark::State& state) {
    const std::string last = "Textures/Set49/Texture9999.tex";
    ByteBuffer bytes;
    for (auto _ : state) benchmark::DoNotOptimize(ExtractArchiveMember(ArchivePath(), last, bytes));
    state.counters["bytes"] = double(bytes.size());
}

}  // namespace

BENCHMARK(BM_ListTzUnset)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListTzPinned)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractLastMember)->Unit(benchmark::kMillisecond);
