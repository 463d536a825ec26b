// Loaded into zel-cli with LD_PRELOAD, it makes the system fail as some machines do, as
// the variable ZEL_FAILING_CALL chooses:
//   flock            every flock fails with ENOLCK (NFS without a lock manager);
//   temporary-open   creating a .zeltmp-* file fails with EMFILE (too many open files).
// Every other call goes to the C library.

#include <dlfcn.h>
#include <fcntl.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace {

bool Failing(const char* call) {
    const char* chosen = std::getenv("ZEL_FAILING_CALL");
    return chosen != nullptr && std::strcmp(chosen, call) == 0;
}

bool IsTemporaryFile(const char* path) {
    const char* slash = std::strrchr(path, '/');
    const char* name = slash != nullptr ? slash + 1 : path;
    return std::strncmp(name, ".zeltmp-", 8) == 0;
}

using OpenFunction = int (*)(const char*, int, ...);

int ForwardOpen(const char* symbol, const char* path, int flags, va_list arguments) {
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) != 0 ? va_arg(arguments, mode_t) : 0;
    if (Failing("temporary-open") && (flags & O_CREAT) != 0 && IsTemporaryFile(path)) {
        errno = EMFILE;
        return -1;
    }
    const auto next = reinterpret_cast<OpenFunction>(::dlsym(RTLD_NEXT, symbol));
    return next(path, flags, mode);
}

}  // namespace

extern "C" int flock(int fd, int operation) {
    if (Failing("flock")) {
        errno = ENOLCK;
        return -1;
    }
    using FlockFunction = int (*)(int, int);
    return reinterpret_cast<FlockFunction>(::dlsym(RTLD_NEXT, "flock"))(fd, operation);
}

extern "C" int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const int fd = ForwardOpen("open", path, flags, arguments);
    va_end(arguments);
    return fd;
}

extern "C" int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const int fd = ForwardOpen("open64", path, flags, arguments);
    va_end(arguments);
    return fd;
}
