// GetTempFileNameA and CreateFileA as the shared-memory blocks use them.
#include "Platform/KernelTestSupport.h"
#include "support/TestEnv.h"

#include <Platform/Host.h>

#include <cctype>
#include <set>

namespace halcyon::test {
namespace {

std::string Folder(const std::string& name) {
    MakeScratchFolder(name);
    return RootWindowsPath() + "\\scratch\\" + name;
}

// Wine writes the number of a temporary file's name in lower-case hex, Windows in upper case.
std::string AsWindowsNamesIt(std::string name) {
    if (UnderWine()) {
        size_t last = name.find_last_of('\\');
        for (size_t i = last + 1; i < name.size(); ++i)
            name[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
        if (name.size() >= 4) name.replace(name.size() - 4, 4, ".tmp");
    }
    return name;
}

// A number of the caller's names a file and creates nothing; number 0 picks a new name and
// creates the file.
TEST(KernelFiles, TempFileNamesAreFormedAsOnWindows) {
    std::string folder = Folder("names");
    struct Case {
        const char* path;
        const char* prefix;
        unsigned int unique;
        std::string expected;
    };
    const Case cases[] = {
        {"\\", "TMP", 0xBEEF, "TMPBEEF.tmp"},
        {"", "abcdef", 0x1, "abc1.tmp"},
        {"", nullptr, 0x12345, "2345.tmp"},
    };
    for (const Case& c : cases) {
        char name[MAX_PATH] = {};
        std::string path = folder + c.path;
        // Wine returns the 16 bits it used; Windows the number it was given.
        EXPECT_EQ(win::GetTempFileNameA(path.c_str(), c.prefix, c.unique, name),
                  UnderWine() ? c.unique & 0xFFFF : c.unique);
        EXPECT_EQ(AsWindowsNamesIt(name), AsWindowsNamesIt(folder + "\\" + c.expected));
        EXPECT_FALSE(WindowsFileExists(name));
    }
    std::set<std::string> seen;
    for (int i = 0; i < 20; ++i) {
        char name[MAX_PATH];
        unsigned int number = win::GetTempFileNameA(folder.c_str(), "TMP", 0, name);
        ASSERT_NE(number, 0U);
        ASSERT_LE(number, 0xFFFFU);
        std::string text = AsWindowsNamesIt(name);
        char hex[16];
        std::snprintf(hex, sizeof hex, "%X", number);
        EXPECT_EQ(text, folder + "\\TMP" + hex + ".tmp");
        EXPECT_TRUE(WindowsFileExists(text));
        EXPECT_EQ(ReadFile(HostPath(name)), "");
        EXPECT_TRUE(seen.insert(text).second) << "names repeat";
    }
    char name[MAX_PATH];
    std::string missing = RootWindowsPath() + "\\no such folder";
    EXPECT_EQ(win::GetTempFileNameA(missing.c_str(), "TMP", 0, name), 0U);
    EXPECT_EQ(win::GetLastError(), ERROR_DIRECTORY);
    std::string tooLong(MAX_PATH - 13, 'x');
    EXPECT_EQ(win::GetTempFileNameA(tooLong.c_str(), "TMP", 0, name), 0U);
    // Wine looks for the folder first and reports it missing.
    EXPECT_EQ(win::GetLastError(), UnderWine() ? ERROR_DIRECTORY : ERROR_BUFFER_OVERFLOW);
    EXPECT_EQ(win::GetTempFileNameA(nullptr, "TMP", 0, name), 0U);
    EXPECT_EQ(win::GetTempFileNameA(missing.c_str(), "TMP", 0, nullptr), 0U);
}

TEST(KernelFiles, CreateFileDispositions) {
    std::string folder = Folder("dispositions");
    std::string existing = folder + "\\existing.txt";
    std::string fresh = folder + "\\fresh.txt";
    struct Case {
        const char* what;
        std::string path;
        win::DWORD access;
        win::DWORD disposition;
        bool opens;
        win::DWORD error;  // after the call
    };
    const Case cases[] = {
        {"create new, missing", fresh, GENERIC_WRITE, CREATE_NEW, true, ERROR_SUCCESS},
        {"create new, existing", existing, GENERIC_WRITE, CREATE_NEW, false, ERROR_FILE_EXISTS},
        {"create always, existing", existing, GENERIC_WRITE, CREATE_ALWAYS, true,
         ERROR_ALREADY_EXISTS},
        {"open existing, missing", folder + "\\none", GENERIC_READ, OPEN_EXISTING, false,
         ERROR_FILE_NOT_FOUND},
        {"missing folder", folder + "\\none\\x", GENERIC_READ, OPEN_ALWAYS, false,
         ERROR_PATH_NOT_FOUND},
        {"truncate without write", existing, GENERIC_READ, TRUNCATE_EXISTING, false,
         ERROR_INVALID_PARAMETER},
        {"truncate", existing, GENERIC_WRITE, TRUNCATE_EXISTING, true, ERROR_SUCCESS},
        {"bad disposition", existing, GENERIC_READ, 9, false, ERROR_INVALID_PARAMETER},
        {"a folder", folder, GENERIC_READ, OPEN_EXISTING, false, ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Wine truncates a file opened for reading only.
        if (UnderWine() && c.disposition == TRUNCATE_EXISTING) continue;
        WriteFile(HostPath(existing.c_str()), "old contents");
        win::SetLastError(1234);
        win::HANDLE h = win::CreateFileA(c.path.c_str(), c.access, FILE_SHARE_READ, nullptr,
                                         c.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens);
        EXPECT_EQ(win::GetLastError(), c.error);
        if (h != INVALID_HANDLE_VALUE) {
            EXPECT_EQ(win::WaitForSingleObject(h, 0), WAIT_OBJECT_0) << "files are signalled";
            EXPECT_TRUE(win::CloseHandle(h));
            EXPECT_FALSE(win::CloseHandle(h));
            EXPECT_EQ(win::GetLastError(), ERROR_INVALID_HANDLE);
        }
    }
    EXPECT_EQ(ReadFile(HostPath(existing.c_str())), "old contents");
    win::HANDLE h =
        win::CreateFileA(existing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    win::CloseHandle(h);
    EXPECT_EQ(ReadFile(HostPath(existing.c_str())), "") << "CREATE_ALWAYS truncates";
}

}  // namespace
}  // namespace halcyon::test
