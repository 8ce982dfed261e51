#pragma once
// The registry file on disk: changes are read-modify-write under an exclusive lock file
// beside it, and the new text replaces the old file whole.
#include <filesystem>
#include <functional>

#include "platform/registry_format.h"
#include "platform/result.h"

namespace moru::registry_detail {

// Reads the document under the lock, lets `change` edit it, and writes it back when it says
// it changed something. `change` returns false for "nothing to write" and may fail.
Status Modify(const std::filesystem::path& file,
              const std::function<Result<bool>(Document&)>& change);

// A reader needs no lock: the file is only ever replaced whole. A missing file is empty.
Result<Document> Load(const std::filesystem::path& file);

}  // namespace moru::registry_detail
