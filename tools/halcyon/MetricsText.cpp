// The OpenMetrics text format (version 1.0.0): "# TYPE", "# UNIT", "# HELP", then the samples
// of each family, and "# EOF" at the end.
#include "Metrics.h"

#include <cmath>
#include <cstdio>

namespace halcyon::tool::metrics {

void Exposition::Family(const char* name, const char* type, const char* unit, const char* help) {
    name_ = name;
    counter_ = std::string(type) == "counter";
    text_ += "# TYPE " + name_ + " " + type + "\n";
    if (*unit != '\0') text_ += "# UNIT " + name_ + " " + unit + "\n";
    text_ += "# HELP " + name_ + " " + help + "\n";
}

void Exposition::Sample(const Labels& labels, double value) {
    text_ += name_;
    if (counter_) text_ += "_total";
    if (!labels.empty()) {
        text_ += '{';
        for (size_t i = 0; i < labels.size(); ++i) {
            if (i > 0) text_ += ',';
            text_ += labels[i].first + "=\"" + LabelValue(labels[i].second) + '"';
        }
        text_ += '}';
    }
    char number[32];
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15) {
        std::snprintf(number, sizeof number, " %.0f\n", value);
    } else {
        std::snprintf(number, sizeof number, " %.17g\n", std::isfinite(value) ? value : 0.0);
    }
    text_ += number;
}

std::string Exposition::Finish() const { return text_ + "# EOF\n"; }

std::string LabelValue(const std::string& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : bytes) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7E || c == '%') {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace halcyon::tool::metrics
