#include "batch/folder_walk.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <set>
#include <system_error>

#include "engine/wav/wav_header.h"
#include "platform/file_handle.h"
#include "platform/file_identity.h"
#include "platform/replacing_file.h"

namespace zel {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kWaveIdEnd = wav_offset::kWaveId + 4;

bool IsHidden(const fs::path& name) { return name.native().starts_with('.'); }

bool HasWavExtension(const fs::path& name) {
    std::string extension = name.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".wav";
}

bool HasRiffWaveHeader(const fs::path& path) {
    platform::FileHandle file = platform::FileHandle::OpenForSequentialRead(path);
    WavHeader header;
    std::size_t got = 0;
    return file.IsOpen() && file.Read(header.bytes.data(), kWaveIdEnd, got) && got == kWaveIdEnd &&
           header.U32(wav_offset::kRiffId) == kRiffTag &&
           header.U32(wav_offset::kWaveId) == kWaveTag;
}

class Walker {
  public:
    explicit Walker(const WalkRules& rules) : rules_(rules) {
        if (!rules.outputFolder.empty()) outputFolder_ = platform::IdentifyFile(rules.outputFolder);
    }

    void Walk(const fs::path& folder, const fs::path& relative) {
        const std::optional<platform::FileIdentity> identity = platform::IdentifyFile(folder);
        if (!identity || identity == outputFolder_ || !visited_.insert(*identity).second) return;
        std::error_code error;
        for (fs::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            const fs::path name = it->path().filename();
            if (IsHidden(name) || platform::ReplacingFile::IsTemporaryName(name)) continue;
            std::error_code typeError;
            if (it->is_directory(typeError)) {
                if (rules_.subfolders) Walk(it->path(), relative / name);
            } else if (it->is_regular_file(typeError) && Takes(it->path())) {
                found_.push_back({it->path().string(), (relative / name).generic_string()});
            }
        }
    }

    WalkResult Sorted() {
        std::sort(found_.begin(), found_.end(),
                  [](const BatchEntry& a, const BatchEntry& b) { return a.relative < b.relative; });
        return {std::move(found_), namedLikeOutputs_};
    }

  private:
    bool Takes(const fs::path& path) {
        if (!HasWavExtension(path.filename()) && !HasRiffWaveHeader(path)) return false;
        if (!IsNamedLikeOutput(path.filename(), rules_.suffix)) return true;
        ++namedLikeOutputs_;
        return false;
    }

    const WalkRules& rules_;
    std::optional<platform::FileIdentity> outputFolder_;
    std::set<platform::FileIdentity> visited_;
    std::vector<BatchEntry> found_;
    std::size_t namedLikeOutputs_ = 0;
};

}  // namespace

WalkResult WalkFolder(const fs::path& folder, const WalkRules& rules) {
    Walker walker(rules);
    walker.Walk(folder, fs::path());
    return walker.Sorted();
}

BatchEntry EntryForFile(const std::string& given) {
    const fs::path path = fs::path(given).lexically_normal();
    const bool staysBelow = path.is_relative() && !path.empty() && *path.begin() != "..";
    return {given, (staysBelow ? path : path.filename()).generic_string()};
}

bool IsNamedLikeOutput(const fs::path& name, const std::string& suffix) {
    if (suffix.empty()) return false;
    const std::string text = name.string();
    const std::size_t dot = text.rfind('.');
    const std::string stem = dot == std::string::npos ? text : text.substr(0, dot);
    return stem.size() > suffix.size() && stem.ends_with(suffix);
}

}  // namespace zel
