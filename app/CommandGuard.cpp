#include "CommandGuard.h"

#include "DisplayText.h"

#include <exception>
#include <new>

namespace tandrel {

namespace {

TMessageSink& Sink() {
    static TMessageSink sink;
    return sink;
}

} // namespace

void SetMessageSink(TMessageSink sink) {
    Sink() = std::move(sink);
}

void ShowMessage(QWidget* owner, QMessageBox::Icon icon, const QString& title,
                 const QString& text) {
    if (Sink()) {
        Sink()({icon, title, text});
        return;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok, owner);
    box.exec();
}

QString ErrorText(const std::string& what) {
    QString text = DisplayText(what);
    if (!text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    return text;
}

void RunGuarded(QWidget* owner, const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::bad_alloc&) {
        // Its own text ("std::bad_alloc") tells the user nothing; the operations that can ask
        // for much memory (a file read whole) say which file themselves.
        ShowMessage(owner, QMessageBox::Critical, AppTitle(),
                    ErrorText("There is not enough memory to finish the command; nothing was "
                              "changed by the part that failed"));
    } catch (const std::exception& e) {
        ShowMessage(owner, QMessageBox::Critical, AppTitle(), ErrorText(e.what()));
    } catch (...) {
        ShowMessage(owner, QMessageBox::Critical, AppTitle(), ErrorText("Unknown error"));
    }
}

} // namespace tandrel
