#pragma once
// The about box: the product's name and version, a notice line, a link that starts a mail
// with the product's subject and a link to the program's manual. Fixed size, centred on the
// main window when shown.

#include "Help.h"

#include <QDialog>
#include <QUrl>

class QLabel;
class QPushButton;

namespace tandrel {

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    // `manual` is what the web link opens (the program's own manual; empty when absent);
    // `opener` opens the links.
    TAboutForm(QWidget* owner, const QUrl& manual, TUrlOpener opener = OpenWithSystem);

    QLabel* NameLabel() const { return FName; }
    QLabel* VersionLabel() const { return FVersion; }
    QLabel* MailLink() const { return FMail; }
    QLabel* WebLink() const { return FWeb; }
    QPushButton* OkButton() const { return FOk; }

    // Where the box goes on the main window: centred, rounding toward zero.
    static QPoint CentredOn(const QRect& owner, const QSize& box);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Label5Click();
    void Label6Click();
    void OpenLink(QLabel* link, const QUrl& url);

    QLabel* FName = nullptr;
    QLabel* FVersion = nullptr;
    QLabel* FMail = nullptr;
    QLabel* FWeb = nullptr;
    QPushButton* FOk = nullptr;
    QUrl FManual;
    TUrlOpener FOpener;
};

} // namespace tandrel
