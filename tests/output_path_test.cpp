#include "batch/output_path.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "batch/batch_inputs.h"
#include "batch/batch_job.h"
#include "batch/batch_thread_proc.h"
#include "tools/synthetic_wav.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_files.h"

namespace zel {
namespace {

namespace fs = std::filesystem;

TEST(OutputPath, SuffixGoesBeforeTheLastDotOfTheFileName) {
    EXPECT_EQ(MakeOutputPath("/work/voice.wav", "_ZEL"), fs::path("/work/voice_ZEL.wav"));
    EXPECT_EQ(MakeOutputPath("/a.b/c.d.wav", "_ZEL"), fs::path("/a.b/c.d_ZEL.wav"));
    EXPECT_EQ(MakeOutputPath("voice.WAV", "-48k"), fs::path("voice-48k.WAV"));
    EXPECT_EQ(MakeOutputPath("/a/trailing.", "_ZEL"), fs::path("/a/trailing_ZEL."));
}

TEST(OutputPath, NameWithoutDotGetsTheSuffixAppendedAndFoldersKeepTheirDots) {
    EXPECT_EQ(MakeOutputPath("/a.b/take1", "_ZEL"), fs::path("/a.b/take1_ZEL"));
    EXPECT_EQ(MakeOutputPath("rel.dir/sub.x/take", "_ZEL"), fs::path("rel.dir/sub.x/take_ZEL"));
    EXPECT_EQ(MakeOutputPath("plain", "_ZEL"), fs::path("plain_ZEL"));
}

TEST(OutputPath, StaysInTheInputsFolder) {
    for (const char* input : {"/a.b/c.d.wav", "/x/.hidden", "/x/y/noext", "z.wav", "/r.s/t"})
        EXPECT_EQ(MakeOutputPath(input, "_ZEL").parent_path(), fs::path(input).parent_path())
            << input;
}

TEST(OutputPath, SuffixThatNamesAnotherFolderIsUnusable) {
    EXPECT_TRUE(SuffixIsUsable("_ZEL"));
    EXPECT_TRUE(SuffixIsUsable(".."));
    EXPECT_FALSE(SuffixIsUsable(""));
    EXPECT_FALSE(SuffixIsUsable("/../x"));
    EXPECT_FALSE(SuffixIsUsable("sub/x"));
    EXPECT_FALSE(SuffixIsUsable(std::string("a\0b", 3)));
}

// A batch never writes onto one of its inputs: such an output is refused with -3 before
// anything is written, and every input keeps its bytes.
class OutputOnInputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(test::WriteTone(dir / "a.wav", {1, 16, 44100}, 3000));
        ASSERT_TRUE(test::WriteTone(dir / "c.wav", {2, 8, 22050}, 2000));
        ASSERT_TRUE(test::WriteTone(dir / "other.wav", {1, 8, 8000}, 1000));
    }

    std::string At(const std::string& name) const { return (dir / name).string(); }

    std::vector<ConversionResult> RunBatch(const std::vector<std::string>& files,
                                           const std::string& suffix = "_ZEL") {
        BatchJob job;
        job.SetFiles(files);
        job.m_suffix = suffix;
        job.m_pause = std::chrono::milliseconds(0);
        if (batchInputs) job.m_batchInputs = batchInputs;
        BatchThreadProc(job);
        return job.m_results;
    }

    std::set<std::string> Listing() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            names.insert(entry.path().filename().string());
        return names;
    }

    test::TempDir dir;
    std::shared_ptr<const BatchInputs> batchInputs;
};

TEST_F(OutputOnInputTest, HardLinkToTheInputIsRefused) {
    const auto before = ReadFileBytes(At("a.wav"));
    fs::create_hard_link(At("a.wav"), At("a_ZEL.wav"));
    const auto listing = Listing();
    EXPECT_EQ(RunBatch({At("a.wav")}), std::vector<ConversionResult>{kOutputOpenError});
    EXPECT_EQ(ReadFileBytes(At("a.wav")), before);
    EXPECT_EQ(fs::hard_link_count(At("a.wav")), 2u);
    EXPECT_EQ(Listing(), listing);
}

