// The folder walk (zel-cli -r and the window's folder scan) over a folder of mixed
// containers: every readable extension is taken, the rules that leave files out hold
// for each of them.

#include "batch/folder_walk.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "engine/sndfile/sound_file_formats.h"
#include "tests/support/temp_dir.h"

namespace zel {
namespace {

namespace fs = std::filesystem;

struct WalkRow {
    const char* name;
    bool listed;
};

// Only names matter to the walk for these: none of the bytes is a RIFF/WAVE header.
constexpr WalkRow kMixedFolder[] = {
    {"a.flac", true},          {"b.aiff", true},          {"c.mp3", true},
    {"d.wav", true},           {"e.OGG", true},           {"song_ZEL.flac", false},
    {".hidden.flac", false},   {"notes.txt", false},      {"take_ZEL.aif", false},
};

TEST(FolderWalk, TakesEveryReadableContainerAndLeavesOutTheSameNamesAsForWav) {
    if (!HasReadableExtension("a.flac")) GTEST_SKIP() << "this build reads WAV only (no libsndfile)";
    test::TempDir dir;
    std::vector<std::string> expected;
    std::size_t outputNames = 0;
    for (const WalkRow& row : kMixedFolder) {
        std::ofstream(dir / row.name) << "audio";
        if (row.listed) expected.push_back(row.name);
        if (std::string(row.name).find("_ZEL.") != std::string::npos) ++outputNames;
    }
    WalkRules rules;
    rules.suffix = "_ZEL";
    const WalkResult walk = WalkFolder(dir.path(), rules);

    std::vector<std::string> listed;
    for (const BatchEntry& entry : walk.entries) listed.push_back(entry.relative);
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(walk.namedLikeOutputs, outputNames);
}

}  // namespace
}  // namespace zel
