// SPDX-License-Identifier: Apache-2.0
// The queue registry's slots and the queues in them, for the subcommands that show them (queue
// list and watch, metrics): the names read from a copy of the registry, and the queues opened as
// they come and closed as they go.
#pragma once

#include <string>
#include <vector>

namespace halcyon::tool {

// The registry's slots: 128 of 32 bytes, each a queue's name (at most 31 bytes, NUL-padded).
constexpr int kRegistrySlots = 128;
constexpr int kRegistrySlotBytes = 32;

// The names in a copy of the registry's kRegistrySlots × kRegistrySlotBytes bytes, by id (""
// for a free slot).
std::vector<std::string> SlotNames(const unsigned char* registry);

// The registry's names, read as one of its clients through its block `block`, which is opened
// on the first call (pass -1 then) and kept open afterwards; false when it cannot be read. The
// caller has made sure a registry runs: a client waits for one without limit.
bool ReadRegistryAsClient(short& block, std::vector<std::string>& names);

// True when the named mutex exists: some process holds what it guards.
bool MutexExists(const std::string& name);

// Queue `name` opened as a client when some process still holds it (its mutex exists: a creator
// may have died since it registered it); -1 when not, or for "".
short OpenIfHeld(const std::string& name);

// Closes queue `id` when it is not -1, as a client (the queue stays for others).
void CloseQueue(short id);

// Keeps `slots` (one per registry id, each with a `name` and the `id` it is open under, -1 when
// it is not) in step with the registry's `names`: a slot whose name changed is closed, made anew
// with the new name and opened again when that is held.
template <class Slot>
void FollowRegistry(const std::vector<std::string>& names, std::vector<Slot>& slots) {
    for (size_t id = 0; id < names.size() && id < slots.size(); ++id) {
        Slot& slot = slots[id];
        if (slot.name == names[id]) continue;
        CloseQueue(slot.id);
        slot = Slot{};
        slot.name = names[id];
        slot.id = OpenIfHeld(slot.name);
    }
}

}  // namespace halcyon::tool
