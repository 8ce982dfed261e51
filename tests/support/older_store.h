#pragma once
// Stores in the layouts earlier versions wrote, for the tests of opening them.
#include <filesystem>

namespace moru::test {

// Rewrites a closed store of this version in the layout of schema 2, rows and all, as the
// previous version kept it: one row per identifier in identifier order, the UID index, the
// order index and the series index. Returns false (with a test failure) when it cannot.
bool RewriteAsVersion2(const std::filesystem::path& storeFile);

// The schema version a store file says it has; -1 when it cannot be read.
int SchemaVersionOf(const std::filesystem::path& storeFile);

// Whether the store keeps its appointments in walk order (the layout of this version).
bool KeepsWalkOrder(const std::filesystem::path& storeFile);

}  // namespace moru::test
