#include "ByteFiles.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include <cstdint>
#include <filesystem>
#include <system_error>

namespace halcyon::tool {

void BinaryStandardStreams() {
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

bool WriteAll(const std::string& name, const void* data, size_t size, std::string& error,
              Progress* progress) {
    std::FILE* out = name == "-" ? stdout : std::fopen(name.c_str(), "wb");
    if (out == nullptr) {
        error = "cannot create '" + name + "': " + std::strerror(errno);
        return false;
    }
    constexpr size_t kPiece = 1 << 20;  // counted a piece at a time
    const auto* bytes = static_cast<const char*>(data);
    bool ok = true;
    for (size_t at = 0; ok && at < size; at += kPiece) {
        const size_t piece = size - at < kPiece ? size - at : kPiece;
        ok = std::fwrite(bytes + at, 1, piece, out) == piece;
        if (progress != nullptr) progress->Count(0, piece);
    }
    ok = (out == stdout ? std::fflush(out) : std::fclose(out)) == 0 && ok;
    if (!ok) error = "cannot write '" + name + "'";
    return ok;
}

namespace {

// The size of file `name`, or 0 when it is standard input or cannot be told.
std::uint64_t InputSize(const std::string& name) {
    std::error_code error;
    if (name == "-" || !std::filesystem::is_regular_file(name, error)) return 0;
    const std::uintmax_t size = std::filesystem::file_size(name, error);
    return error ? 0 : static_cast<std::uint64_t>(size);
}

}  // namespace

int RunFileTransform(const Invocation& call, FileTransform transform, const char* doing) {
    const char* command = call.Command().name;
    const Args& args = call.Operands();
    BinaryStandardStreams();
    std::string input = args.size() > 0 ? args[0] : "-";
    std::string output = args.size() > 1 ? args[1] : "-";
    FileBytes in, out;
    std::string error;
    Progress progress(std::string("halcyon ") + command, Progress::ToTerminal());
    progress.Phase("reading", Progress::Unit::kBytes, InputSize(input));
    bool ok = ReadAll(input, in, error, &progress);
    if (ok) {
        progress.Phase(doing, Progress::Unit::kBytes, in.size());
        ok = transform(in, out, error);
    }
    if (ok) {
        progress.Phase("writing", Progress::Unit::kBytes, out.size());
        ok = WriteAll(output, out.data(), out.size(), error, &progress);
    }
    char summary[96];
    std::snprintf(summary, sizeof summary, "%.1f MB -> %.1f MB in %.1f s",
                  static_cast<double>(in.size()) / 1e6, static_cast<double>(out.size()) / 1e6,
                  progress.Seconds());
    progress.End(ok ? summary : "");
    if (!ok) {
        std::fprintf(stderr, "halcyon %s: %s\n", command, error.c_str());
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace halcyon::tool
