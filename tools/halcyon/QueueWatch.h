// halcyon queue watch (QueueWatch.cpp), started by halcyon queue (QueueCommand.cpp).
#pragma once

namespace halcyon::tool {

// Shows every registered queue every `intervalMs` until Ctrl-C, or `refreshes` times when that is
// not negative: redrawn in place on a terminal, as plain lines (a blank line after each refresh)
// otherwise. The caller has checked that a registry runs. Returns the exit code.
int WatchQueues(long intervalMs, long refreshes);

}  // namespace halcyon::tool
