// halcyon metrics: what the installation's queues, logs and bridges show a monitoring system, in
// the OpenMetrics text format (MetricsText.cpp), read from shared memory (MetricsQueues.cpp) and
// from files (MetricsFiles.cpp), served over HTTP by MetricsCommand.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace halcyon::tool::metrics {

using Labels = std::vector<std::pair<std::string, std::string>>;

// The text of one exposition: families in the order they are begun, each with its samples.
class Exposition {
  public:
    // Begins a family: its TYPE ("gauge" or "counter"), its UNIT when `unit` is not empty (the
    // name then ends in "_<unit>") and its HELP.
    void Family(const char* name, const char* type, const char* unit, const char* help);
    // A sample of the family begun last; a counter's sample name gets "_total".
    void Sample(const Labels& labels, double value);
    // The whole text, "# EOF" included.
    std::string Finish() const;

  private:
    std::string text_;
    std::string name_;
    bool counter_ = false;
};

// A label value for a name the library keeps as bytes (queue and log names may be Big5): '%' and
// every byte outside printable ASCII as "%XX", so that two names never give one value; then '\'
// and '"' escaped as the format wants.
std::string LabelValue(const std::string& bytes);

// The queues of the registry, with what the reader keeps between scrapes (the queues it has
// open). Calls from one thread at a time.
class QueueReader {
  public:
    QueueReader();
    ~QueueReader();
    QueueReader(const QueueReader&) = delete;
    QueueReader& operator=(const QueueReader&) = delete;

    void Collect(Exposition& out);

    struct Queue;

  private:
    std::vector<Queue> queues_;
    short block_ = -1;  // the registry, once a registry runs
};

// The day files of every log below `logRoot` (a host path), and the bridges' state files in
// `tempFolder` (a host path). Files that another user owns, links and files of the wrong kind
// are left out.
void CollectLogs(const std::string& logRoot, Exposition& out);
void CollectBridges(const std::string& tempFolder, Exposition& out);

}  // namespace halcyon::tool::metrics
