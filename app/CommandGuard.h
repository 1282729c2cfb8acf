#pragma once
// The one guard around every command: an exception stops the command and its message is
// shown in a stop box titled with the application title. Every message box of the shell
// goes through ShowMessage, so that tests can take the boxes instead of showing them.

#include <functional>
#include <QMessageBox>
#include <QString>
#include <string>

namespace tandrel {

inline QString AppTitle() {
    return QStringLiteral("Tandrel");
}

struct TMessage {
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QString Title;
    QString Text;
};

// While set, message boxes are handed to the sink instead of being shown.
using TMessageSink = std::function<void(const TMessage&)>;
void SetMessageSink(TMessageSink sink);

void ShowMessage(QWidget* owner, QMessageBox::Icon icon, const QString& title, const QString& text);

// An exception's message as shown: "." appended when it does not end in one.
QString ErrorText(const std::string& what);

void RunGuarded(QWidget* owner, const std::function<void()>& handler);

} // namespace tandrel
