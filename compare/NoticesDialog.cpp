#include "NoticesDialog.h"

#include "DisplayText.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStyle>
#include <QVBoxLayout>

namespace tandrel {

TNoticesDialog::TNoticesDialog(std::vector<TNotice> notices, QWidget* parent)
    : QDialog(parent), FNotices(std::move(notices)) {
    setObjectName(QStringLiteral("NoticesDialog"));
    setWindowTitle(QStringLiteral("information"));
    setSizeGripEnabled(true);

    auto* icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()
                        ->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this)
                        .pixmap(iconSize, iconSize));
    icon->setAlignment(Qt::AlignTop);
    auto* count = new QLabel(this);
    count->setObjectName(QStringLiteral("lblCount"));
    count->setText(FNotices.size() == 1 ? QStringLiteral("1 notice")
                                        : QStringLiteral("%1 notices").arg(FNotices.size()));

    FTextList = new QPlainTextEdit(this);
    FTextList->setObjectName(QStringLiteral("NoticeTexts"));
    FTextList->setReadOnly(true);
    FTextList->setLineWrapMode(QPlainTextEdit::NoWrap);
    FTextList->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QStringList lines;
    for (const TNotice& notice : FNotices)
        lines << FromCodePage(notice.Text);
    FTextList->setPlainText(lines.join(QLatin1Char('\n')));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(count, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(FTextList, 1);
    layout->addWidget(buttons);
    resize(720, 360);
}

} // namespace tandrel
