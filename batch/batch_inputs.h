#pragma once
// The files a batch reads, noted before anything is written, so that no output can land
// on one of them: not through its own name, a hard link, a symbolic link, nor a listed
// file that happens to carry another input's output name. Files that exist are compared
// by device and inode; every name is also compared in its normalised form, which covers
// inputs that do not exist (yet).

#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_identity.h"

namespace zel {

class BatchInputs {
  public:
    explicit BatchInputs(const std::vector<std::string>& inputPaths);

    // True when writing `output` could replace or overwrite one of the inputs.
    bool Contains(const std::filesystem::path& output) const;

  private:
    // Sorted, so each look-up is a binary search even for long lists.
    std::vector<platform::FileIdentity> identities_;
    std::vector<std::filesystem::path> normalPaths_;
};

}  // namespace zel
