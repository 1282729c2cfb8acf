#pragma once
// The scripts of the object pair in the source view: every section of either side, by its
// title, on the colour of its status as the object list shows statuses; a click asks for
// the section in both panes. "只显示改动的脚本" leaves the changed, added and deleted ones.

#include "Colors.h"
#include "ScriptPairs.h"

#include <memory>
#include <QWidget>

class QCheckBox;
class QListWidget;

namespace tandrel {

class TScriptList : public QWidget {
    Q_OBJECT
public:
    // Status colours: same (no colour of its own), added, changed, deleted.
    struct TColors {
        TColor Added = 0;
        TColor Changed = 0;
        TColor Deleted = 0;
    };

    explicit TScriptList(QWidget* parent);
    ~TScriptList() override;

    // The pairs shown from now on (null: none); the list stays hidden unless the texts hold
    // scripts at all.
    void SetPairs(std::unique_ptr<TScriptPairs> pairs, const TColors& colors);
    const TScriptPairs* Pairs() const { return FPairs.get(); }
    // The title a side's pane row stands for, the row's source line (Tag - 1) given.
    std::string TitleAtLine(bool isSide1, std::int32_t line) const;

    QListWidget& List() { return *FList; }
    QCheckBox& ChangedOnly() { return *FChangedOnly; }

signals:
    void pairClicked(int pair);

private:
    void Fill();

    QCheckBox* FChangedOnly;
    QListWidget* FList;
    std::unique_ptr<TScriptPairs> FPairs;
    TColors FColors;
};

} // namespace tandrel
