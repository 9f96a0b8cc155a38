#include "ByteFiles.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace halcyon::tool {

void BinaryStandardStreams() {
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

bool WriteAll(const std::string& name, const void* data, size_t size, std::string& error) {
    std::FILE* out = name == "-" ? stdout : std::fopen(name.c_str(), "wb");
    if (out == nullptr) {
        error = "cannot create '" + name + "': " + std::strerror(errno);
        return false;
    }
    bool ok = size == 0 || std::fwrite(data, 1, size, out) == size;
    ok = (out == stdout ? std::fflush(out) : std::fclose(out)) == 0 && ok;
    if (!ok) error = "cannot write '" + name + "'";
    return ok;
}

int RunFileTransform(const char* command, const char* help, FileTransform transform,
                     const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(help, stdout);
        return kExitOk;
    }
    if (args.size() > 2) return UsageError(command, "too many arguments");
    BinaryStandardStreams();
    std::string input = args.size() > 0 ? args[0] : "-";
    std::string output = args.size() > 1 ? args[1] : "-";
    FileBytes in, out;
    std::string error;
    if (!ReadAll(input, in, error) || !transform(in, out, error) ||
        !WriteAll(output, out.data(), out.size(), error)) {
        std::fprintf(stderr, "halcyon %s: %s\n", command, error.c_str());
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace halcyon::tool
