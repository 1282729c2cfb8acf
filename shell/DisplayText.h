#pragma once
// Where the program's two kinds of byte text meet a widget. Texts of the libraries and the
// sources are code-page bytes; paths are file-system bytes, normally UTF-8, but a file name
// copied from Windows may be in the code page. Each is converted exactly once, here.

#include <QString>
#include <string>
#include <string_view>

namespace tandrel {

QString FromCodePage(std::string_view bytes);

// UTF-8 when the bytes are valid UTF-8, otherwise the code page: for paths and for messages
// that quote them.
QString DisplayText(std::string_view bytes);

// A path typed or chosen in a widget, back to file-system bytes.
std::string FileSystemPath(const QString& path);

} // namespace tandrel
