#pragma once
// What the frame tests share: message boxes answered and recorded, the open dialog driven,
// libraries written to a folder of the test's own, and the real libraries' folder.

#include "DisplayText.h"
#include "NoticesDialog.h"

#include <filesystem>
#include <functional>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTimer>
#include <string>
#include <vector>

namespace tandrel::test {

struct TBox {
    QString Title;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
};

// Runs `action`, answering every message box and notices dialog it shows with OK and
// recording each message box and each notice (with its own caption) in the order shown.
// `noticeDialogs` counts the notices dialogs and `noticeLists` keeps their whole texts.
inline std::vector<TBox> CaptureBoxes(const std::function<void()>& action,
                                      int* noticeDialogs = nullptr,
                                      QStringList* noticeLists = nullptr) {
    std::vector<TBox> boxes;
    QTimer timer;
    timer.setInterval(1);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* notices = qobject_cast<TNoticesDialog*>(modal); notices && notices->isVisible()) {
            for (const TNotice& notice : notices->Notices())
                boxes.push_back({QString::fromStdString(notice.Caption), FromCodePage(notice.Text),
                                 QMessageBox::Information});
            if (noticeDialogs)
                ++*noticeDialogs;
            if (noticeLists)
                noticeLists->push_back(notices->TextList()->toPlainText());
            notices->accept();
            return;
        }
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr || !box->isVisible())
            return;
        boxes.push_back({box->windowTitle(), box->text(), box->icon()});
        box->done(QMessageBox::Ok);
    });
    timer.start();
    action();
    timer.stop();
    return boxes;
}

// Runs `action`, answering the file dialog it opens: the filter at `filterIndex` is picked
// as a user picks it, then the files are chosen and the dialog accepted (or cancelled when
// `files` is empty). Returns the filters the dialog offered.
inline QStringList DriveFileDialog(const std::function<void()>& action, int filterIndex,
                                   const QStringList& files, QString* directory = nullptr) {
    QStringList offered;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible())
            return;
        offered = dialog->nameFilters();
        if (directory)
            *directory = dialog->directory().absolutePath();
        if (auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
            types->setCurrentIndex(filterIndex);
        if (files.isEmpty()) {
            dialog->reject();
            return;
        }
        QStringList quoted;
        for (const QString& f : files)
            quoted << QLatin1Char('"') + QFileInfo(f).fileName() + QLatin1Char('"');
        dialog->setDirectory(QFileInfo(files.front()).absolutePath());
        dialog->selectFile(files.size() == 1 ? QFileInfo(files.front()).fileName()
                                             : quoted.join(QLatin1Char(' ')));
        static_cast<QDialog*>(dialog)->accept();
    });
    timer.start();
    action();
    timer.stop();
    return offered;
}

inline std::string RealData(const std::string& relative) {
    return std::string(TANDREL_REALDATA_DIR) + "/" + relative;
}

inline bool HaveRealData() {
    return std::filesystem::exists(RealData("pfc105/PFC.pbw")) &&
           std::filesystem::exists(RealData("pfc2022/PFC.pbw"));
}

// A fresh folder under the temporary folder, removed by the destructor.
class TScratch {
public:
    explicit TScratch(const std::string& name) {
        FPath =
            (std::filesystem::temp_directory_path() /
             ("tandrel-frame-" + std::to_string(QCoreApplication::applicationPid()) + "-" + name))
                .string() +
            "/";
        std::filesystem::remove_all(FPath);
        std::filesystem::create_directories(FPath);
    }
    ~TScratch() {
        std::error_code ec;
        std::filesystem::remove_all(FPath, ec);
    }
    TScratch(const TScratch&) = delete;
    TScratch& operator=(const TScratch&) = delete;
    const std::string& Path() const { return FPath; }
    std::string operator/(const std::string& name) const { return FPath + name; }

private:
    std::string FPath;
};

} // namespace tandrel::test
