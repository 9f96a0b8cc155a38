// SPDX-License-Identifier: Apache-2.0
// CFile and CFileException as the library uses them: open flags, share modes, reading, names, and
// the failures they report.
#include "support/TestEnv.h"

#include <Platform/CFile.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace halcyon::test;

// What each open mode does to an existing file "old" and to a missing one.
TEST(CFile, OpenFlagsChooseAccessAndCreation) {
    std::string host = MakeScratchFolder("cfile-open") + "/f.bin", name = WindowsPath(host);
    const unsigned int kKeep = CFile::modeReadWrite | CFile::modeCreate | CFile::modeNoTruncate;
    struct Case {
        unsigned int flags;
        bool existing;
        int cause;
        std::string contentAfter;  // of the file after open + close
    } cases[] = {
        {CFile::modeRead, true, CFileException::none, "old"},
        {CFile::modeRead, false, CFileException::fileNotFound, "<no file>"},
        {CFile::modeWrite | CFile::modeCreate, true, CFileException::none, ""},
        {kKeep, true, CFileException::none, "old"},
        {kKeep, false, CFileException::none, ""},
        {0x3, true, CFileException::genericException, "old"},  // no such access mode
        {CFile::modeRead | 0x50, true, CFileException::genericException, "old"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        std::remove(host.c_str());
        if (c.existing) WriteFile(host, "old");
        CFile file;
        CFileException error;
        bool opens = c.cause == CFileException::none;
        EXPECT_EQ(file.Open(name.c_str(), c.flags, &error) != 0, opens);
        EXPECT_EQ(error.m_cause, c.cause);
        EXPECT_STREQ(error.m_strFileName, opens ? "" : name.c_str());
        file.Close();
        EXPECT_EQ(FileExists(host) ? ReadFile(host) : "<no file>", c.contentAfter);
    }
}

// Read as the language and account files are read: sharing reading only, or nothing.
TEST(CFile, ReadsShareAsAskedAndBadSeeksThrow) {
    std::string host = MakeScratchFolder("cfile-io") + "/data.bin", name = WindowsPath(host);
    WriteFile(host, "0123456789");
    CFile file, reader, writer;
    ASSERT_TRUE(file.Open(name.c_str(), CFile::modeRead | CFile::shareDenyWrite));
    CFileException error;
    EXPECT_FALSE(file.Open(name.c_str(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::invalidFile) << "already open";
    EXPECT_TRUE(reader.Open(name.c_str(), CFile::modeRead | CFile::shareDenyNone));
    EXPECT_FALSE(writer.Open(name.c_str(), CFile::modeWrite | CFile::shareDenyNone, &error));
    EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
    EXPECT_EQ(error.m_lOsError, 32);
    EXPECT_EQ(file.GetLength(), 10U);
    file.Seek(6, CFile::begin);
    char buf[16] = {};
    EXPECT_EQ(file.Read(buf, sizeof buf), 4U);  // up to the end, no error
    EXPECT_EQ(std::string(buf, 4), "6789");
    long osError = 0;
    try {
        file.Seek(0, 3);  // no such origin
    } catch (CFileException* e) {
        EXPECT_EQ(e->m_cause, CFileException::badSeek);
        osError = e->m_lOsError;
        e->Delete();
    }
    EXPECT_EQ(osError, 87);
    file.Close();
    reader.Close();
    ASSERT_TRUE(file.Open(name.c_str(), CFile::modeRead | CFile::shareExclusive));
    EXPECT_FALSE(reader.Open(name.c_str(), CFile::modeRead | CFile::shareDenyNone));
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

}  // namespace
