// Every older exported name against its current function: the same results and the same effects,
// in a fake installation.
//
// The program runs itself twice from the same fresh installation root: once calling the older
// names, once the current functions, row by row in the same order. Each run writes one line per
// row: what the call gave and which files and folders below the root it created, changed or
// removed (with their bytes), and the message boxes it showed. The test compares the two runs row
// by row, and fails for a name of the table of exports' older names that has no row.
//
// It is built from the public headers alone and links the shared library as any module does.
#include "Legacy/AliasRows.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>
#include <utility>

namespace fs = std::filesystem;

namespace halcyon::legacy_test {
namespace {

const char kRunFlag[] = "--legacy-run=";
const char kLegacyFamily[] = "[Older names";  // the heading of their family in the table
fs::path g_self;

// A tree below the root: relative path, then "<folder>" or the file's bytes.
using Tree = std::map<std::string, std::string>;

std::string Escape(const std::string& bytes) {
    std::string out;
    char hex[8];
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A verify log line starts with the local time, "yyyy/mm/dd hh:mm:ss": the runs differ there.
std::string WithoutTimes(const std::string& log) {
    std::string out;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) out += "<time>" + line.substr(19) + "\n";
    return out;
}

Tree Snapshot(const fs::path& root) {
    Tree tree;
    std::error_code error;
    for (fs::recursive_directory_iterator it(root, error), end; !error && it != end;
         it.increment(error)) {
        std::string name = fs::relative(it->path(), root).generic_string();
        if (it->is_directory()) {
            tree[name] = "<folder>";
        } else if (it->file_size() > 65536) {  // the programs in BIN
            tree[name] = "<" + std::to_string(it->file_size()) + " bytes>";
        } else {
            std::string bytes = ReadBytes(it->path());
            tree[name] = it->path().filename() == "TQVERIFY.LOG" ? WithoutTimes(bytes) : bytes;
        }
    }
    return tree;
}

std::string Changes(const Tree& before, const Tree& after) {
    std::string out;
    for (const auto& [name, bytes] : after) {
        auto was = before.find(name);
        if (was == before.end())
            out += " +" + name + "=" + bytes;
        else if (was->second != bytes)
            out += " ~" + name + "=" + bytes;
    }
    for (const auto& [name, bytes] : before) {
        if (after.count(name) == 0) out += " -" + name;
    }
    return out;
}

int CaptureBox(const char* text, const char* caption, unsigned int, void* boxes) {
    *static_cast<std::string*>(boxes) += std::string(" [") + caption + "] " + text;
    return 1;  // IDOK
}

// Child: runs every row, calling the older names when `legacy`; one line per row.
int RunRows(bool legacy, const char* transcriptPath) {
    CString windowsRoot = s_PathGetMainPath();
    fs::path root = halcyon::HostPath(windowsRoot);
    WriteInstallation(root.string(), static_cast<const char*>(windowsRoot));
    std::string boxes;
    halcyon::SetMessageBoxHook(CaptureBox, &boxes);
    std::ofstream transcript(transcriptPath, std::ios::binary);
    Tree before = Snapshot(root);
    for (const AliasRow& row : AliasRows()) {
        boxes.clear();
        std::string result = row.call(legacy);
        Tree after = Snapshot(root);
        std::string files = Changes(before, after);
        before = std::move(after);
        transcript << row.name << '\t' << Escape(result + " files:" + files + " boxes:" + boxes)
                   << '\n';
    }
    halcyon::SetMessageBoxHook(nullptr, nullptr);
    return transcript.good() ? 0 : 1;
}

void SetVariable(const char* name, const std::string& value) {
#if defined(_WIN32)
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

// Places this program (and, on Windows, the DLLs beside it) into `bin`.
void PlaceProgram(const fs::path& bin) {
    // A copy, not a link: Windows refuses to remove a link to a program that is running.
    fs::copy_file(g_self, bin / g_self.filename());
    for (const auto& entry : fs::directory_iterator(g_self.parent_path())) {
        if (entry.path().extension() == ".dll")
            fs::copy_file(entry.path(), bin / entry.path().filename());
    }
}

// Removes a tree; on Windows a program that has just ended may hold its file a moment longer.
bool RemoveTree(const fs::path& path) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        std::error_code error;
        fs::remove_all(path, error);
        if (!fs::exists(path, error)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return false;
}

struct Transcript {
    int status = -1;
    std::map<std::string, std::string> rows;
    int lines = 0;
};

// Runs the rows in a child from a fresh root at the same place as every other run, so that the
// paths in the results are the same; `mode` is "older" or "current".
Transcript RunChild(const std::string& mode) {
    fs::path base = g_self.parent_path() / "legacy-alias-root";
    Transcript run;
    if (!RemoveTree(base)) return run;
    fs::path bin = base / "root" / "BIN";
    fs::create_directories(bin);
    PlaceProgram(bin);
    fs::path kernel = base / "kernel";  // on Linux: this run's named objects
    SetVariable("HALCYON_KERNEL_DIR", kernel.string());
    fs::path transcript = base / "transcript.txt";
    std::string command = "\"" + (bin / g_self.filename()).string() + "\" " + kRunFlag + mode +
                          " \"" + transcript.string() + "\"";
#if defined(_WIN32)
    command = "\"" + command + "\"";  // cmd.exe strips the outer pair
#endif
    fs::path here = fs::current_path();
    fs::current_path(bin);
    run.status = std::system(command.c_str());
    fs::current_path(here);
    std::ifstream in(transcript, std::ios::binary);
    for (std::string line; std::getline(in, line); ++run.lines) {
        std::size_t tab = line.find('\t');
        run.rows[line.substr(0, tab)] = tab == std::string::npos ? "" : line.substr(tab + 1);
    }
    in.close();
    if (!RemoveTree(base)) run.status = -1;
    return run;
}

// The older names the table of exports lists (the lines of their family).
std::set<std::string> ListedOlderNames() {
    std::ifstream table(HALCYON_EXPORT_TABLE);
    std::set<std::string> names;
    bool inFamily = false;
    for (std::string line; std::getline(table, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("[", 0) == 0)
            inFamily = line.rfind(kLegacyFamily, 0) == 0;
        else if (inFamily && !line.empty() && line[0] != '#')
            names.insert(line);
    }
    return names;
}

TEST(LegacyAliases, EachOlderNameDoesWhatItsCurrentFunctionDoes) {
    std::set<std::string> listed = ListedOlderNames();
    std::vector<AliasRow> rows = AliasRows();
    std::set<std::string> rowNames;
    for (const AliasRow& row : rows) {
        EXPECT_TRUE(rowNames.insert(row.name).second) << "two rows for " << row.name;
        EXPECT_EQ(listed.count(row.name), 1u) << "a row for a name the table lacks: " << row.name;
    }
    for (const std::string& name : listed)
        EXPECT_EQ(rowNames.count(name), 1u) << "no row: " << name;
    EXPECT_EQ(listed.size(), 108u);  // 106 names, three of them in two forms, one form each else

    Transcript older = RunChild("older");
    Transcript current = RunChild("current");
    ASSERT_EQ(older.status, 0);
    ASSERT_EQ(current.status, 0);
    ASSERT_EQ(older.lines, static_cast<int>(rows.size()));
    ASSERT_EQ(current.lines, static_cast<int>(rows.size()));
    for (const AliasRow& row : rows) {
        EXPECT_EQ(older.rows[row.name], current.rows[row.name]) << row.name;
    }
    // The runs see what the calls did: a folder created, a verify log line written.
    EXPECT_NE(current.rows["s_TQGetDatPath(unsigned char)"].find(" +DAT/002A="), std::string::npos);
    EXPECT_NE(
        current.rows["s_TQPackHexToChar(unsigned short, unsigned char*, unsigned char*)"].find(
            "<time> <wLen != 0> failed"),
        std::string::npos);
}

}  // namespace
}  // namespace halcyon::legacy_test

int main(int argc, char** argv) {
    using namespace halcyon::legacy_test;
    g_self = fs::absolute(argv[0]);
    if (argc == 3 && std::strncmp(argv[1], kRunFlag, std::strlen(kRunFlag)) == 0) {
        return RunRows(std::strcmp(argv[1] + std::strlen(kRunFlag), "older") == 0, argv[2]);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
