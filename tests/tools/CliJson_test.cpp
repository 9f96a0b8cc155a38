// SPDX-License-Identifier: Apache-2.0
// The --json output of the halcyon tool, read back by Python's json module: each command's fields
// as docs/cli-json.md gives them, texts that are not UTF-8, and JSON Lines from queue watch.
#include "tools/ToolRuns.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace halcyon::test;

#if HALCYON_STAND_IN
// `command` (one that runs the tool), then Python printing the repr() of `expression` of its
// output: `docs` holds every line's object (each line is strict UTF-8 JSON), `d` the first.
std::string Query(const std::string& command, const std::string& expression) {
    const std::string out = MakeScratchFolder("json") + "/out";
    return command + " > '" + out + "' && python3 -c \"import json, sys\n" +
           "docs = [json.loads(l) for l in "
           "sys.stdin.buffer.read().decode('utf-8').splitlines()]\n" +
           "d = docs[0]\nprint(repr(eval(sys.argv[1])))\" \"" + expression + "\" < '" + out + "'";
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

    const std::string t = "\"" + tool + "\" ";
    QueueHost host("Orders --size 4", t);
    ASSERT_TRUE(host.Hosting()) << host.Log();
    std::string out;
    ASSERT_EQ(RunCommand("printf 'buy 10\\nsell 5\\n' | " + t + "queue push Orders", out), 0)
        << out;

    ExpectRuns({
        {Query(t + "tz list --json",
               "len(docs), [(z['code'], z['minutes'], z['offset']) for z in d['zones']]"),
         0,
         "(1, [('T', 480, '+08:00'), ('N', -300, '-05:00'), ('\"', 60, '+01:00'), "
         "('\xC2\xA4', -30, '-00:30')])\n",
         true},
        {Query(t + "paths --json --market 42",
               "d['market'], d['paths']['server_market_dat'], d['paths']['bin']['host']"),
         0, "(42, {'path': 'DAT\\\\002A', 'host': None}, '" + root + "/BIN')\n", true},
        {Query(t + "paths --json", "d['market'], sorted(d['paths']['root'])"), 0,
         "(None, ['host', 'path'])\n", true},
        {Query(t + "appinfo --json", "sorted(d), d['account']"), 0,
         "(['account', 'account_type', 'application_id', 'broker', 'copyright', 'date', "
         "'login_type', 'product', 'product_id', 'product_type', 'server', 'version'], None)\n",
         true},
        {Query(t + "queue list --json", "d"), 0,
         "{'slots': 128, 'queues': [{'id': 0, 'name': 'Orders'}]}\n", true},
        {Query(t + "queue stat Orders --json",
               "d['name'], d['header_valid'], d['ring_kib'], d['count'], d['used_bytes'], "
               "d['written']"),
         0, "('Orders', True, 4, 2, 16, 2)\n", true},
        {Query(t + "queue watch --json --count 2 --interval 100",
               "len(docs), [x['refresh'] for x in docs], [x['time'][-1] for x in docs], "
               "[(q['name'], q['state'], q['waiting'], q['written_per_s']) for x in docs "
               "for q in x['queues']]"),
         0, "(2, [1, 2], ['Z', 'Z'], [('Orders', 'ok', 2, None), ('Orders', 'ok', 2, 0.0)])\n",
         true},
        {Query(t + "objects --json",
               "sorted(d), [(o['kind'], o['size'], o['stale']) for o in "
               "d['objects'] if o['name'] == 'QS_Orders']"),
         0, "(['collected', 'folder', 'objects', 'stale_not_shown'], [('mutex', None, False)])\n",
         true},
    });
    // Product facts in the installation's code page (GBK) come out in UTF-8; a byte GBK cannot
    // read (0xFF) as the character of its number.
    WriteFile(root + "/SYS/Version.ini", "[SYSTEM]\r\nProductName=\xD6\xD0\xCE\xC4 \xFF\r\n");
    ExpectRuns({{Query("HALCYON_CODEPAGE=936 " + t + "appinfo --json", "d['product']"), 0,
                 "'\xE4\xB8\xAD\xE6\x96\x87 \xC3\xBF'\n", true}});
#else
    GTEST_SKIP() << "the shell pipeline of this test is a POSIX one";
#endif
}

}  // namespace
