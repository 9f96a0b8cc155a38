// SPDX-License-Identifier: Apache-2.0
// The conformance tables: what Windows does with each function the stand-in exports, one row per
// behaviour (tables/*.tbl, one per area; the language is in ConformanceScript.h). The same rows
// run against the stand-in on Linux and against Windows' own functions in the Windows build
// (under Wine here). A row is
//
//     [tags] what it shows | statements          # why, where a system differs
//
// with tags [wine] (Wine differs from Windows here: under Wine the row must fail) and [linux]
// (the stand-in differs, for the reason docs/portability.md gives: on Linux the row must fail),
// so that a difference that goes away is noticed too; [linux-only] rows set up what Windows takes
// from elsewhere (a time zone from TZ) and run on Linux alone; [wine-varies] rows are left out
// under Wine, whose answer there changes from run to run. Each row runs in a fresh folder of its
// own, which is the current folder meanwhile; what it leaves open is closed after it.
#include "Conformance/ConformanceScript.h"

#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace halcyon::conformance {
namespace {

namespace fs = std::filesystem;

struct Row {
    int line = 0;
    std::string tags;
    std::string what;
    std::string script;
};

std::vector<Row> ReadTable(const std::string& name) {
    std::ifstream in(std::string(HALCYON_SOURCE_DIR) + "/tests/Conformance/tables/" + name +
                     ".tbl");
    std::vector<Row> rows;
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        std::size_t bar = text.find('|');
        if (text.empty() || text[0] == '#' || bar == std::string::npos) continue;
        Row row{line, "", text.substr(0, bar), text.substr(bar + 1)};
        if (row.what.compare(0, 1, "[") == 0) {
            row.tags = row.what.substr(0, row.what.find(']') + 1);
            row.what.erase(0, row.tags.size());
        }
        rows.push_back(row);
    }
    return rows;
}

std::string FromHex(const std::string& hex) {
    std::string text;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        text += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return text;
}

// Child roles: run a script with the parent's token; held, say so (file args[2]) and wait for
// the parent's word (file args[3]) before the end.
int RunRole(const std::vector<std::string>& args) {
    Script script(args.at(0));
    std::vector<std::string> failures = script.Run(FromHex(args.at(1)));
    if (args.size() > 3) {
        std::ofstream(args.at(2)).put('1');
        AwaitFile(args.at(3), 120);
    }
    for (std::string& f : script.Finish()) failures.push_back(f);
    for (const std::string& f : failures)
        std::fprintf(stderr, "conformance child: %s\n", f.c_str());
    return static_cast<int>(failures.size() < 100 ? failures.size() : 100);
}

const test::ChildRole kRun("conformance-run", RunRole);
const test::ChildRole kHold("conformance-hold", RunRole);

// A token of this run: rows of two runs at once never share an object name.
const std::string& RunToken() {
    static const std::string token =
        "cf" +
        std::to_string(std::chrono::system_clock::now().time_since_epoch().count() % 1000000007);
    return token;
}

// Runs one row in its own folder; its failures.
std::vector<std::string> RunRow(const std::string& table, const Row& row) {
    std::string id = table + "-" + std::to_string(row.line);
    std::string folder = test::MakeScratchFolder("conformance/" + id);
    fs::path home = fs::current_path();
    fs::current_path(folder);
    std::vector<std::string> failures;
    {
        Script script(RunToken() + "." + id);
        failures = script.Run(row.script);
        for (std::string& f : script.Finish()) failures.push_back(f);
    }
    fs::current_path(home);
    std::error_code error;
    fs::remove_all(folder, error);
    return failures;
}

class Conformance : public testing::TestWithParam<const char*> {};

TEST_P(Conformance, Rows) {
    std::string table = GetParam();
    std::vector<Row> rows = ReadTable(table);
    ASSERT_FALSE(rows.empty()) << "no rows in " << table;
    const char* system = test::UnderWine() ? "[wine]" : HALCYON_STAND_IN ? "[linux]" : "";
    bool trace = std::getenv("HALCYON_CONFORMANCE_TRACE") != nullptr;
    for (const Row& row : rows) {
        if (!HALCYON_STAND_IN && row.tags.find("[linux-only]") != std::string::npos) continue;
        if (test::UnderWine() && row.tags.find("[wine-varies]") != std::string::npos) continue;
        if (trace) std::fprintf(stderr, "%s.tbl:%d\n", table.c_str(), row.line);
        std::vector<std::string> failures = RunRow(table, row);
        bool differs = *system != '\0' && row.tags.find(system) != std::string::npos;
        std::string where = table + ".tbl:" + std::to_string(row.line) + ": " + row.what;
        if (differs) {
            EXPECT_FALSE(failures.empty())
                << where << "\n  now as on Windows here: drop " << system;
            continue;
        }
        for (const std::string& failure : failures) ADD_FAILURE() << where << "\n  " << failure;
    }
}

INSTANTIATE_TEST_SUITE_P(Tables, Conformance,
                         testing::Values("Handles", "Mutexes", "Events", "Waits", "Mappings",
                                         "Views", "Files", "FileIo", "Folders", "Finds", "Profiles",
                                         "Time", "Desktop", "Crt"),
                         [](const testing::TestParamInfo<const char*>& table) {
                             return std::string(table.param);
                         });

}  // namespace
}  // namespace halcyon::conformance
