#include "LibView.h"

#include "MainShell.h"

namespace tandrel {

TLibFrame::TLibFrame(TMainShell& shell, QWidget* parent) : QWidget(parent), FShell(shell) {}

TLibFrame::~TLibFrame() = default;

void TLibFrame::InitLists() {}

void TLibFrame::FreeLists() {}

void TLibFrame::ShowLibsView() {}

void TLibFrame::ShowObjsView() {}

QWidget* TLibFrame::LibsList() {
    return this;
}

QWidget* TLibFrame::ObjsList() {
    return this;
}

void TLibFrame::OpenSides(const std::vector<std::string>&, const std::vector<std::string>&) {}

} // namespace tandrel
