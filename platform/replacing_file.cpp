#include "platform/replacing_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <utility>

namespace zel::platform {
namespace {

// Keeps the temporary name within the usual 255-byte limit of a file name.
constexpr std::size_t kMaxNameStem = 200;
constexpr int kCreateAttempts = 64;

std::string UniqueTag() {
    static std::atomic<unsigned> counter{0};
    auto ticks = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    char tag[64];
    std::snprintf(tag, sizeof tag, "%d-%u-%llx", static_cast<int>(::getpid()),
                  counter.fetch_add(1), ticks & 0xFFFFFFull);
    return tag;
}

}  // namespace

ReplacingFile::~ReplacingFile() { Discard(); }

ReplacingFile::ReplacingFile(ReplacingFile&& other) noexcept
    : file_(std::move(other.file_)),
      target_(std::move(other.target_)),
      temporary_(std::exchange(other.temporary_, {})) {}

ReplacingFile& ReplacingFile::operator=(ReplacingFile&& other) noexcept {
    if (this != &other) {
        Discard();
        file_ = std::move(other.file_);
        target_ = std::move(other.target_);
        temporary_ = std::exchange(other.temporary_, {});
    }
    return *this;
}

ReplacingFile ReplacingFile::Create(const std::filesystem::path& target) {
    ReplacingFile result;
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return result;
    std::string stem = target.filename().string().substr(0, kMaxNameStem);
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        std::filesystem::path candidate =
            target.parent_path() / (std::string(kTemporaryPrefix) + stem + "-" + UniqueTag());
        int fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            result.file_ = FileHandle(fd);
            result.target_ = target;
            result.temporary_ = std::move(candidate);
            return result;
        }
        if (errno != EEXIST) break;
    }
    return result;
}

bool ReplacingFile::Commit() {
    if (temporary_.empty()) return false;
    bool ok = file_.Flush();
    ok = file_.Close() && ok;
    ok = ok && ::rename(temporary_.c_str(), target_.c_str()) == 0;
    if (!ok) {
        Discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void ReplacingFile::Discard() {
    file_.Close();
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

bool ReplacingFile::IsTemporaryName(const std::filesystem::path& path) {
    return path.filename().string().rfind(kTemporaryPrefix, 0) == 0;
}

}  // namespace zel::platform
