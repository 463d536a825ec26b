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

constexpr uid_t kOrdinaryUser = 65534;

test::ChildOutcome RunCommand(Args command, const Args& args, const test::TempDir& scratch,
                              const std::string& program = ZEL_CLI_PATH) {
    command.insert(command.end(), {"/usr/bin/env", "LANG=C", "LC_ALL=C", program});
    command.insert(command.end(), args.begin(), args.end());
    test::ChildOptions options;
    options.scratchFolder = scratch.path();
    return test::RunChild(command, options);
}

test::ChildOutcome RunCli(const Args& args, const test::TempDir& scratch) {
    return RunCommand({}, args, scratch);
}

// Root reads every folder; an ordinary user is held to the permissions. The user runs a
// copy of zel-cli in `home`, which it owns: the build's own may lie where only root can
// reach it (a checkout in /root).
test::ChildOutcome RunCliAsOrdinaryUser(const Args& args, const test::TempDir& scratch,
                                        const fs::path& home) {
    if (::geteuid() != 0) return RunCli(args, scratch);
    const fs::path copy = home / "zel-cli";
    std::error_code error;
    fs::copy_file(ZEL_CLI_PATH, copy, fs::copy_options::overwrite_existing, error);
    if (error || ::chown(copy.c_str(), kOrdinaryUser, kOrdinaryUser) != 0) return {};
    const std::string id = std::to_string(kOrdinaryUser);
    return RunCommand({"/usr/bin/setpriv", "--reuid=" + id, "--regid=" + id, "--clear-groups"},
                      args, scratch, copy.string());
}

