#include "FileView.h"

namespace tandrel {

TFilesFrame::TFilesFrame(TMainShell& shell, QWidget* parent) : QWidget(parent), FShell(shell) {}

TFilesFrame::~TFilesFrame() = default;

void TFilesFrame::Init() {}

void TFilesFrame::Release() {}

void TFilesFrame::EnterView() {}

bool TFilesFrame::Compared() const {
    return false;
}

void TFilesFrame::BuildDisplay() {}

void TFilesFrame::OpenTextFiles(const std::string&, const std::string&) {}

void TFilesFrame::LoadSource(const std::string&, const std::vector<std::string>&, bool) {}

void TFilesFrame::Compare() {}

} // namespace tandrel
