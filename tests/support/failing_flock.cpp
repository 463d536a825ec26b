// Loaded into zel-cli with LD_PRELOAD: every flock fails with ENOLCK, as on an NFS mount
// without a lock manager.

#include <cerrno>

extern "C" int flock(int, int) {
    errno = ENOLCK;
    return -1;
}