// Makes a folder and everything in it the ordinary user's, when the test runs as root.
bool HandToOrdinaryUser(const fs::path& folder) {
    if (::geteuid() != 0) return true;
    bool ok = ::lchown(folder.c_str(), kOrdinaryUser, kOrdinaryUser) == 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        ok = ::lchown(entry.path().c_str(), kOrdinaryUser, kOrdinaryUser) == 0 && ok;
    return ok;
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

// A folder link leading out of the folder given is left out and named; one leading back
// into it adds nothing, and a file reached again through a link is converted once, under
// its own name.
TEST_F(ArchiveCli, RecursiveWalkNeverLeavesTheFolderGiven) {
    MakeInput("archive/x.wav");
    MakeInput("archive/sub/y.wav");
    MakeInput("elsewhere/Music/song.wav");
    fs::create_directory_symlink("../elsewhere", dir.path() / "archive/link");
    fs::create_directory_symlink("sub", dir.path() / "archive/again");
    fs::create_symlink("x.wav", dir.path() / "archive/alias.wav");

    const std::string a = (dir.path() / "archive").string();
    const test::ChildOutcome r = RunCli({"-q", "-r", a}, scratch);
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(Inputs(r.out), (std::vector<std::string>{a + "/sub/y.wav", a + "/x.wav"})) << r.out;
    EXPECT_EQ(r.err,
              "zel-cli: left out '" + a + "/link': a folder link leading outside '" + a + "'\n");
    EXPECT_FALSE(fs::exists(dir.path() / "elsewhere/Music/song_ZEL.wav"));
    EXPECT_FALSE(fs::exists(dir.path() / "archive/alias_ZEL.wav"));
}

// Run as an ordinary user, since root reads every folder.
TEST_F(ArchiveCli, AFolderThatCannotBeReadIsNamedAndFailsTheRun) {
    struct Row {
        const char* what;
        const char* locked;
        const char* converted;  // empty: none
    };
    const Row rows[] = {{"a subfolder", "tree/locked", "tree/ok.wav"},
                        {"the top folder", "tree", ""}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        test::TempDir home;
        const fs::path tree = home / "tree";
        fs::create_directories(tree / "locked");
        test::WriteWav(tree / "ok.wav", kFormat, SineSignal(kFormat, 800, 440.0, 0.5));
        test::WriteWav(tree / "locked/gone.wav", kFormat, SineSignal(kFormat, 800, 440.0, 0.5));
        ASSERT_TRUE(HandToOrdinaryUser(home.path()));
        const fs::path locked = home / row.locked;
        fs::permissions(locked, fs::perms::none);

        const test::ChildOutcome r = RunCliAsOrdinaryUser({"-q", "-r", tree.string()}, scratch, home.path());
        fs::permissions(locked, fs::perms::owner_all);
        EXPECT_EQ(r.exitStatus, 1) << r.err;
        EXPECT_EQ(r.err,
                  "zel-cli: cannot read the folder '" + locked.string() + "': Permission denied\n");
        const std::string converted = *row.converted ? (home / row.converted).string() : "";
        EXPECT_EQ(Inputs(r.out), converted.empty() ? std::vector<std::string>{}
                                                   : std::vector<std::string>{converted});
        EXPECT_FALSE(fs::exists(tree / "locked/gone_ZEL.wav"));
    }
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
}

// An output folder that would lose an output, or that leaves nothing to convert, is
// refused for its cause before anything is written.
TEST_F(ArchiveCli, AnOutputDirThatCannotWorkIsRefusedForItsCause) {
    MakeInput("tree/a/take.wav");
    MakeInput("tree/b/take.wav");
    const fs::path loose = MakeInput("loose.wav");
    MakeInput("tree/loose.wav");
    // A link in the output folder makes two of its folders one.
    fs::create_directories(dir.path() / "linked/a");
    fs::create_directory_symlink("a", dir.path() / "linked/b");
    struct Row {
        const char* what;
        const char* outputDir;
        Args inputs;
        std::string refusal;
    };
    const std::string t = Tree();
    const Row rows[] = {
        {"two inputs of one name", "out", {t, loose.string()}, "would both be written"},
        {"folders made one by a link", "linked", {t}, "would both be written"},
        {"the input folder itself",
         "tree",
         {t},
         "the output folder '" + t + "' is the folder '" + t + "' given with -r"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const fs::path out = dir.path() / row.outputDir;
        Args args = {"-q", "-r", "--output-dir", out.string()};
        args.insert(args.end(), row.inputs.begin(), row.inputs.end());
        const test::ChildOutcome r = RunCli(args, scratch);
        EXPECT_EQ(r.exitStatus, 2);
        EXPECT_NE(r.err.find(row.refusal), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(fs::exists(dir.path() / "out"));
    EXPECT_FALSE(fs::exists(dir.path() / "linked/a/take_ZEL.wav"));
    EXPECT_FALSE(fs::exists(dir.path() / "tree/a/take_ZEL.wav"));
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

    // A NUL byte in a list of lines: the name it would cut is refused, not shortened.
    const fs::path nulInLine = dir.path() / "list-nul";
    std::ofstream(nulInLine, std::ios::binary) << plain.string() << "\n\n"
                                               << plain.string() << '\0' << "x.wav\n";
    const test::ChildOutcome cut = RunCli({"-q", "--files-from", nulInLine.string()}, scratch);
    EXPECT_EQ(cut.exitStatus, 2);
    EXPECT_NE(cut.err.find("'" + nulInLine.string() + "'"), std::string::npos) << cut.err;
    EXPECT_NE(cut.err.find("line 3"), std::string::npos) << cut.err;
    EXPECT_EQ(cut.out, "");
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
    EXPECT_NE(lines[1].find("\"code\":-1,\"message\":\"入力ファイルオープンエラー（ファイルが見つかりません）\","
                            "\"framesIn\":0,\"framesOut\":0"),
              std::string::npos)
        << lines[1];

    // A stray byte as a lone low surrogate (Python's surrogateescape), so a Latin-1 name
    // and its UTF-8 twin stay apart.
    const fs::path latin1 = MakeInput("caf\xe9.wav");
    const fs::path utf8 = MakeInput("caf\u00e9.wav");
    const test::ChildOutcome names =
        RunCli({"-q", "--results", "jsonl", latin1.string(), utf8.string()}, scratch);
    const std::vector<std::string> nameLines = Lines(names.out);
    ASSERT_EQ(nameLines.size(), 2u) << names.out;
    EXPECT_EQ(nameLines[0].substr(0, nameLines[0].find(",\"code\":")),
              "{\"input\":\"" + folder + "/caf\\udce9.wav\",\"output\":\"" + folder +
                  "/caf\\udce9_ZEL.wav\"");
    EXPECT_EQ(nameLines[1].substr(0, nameLines[1].find(",\"code\":")),
              "{\"input\":\"" + folder + "/caf\u00e9.wav\",\"output\":\"" + folder +
                  "/caf\u00e9_ZEL.wav\"");
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
