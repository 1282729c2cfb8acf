#pragma once
// The sub-commands of tandrel-cli. Each takes the arguments after its name and returns
// the process exit status; errors are thrown as std::exception and reported by main.

#include <string>
#include <string_view>
#include <vector>

namespace tandrel::cli {

using Args = std::vector<std::string>;

struct Command {
    const char* Name;
    const char* Summary;
    const char* Help; // full usage text, printed by "tandrel-cli NAME --help"
    int (*Run)(const Args& args);
};

// Defined by the command files; main lists them in this order.
extern const Command ListCommand;
extern const Command ExportCommand;
extern const Command DumpCommand;
extern const Command LibsCommand;
extern const Command DiffCommand;
extern const Command CompareCommand;

// Writes bytes to standard output unchanged (no newline translation). A failed write
// throws with the system's reason.
void WriteOut(const std::string& bytes);
// Flushes standard output; throws with the system's reason when anything written to it
// was lost.
void FlushOut();
// Writes a message to standard error; a message that cannot be written is not reported.
void WriteErr(std::string_view text);
// A name as one cell of a tab-separated line: tab, line feed, carriage return and
// backslash become \t, \n, \r and \\, the other control characters \xHH.
std::string EscapeName(std::string_view text);

} // namespace tandrel::cli
