#pragma once
// The source comparison frame: two texts side by side, aligned and coloured, with the
// commands of the source view. The frame binds, paints and asks; the model does the rest.

#include "MainShell.h"

#include <QWidget>
#include <string>
#include <vector>

namespace tandrel {

class TFilesFrame : public QWidget, public TSourceView {
    Q_OBJECT
public:
    TFilesFrame(TMainShell& shell, QWidget* parent);
    ~TFilesFrame() override;

    // Start-up (after the settings are loaded) and release at the window's destruction.
    void Init();
    void Release();

    // Binds the shared commands to this frame each time the source view comes to the front.
    void EnterView();
    // Whether a comparison result is shown, and rebuilding it (show differences only).
    bool Compared() const;
    void BuildDisplay();

    // The program's command line: two text files loaded and compared at once.
    void OpenTextFiles(const std::string& path1, const std::string& path2);

    void LoadSource(const std::string& title, const std::vector<std::string>& lines,
                    bool isSide1) override;
    void Compare() override;

private:
    TMainShell& FShell;
};

} // namespace tandrel
