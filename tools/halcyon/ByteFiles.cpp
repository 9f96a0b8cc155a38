#include "ByteFiles.h"

#include "HostFiles.h"

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
    bool ok = std::fwrite(data, 1, size, out) == size;
    ok = (out == stdout ? std::fflush(out) : std::fclose(out)) == 0 && ok;
    if (!ok) error = "cannot write '" + name + "': " + std::strerror(errno);
    return ok;
}

namespace {

// Why the transform must not run at all; "" when it may.
std::string Refusal(const std::string& input, const std::string& output, bool binary) {
    if (output == "-" && binary && IsTerminal(1))
        return "refusing to write binary data to a terminal: name an OUTPUT file, or redirect "
               "standard output";
    if (input != "-" && output != "-" && SameFile(input, output))
        return "OUTPUT '" + output +
               "' is INPUT itself: the input would be lost on a failure; "
               "write elsewhere, then rename";
    return "";
}

}  // namespace

int RunFileTransform(const Invocation& call, FileTransform transform, bool binary) {
    const char* command = call.Command().name;
    const Args& args = call.Operands();
    BinaryStandardStreams();
    std::string input = args.size() > 0 ? args[0] : "-";
    std::string output = args.size() > 1 ? args[1] : "-";
    FileBytes in, out;
    std::string error = Refusal(input, output, binary);
    if (!error.empty() || !ReadAll(input, in, error) || !transform(in, out, error) ||
        !WriteAll(output, out.data(), out.size(), error)) {
        std::fprintf(stderr, "halcyon %s: %s\n", command, error.c_str());
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace halcyon::tool
