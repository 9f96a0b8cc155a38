// SPDX-License-Identifier: Apache-2.0
// The --json output of the halcyon tool, read back by Python's json module: each command's fields
// as docs/cli-json.md gives them, texts that are not UTF-8, and JSON Lines from queue watch.
#include "tools/ToolRuns.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace halcyon::test;

#if HALCYON_STAND_IN
// Runs the tool and prints `expression` of its output through Python: `docs` holds every line's
// object (each line is strict UTF-8 JSON), `d` the first. Prints the expression's repr().
int JsonQuery(const std::string& tool, const std::string& args, const std::string& expression,
              std::string& out) {
    const std::string folder = MakeScratchFolder("json");
    const std::string script = folder + "/query.py";
    WriteFile(script,
              "import json, sys\n"
              "lines = sys.stdin.buffer.read().decode('utf-8').splitlines()\n"
              "docs = [json.loads(line) for line in lines]\n"
              "d = docs[0]\n"
              "print(repr((" +
                  expression + ")))\n");
    return RunCommand("\"" + tool + "\" " + args + " > '" + folder + "/out' && python3 '" + script +
                          "' < '" + folder + "/out'",
                      out);
}
#endif

TEST(CliJson, FieldsReadByAJsonParser) {
#if HALCYON_STAND_IN
    const std::string root = RootHostPath();
    const std::string tool = PlaceProgram(HALCYON_TOOL_PATH, root + "/BIN", "json");
    ASSERT_FALSE(tool.empty());
    ASSERT_TRUE(MakeFolder(root + "/SYS"));
    WriteFile(root + "/SYS/TimeZone.Ctl", "T,480\nN,-300\n\",60\n\xA4,-30\n");
    std::remove((root + "/SYS/UserInfo.CFG").c_str());

    std::string out;
    QueueHost host("Orders --size 4", "\"" + tool + "\" ");
    ASSERT_TRUE(host.Hosting()) << host.Log();
    ASSERT_EQ(RunCommand("printf 'buy 10\\nsell 5\\n' | \"" + tool + "\" queue push Orders", out),
              0)
        << out;

    const struct {
        const char* args;
        std::string expression;
        std::string want;
    } cases[] = {
        {"tz list --json",
         "len(docs), [(z['code'], z['minutes'], z['offset']) for z in d['zones']]",
         "(1, [('T', 480, '+08:00'), ('N', -300, '-05:00'), ('\"', 60, '+01:00'), "
         "('\xC2\xA4', -30, '-00:30')])"},
        {"paths --json --market 42",
         "d['market'], d['paths']['server_market_dat'], d['paths']['bin']['host']",
         "(42, {'path': 'DAT\\\\002A', 'host': None}, '" + root + "/BIN')"},
        {"paths --json", "d['market'], sorted(d['paths']['root'])", "(None, ['host', 'path'])"},
        {"appinfo --json", "sorted(d), d['account']",
         "(['account', 'account_type', 'application_id', 'broker', 'copyright', 'date', "
         "'login_type', 'product', 'product_id', 'product_type', 'server', 'version'], None)"},
        {"queue list --json", "d", "{'slots': 128, 'queues': [{'id': 0, 'name': 'Orders'}]}"},
        {"queue stat Orders --json",
         "d['name'], d['header_valid'], d['ring_kib'], d['count'], d['used_bytes'], d['written']",
         "('Orders', True, 4, 2, 16, 2)"},
        {"queue watch --json --count 2 --interval 100",
         "len(docs), [x['refresh'] for x in docs], [x['time'][-1] for x in docs], "
         "[(q['name'], q['state'], q['waiting'], q['written_per_s']) for x in docs "
         "for q in x['queues']]",
         "(2, [1, 2], ['Z', 'Z'], [('Orders', 'ok', 2, None), ('Orders', 'ok', 2, 0.0)])"},
        {"objects --json",
         "sorted(d), [(o['kind'], o['size'], o['stale']) for o in d['objects'] "
         "if o['name'] == 'QS_Orders']",
         "(['collected', 'folder', 'objects', 'stale_not_shown'], [('mutex', None, False)])"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JsonQuery(tool, c.args, c.expression, out), 0) << c.args << ": " << out;
        EXPECT_EQ(out, c.want + "\n") << c.args;
    }
    // Product facts in the installation's code page (GBK) come out in UTF-8; a byte GBK cannot
    // read (0xFF) as the character of its number.
    WriteFile(root + "/SYS/Version.ini", "[SYSTEM]\r\nProductName=\xD6\xD0\xCE\xC4 \xFF\r\n");
    EXPECT_EQ(
        JsonQuery("env", "HALCYON_CODEPAGE=936 '" + tool + "' appinfo --json", "d['product']", out),
        0)
        << out;
    EXPECT_EQ(out, "'\xE4\xB8\xAD\xE6\x96\x87 \xC3\xBF'\n");
#else
    GTEST_SKIP() << "the shell pipeline of this test is a POSIX one";
#endif
}

}  // namespace
