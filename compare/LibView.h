#pragma once
// The library comparison frame: the library list and the object list of the current library
// pair, shown over the comparison model. The frame only shows and drives TLibCompare.

#include <QWidget>
#include <string>
#include <vector>

namespace tandrel {

class TMainShell;

class TLibFrame : public QWidget {
    Q_OBJECT
public:
    TLibFrame(TMainShell& shell, QWidget* parent);
    ~TLibFrame() override;

    // Start-up and shutdown, called by the main window after and before its own.
    void InitLists();
    void FreeLists();

    // Bind the shared commands to this frame's handlers and show one of its two lists.
    void ShowLibsView();
    void ShowObjsView();
    QWidget* LibsList();
    QWidget* ObjsList();

    // The program's command line: libraries, targets or workspaces (by extension) on the
    // two sides, then compared.
    void OpenSides(const std::vector<std::string>& side1, const std::vector<std::string>& side2);

private:
    TMainShell& FShell;
};

} // namespace tandrel
