#include "ScriptList.h"

#include "ColorResolver.h"
#include "DisplayText.h"

#include <QCheckBox>
#include <QListWidget>
#include <QVBoxLayout>

namespace tandrel {

namespace {
constexpr int kPairRole = Qt::UserRole;
constexpr int kListWidth = 220;
} // namespace

TScriptList::TScriptList(QWidget* parent)
    : QWidget(parent), FChangedOnly(new QCheckBox(QStringLiteral("只显示改动的脚本"), this)),
      FList(new QListWidget(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(FChangedOnly);
    layout->addWidget(FList, 1);
    setFixedWidth(kListWidth);
    connect(FChangedOnly, &QCheckBox::toggled, this, [this] { Fill(); });
    connect(FList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { emit pairClicked(item->data(kPairRole).toInt()); });
    hide();
}

TScriptList::~TScriptList() = default;

void TScriptList::SetPairs(std::unique_ptr<TScriptPairs> pairs, const TColors& colors) {
    FPairs = std::move(pairs);
    FColors = colors;
    Fill();
    // A plain text is one section, the header: there is nothing to list.
    setVisible(FPairs && FPairs->Pairs().size() > 1);
}

std::string TScriptList::TitleAtLine(bool isSide1, std::int32_t line) const {
    return FPairs ? FPairs->TitleAtLine(isSide1, line) : std::string();
}

void TScriptList::Fill() {
    FList->clear();
    if (!FPairs)
        return;
    const std::vector<TSectionPair>& pairs = FPairs->Pairs();
    for (size_t i = 0; i < pairs.size(); ++i) {
        const TSectionPair& pair = pairs[i];
        if (FChangedOnly->isChecked() && pair.Status == csSame)
            continue;
        const bool onSide1 = pair.Section1 >= 0;
        const TScriptSection& section =
            FPairs->Outline(onSide1).Sections()[size_t(onSide1 ? pair.Section1 : pair.Section2)];
        auto* item = new QListWidgetItem(FromCodePage(SectionTitle(section)), FList);
        item->setData(kPairRole, int(i));
        const TColor color = pair.Status == csAdded     ? FColors.Added
                             : pair.Status == csDeleted ? FColors.Deleted
                             : pair.Status == csChanged ? FColors.Changed
                                                        : TColor(0);
        if (pair.Status != csSame)
            item->setBackground(ResolveColor(color, palette()));
    }
}

} // namespace tandrel
