// The fake installation of the alias test: the settings, language and product files the older
// names read, below a fresh root.
#include "Legacy/AliasRows.h"

#include <filesystem>
#include <fstream>

namespace halcyon::legacy_test {

namespace {

void Write(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A conversion table of 13565 two-byte codes: position i gives a code of its own.
std::string ConversionTable() {
    std::string table;
    for (int i = 0; i < 13565; ++i) {
        table += static_cast<char>(0xB0 + i % 0x48);
        table += static_cast<char>(0xA1 + i % 0x5E);
    }
    return table;
}

}  // namespace

void WriteInstallation(const std::string& rootPath, const std::string& windowsRoot) {
    const std::filesystem::path root(rootPath);
    const std::filesystem::path language = root / "SYS" / "Language";
    Write(root / "system.ini", "[CONFIG_FILE]\r\nFILEPATH=" + windowsRoot +
                                   "\\SYS\\Language\r\nFILENAME=Language.ini\r\n");
    Write(language / "Language.ini",
          "[SETTING]\r\nLANG=2\r\nCOUNT=3\r\n[LANGNAME]\r\n1=IDS_LANG_ONE\r\n2=IDS_LANG_TWO\r\n"
          "[LANGFILE]\r\n1=One.lng\r\n2=Test.lng\r\n[BKLANGFILE]\r\n2=TestBK.lng\r\n");
    Write(language / "Test.lng",
          "[MAIN]\r\nIDS_MAIN_TITLE=Main\\nTitle\r\n[LANG]\r\nIDS_LANG_ONE=One\r\n"
          "IDS_LANG_TWO=Two\r\n[DIALOG-ABOUTBOX]\r\nIDS_DIALOG-ABOUTBOX_ACCOUNT=Account:\r\n");
    Write(language / "BIG5-GB.TAB", ConversionTable());
    Write(root / "SYS" / "Application.ini", "[LANG_Service]\r\nSimplified_Service=10 2A\r\n");
    Write(root / "SYS" / "Version.ini",
          "[SYSTEM]\r\nCOPYWRITE=Copy\r\nID=App\r\nProductName=Name\r\nVersion=1.2\r\n"
          "ProductDate=20260101\r\nProductID=P1\r\nProductType=T\r\nAccountType=A\r\n"
          "LoginType=L\r\n");
    Write(root / "SYS" / "System.INI",
          "[CONFIG]\r\nBrokerID=B7\r\n[NetPlatForm]\r\nVSTAAddr=10.0.0.1:7000\r\n");
    Write(root / "SYS" / "UserInfo.CFG", "ACCOUNT-12345678-and-more");
}

}  // namespace halcyon::legacy_test
