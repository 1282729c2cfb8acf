#pragma once
// The help document beside the program: its .chm when there is one (the user may have a
// viewer for it), otherwise the program's own HTML manual, in the build tree or installed.

#include <QString>
#include <QUrl>

namespace tandrel {

// `programPath`: the program file; an empty URL when no document exists.
QUrl FindHelpDocument(const QString& programPath);

// The running program's file.
QString ProgramPath();

} // namespace tandrel
