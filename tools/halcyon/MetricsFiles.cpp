// The logs' and the bridges' values, read from their files.
//
// Logs: every folder below the log root holds a log's "system" and "debug" folders with one file
// per day (S<name>_YYYYMMDD.log, D<name>_YYYYMMDD.log); the newest tells the size of today's lines
// and when the log was written last. Bridges: the state files in the installation's TEMP folder
// (docs/bridge.md): the out bridge's journal holds the records not yet known to be stored in the
// stream, the in bridge's cursor the stream sequence last written into the queue.
//
// Only folders and files of this user or of root count, and no link is followed: a TEMP folder
// such as /var/tmp is shared by every user, and a file another user placed there tells nothing.
#include "Metrics.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

namespace halcyon::tool::metrics {
namespace {

constexpr std::uint64_t kLargestRecord = 3095;

bool Trusted(const struct stat& st) { return st.st_uid == geteuid() || st.st_uid == 0; }

// The names in folder `path` (none when it cannot be read).
std::vector<std::string> Names(const std::string& path) {
    std::vector<std::string> names;
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// lstat of a trusted entry of the wanted kind (S_IFDIR or S_IFREG); false for anything else.
bool Entry(const std::string& path, mode_t kind, struct stat& st) {
    return lstat(path.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == kind && Trusted(st);
}

bool DayFileName(const std::string& file, char letter, const std::string& log) {
    const std::string head = letter + log + "_";
    if (file.size() != head.size() + 12 || file.compare(0, head.size(), head) != 0 ||
        file.compare(file.size() - 4, 4, ".log") != 0)
        return false;
    return std::all_of(file.begin() + head.size(), file.end() - 4,
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

struct LogKind {
    Labels labels;
    int files = 0;
    struct stat newest {};
};

std::vector<LogKind> ReadLogs(const std::string& root) {
    std::vector<LogKind> kinds;
    struct stat st;
    if (!Entry(root, S_IFDIR, st)) return kinds;
    for (const std::string& log : Names(root)) {
        for (const char* kind : {"system", "debug"}) {
            const std::string folder = root + "/" + log + "/" + kind;
            if (!Entry(root + "/" + log, S_IFDIR, st) || !Entry(folder, S_IFDIR, st)) continue;
            LogKind k{{{"log", log}, {"kind", kind}}};
            for (const std::string& file : Names(folder)) {  // sorted: the newest day last
                if (!DayFileName(file, kind[0] == 's' ? 'S' : 'D', log) ||
                    !Entry(folder + "/" + file, S_IFREG, st))
                    continue;
                ++k.files;
                k.newest = st;
            }
            if (k.files > 0) kinds.push_back(k);
        }
    }
    return kinds;
}

// A bridge's state file, opened without following a link and only when trusted.
class StateFile {
  public:
    explicit StateFile(const std::string& path)
        : fd_(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK)) {
        struct stat st;
        if (fd_ >= 0 && (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || !Trusted(st))) {
            close(fd_);
            fd_ = -1;
        }
        if (fd_ >= 0) size_ = static_cast<std::uint64_t>(st.st_size);
    }
    ~StateFile() {
        if (fd_ >= 0) close(fd_);
    }
    StateFile(const StateFile&) = delete;
    StateFile& operator=(const StateFile&) = delete;

    std::uint64_t size() const { return size_; }
    // The little-endian number of `width` bytes at `at`; false past the end.
    bool Number(std::uint64_t at, int width, std::uint64_t& value) const {
        unsigned char bytes[8];
        if (fd_ < 0 || pread(fd_, bytes, width, static_cast<off_t>(at)) != width) return false;
        value = 0;
        for (int i = width - 1; i >= 0; --i) value = value << 8 | bytes[i];
        return true;
    }
    bool Magic(const char* magic) const {
        char bytes[8];
        return fd_ >= 0 && pread(fd_, bytes, 8, 0) == 8 && std::memcmp(bytes, magic, 8) == 0;
    }

  private:
    int fd_;
    std::uint64_t size_ = 0;
};

struct Journal {
    std::uint64_t stored = 0;  // records the stream acknowledged since the journal was made
    std::uint64_t pendingRecords = 0;
    std::uint64_t pendingBytes = 0;
};

// The journal's entries from offset 24: n (8), the queue's ReadCount (4), length L (2), L bytes.
// An entry cut short (a crash, or a write under way) ends the walk.
bool ReadJournal(const StateFile& file, Journal& journal) {
    std::uint64_t firstUnstored = 0;
    if (!file.Magic("HCBOUT01") || !file.Number(16, 8, firstUnstored)) return false;
    journal.stored = firstUnstored > 0 ? firstUnstored - 1 : 0;
    std::uint64_t n = 0, length = 0;
    for (std::uint64_t at = 24; file.Number(at, 8, n) && file.Number(at + 12, 2, length);) {
        if (length == 0 || length > kLargestRecord || at + 14 + length > file.size()) break;
        if (n >= firstUnstored) {
            ++journal.pendingRecords;
            journal.pendingBytes += length;
        }
        at += 14 + length;
    }
    return true;
}

bool ReadCursor(const StateFile& file, std::uint64_t& sequence) {
    return file.Magic("HCBIN001") && file.Number(8, 8, sequence);
}

// The queue part of "BRIDGE_<direction>_<queue>.DAT"; empty when the name is not of that form.
std::string BridgeQueue(const std::string& file, const std::string& direction) {
    const std::string head = "BRIDGE_" + direction + "_";
    if (file.size() <= head.size() + 4 || file.compare(0, head.size(), head) != 0 ||
        file.compare(file.size() - 4, 4, ".DAT") != 0)
        return std::string();
    return file.substr(head.size(), file.size() - head.size() - 4);
}

}  // namespace

void CollectLogs(const std::string& logRoot, Exposition& out) {
    const std::vector<LogKind> kinds = ReadLogs(logRoot);
    out.Family("halcyon_log_day_files", "gauge", "", "Day files the log keeps.");
    for (const LogKind& k : kinds) out.Sample(k.labels, k.files);
    out.Family("halcyon_log_day_file_bytes", "gauge", "bytes",
               "Size of the log's newest day file.");
    for (const LogKind& k : kinds) out.Sample(k.labels, static_cast<double>(k.newest.st_size));
    out.Family("halcyon_log_last_write_timestamp_seconds", "gauge", "seconds",
               "When the log's newest day file was last written (Unix time).");
    for (const LogKind& k : kinds) {
        out.Sample(k.labels, static_cast<double>(k.newest.st_mtim.tv_sec) +
                                 static_cast<double>(k.newest.st_mtim.tv_nsec) / 1e9);
    }
}

void CollectBridges(const std::string& tempFolder, Exposition& out) {
    std::map<std::string, Journal> journals;
    std::map<std::string, std::uint64_t> cursors;
    std::vector<std::pair<Labels, bool>> states;
    for (const std::string& file : Names(tempFolder)) {
        const std::string outQueue = BridgeQueue(file, "out"), inQueue = BridgeQueue(file, "in");
        if (outQueue.empty() && inQueue.empty()) continue;
        const StateFile state(tempFolder + "/" + file);
        bool read = false;
        if (!outQueue.empty()) {
            Journal journal;
            read = ReadJournal(state, journal);
            if (read) journals[outQueue] = journal;
        } else {
            std::uint64_t sequence = 0;
            read = ReadCursor(state, sequence);
            if (read) cursors[inQueue] = sequence;
        }
        const bool isOut = !outQueue.empty();
        states.push_back(
            {{{"queue", isOut ? outQueue : inQueue}, {"direction", isOut ? "out" : "in"}}, read});
    }
    out.Family("halcyon_bridge_up", "gauge", "",
               "1 when the bridge's state file was read; 0 for one that is not this user's or "
               "root's, or not a journal or cursor.");
    for (const auto& s : states) out.Sample(s.first, s.second ? 1 : 0);
    out.Family("halcyon_bridge_out_pending_records", "gauge", "",
               "Records taken from the queue that the stream has not yet acknowledged.");
    for (const auto& j : journals)
        out.Sample({{"queue", j.first}}, static_cast<double>(j.second.pendingRecords));
    out.Family("halcyon_bridge_out_pending_bytes", "gauge", "bytes",
               "Bytes of the records the stream has not yet acknowledged.");
    for (const auto& j : journals)
        out.Sample({{"queue", j.first}}, static_cast<double>(j.second.pendingBytes));
    out.Family("halcyon_bridge_out_stored_records", "counter", "",
               "Records the stream acknowledged since the journal was made.");
    for (const auto& j : journals)
        out.Sample({{"queue", j.first}}, static_cast<double>(j.second.stored));
    out.Family("halcyon_bridge_in_last_sequence", "gauge", "",
               "Stream sequence of the last record written into the queue.");
    for (const auto& c : cursors) out.Sample({{"queue", c.first}}, static_cast<double>(c.second));
}

}  // namespace halcyon::tool::metrics
