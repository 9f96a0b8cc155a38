// SPDX-License-Identifier: Apache-2.0
// halcyon queue push: records from standard input or whole files into a shared queue.
#include "ByteFiles.h"
#include "QueueVerbs.h"

#include <HalcyonCommon.h>

#include <cstdio>
#include <vector>

namespace halcyon::tool {
namespace {

// Writes one record, sleeping while the queue has no room for it (woken by its readers) until
// it is written or the user interrupts.
bool Push(short id, const std::string& record) {
    if (record.empty() || record.size() > kMaxRecordBytes) return false;
    const auto* data = reinterpret_cast<const unsigned char*>(record.data());
    const auto length = static_cast<unsigned short>(record.size());
    int written = 0;
    while (written == 0 && !Interrupted())
        written = halcyon::WriteQueueWaiting(id, data, length, kInterruptCheckMs);
    return written == 1;
}

int Stopped(const std::string& name, long written, const std::string& why) {
    return QueueFailure(why + "; " + std::to_string(written) + " record(s) written to '" + name +
                        "' before it");
}

int PushFiles(short id, const std::string& name, const Args& files) {
    long written = 0;
    for (const std::string& file : files) {
        std::vector<char> bytes;
        std::string error;
        if (!ReadAll(file, bytes, error)) return Stopped(name, written, error);
        std::string record(bytes.begin(), bytes.end());
        if (record.empty() || record.size() > kMaxRecordBytes)
            return Stopped(name, written,
                           "'" + file + "' is " + std::to_string(record.size()) +
                               " bytes long; a record holds 1-3095");
        if (!Push(id, record)) return Stopped(name, written, "the write of '" + file + "' failed");
        ++written;
    }
    std::fprintf(stderr, "halcyon queue: %ld record(s) written to '%s'\n", written, name.c_str());
    return kExitOk;
}

int PushStream(short id, const std::string& name, Framing framing) {
    long written = 0;
    std::string record, why;
    for (;;) {
        ReadResult read = ReadFramed(stdin, framing, record, why);
        if (read == ReadResult::kEnd) break;
        if (read == ReadResult::kBad)
            return Stopped(name, written, "record " + std::to_string(written + 1) + " " + why);
        if (!Push(id, record))
            return Stopped(name, written,
                           "record " + std::to_string(written + 1) +
                               (Interrupted() ? " was interrupted" : " could not be written"));
        ++written;
    }
    if (std::ferror(stdin)) return Stopped(name, written, "standard input cannot be read");
    std::fprintf(stderr, "halcyon queue: %ld record(s) written to '%s'\n", written, name.c_str());
    return kExitOk;
}

}  // namespace

int PushRecords(const Invocation& call) {
    std::string name;
    int code = kExitUsage;
    Framing framing;
    if (!QueueNameOf(call, 0, name, code) || !FramingOf(call, framing, code)) return code;
    const Args files(call.Operands().begin() + 1, call.Operands().end());
    if (!files.empty() && framing != Framing::kLines)
        return UsageError("queue", "--null and --hex frame standard input, not FILE operands");
    BinaryStandardStreams();
    short id = OpenAsClient(call, name);
    if (id < 0) return kExitFailure;
    CatchInterrupts();
    return files.empty() ? PushStream(id, name, framing) : PushFiles(id, name, files);
}

}  // namespace halcyon::tool