TEST_F(OutputOnInputTest, SymbolicLinkToTheInputIsRefused) {
    const auto before = ReadFileBytes(At("a.wav"));
    fs::create_symlink("a.wav", At("a_ZEL.wav"));
    EXPECT_EQ(RunBatch({At("a.wav")}), std::vector<ConversionResult>{kOutputOpenError});
    EXPECT_EQ(ReadFileBytes(At("a.wav")), before);
    EXPECT_TRUE(fs::is_symlink(At("a_ZEL.wav")));
}

TEST_F(OutputOnInputTest, SymbolicLinkToAnotherInputIsRefused) {
    const auto before = ReadFileBytes(At("c.wav"));
    fs::create_symlink("c.wav", At("a_ZEL.wav"));
    EXPECT_EQ(RunBatch({At("a.wav"), At("c.wav")}),
              (std::vector<ConversionResult>{kOutputOpenError, kCompleted}));
    EXPECT_EQ(ReadFileBytes(At("c.wav")), before);
    EXPECT_TRUE(fs::is_symlink(At("a_ZEL.wav")));
    EXPECT_TRUE(test::InspectWav(At("c_ZEL.wav")).consistent);
}

TEST_F(OutputOnInputTest, ListedFileCarryingAnOutputNameIsKept) {
    fs::copy_file(At("other.wav"), At("a_ZEL.wav"));
    const auto before = ReadFileBytes(At("a_ZEL.wav"));
    // Either order: the listed file is read, never written.
    EXPECT_EQ(RunBatch({At("a.wav"), At("a_ZEL.wav")}),
              (std::vector<ConversionResult>{kOutputOpenError, kCompleted}));
    EXPECT_EQ(RunBatch({At("a_ZEL.wav"), At("a.wav")}),
              (std::vector<ConversionResult>{kCompleted, kOutputOpenError}));
    EXPECT_EQ(ReadFileBytes(At("a_ZEL.wav")), before);
    EXPECT_TRUE(test::InspectWav(At("a_ZEL_ZEL.wav")).consistent);
}

TEST_F(OutputOnInputTest, ListedNameIsComparedAfterNormalisingAndEvenWhenMissing) {
    fs::create_directory(dir / "sub");
    // The second name is spelled differently and does not exist yet.
    EXPECT_EQ(RunBatch({At("a.wav"), At("sub/../a_ZEL.wav")}),
              (std::vector<ConversionResult>{kOutputOpenError, kInputOpenError}));
    EXPECT_FALSE(fs::exists(At("a_ZEL.wav")));
}

TEST_F(OutputOnInputTest, InputsOfTheWholeBatchCountWhenAJobRunsPartOfIt) {
    fs::copy_file(At("other.wav"), At("a_ZEL.wav"));
    const auto before = ReadFileBytes(At("a_ZEL.wav"));
    batchInputs =
        std::make_shared<const BatchInputs>(std::vector<std::string>{At("a.wav"), At("a_ZEL.wav")});
    EXPECT_EQ(RunBatch({At("a.wav")}), std::vector<ConversionResult>{kOutputOpenError});
    EXPECT_EQ(ReadFileBytes(At("a_ZEL.wav")), before);
}

TEST_F(OutputOnInputTest, SuffixNamingAnotherFolderIsRefusedForEveryFile) {
    fs::create_directory(dir / "sub");
    ASSERT_TRUE(test::WriteTone(dir / "sub" / "b.wav", {1, 16, 44100}, 100));
    const auto listing = Listing();
    EXPECT_EQ(RunBatch({At("a.wav"), At("sub/b.wav")}, "/../x"),
              (std::vector<ConversionResult>{kOutputOpenError, kOutputOpenError}));
    EXPECT_EQ(Listing(), listing);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "sub"), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace zel
