#include "OpenDialog.h"

#include "SourceFolder.h"

#include <algorithm>
#include <dirent.h>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace tandrel {

namespace {

bool IsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

std::string ChosenPath(const QString& chosen) {
    std::string path = QFile::encodeName(chosen).toStdString();
    if (Exists(path))
        return path;
    const QFileInfo info(chosen);
    const std::string folder = QFile::encodeName(info.path()).toStdString();
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return path;
    while (const dirent* entry = ::readdir(dir)) {
        if (QFile::decodeName(entry->d_name) == info.fileName()) {
            path = folder + "/" + entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return path;
}

std::vector<std::string> TOpenDialog::ChosenPaths() const {
    std::vector<std::string> paths;
    for (const QString& file : selectedFiles())
        paths.push_back(ChosenPath(file));
    return paths;
}

void TOpenDialog::accept() {
    // Qt checks the chosen names by their UTF-8 spelling, which a code page name does not
    // have; such a choice is taken here when every file is found by its own bytes.
    const QStringList files = selectedFiles();
    bool recovered = false;
    bool allFiles = !files.isEmpty();
    for (const QString& file : files) {
        const std::string path = ChosenPath(file);
        allFiles = allFiles && IsFile(path);
        recovered = recovered || path != QFile::encodeName(file).toStdString();
    }
    // A folder of exported sources is chosen like a library file, not entered.
    const bool allSourceFolders =
        !files.isEmpty() && std::all_of(files.begin(), files.end(), [](const QString& file) {
            return IsSourceFolder(ChosenPath(file));
        });
    if (((allFiles && recovered) || allSourceFolders) && acceptMode() == QFileDialog::AcceptOpen) {
        QDialog::accept();
        return;
    }
    QFileDialog::accept();
}

} // namespace tandrel
