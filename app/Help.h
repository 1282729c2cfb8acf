#pragma once
// The help document beside the program: its .chm when there is one (the user may have a
// viewer for it), otherwise the program's own HTML manual, in the build tree or installed.

#include <functional>
#include <QString>
#include <QUrl>

class QWidget;

namespace tandrel {

// `programPath`: the program file; an empty URL when no document exists.
QUrl FindHelpDocument(const QString& programPath);

// Opens a document, web or mail address with the system's default program; false when no
// program could be started for it.
using TUrlOpener = std::function<bool(const QUrl&)>;
bool OpenWithSystem(const QUrl& url);

// Opens `url` through `opener`; when nothing opens it the user is told which address failed
// and what the system lacks, instead of the click doing nothing visible.
void OpenOrTell(QWidget* owner, const QUrl& url, const TUrlOpener& opener);

// The running program's file.
QString ProgramPath();

} // namespace tandrel
