#pragma once
// The notices one command raised, shown together once the command is done: a workspace
// with dozens of missing or repeated libraries would otherwise ask for one answer each.

#include <QDialog>
#include <string>
#include <vector>

class QPlainTextEdit;

namespace tandrel {

struct TNotice {
    std::string Text;    // code page text, as the model words it
    std::string Caption; // "information", or the caption of a damage notice
};

// A modal list of notices, in the order they were raised. The texts are selectable and the
// list scrolls, so a long list can be read and copied whole.
class TNoticesDialog : public QDialog {
    Q_OBJECT
public:
    TNoticesDialog(std::vector<TNotice> notices, QWidget* parent);

    const std::vector<TNotice>& Notices() const { return FNotices; }
    QPlainTextEdit* TextList() const { return FTextList; }

private:
    std::vector<TNotice> FNotices;
    QPlainTextEdit* FTextList = nullptr;
};

} // namespace tandrel
