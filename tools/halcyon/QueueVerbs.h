// SPDX-License-Identifier: Apache-2.0
// The subcommands of halcyon queue that own the registry or move records, each in a file of its
// own (QueueHost.cpp, QueuePush.cpp, QueuePop.cpp), and what they share with the others
// (QueueCommand.cpp, which declares the command).
#pragma once

#include "Command.h"
#include "QueueRecords.h"

#include <string>

namespace halcyon::tool {

int HostQueues(const Invocation& call);
int PushRecords(const Invocation& call);
int PopRecords(const Invocation& call);

// From here on, Ctrl-C (and SIGTERM) only sets a flag that the waiting loops look at.
void CatchInterrupts();
bool Interrupted();
constexpr unsigned long kInterruptCheckMs = 200;  // a waiting loop notices Ctrl-C so soon

// Writes "halcyon queue: <message>" to standard error; returns kExitFailure.
int QueueFailure(const std::string& message);

bool ValidQueueName(const std::string& name);
// The queue named by operand `index`; false after a usage error in `code`.
bool QueueNameOf(const Invocation& call, size_t index, std::string& name, int& code);

// Opens queue `name` as a client, waiting for a registry and the name at most --wait-owner
// seconds; -1 after saying why.
short OpenAsClient(const Invocation& call, const std::string& name);

// The records' framing chosen by --null or --hex; false after a usage error in `code`.
bool FramingOf(const Invocation& call, Framing& framing, int& code);

}  // namespace halcyon::tool
