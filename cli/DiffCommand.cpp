// Placeholder until the command is written; replaced by its implementation.
#include "CliCommands.h"
#include <stdexcept>
namespace tandrel::cli {
namespace { int NotYet(const Args&) { throw std::runtime_error("command not available yet"); } }
const Command DiffCommand{"diff", "(not available yet)", "", NotYet};
}
