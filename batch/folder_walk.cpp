#include "batch/folder_walk.h"

#include <algorithm>
#include <optional>
#include <set>
#include <system_error>
#include <tuple>

#include "engine/sndfile/sound_file_formats.h"
#include "engine/wav/wav_header.h"
#include "platform/file_handle.h"
#include "platform/file_identity.h"
#include "platform/replacing_file.h"

namespace zel {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kWaveIdEnd = wav_offset::kWaveId + 4;

bool IsHidden(const fs::path& name) { return name.native().starts_with('.'); }

bool HasRiffWaveHeader(const fs::path& path) {
    platform::FileHandle file = platform::FileHandle::OpenForSequentialRead(path);
    WavHeader header;
    std::size_t got = 0;
    return file.IsOpen() && file.Read(header.bytes.data(), kWaveIdEnd, got) && got == kWaveIdEnd &&
           header.U32(wav_offset::kRiffId) == kRiffTag &&
           header.U32(wav_offset::kWaveId) == kWaveTag;
}

// A link to a folder, followed once every real folder has been walked.
struct FolderLink {
    fs::path path;
    fs::path relative;
};

// A file the walk takes, unless it is a link to a file already taken.
struct Candidate {
    BatchEntry entry;
    platform::FileIdentity identity;
    bool viaLink = false;
};

class Walker {
  public:
    Walker(const fs::path& root, const WalkRules& rules)
        : rules_(rules), root_(root), rootIdentity_(platform::IdentifyFile(root)) {
        if (!rules.outputFolder.empty()) outputFolder_ = platform::IdentifyFile(rules.outputFolder);
    }

    void WalkTree() {
        Walk(root_, fs::path());
        FollowFolderLinks();
    }

    WalkResult Result() {
        WalkResult result;
        result.entries = TakenOnce();
        result.namedLikeOutputs = namedLikeOutputs_;
        std::sort(linksOutside_.begin(), linksOutside_.end());
        result.linksLeadingOutside = std::move(linksOutside_);
        std::sort(
            unreadable_.begin(), unreadable_.end(),
            [](const UnreadableFolder& a, const UnreadableFolder& b) { return a.path < b.path; });
        result.unreadableFolders = std::move(unreadable_);
        result.stopped = stopped_;
        return result;
    }

  private:
    bool Stopped() {
        if (rules_.stop != nullptr && rules_.stop->load()) stopped_ = true;
        return stopped_;
    }

    void Walk(const fs::path& folder, const fs::path& relative) {
        std::error_code error;
        const std::optional<platform::FileIdentity> identity =
            platform::IdentifyFile(folder, error);
        if (!identity) return NoteUnreadable(folder, error);
        if (identity == outputFolder_ || !visited_.insert(*identity).second) return;
        fs::directory_iterator it(folder, error);
        for (const fs::directory_iterator end; !error && it != end && !Stopped();
             it.increment(error))
            Visit(*it, relative);
        if (error) NoteUnreadable(folder, error);
    }

    void Visit(const fs::directory_entry& entry, const fs::path& relative) {
        const fs::path name = entry.path().filename();
        if (IsHidden(name) || platform::ReplacingFile::IsTemporaryName(name)) return;
        std::error_code typeError;
        const bool isLink = entry.is_symlink(typeError);
        if (entry.is_directory(typeError)) {
            if (!rules_.subfolders) return;
            if (isLink)
                folderLinks_.push_back({entry.path(), relative / name});
            else
                Walk(entry.path(), relative / name);
        } else if (entry.is_regular_file(typeError) && Takes(entry.path())) {
            if (const auto identity = platform::IdentifyFile(entry.path()))
                found_.push_back({{entry.path().string(), (relative / name).generic_string()},
                                  *identity,
                                  isLink});
        }
    }

    // In rounds sorted by path, so which name reaches a folder first never depends on the
    // order the system lists a folder in.
    void FollowFolderLinks() {
        while (!folderLinks_.empty() && !Stopped()) {
            std::vector<FolderLink> round = std::move(folderLinks_);
            folderLinks_.clear();
            std::sort(round.begin(), round.end(), [](const FolderLink& a, const FolderLink& b) {
                return a.relative < b.relative;
            });
            for (const FolderLink& link : round) {
                if (Stopped()) return;
                if (LeadsInside(link.path))
                    Walk(link.path, link.relative);
                else
                    linksOutside_.push_back(link.path.string());
            }
        }
    }

    // True when the folder the link resolves to is the root or below it, by identity, so
    // neither another spelling of a path nor a mount seen twice can lead out.
    bool LeadsInside(const fs::path& link) const {
        std::error_code error;
        fs::path folder = fs::canonical(link, error);
        if (error || !rootIdentity_) return false;
        for (;;) {
            if (platform::IdentifyFile(folder) == rootIdentity_) return true;
            fs::path parent = folder.parent_path();
            if (parent == folder || parent.empty()) return false;
            folder = std::move(parent);
        }
    }

    void NoteUnreadable(const fs::path& folder, const std::error_code& error) {
        unreadable_.push_back({folder.string(), error});
    }

    bool Takes(const fs::path& path) {
        // The name decides first, so only files of other names have their header read.
        if (!HasReadableExtension(path.filename().native()) && !HasRiffWaveHeader(path))
            return false;
        if (!IsNamedLikeOutput(path.filename(), rules_.suffix)) return true;
        ++namedLikeOutputs_;
        return false;
    }

    // Every file found by its own name, then a link to a file only when that file is not
    // taken yet; in the order of the paths below the folder.
    std::vector<BatchEntry> TakenOnce() {
        std::stable_sort(found_.begin(), found_.end(), [](const Candidate& a, const Candidate& b) {
            return std::tie(a.viaLink, a.entry.relative) < std::tie(b.viaLink, b.entry.relative);
        });
        std::set<platform::FileIdentity> taken;
        std::vector<BatchEntry> entries;
        for (Candidate& candidate : found_) {
            if (!taken.insert(candidate.identity).second && candidate.viaLink) continue;
            entries.push_back(std::move(candidate.entry));
        }
        std::sort(entries.begin(), entries.end(),
                  [](const BatchEntry& a, const BatchEntry& b) { return a.relative < b.relative; });
        return entries;
    }

    const WalkRules& rules_;
    const fs::path root_;
    const std::optional<platform::FileIdentity> rootIdentity_;
    std::optional<platform::FileIdentity> outputFolder_;
    std::set<platform::FileIdentity> visited_;
    std::vector<FolderLink> folderLinks_;
    std::vector<Candidate> found_;
    std::vector<std::string> linksOutside_;
    std::vector<UnreadableFolder> unreadable_;
    std::size_t namedLikeOutputs_ = 0;
    bool stopped_ = false;
};

}  // namespace

WalkResult WalkFolder(const fs::path& folder, const WalkRules& rules) {
    Walker walker(folder, rules);
    walker.WalkTree();
    return walker.Result();
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
