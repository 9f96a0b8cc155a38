// SPDX-License-Identifier: Apache-2.0
// The shared queues this process holds, by id, for every Python object that uses them.
//
// A queue's id is its registry slot, the same in every process, so two Python objects of one
// name share one id; the library closes an id for the whole process. The table counts the
// objects of each id and closes it (removing the queue when one of them asked for that) when the
// last one lets go. It also finds queues and the registry without waiting for them: the
// library's own open and client calls wait without limit for what is missing.
//
// Every function takes the table's lock, so that the library's per-process tables see one
// create, open or close at a time. Call with the GIL held; the lock is never held while waiting.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace halcyon::python {

// True when some process hosts the queue registry (its change lock "QS_SHARED_QUEUE" exists).
bool RegistryRunning();

// Makes this process the registry's owner (s_MapFile_Initialize(true)); false when the registry
// could not be created. The library ends an owner's registry with the last queue the owner
// removes; the owner then makes it anew before it creates its next queue.
bool BecomeOwner();

// The registered queues, (id, name) in id order; false when the registry cannot be read.
bool RegisteredQueues(std::vector<std::pair<int, std::string>>& queues);

enum class Found { kOpened, kNoRegistry, kNoQueue, kFailed };

// Opens queue `name` when it exists now, without waiting; its id in `id` with kOpened.
Found OpenIfPresent(const std::string& name, short& id);

enum class Created { kCreated, kExists, kNoRegistry, kFailed };

// Creates queue `name` of `kind` (QueueKinds.h) with a ring of `kib` KiB; kExists when the name is
// registered already.
Created CreateNew(const std::string& name, unsigned char kib, int kind, short& id);

// One object lets go of `id`; `remove` asks for the queue to be removed from the registry once no
// object of this process uses it. False when the library refused the close.
bool Release(short id, bool remove);

}  // namespace halcyon::python
