// CFile and CFileException: open flags, reading, writing, positions, and the failures they report.
#include "support/TestEnv.h"

#include <Platform/CFile.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using halcyon::test::FileExists;
using halcyon::test::MakeScratchFolder;
using halcyon::test::ReadFile;
using halcyon::test::WindowsPath;
using halcyon::test::WriteFile;

struct Scratch {
    std::string host;
    std::string win;
    explicit Scratch(const char* name) : host(MakeScratchFolder(name)), win(WindowsPath(host)) {}
    std::string Host(const char* file) const { return host + "/" + file; }
    std::string Win(const char* file) const { return win + "\\" + file; }
};

// What each open mode does to an existing file "old" and to a missing one.
TEST(CFile, OpenFlagsChooseAccessAndCreation) {
    Scratch dir("cfile-open");
    const unsigned int kKeep = CFile::modeReadWrite | CFile::modeCreate | CFile::modeNoTruncate;
    struct Case {
        unsigned int flags;
        bool existing;
        int cause;
        const char* contentAfter;  // of the file after open + close; null: no file
    } cases[] = {
        {CFile::modeRead, true, CFileException::none, "old"},
        {CFile::modeRead, false, CFileException::fileNotFound, nullptr},
        {CFile::modeWrite, true, CFileException::none, "old"},
        {CFile::modeWrite | CFile::modeCreate, true, CFileException::none, ""},
        {kKeep, true, CFileException::none, "old"},
        {kKeep, false, CFileException::none, ""},
        {0x3, true, CFileException::genericException, "old"},  // no such access mode
        {CFile::modeRead | 0x50, true, CFileException::genericException, "old"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "flags 0x" << std::hex << c.flags << " existing " << c.existing);
        std::remove(dir.Host("f.bin").c_str());
        if (c.existing) WriteFile(dir.Host("f.bin"), "old");
        CFile file;
        CFileException error;
        bool opens = c.cause == CFileException::none;
        EXPECT_EQ(file.Open(dir.Win("f.bin").c_str(), c.flags, &error) != 0, opens);
        EXPECT_EQ(error.m_cause, c.cause);
        if (!opens) {
            EXPECT_EQ(std::string(error.m_strFileName), dir.Win("f.bin"));
        }
        file.Close();
        std::string after = FileExists(dir.Host("f.bin")) ? ReadFile(dir.Host("f.bin")) : "<none>";
        EXPECT_EQ(after, c.contentAfter != nullptr ? c.contentAfter : "<none>");
    }
}

TEST(CFile, ReadWriteSeekAndLength) {
    Scratch dir("cfile-io");
    CFile file;
    ASSERT_TRUE(file.Open(dir.Win("data.bin").c_str(),
                          CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary));
    CFileException again;
    EXPECT_FALSE(file.Open(dir.Win("data.bin").c_str(), CFile::modeRead, &again));
    EXPECT_EQ(again.m_cause, CFileException::invalidFile) << "already open";
    file.Write("0123456789", 10);
    struct Move {
        long long offset;
        unsigned int from;
        unsigned long long want;
    } moves[] = {
        {3, CFile::current, 13}, {2, CFile::begin, 2}, {-4, CFile::end, 6}, {20, CFile::begin, 20}};
    for (const Move& m : moves) EXPECT_EQ(file.Seek(m.offset, m.from), m.want);
    char buf[16] = {};
    EXPECT_EQ(file.Read(buf, sizeof buf), 0U);  // past the end: nothing, no error
    file.Seek(6, CFile::begin);
    EXPECT_EQ(file.Read(buf, sizeof buf), 4U);
    EXPECT_EQ(std::string(buf, 4), "6789");
    file.SetLength(3);
    EXPECT_EQ(file.GetLength(), 3U);
    for (unsigned int from : {unsigned{CFile::begin}, 3u}) {  // before the start; no such origin
        long osError = 0;
        try {
            file.Seek(-1, from);
        } catch (CFileException* e) {
            EXPECT_EQ(e->m_cause, CFileException::badSeek);
            osError = e->m_lOsError;
            e->Delete();
        }
        EXPECT_EQ(osError, from == CFile::begin ? 131 : 87);
    }
    file.Close();
    EXPECT_EQ(ReadFile(dir.Host("data.bin")), "012");
}

TEST(CFile, FailuresThrowWhereOpenCannotReport) {
    Scratch dir("cfile-throw");
    WriteFile(dir.Host("ro.bin"), "abc");
    CFile reader(dir.Win("ro.bin").c_str(), CFile::modeRead);
    int cause = -1;
    try {
        reader.Write("x", 1);  // opened for reading only
    } catch (CFileException* e) {
        cause = e->m_cause;
        e->Delete();
    }
    EXPECT_EQ(cause, CFileException::accessDenied);
    try {
        CFile missing(dir.Win("none\\x.bin").c_str(), CFile::modeRead);
    } catch (CFileException* e) {
        cause = e->m_cause;
        e->Delete();
    }
    EXPECT_EQ(cause, CFileException::badPath);
    CFileException onStack(CFileException::diskFull);
    onStack.Delete();  // not made with new: nothing happens
}

TEST(CFile, NameAndTitleFollowTheLastSeparatorOrDriveColon) {
    const char* cases[][3] = {{"C:\\dir\\data.bin", "data.bin", "data"},
                              {"C:x.y.txt", "x.y.txt", "x.y"},
                              {"dir/sub\\noext", "noext", "noext"}};
    for (const auto& c : cases) {
        CFile file;
        file.SetFilePath(c[0]);
        EXPECT_STREQ(file.GetFileName(), c[1]) << c[0];
        EXPECT_STREQ(file.GetFileTitle(), c[2]) << c[0];
    }
}

// The share mode of the first open decides whether a second open of the same file succeeds.
TEST(CFile, ShareModesPassToTheSystem) {
    Scratch dir("cfile-share");
    WriteFile(dir.Host("s.bin"), "x");
    CFile first, second;
    ASSERT_TRUE(first.Open(dir.Win("s.bin").c_str(), CFile::modeRead | CFile::shareDenyWrite));
    EXPECT_TRUE(second.Open(dir.Win("s.bin").c_str(), CFile::modeRead | CFile::shareDenyNone));
    second.Close();
    first.Close();
    ASSERT_TRUE(first.Open(dir.Win("s.bin").c_str(), CFile::modeRead | CFile::shareExclusive));
    CFileException error;
    EXPECT_FALSE(
        second.Open(dir.Win("s.bin").c_str(), CFile::modeRead | CFile::shareDenyNone, &error));
    EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
    EXPECT_EQ(error.m_lOsError, 32);
}

}  // namespace
