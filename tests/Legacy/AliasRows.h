// The rows of the alias test: for each older exported name, one call of it or of its current
// function with the same arguments, described as text (results, out-arguments, what the call left
// in memory that the current functions can see). Files written are compared apart, by the runner.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace halcyon::legacy_test {

struct AliasRow {
    std::string name;  // the older name as the table of exports lists it
    std::function<std::string(bool legacy)> call;  // the older name when `legacy`, else the current
};

// All rows, in the order they run; the state one leaves is the next one's start, the same in the
// run of the older names as in the run of the current ones.
std::vector<AliasRow> AliasRows();

// Writes the fake installation's files the rows read below the root (host path) whose Windows
// path is `windowsRoot`.
void WriteInstallation(const std::string& root, const std::string& windowsRoot);

}  // namespace halcyon::legacy_test
