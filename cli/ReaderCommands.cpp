// Placeholder until the command is written; replaced by its implementation.
#include "CliCommands.h"
#include <stdexcept>
namespace tandrel::cli {
namespace { int NotYet(const Args&) { throw std::runtime_error("command not available yet"); } }
const Command ListCommand{"list", "(not available yet)", "", NotYet};
const Command ExportCommand{"export", "(not available yet)", "", NotYet};
const Command DumpCommand{"dump", "(not available yet)", "", NotYet};
const Command LibsCommand{"libs", "(not available yet)", "", NotYet};
}
