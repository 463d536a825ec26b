// zel-cli on whole archives, as a user runs it: folders walked, outputs in another
// folder, names from a list, a run resumed, JSON results, and shards.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/riff_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_reader.h"
#include "tools/synthetic_wav.h"

namespace zel {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

constexpr SignalFormat kFormat{1, 16, 8000};

test::ChildOutcome RunCli(const Args& args, const test::TempDir& scratch) {
    Args command = {"/usr/bin/env", "LANG=C", "LC_ALL=C", ZEL_CLI_PATH};
    command.insert(command.end(), args.begin(), args.end());
    test::ChildOptions options;
    options.scratchFolder = scratch.path();
    return test::RunChild(command, options);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

// The input names of tab-separated result lines.
std::vector<std::string> Inputs(const std::string& out) {
    std::vector<std::string> inputs;
    for (const std::string& line : Lines(out)) inputs.push_back(line.substr(0, line.find('\t')));
    return inputs;
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

class ArchiveCli : public ::testing::Test {
  protected:
    fs::path MakeInput(const std::string& relative, std::int64_t frames = 800) {
        const fs::path path = dir.path() / relative;
        fs::create_directories(path.parent_path());
        test::WriteWav(path, kFormat, SineSignal(kFormat, frames, 440.0, 0.5));
        return path;
    }
    std::string Tree() const { return (dir.path() / "tree").string(); }
    test::TempDir dir;
    test::TempDir scratch;
};

TEST_F(ArchiveCli, RecursiveWalkFindsWavFilesInSortedOrderAndSkipsTheRest) {
    MakeInput("tree/b/z.wav");
    MakeInput("tree/a.WAV");
    MakeInput("tree/b/a/y.wav");
    MakeInput("tree/no extension");  // a WAV by its header
    MakeInput("tree/.hidden/h.wav");
    MakeInput("tree/b/.zeltmp-left.wav");
    MakeInput("tree/b/old_ZEL.wav");  // a previous run's output
    std::ofstream(dir.path() / "tree/notes.txt") << "not audio";
    fs::create_directory_symlink("..", dir.path() / "tree/b/loop");

    const test::ChildOutcome r = RunCli({"-q", "-r", Tree()}, scratch);
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    const std::string t = Tree();
    EXPECT_EQ(Inputs(r.out), (std::vector<std::string>{t + "/a.WAV", t + "/b/a/y.wav",
                                                       t + "/b/z.wav", t + "/no extension"}))
        << r.out;
    EXPECT_TRUE(fs::exists(dir.path() / "tree/b/a/y_ZEL.wav"));
    EXPECT_FALSE(fs::exists(dir.path() / "tree/b/old_ZEL_ZEL.wav"));
}

TEST_F(ArchiveCli, OutputDirKeepsTheStructureBelowEachFolder) {
    MakeInput("tree/x/deep/one.wav");
    const fs::path loose = MakeInput("loose.wav");
    const fs::path out = dir.path() / "out";
    const test::ChildOutcome r =
        RunCli({"-q", "-r", "--output-dir", out.string(), Tree(), loose.string()}, scratch);
    ASSERT_EQ(r.exitStatus, 0) << r.err << r.out;
    EXPECT_TRUE(test::LoadWav(out / "x/deep/one_ZEL.wav").HeaderConsistent());
    EXPECT_TRUE(test::LoadWav(out / "loose_ZEL.wav").HeaderConsistent());
    EXPECT_FALSE(fs::exists(dir.path() / "tree/x/deep/one_ZEL.wav"));

    // Two inputs that would write the same output: refused before anything is written.
    MakeInput("tree/loose.wav");
    const fs::path out2 = dir.path() / "out2";
    const test::ChildOutcome clash =
        RunCli({"-q", "-r", "--output-dir", out2.string(), Tree(), loose.string()}, scratch);
    EXPECT_EQ(clash.exitStatus, 2);
    EXPECT_NE(clash.err.find("would both be written"), std::string::npos) << clash.err;
    EXPECT_FALSE(fs::exists(out2));
}

TEST_F(ArchiveCli, FilesFromReadsLinesOrNulSeparatedNames) {
    const fs::path odd = MakeInput("line\nbreak.wav");
    const fs::path plain = MakeInput("plain.wav");
    const fs::path nulList = dir.path() / "list0";
    std::ofstream(nulList, std::ios::binary) << odd.string() << '\0' << plain.string() << '\0';
    const test::ChildOutcome r = RunCli({"-q", "-0", "--files-from", nulList.string()}, scratch);
    EXPECT_EQ(r.exitStatus, 0) << r.err << r.out;
    EXPECT_TRUE(fs::exists(dir.path() / "line\nbreak_ZEL.wav"));
    EXPECT_EQ(Lines(r.out).size(), 2u) << r.out;

    const fs::path lineList = dir.path() / "list";
    std::ofstream(lineList) << plain.string() << "\n\n";
    const test::ChildOutcome byLine = RunCli({"-q", "--files-from", lineList.string()}, scratch);
    EXPECT_EQ(Inputs(byLine.out), std::vector<std::string>{plain.string()});
    const test::ChildOutcome missing =
        RunCli({"-q", "--files-from", (dir.path() / "none").string()}, scratch);
    EXPECT_EQ(missing.exitStatus, 2);
    EXPECT_NE(missing.err.find("cannot open the file list"), std::string::npos);
}

TEST_F(ArchiveCli, SkipExistingResumesAnInterruptedRun) {
    const fs::path done = MakeInput("tree/done.wav", 8000);
    const fs::path cut = MakeInput("tree/cut.wav", 8000);
    const fs::path broken = MakeInput("tree/broken.wav", 8000);
    MakeInput("tree/fresh.wav", 8000);
    // As ffmpeg writes by default: a LIST chunk before the data, carried into the output.
    const fs::path tagged = dir.path() / "tree/tagged.wav";
    {
        test::FieldWriter info;
        info.Id("INFO").Id("ISFT").U32(4).Id("Lavf");
        std::ofstream(tagged, std::ios::binary) << [&] {
            const test::Bytes bytes = test::RiffBuilder()
                                          .Chunk("LIST", info.bytes())
                                          .Chunk("fmt ", test::FmtPayload(1, 1, 8000, 2, 16))
                                          .Chunk("data", test::Bytes(16000, 1))
                                          .Build();
            return std::string(bytes.begin(), bytes.end());
        }();
    }
    const Args args = {"-q", "-r", "--rate", "16000", "--skip-existing", Tree()};
    ASSERT_EQ(RunCli({"-q", "--rate", "16000", done.string(), cut.string(), broken.string(),
                      tagged.string()},
                     scratch)
                  .exitStatus,
              0);
    // What an interrupted run leaves: a cancelled output (valid, but short) and a file
    // cut off by a full disk or a lost machine.
    const fs::path cutOut = dir.path() / "tree/cut_ZEL.wav";
    test::WriteWav(cutOut, {1, 16, 16000}, SineSignal({1, 16, 16000}, 9000, 440.0, 0.5));
    const fs::path brokenOut = dir.path() / "tree/broken_ZEL.wav";
    fs::resize_file(brokenOut, fs::file_size(brokenOut) - 100);
    const std::string doneBytes = ReadBytes(dir.path() / "tree/done_ZEL.wav");
    const std::string taggedBytes = ReadBytes(dir.path() / "tree/tagged_ZEL.wav");

    const test::ChildOutcome r = RunCli(args, scratch);
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    const std::string t = Tree();
    EXPECT_EQ(r.out, t + "/broken.wav\t0\t正常終了\n" + t + "/cut.wav\t0\t正常終了\n" + t +
                         "/done.wav\t2\tスキップ（既存の出力）\n" + t +
                         "/fresh.wav\t0\t正常終了\n" + t +
                         "/tagged.wav\t2\tスキップ（既存の出力）\n");
    EXPECT_EQ(ReadBytes(dir.path() / "tree/done_ZEL.wav"), doneBytes);
    EXPECT_EQ(ReadBytes(dir.path() / "tree/tagged_ZEL.wav"), taggedBytes);
    EXPECT_EQ(test::LoadWav(cutOut).Frames(), 16000);
    EXPECT_TRUE(test::LoadWav(brokenOut).HeaderConsistent());
    // A different rate is a different result: converted again.
    const test::ChildOutcome other =
        RunCli({"-q", "--rate", "22050", "--skip-existing", done.string()}, scratch);
    EXPECT_EQ(Lines(other.out).at(0), done.string() + "\t0\t正常終了");
    // Twice the speed is half the length: the longer output made before is replaced.
    const test::ChildOutcome faster = RunCli(
        {"-q", "--rate", "22050", "--speed", "200", "--skip-existing", done.string()}, scratch);
    EXPECT_EQ(Lines(faster.out).at(0), done.string() + "\t0\t正常終了");
    EXPECT_EQ(test::LoadWav(dir.path() / "tree/done_ZEL.wav").Frames(), 11025);
}

TEST_F(ArchiveCli, JsonResultsCarryEveryFieldEscaped) {
    const fs::path odd = MakeInput("quote\"back\\slash\ttab.wav", 8000);
    const fs::path missing = dir.path() / "missing.wav";
    const test::ChildOutcome r = RunCli(
        {"-q", "--results", "jsonl", "--rate", "16000", odd.string(), missing.string()}, scratch);
    EXPECT_EQ(r.exitStatus, 1);
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    const std::string folder = dir.path().string();
    EXPECT_EQ(lines[0].substr(0, lines[0].find(",\"seconds\":")),
              "{\"input\":\"" + folder + "/quote\\\"back\\\\slash\\ttab.wav\",\"output\":\"" +
                  folder +
                  "/quote\\\"back\\\\slash\\ttab_ZEL.wav\",\"code\":0,\"message\":\"正常終了\","
                  "\"framesIn\":8000,\"framesOut\":16000");
    EXPECT_NE(lines[0].find(",\"clippedSamples\":0,\"nonFiniteSamples\":0,"
                            "\"metadataChunksLeftOut\":0}"),
              std::string::npos)
        << lines[0];
    EXPECT_NE(lines[1].find("\"code\":-1,\"message\":\"入力ファイルオープンエラー\","
                            "\"framesIn\":0,\"framesOut\":0"),
              std::string::npos)
        << lines[1];
}

TEST_F(ArchiveCli, ShardsPartitionTheListAndKeepFilesWhereTheyAre) {
    for (int i = 0; i < 40; ++i) MakeInput("tree/f" + std::to_string(i) + ".wav", 100);
    auto shardOf = [&](int k) {
        const test::ChildOutcome r =
            RunCli({"-q", "-r", "--output-dir", (dir.path() / "out").string(), "--shard",
                    std::to_string(k) + "/3", Tree()},
                   scratch);
        EXPECT_EQ(r.exitStatus, 0) << r.err;
        const std::vector<std::string> inputs = Inputs(r.out);
        return std::set<std::string>(inputs.begin(), inputs.end());
    };
    std::set<std::string> all;
    std::size_t total = 0;
    std::vector<std::set<std::string>> before;
    for (int k = 0; k < 3; ++k) {
        before.push_back(shardOf(k));
        total += before.back().size();
        all.insert(before.back().begin(), before.back().end());
        EXPECT_FALSE(before.back().empty());
    }
    EXPECT_EQ(total, 40u);
    EXPECT_EQ(all.size(), 40u);
    // A new file joins one shard; the others stay where they were.
    MakeInput("tree/new.wav", 100);
    std::size_t grown = 0;
    for (int k = 0; k < 3; ++k) {
        const std::set<std::string> after = shardOf(k);
        EXPECT_TRUE(std::includes(after.begin(), after.end(), before[k].begin(), before[k].end()));
        grown += after.size() - before[k].size();
    }
    EXPECT_EQ(grown, 1u);
    EXPECT_EQ(RunCli({"--shard", "3/3", Tree()}, scratch).exitStatus, 2);
}

}  // namespace
}  // namespace zel
