#pragma once
// The open dialog of the library frame. A file whose name is not UTF-8 (code page bytes
// copied from a Windows disk) reaches Qt with replacement characters in its name; the
// dialog still takes it, and ChosenPath finds the file meant.

#include <QFileDialog>
#include <string>

namespace tandrel {

class TOpenDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit TOpenDialog(QWidget* parent) : QFileDialog(parent) {}

    // The chosen files as file-system paths, in the dialog's order.
    std::vector<std::string> ChosenPaths() const;

protected:
    void accept() override;
};

// The file-system bytes of a path as Qt gives it: its encoding when that names a file,
// otherwise the entry of its folder that Qt shows by the same text.
std::string ChosenPath(const QString& path);

} // namespace tandrel
