#pragma once
// A folder of its own for a test of the program's main window: the files the test compares
// and the window's settings file live there, away from the user's.

#include "Main.h"

#include <fstream>
#include <memory>
#include <QString>
#include <QTemporaryDir>
#include <string>

namespace tandrel::test {

class TWindowTestFolder {
public:
    bool IsValid() const { return FDir.isValid(); }
    std::string Path(const std::string& name) const {
        return FDir.filePath(QString::fromStdString(name)).toStdString();
    }
    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::string path = Path(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    // A shown main window keeping its settings in this folder.
    std::unique_ptr<TMainForm> NewWindow() const {
        auto form = std::make_unique<TMainForm>(
            TMainOptions{Path("tandrel.ini"), QStringLiteral("/nowhere/tandrel")});
        form->resize(1000, 700);
        form->show();
        return form;
    }

private:
    QTemporaryDir FDir;
};

} // namespace tandrel::test
