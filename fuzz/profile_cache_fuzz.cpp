// Fuzzes the profile cache's parser. The input is the bytes of an INI file, parsed into the
// cache's table as SProfileInfo parses a file it has read. Every key a plain reference parser of
// the same rules finds must be in the table with the same value; every section and key name the
// input's first lines hold (and one made of its last bytes), asked of both, must be found by both
// or neither, with the same value.
// The code page is Big5, so that double-byte characters whose trail bytes are "]", "=" or
// letters reach the splitting, the searches and the upper-casing.
//
// Speed: the reference (support/ProfileReference.h) is built without coverage instrumentation and
// keeps views of the text in flat sorted vectors instead of copies in ordered maps; the names
// asked for are each asked once.
#include "HalcyonCommon/Config/ProfileTable.h"
#include "HalcyonCommon/Config/ProfileText.h"
#include "support/ProfileReference.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using halcyon::profile::Table;

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "profile_cache_fuzz: %s\n", what);
    std::abort();
}

const profile_reference::LeadTable& Lead() { return halcyon::profile::ActiveLeadBytes().lead; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("HALCYON_CODEPAGE", "950", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Table table{std::string(text)};
    const profile_reference::Reference reference(text, Lead());
    // Everything the reference holds, the table holds alike.
    for (const profile_reference::Entry& entry : reference.Entries()) {
        std::string_view got;
        Check(table.Find(entry.section, entry.key, got) && got == entry.value,
              "the table lacks or misreads a key the reference holds");
    }
    // And for names taken from the input, both find the same.
    std::vector<std::string> sections;
    std::vector<std::string> keys;
    profile_reference::NamesOf(text, Lead(), sections, keys);
    for (const std::string& section : sections) {
        for (const std::string& key : keys) {
            std::string_view got;
            std::string_view want;
            bool found = table.Find(section, key, got);
            Check(found == reference.Find(section, key, want) && (!found || got == want),
                  "the table and the reference disagree on a name");
        }
    }
    return 0;
}
