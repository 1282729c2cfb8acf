// tandrel-cli: the library reader, the diff engine and the comparison model, headless.

#include "CliCommands.h"
#include "CodePage.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <stdexcept>

namespace tandrel::cli {

namespace {

std::runtime_error WriteError(int error) {
    return std::runtime_error(std::string("Cannot write the output: ") + std::strerror(error));
}

} // namespace

void WriteOut(const std::string& bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size())
        throw WriteError(errno);
}

void FlushOut() {
    // A write that failed earlier (a help text written with printf) may flush fine.
    const bool failed = std::ferror(stdout) != 0;
    if (std::fflush(stdout) != 0)
        throw WriteError(errno);
    if (failed)
        throw WriteError(EIO);
}

void WriteErr(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
}

std::string EscapeName(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                static const char hex[] = "0123456789ABCDEF";
                out += "\\x";
                out += hex[byte >> 4];
                out += hex[byte & 15];
            } else {
                out += c;
            }
        }
    }
    return out;
}

namespace {

const Command* const Commands[] = {&ListCommand, &ExportCommand, &DumpCommand,
                                   &LibsCommand, &DiffCommand,   &CompareCommand};

void PrintUsage() {
    std::fputs("Usage: tandrel-cli [--codepage NAME] COMMAND [ARGS...]\n"
               "\n"
               "Reads PowerBuilder libraries, targets and workspaces and compares them,\n"
               "without a window. Texts are bytes in the code page (default GBK).\n"
               "\n"
               "Commands:\n",
               stdout);
    for (const Command* c : Commands)
        std::printf("  %-9s %s\n", c->Name, c->Summary);
    std::fputs(
        "\n"
        "Options:\n"
        "  --codepage NAME  the code page of texts: an iconv name of a single- or\n"
        "                   double-byte code page over ASCII (GBK, CP950, CP1252, ...)\n"
        "  --help           this text; \"tandrel-cli COMMAND --help\" tells about a command\n"
        "\n"
        "Exit status: 0 success (no difference), 1 differences found, 2 error.\n",
        stdout);
}

int Main(int argc, char** argv) {
    Args args(argv + 1, argv + argc);
    size_t i = 0;
    while (i < args.size() && args[i].rfind("--", 0) == 0) {
        if (args[i] == "--help" || args[i] == "-h") {
            PrintUsage();
            return 0;
        }
        if (args[i] == "--codepage" && i + 1 < args.size()) {
            SetSystemCodePage(args[i + 1]);
            i += 2;
            continue;
        }
        throw std::runtime_error("Unknown option \"" + args[i] + "\"; see tandrel-cli --help");
    }
    if (i >= args.size()) {
        PrintUsage();
        return 2;
    }
    const std::string name = args[i];
    Args rest(args.begin() + static_cast<long>(i) + 1, args.end());
    for (const Command* c : Commands) {
        if (name != c->Name)
            continue;
        for (const std::string& a : rest)
            if (a == "--help" || a == "-h") {
                std::fputs(c->Help, stdout);
                return 0;
            }
        return c->Run(rest);
    }
    throw std::runtime_error("Unknown command \"" + name + "\"; see tandrel-cli --help");
}

} // namespace
} // namespace tandrel::cli

int main(int argc, char** argv) {
    // A reader that goes away (a closed pipe) makes the next write fail with the reason,
    // reported as every failed write is, instead of ending the program without a word.
    std::signal(SIGPIPE, SIG_IGN);
    try {
        const int status = tandrel::cli::Main(argc, argv);
        // Output still buffered may fail only here, and a lost listing is no success.
        tandrel::cli::FlushOut();
        return status;
    } catch (const std::bad_alloc&) {
        // The commands name the file they were reading; this is the last resort.
        std::string command = "tandrel-cli";
        for (int i = 1; i < argc; ++i)
            command += std::string(" ") + argv[i];
        std::fflush(stdout);
        tandrel::cli::WriteErr("tandrel-cli: Out of memory while running \"" + command + "\"\n");
        return 2;
    } catch (const std::exception& e) {
        std::fflush(stdout);
        tandrel::cli::WriteErr(std::string("tandrel-cli: ") + e.what() + "\n");
        return 2;
    }
}
