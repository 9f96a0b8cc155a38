// halcyon queue watch (QueueWatch.cpp), started by halcyon queue (QueueCommand.cpp).
#pragma once

namespace halcyon::tool {

// Shows every registered queue every `intervalMs` until Ctrl-C, or `refreshes` times when that is
// not negative. Each refresh is a time stamp, column heads and a line per queue: redrawn in place
// on a terminal, as plain lines (a blank line after each refresh) otherwise; with `json`, one
// JSON object on a line of its own (docs/cli-json.md). The caller has checked that a registry
// runs. Returns the exit code.
int WatchQueues(long intervalMs, long refreshes, bool json);

}  // namespace halcyon::tool
