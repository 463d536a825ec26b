#include "platform/replacing_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <set>
#include <string_view>
#include <system_error>
#include <utility>

namespace zel::platform {
namespace {

// Keeps the temporary name within the usual 255-byte limit of a file name.
constexpr std::size_t kMaxNameStem = 200;
constexpr int kCreateAttempts = 64;
// Readable by the owner only until the final bits are set.
constexpr mode_t kPrivateBits = 0600;

// The tag behind the name: process id, counter, and the clock's low bits in hexadecimal.
constexpr unsigned long long kTickMask = 0xFFFFFF;
constexpr std::size_t kMaxTickDigits = 6;
constexpr std::size_t kMaxDecimalDigits = 10;

std::string UniqueTag() {
    static std::atomic<unsigned> counter{0};
    auto ticks = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    char tag[64];
    std::snprintf(tag, sizeof tag, "%d-%u-%llx", static_cast<int>(::getpid()), counter.fetch_add(1),
                  ticks & kTickMask);
    return tag;
}

// Cuts "-" and 1 to `maxDigits` digits (lowercase hexadecimal ones when `hex`) off the
// end of `text`; false when `text` does not end so.
bool CutTagField(std::string_view& text, std::size_t maxDigits, bool hex) {
    const std::size_t dash = text.rfind('-');
    if (dash == std::string_view::npos) return false;
    const std::string_view digits = text.substr(dash + 1);
    if (digits.empty() || digits.size() > maxDigits) return false;
    for (const char c : digits)
        if (!((c >= '0' && c <= '9') || (hex && c >= 'a' && c <= 'f'))) return false;
    text = text.substr(0, dash);
    return true;
}

// The errors by which flock says the file system has no locks, as opposed to a lock
// held by someone else.
bool LocksUnsupported(int error) {
    return error == ENOLCK || error == EOPNOTSUPP || error == ENOSYS || error == EINVAL;
}

// Untouched for long enough to be a leftover where no lock can tell.
bool LongUntouched(const struct stat& info) {
    return std::time(nullptr) - info.st_mtime >= ReplacingFile::kUnlockedLeftoverAgeSeconds;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether `path` still names the file open as `fd`.
bool NameStillOpen(const std::filesystem::path& path, int fd) {
    struct stat named {
    }, opened{};
    return ::lstat(path.c_str(), &named) == 0 && ::fstat(fd, &opened) == 0 &&
           SameFile(named, opened);
}

std::uint32_t BitsFor(const std::filesystem::path& target, std::uint32_t newFileBits) {
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        return static_cast<std::uint32_t>(info.st_mode) & kPermissionMask;
    return newFileBits & kPermissionMask;
}

// A fresh temporary file beside `target`, locked where the file system has locks; its
// name in `name`. Not open on failure, with the system's error number in `error`.
FileHandle CreateLockedTemporary(const std::filesystem::path& target, std::filesystem::path& name,
                                 int& error) {
    const std::string stem = target.filename().string().substr(0, kMaxNameStem);
    error = EEXIST;
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        std::filesystem::path candidate =
            target.parent_path() /
            (std::string(ReplacingFile::kTemporaryPrefix) + stem + "-" + UniqueTag());
        const int fd =
            ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, kPrivateBits);
        if (fd < 0) {
            error = errno;
            if (error != EEXIST) break;
            continue;
        }
        FileHandle file(fd);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && !LocksUnsupported(errno)) {
            // Another run holds it to remove it as abandoned: given up, never left behind.
            error = errno;
            if (NameStillOpen(candidate, fd)) ::unlink(candidate.c_str());
            continue;
        }
        // Another run may take an unlocked file for abandoned and remove it before the
        // lock is held; then the name is gone and a new one is tried.
        if (!NameStillOpen(candidate, fd)) {
            error = ENOENT;
            continue;
        }
        name = std::move(candidate);
        error = 0;
        return file;
    }
    return FileHandle();
}

void RemoveIfAbandoned(const std::filesystem::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) return;
    FileHandle file(fd);
    // Another user's files are theirs to clean up.
    if (::fstat(fd, &info) != 0 || info.st_uid != ::geteuid()) return;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && !(LocksUnsupported(errno) && LongUntouched(info)))
        return;
    // Renamed or replaced since it was opened: not ours to remove.
    if (NameStillOpen(path, fd)) ::unlink(path.c_str());
}

}  // namespace

ReplacingFile::~ReplacingFile() { Discard(); }

ReplacingFile::ReplacingFile(ReplacingFile&& other) noexcept
    : error_(other.error_),
      file_(std::move(other.file_)),
      target_(std::move(other.target_)),
      temporary_(std::exchange(other.temporary_, {})) {}

ReplacingFile& ReplacingFile::operator=(ReplacingFile&& other) noexcept {
    if (this != &other) {
        Discard();
        error_ = other.error_;
        file_ = std::move(other.file_);
        target_ = std::move(other.target_);
        temporary_ = std::exchange(other.temporary_, {});
    }
    return *this;
}

ReplacingFile ReplacingFile::Create(const std::filesystem::path& target,
                                    std::uint32_t newFileBits) {
    ReplacingFile result;
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        result.error_ = EISDIR;
        return result;
    }
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    RemoveAbandonedTemporaries(folder);
    std::filesystem::path name;
    FileHandle file = CreateLockedTemporary(target, name, result.error_);
    if (!file.IsOpen()) return result;
    if (::fchmod(file.Descriptor(), static_cast<mode_t>(BitsFor(target, newFileBits))) != 0) {
        result.error_ = errno;
        ::unlink(name.c_str());
        return result;
    }
    result.file_ = std::move(file);
    result.target_ = target;
    result.temporary_ = std::move(name);
    return result;
}

bool ReplacingFile::TargetExists() const {
    struct stat info {};
    return ::lstat(target_.c_str(), &info) == 0;
}

bool ReplacingFile::Commit() {
    if (temporary_.empty()) return false;
    // Renamed while still open and locked, so no other run can take it for abandoned.
    bool ok = file_.Flush() && ::rename(temporary_.c_str(), target_.c_str()) == 0;
    if (!ok) {
        Discard();
        return false;
    }
    temporary_.clear();
    return file_.Close();
}

void ReplacingFile::Discard() {
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
    file_.Close();
}

bool ReplacingFile::IsTemporaryName(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    std::string_view rest(name);
    if (!rest.starts_with(kTemporaryPrefix)) return false;
    rest.remove_prefix(std::string_view(kTemporaryPrefix).size());
    return CutTagField(rest, kMaxTickDigits, true) &&
           CutTagField(rest, kMaxDecimalDigits, false) &&
           CutTagField(rest, kMaxDecimalDigits, false) && !rest.empty();
}

void RemoveAbandonedTemporaries(const std::filesystem::path& folder) {
    static std::mutex mutex;
    static std::set<std::filesystem::path> cleaned;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!cleaned.insert(folder).second) return;
    }
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error))
        if (ReplacingFile::IsTemporaryName(entries->path())) RemoveIfAbandoned(entries->path());
}

}  // namespace zel::platform
