#include "About.h"

#include "Icons.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrlQuery>

namespace tandrel {

namespace {

constexpr int kClientWidth = 355;
constexpr int kClientHeight = 205;
constexpr const char* kShortName = "Tandrel";

QFont ArialFont(int pixels, bool bold, bool underline = false) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    label->move(x, y);
    label->adjustSize();
    return label;
}

// A label that acts as a link: blue, underlined, hand cursor, clicked with the left button.
class TLinkLabel : public QLabel {
public:
    TLinkLabel(const QString& text, QWidget* parent, std::function<void()> clicked)
        : QLabel(text, parent), FClicked(std::move(clicked)) {
        setFont(ArialFont(12, true, true));
        QPalette pal = palette();
        pal.setColor(QPalette::WindowText, QColor(0, 0, 255));
        setPalette(pal);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            FClicked();
    }

private:
    std::function<void()> FClicked;
};

// The bevelled panel: a lowered outer edge around a raised inner one.
class TBevelPanel : public QFrame {
public:
    explicit TBevelPanel(QWidget* parent) : QFrame(parent) {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setLineWidth(1);
        auto* inner = new QFrame(this);
        inner->setFrameStyle(QFrame::Panel | QFrame::Raised);
        inner->setLineWidth(1);
        inner->setGeometry(1, 1, 296, 139);
        inner->lower();
    }
};

} // namespace

TAboutForm::TAboutForm(QWidget* owner, const QUrl& manual, TUrlOpener opener)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint),
      FManual(manual), FOpener(std::move(opener)) {
    setWindowTitle(QStringLiteral("Tandrel - About"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    setFixedSize(kClientWidth, kClientHeight);

    auto* panel = new TBevelPanel(this);
    panel->setGeometry(20, 12, 298, 141);

    auto* picture = new QLabel(panel);
    picture->setGeometry(14, 13, 32, 32);
    picture->setPixmap(ProgramIcon().pixmap(32, 32));

    FName = MakeLabel(panel, QStringLiteral("Tandrel"), 52, 22, ArialFont(16, true));
    FVersion = MakeLabel(panel, QStringLiteral(TANDREL_VERSION), 157, 16, ArialFont(13, true));
    auto* notice = MakeLabel(panel, QStringLiteral("比较两组 PowerBuilder 库的源代码。"), 11, 57,
                             ArialFont(12, false));
    notice->setFixedWidth(274);
    MakeLabel(panel, QString(), 11, 73, ArialFont(12, false))->setFixedWidth(274);

    FMail = new TLinkLabel(QStringLiteral("写信询问: %1 questions").arg(QLatin1String(kShortName)),
                           panel, [this] { Label5Click(); });
    FMail->setGeometry(11, 92, 274, 16);
    FWeb = new TLinkLabel(QStringLiteral("Tandrel 使用手册"), panel, [this] { Label6Click(); });
    FWeb->setGeometry(11, 108, 274, 16);
    FWeb->setEnabled(!FManual.isEmpty());

    FOk = new QPushButton(QStringLiteral("&OK"), this);
    FOk->setGeometry(137, 170, 75, 23);
    FOk->setDefault(true);
    connect(FOk, &QPushButton::clicked, this, &QDialog::accept);
}

QPoint TAboutForm::CentredOn(const QRect& owner, const QSize& box) {
    // Integer division rounds toward zero, also for a box wider than its owner.
    return {owner.left() + (owner.width() - box.width()) / 2,
            owner.top() + (owner.height() - box.height()) / 2};
}

void TAboutForm::showEvent(QShowEvent* event) {
    if (parentWidget() != nullptr) {
        const QWidget* owner = parentWidget()->window();
        move(CentredOn(owner->frameGeometry(), frameGeometry().size()));
    }
    QDialog::showEvent(event);
}

void TAboutForm::OpenLink(QLabel* link, const QUrl& url) {
    link->setCursor(Qt::BusyCursor);
    QApplication::processEvents();
    link->setCursor(Qt::PointingHandCursor);
    OpenOrTell(this, url, FOpener);
}

void TAboutForm::Label5Click() {
    // No recipient: the program has no maker's address; the user's mail program asks for one.
    QUrl mail(QStringLiteral("mailto:"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"),
                       QStringLiteral("%1 questions").arg(QLatin1String(kShortName)));
    mail.setQuery(query);
    OpenLink(FMail, mail);
}

void TAboutForm::Label6Click() {
    OpenLink(FWeb, FManual);
}

} // namespace tandrel
