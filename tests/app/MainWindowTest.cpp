// The real main window on the offscreen platform: start state, view commands and their keys,
// shortcut routing of hidden entries, status bar, settings through the real file, colour
// choice, the command guard, help and the command line.

#include "About.h"
#include "AppTestUtil.h"
#include "CommandGuard.h"
#include "CommandLine.h"
#include "ExeDir.h"
#include "FileView.h"
#include "Fonts.h"
#include "Icons.h"
#include "LibView.h"
#include "Main.h"
#include "MyListView.h"
#include "StatusBar.h"
#include "TCodeEdit.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <sys/stat.h>

using namespace tandrel;

using test::ReadAll;
using test::WriteAll;

class MainWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    std::vector<TMessage> FMessages;

    std::string SettingsPath() const { return FDir.filePath("tandrel.ini").toStdString(); }

    // A window on this test's settings file, shown and active so that its keys work.
    std::unique_ptr<TMainForm> Open(const std::string& settingsPath = {},
                                    const QString& program = QStringLiteral("/nowhere/tandrel")) {
        auto form = std::make_unique<TMainForm>(
            TMainOptions{settingsPath.empty() ? SettingsPath() : settingsPath, program});
        form->SetUrlOpener([this](const QUrl& url) {
            FOpened.push_back(url);
            return FOpenerWorks;
        });
        return form;
    }

    void Activate(TMainForm& form) {
        form.show();
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));
    }

    std::vector<QUrl> FOpened;
    bool FOpenerWorks = true;

private slots:
    void init() {
        QVERIFY(FDir.isValid());
        std::filesystem::remove(SettingsPath());
        FMessages.clear();
        FOpened.clear();
        FOpenerWorks = true;
        SetMessageSink([this](const TMessage& m) { FMessages.push_back(m); });
    }

    void cleanup() { SetMessageSink({}); }

    void startsInTheLibraryList() {
        auto form = Open();
        TSharedCommands& c = form->Commands();
        QCOMPARE(form->windowTitle(), QStringLiteral("Tandrel"));
        QCOMPARE(form->View(), TViewMode::Libs);
        QVERIFY(c.tbLibMode->isChecked() && c.mnuLibs->isChecked());
        QVERIFY(!c.tbObjs->isChecked() && !c.tbFile->isChecked());
        QCOMPARE(c.mnuOpen1->text(), QStringLiteral("打开PB库文件 1"));
        QCOMPARE(c.mnuOpen2->text(), QStringLiteral("打开PB库文件 2"));
        TStatusBar* bar = form->StatusPanels();
        for (int panel : {1, 3, 5})
            QCOMPARE(bar->PanelText(panel), QStringLiteral("0"));
        QCOMPARE(bar->PanelText(6), QStringLiteral("左0行:右0行"));
        QCOMPARE(bar->PanelText(7), QString());
        QVERIFY(!form->ProgressBar()->isVisible());
        QCOMPARE(form->ProgressBar()->parent(), bar);
        QVERIFY(!c.mnuHorzSplit->isChecked() && !c.mnuIgnoreBlanks->isChecked());
        QVERIFY(!c.mnuIgnoreCase->isChecked() && !c.mnuShowDiffsOnly->isChecked());
        // Hidden: not shown by the menu bar, the menu or the tool bar.
        const QList<QAction*> menus = form->menuBar()->actions();
        QVERIFY(!menus.contains(c.mnuEdit->menuAction()));
        QVERIFY(!menus.contains(c.mnuActions->menuAction()));
        QCOMPARE(menus.size(), 5);
        QVERIFY(!c.mnuSearch->actions().contains(c.mnuReplace));
        for (QAction* hidden : {c.tbCompare, c.tbCancel, c.tbReplace})
            QVERIFY(!form->ToolBar()->actions().contains(hidden));
        QVERIFY(!c.mnuSearch->menuAction()->isEnabled() && !c.mnuActions->isEnabled());
    }

    void furnitureCaptionsKeysAndImages() {
        auto form = Open();
        TSharedCommands& c = form->Commands();
        const std::vector<std::pair<QAction*, const char*>> keys{
            {c.mnuOpen1, "Ctrl+1"},
            {c.mnuOpen2, "Ctrl+2"},
            {c.mnuLibs, "F6"},
            {c.mnuObjs, "F7"},
            {c.mnuFile, "F8"},
            {c.mnuUndo, "Ctrl+Z"},
            {c.mnuRedo, "Ctrl+Shift+Z"},
            {c.mnuFind, "Ctrl+F"},
            {c.mnuFindNext, "F3"},
            {c.mnuPrev, "Ctrl+P"},
            {c.mnuReplace, "Ctrl+R"},
            {c.mnuNext, "Ctrl+N"},
            {c.mnuCompare, "F9"},
            {c.mnuCancel, "Esc"},
            {c.mnuCompareFiles, "Return"},
            {c.mnuCopyBlockRight, "Ctrl+Alt+R"},
            {c.mnuHorzSplit, "Ctrl+H"},
            {form->HelpEntry(), "F1"}};
        for (const auto& [entry, key] : keys)
            QCOMPARE(entry->shortcut().toString(), QString::fromLatin1(key));
        QCOMPARE(c.File1->title(), QStringLiteral("&F 文件"));
        // Two separators in a row between the save entries and the report entries.
        const QList<QAction*> file = c.File1->actions();
        QCOMPARE(file.size(), 11);
        QVERIFY(file[2]->isSeparator() && file[5]->isSeparator() && file[6]->isSeparator() &&
                file[9]->isSeparator());
        QCOMPARE(file[7], c.mnuSaveReport);
        QCOMPARE(file[8]->text(), QStringLiteral("导出比较报告..."));
        QCOMPARE(file[10]->text(), QStringLiteral("退出(&x)"));
        QCOMPARE(c.N1, c.mnuSearch->actions().at(2));
        QCOMPARE(c.tbObjs->toolTip(), QStringLiteral("Objects in library"));
        QCOMPARE(c.tbFindNext->toolTip(), QStringLiteral("Find"));
        for (int i = 0; i < kToolImageCount; ++i) {
            const QIcon icon = ToolImage(i);
            QVERIFY2(!icon.pixmap(16, 16).isNull(), qPrintable(QString::number(i)));
            const QImage normal = icon.pixmap(16, 16).toImage();
            const QImage disabled = icon.pixmap(16, 16, QIcon::Disabled).toImage();
            QVERIFY(normal != disabled);
        }
        QVERIFY(!ProgramIcon().pixmap(256, 256).isNull());
    }

    void viewKeysLeadToTheirViewFromEveryView() {
        auto form = Open();
        Activate(*form);
        const std::vector<std::pair<Qt::Key, TViewMode>> keys{{Qt::Key_F6, TViewMode::Libs},
                                                              {Qt::Key_F7, TViewMode::Objs},
                                                              {Qt::Key_F8, TViewMode::Files}};
        TSharedCommands& c = form->Commands();
        for (const auto& [fromKey, fromView] : keys) {
            for (const auto& [key, view] : keys) {
                QTest::keyClick(form.get(), fromKey);
                QCOMPARE(form->View(), fromView);
                QTest::keyClick(form.get(), key);
                QCOMPARE(form->View(), view);
                QAction* button = view == TViewMode::Libs   ? c.tbLibMode
                                  : view == TViewMode::Objs ? c.tbObjs
                                                            : c.tbFile;
                QVERIFY(button->isChecked());
                QCOMPARE(form->LibFrame()->isVisible(), view != TViewMode::Files);
            }
        }
        QTest::keyClick(form.get(), Qt::Key_F7);
        QCOMPARE(c.mnuOpen1->text(), QStringLiteral("打开一个PB库文件 1"));
        QCOMPARE(c.mnuOpen2->text(), QStringLiteral("打开一个PB库文件 2"));
        c.tbFile->trigger();
        QCOMPARE(form->View(), TViewMode::Files);
        c.tbLibMode->trigger();
        QCOMPARE(form->View(), TViewMode::Libs);
    }

    void listViewsHoldBackTheSourceViewCommands() {
        auto form = Open();
        Activate(*form);
        TSharedCommands& c = form->Commands();
        std::vector<std::string> ran;
        const std::vector<std::pair<QAction*, Qt::Key>> entries{{c.mnuFind, Qt::Key_F},
                                                                {c.mnuFindNext, Qt::Key_F3},
                                                                {c.mnuCompare, Qt::Key_F9},
                                                                {c.mnuCancel, Qt::Key_Escape}};
        for (const auto& [entry, key] : entries) {
            entry->setEnabled(true);
            form->Bind(entry, [&ran, entry] { ran.push_back(entry->text().toStdString()); });
        }
        for (Qt::Key fromView : {Qt::Key_F6, Qt::Key_F7}) {
            QTest::keyClick(form.get(), fromView);
            QVERIFY(!c.mnuSave1->isEnabled() && !c.mnuSave2->isEnabled());
            QVERIFY(!c.mnuSearch->menuAction()->isEnabled());
            QVERIFY(!c.mnuActions->menuAction()->isEnabled());
            QVERIFY(!c.tbSave1->isEnabled() && !c.tbSave2->isEnabled());
            QVERIFY(!c.tbHorzSplit->isEnabled() && !c.tbFindNext->isEnabled());
            QVERIFY(!c.tbNext->isEnabled() && !c.tbPrev->isEnabled());
            QTest::keyClick(form.get(), Qt::Key_F, Qt::ControlModifier);
            QTest::keyClick(form.get(), Qt::Key_F3);
            QTest::keyClick(form.get(), Qt::Key_F9);
            QTest::keyClick(form.get(), Qt::Key_Escape);
            QVERIFY(ran.empty());
        }
    }

    void hiddenEntriesAnswerTheirKeysWhileTheyAndTheirMenuAreEnabled() {
        auto form = Open();
        Activate(*form);
        TSharedCommands& c = form->Commands();
        int compared = 0;
        form->Bind(c.mnuCompare, [&] { ++compared; });
        c.mnuCompare->setEnabled(true);
        QTest::keyClick(form.get(), Qt::Key_F9);
        QCOMPARE(compared, 0); // its menu is still disabled
        c.mnuActions->setEnabled(true);
        QTest::keyClick(form.get(), Qt::Key_F9);
        QCOMPARE(compared, 1);
        c.mnuCompare->setEnabled(false);
        QTest::keyClick(form.get(), Qt::Key_F9);
        QCOMPARE(compared, 1);

        c.mnuSearch->menuAction()->setEnabled(true);
        int replaced = 0;
        form->Bind(c.mnuReplace, [&] { ++replaced; });
        QTest::keyClick(form.get(), Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(replaced, 1);
    }

    void anEntryRunsItsMenuHandlerFirst() {
        auto form = Open();
        Activate(*form);
        TSharedCommands& c = form->Commands();
        std::vector<std::string> order;
        c.mnuUndo->setEnabled(false);
        form->SetMenuHandler(c.mnuEdit, [&] {
            order.push_back("menu");
            c.mnuUndo->setEnabled(true);
        });
        form->Bind(c.mnuUndo, [&] { order.push_back("undo"); });
        QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(order, (std::vector<std::string>{"menu", "undo"}));
        // A handler that leaves the entry disabled stops it.
        form->SetMenuHandler(c.mnuEdit, [&] {
            order.push_back("menu");
            c.mnuUndo->setEnabled(false);
        });
        QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(order.size(), size_t(3));
        // The handler also runs when the menu opens.
        emit c.mnuEdit->aboutToShow();
        QCOMPARE(order.size(), size_t(4));
    }

    void optionEntriesFlipTheirCheckMarks() {
        auto form = Open();
        TSharedCommands& c = form->Commands();
        c.mnuIgnoreBlanks->trigger();
        c.mnuIgnoreCase->trigger();
        c.mnuShowDiffsOnly->trigger();
        QVERIFY(form->IgnoreBlanks() && form->IgnoreCase() && form->ShowDiffsOnly());
        c.mnuIgnoreCase->trigger();
        QVERIFY(!form->IgnoreCase());
        QVERIFY(FMessages.empty());
    }

    void showCountsFillsTheCountPanels() {
        auto form = Open();
        TCompareCounts counts;
        counts.Count1 = 12;
        counts.Count2 = 15;
        counts.Added = 3;
        counts.Deleted = 4;
        counts.Changed = 5;
        form->SetPanelText(7, QStringLiteral("kept"));
        form->ShowCounts(counts);
        TStatusBar* bar = form->StatusPanels();
        QCOMPARE(bar->PanelText(1), QStringLiteral("3"));
        QCOMPARE(bar->PanelText(3), QStringLiteral("5"));
        QCOMPARE(bar->PanelText(5), QStringLiteral("4"));
        QCOMPARE(bar->PanelText(6), QStringLiteral("左12行:右15行"));
        QCOMPARE(bar->PanelText(7), QStringLiteral("kept"));
        form->show();
        QCOMPARE(form->ProgressBar()->geometry(), bar->PanelRect(7));
        QCOMPARE(bar->PanelRect(0).width(), 32);
        QCOMPARE(bar->PanelRect(1).width(), 40);
        counts.Count1 = 1234567;
        counts.Count2 = 7654321;
        form->ShowCounts(counts);
        QVERIFY(bar->PanelRect(6).width() >
                bar->fontMetrics().horizontalAdvance(bar->PanelText(6)));
        QCOMPARE(form->ProgressBar()->geometry(), bar->PanelRect(7));
    }

    void firstStartUsesTheDefaultsAndCloseWritesEveryKey() {
        {
            auto form = Open();
            const QRect work = form->screen()->availableGeometry();
            QCOMPARE(form->pos(), QPoint(25, 25));
            QCOMPARE(form->width(), work.x() + work.width() - 50);
            QCOMPARE(form->height(), work.y() + work.height() - 50);
            QCOMPARE(form->Values().AddColor, TColor(0x00F0CCA8));
            QCOMPARE(form->Values().FontName, std::string("Courier New"));
            QCOMPARE(form->Values().FontSize, 10);
            form->show();
            form->move(40, 50);
            form->resize(600, 300);
            form->Commands().mnuHorzSplit->trigger();
            form->Values().Folder1 = "/data/旧";
            form->close();
        }
        const std::string text = ReadAll(SettingsPath());
        for (const char* line :
             {"[Options]\n", "Bounds.Left=40\n", "Bounds.Top=50\n", "Bounds.Width=600\n",
              "Bounds.Height=300\n", "AddColor=$00F0CCA8\n", "ModColor=$006FFB8A\n",
              "DelColor=$00BB77FF\n", "Font.Name=Courier New\n", "Font.size=10\n", "Horizontal=1\n",
              "Folder.1=/data/旧\n", "Folder.2=\n", "CodePage=GBK\n"})
            QVERIFY2(text.find(line) != std::string::npos, line);

        auto again = Open();
        QCOMPARE(again->pos(), QPoint(40, 50));
        QCOMPARE(again->size(), QSize(600, 300));
        QVERIFY(again->HorzSplit());
        QCOMPARE(again->Values().Folder1, std::string("/data/旧"));
    }

    void unusablePlacementCentresTheWindow() {
        for (const char* bounds : {"Bounds.Width=0\n", "Bounds.Left=100000\n"}) {
            WriteAll(SettingsPath(), std::string("[Options]\n") + bounds);
            auto form = Open();
            const QRect screen = form->screen()->geometry();
            QCOMPARE(form->size(), QSize(645, 329));
            QCOMPARE(form->pos(), QPoint(screen.x() + (screen.width() - 645) / 2,
                                         screen.y() + (screen.height() - 329) / 2));
        }
    }

    void maximisedClosingKeepsTheNormalBoundsAndOtherKeysStay() {
        WriteAll(SettingsPath(), "[Other]\nx=1\n\n[Options]\nBounds.Left=30\nBounds.Top=31\n"
                                 "Bounds.Width=500\nBounds.Height=200\nUnknown=kept\n"
                                 "AddColor=255\nModColor=$000000FF\nDelColor=red\n");
        {
            auto form = Open();
            QCOMPARE(form->Values().AddColor, TColor(0xFF));
            QCOMPARE(form->Values().ModColor, TColor(0xFF));
            QCOMPARE(form->Values().DelColor, TColor(0x00BB77FF));
            form->showMaximized();
            form->close();
        }
        const std::string text = ReadAll(SettingsPath());
        QVERIFY(text.starts_with("[Other]\nx=1\n\n[Options]\nBounds.Left=30\nBounds.Top=31\n"
                                 "Bounds.Width=500\nBounds.Height=200\nUnknown=kept\n"
                                 "AddColor=$000000FF\nModColor=$000000FF\nDelColor=$00BB77FF\n"));
        QVERIFY(text.find("Horizontal=0\n") != std::string::npos);
    }

    void anUnwritableSettingsFileIsReportedAndTheWindowStillCloses() {
        auto form = Open("/proc/tandrel-settings-test/tandrel.ini");
        form->show();
        QVERIFY(form->close());
        QVERIFY(!form->isVisible());
        QCOMPARE(FMessages.size(), size_t(1));
        QCOMPARE(FMessages[0].Icon, QMessageBox::Critical);
        QCOMPARE(FMessages[0].Title, QStringLiteral("Tandrel"));
        QCOMPARE(FMessages[0].Text, QStringLiteral("Unable to write to "
                                                   "/proc/tandrel-settings-test/tandrel.ini: No "
                                                   "such file or directory."));
    }

    void boundsAreKeptOnTheScreen() {
        for (const char* corner : {"0", "2147483647"}) {
            WriteAll(SettingsPath(), std::string("[Options]\nBounds.Left=") + corner +
                                         "\nBounds.Top=" + corner +
                                         "\nBounds.Width=2147483647\nBounds.Height=2147483647\n");
            auto form = Open();
            const QRect work = form->screen()->availableGeometry();
            QVERIFY(form->width() <= work.width() && form->height() <= work.height());
            QVERIFY(work.intersects(form->geometry()));
        }
        WriteAll(SettingsPath(), "[Options]\nBounds.Left=10\nBounds.Top=20\n"
                                 "Bounds.Width=100000\nBounds.Height=100000\n");
        auto form = Open();
        const QRect work = form->screen()->availableGeometry();
        QCOMPARE(form->pos(), QPoint(10, 20));
        QCOMPARE(form->size(), work.size());
        form->close();
        // What is written back is what the window was: the next start is sane as well.
        QVERIFY(
            ReadAll(SettingsPath()).find("Bounds.Width=" + std::to_string(work.width()) + "\n") !=
            std::string::npos);
    }

    void aSettingsFileThatCannotBeReadIsReportedOnceAndLeftAlone() {
        QVERIFY(::mkfifo(SettingsPath().c_str(), 0600) == 0);
        {
            auto form = Open();
            QTRY_COMPARE(FMessages.size(), size_t(1));
            QCOMPARE(FMessages[0].Icon, QMessageBox::Warning);
            QCOMPARE(FMessages[0].Text,
                     QString::fromStdString("Cannot read \"" + SettingsPath() +
                                            "\": it is not a regular file. The settings file is "
                                            "left alone and the defaults are used."));
            QCOMPARE(form->Values().AddColor, TColor(0x00F0CCA8));
            form->close();
        }
        QCOMPARE(FMessages.size(), size_t(1));
        QVERIFY(std::filesystem::is_fifo(SettingsPath()));
        std::filesystem::remove(SettingsPath());
    }

    void aReadOnlyProgramFolderKeepsTheSettingsInTheConfigFolder() {
        const QString program = FDir.filePath(QStringLiteral("bin"));
        std::filesystem::create_directories(program.toStdString());
        std::filesystem::permissions(program.toStdString(), std::filesystem::perms::owner_read |
                                                                std::filesystem::perms::owner_exec);
        const std::string config = FDir.filePath(QStringLiteral("config")).toStdString();
        const std::string folder = ChooseExeDir(program.toStdString(), FDir.path().toStdString(),
                                                config.c_str(), "/home/x");
        std::filesystem::permissions(program.toStdString(), std::filesystem::perms::owner_all);
        if (::geteuid() == 0)
            QSKIP("root may write into any folder");
        QCOMPARE(folder, config + "/tandrel/");
        auto form = Open(folder + "tandrel.ini");
        form->close();
        QVERIFY(std::filesystem::exists(config + "/tandrel/tandrel.ini"));
    }

    void choosingAColourRepaintsItsSwatch() {
        auto form = Open();
        form->show();
        QString asked;
        form->SetColorChooser([&](TColor current, const QString& title) {
            asked = title;
            return current == 0x00F0CCA8 ? std::optional<TColor>(0x000000FF) : std::nullopt;
        });
        TStatusBar* bar = form->StatusPanels();
        const QRect swatch = bar->PanelRect(0);
        const QPoint probe(swatch.right() - 3, swatch.bottom() - 3);
        QCOMPARE(bar->grab().toImage().pixelColor(probe), QColor(0xA8, 0xCC, 0xF0));
        form->HighlightColorEntry(0)->trigger();
        QCOMPARE(asked, QStringLiteral("设置[增加]颜色"));
        QCOMPARE(form->Values().AddColor, TColor(0x000000FF));
        QCOMPARE(bar->grab().toImage().pixelColor(probe), QColor(255, 0, 0));
        form->HighlightColorEntry(2)->trigger(); // cancelled: the colour stays
        QCOMPARE(form->Values().DelColor, TColor(0x00BB77FF));
    }

    void theGuardShowsTheMessageWithAFullStop() {
        auto form = Open();
        TSharedCommands& c = form->Commands();
        form->Bind(c.mnuOpen1, [] { throw std::runtime_error("Cannot open file \"x.pbl\""); });
        c.mnuOpen1->trigger();
        form->Guarded([] { throw std::runtime_error("Already ends."); });
        QCOMPARE(FMessages.size(), size_t(2));
        QCOMPARE(FMessages[0].Icon, QMessageBox::Critical);
        QCOMPARE(FMessages[0].Title, QStringLiteral("Tandrel"));
        QCOMPARE(FMessages[0].Text, QStringLiteral("Cannot open file \"x.pbl\"."));
        QCOMPARE(FMessages[1].Text, QStringLiteral("Already ends."));
        // A library name in GBK bytes, copied from Windows, reads as its characters.
        form->Guarded([] { throw std::runtime_error("Cannot open \"/w/\xB6\xA9\xB5\xA5.pbl\""); });
        QCOMPARE(FMessages.back().Text, QStringLiteral("Cannot open \"/w/订单.pbl\"."));
        form->Guarded([] { throw std::bad_alloc(); });
        QCOMPARE(FMessages.back().Text,
                 QStringLiteral("There is not enough memory to finish the command; nothing was "
                                "changed by the part that failed."));
        QCOMPARE(form->View(), TViewMode::Libs);
    }

    void helpOpensTheChmThenTheManualElseSaysSo() {
        {
            auto form = Open();
            form->HelpEntry()->trigger();
            QVERIFY(FOpened.empty());
            QCOMPARE(FMessages.size(), size_t(1));
            QCOMPARE(FMessages[0].Icon, QMessageBox::Information);
            QVERIFY(FMessages[0].Text.contains(QStringLiteral("tandrel.chm")));
        }
        {
            auto form = Open({}, QStringLiteral(TANDREL_APP_BINARY_DIR "/tandrel"));
            form->Commands().tbHelp->trigger();
            QCOMPARE(FOpened.size(), size_t(1));
            QVERIFY(FOpened[0].toLocalFile().endsWith(QStringLiteral("/manual/index.html")));
            QVERIFY(QFileInfo(FOpened[0].toLocalFile()).isFile());
        }
        {
            // The installed layout: the manual under share/doc beside bin.
            const QString manual = FDir.filePath(QStringLiteral("usr/share/doc/tandrel/manual"));
            std::filesystem::create_directories(manual.toStdString());
            WriteAll((manual + QStringLiteral("/index.html")).toStdString(), "<html/>");
            auto form = Open({}, FDir.filePath(QStringLiteral("usr/bin/tandrel")));
            form->HelpEntry()->trigger();
            QCOMPARE(FOpened.back(), QUrl::fromLocalFile(manual + QStringLiteral("/index.html")));
        }
        const QString chm = FDir.filePath(QStringLiteral("tandrel.chm"));
        WriteAll(chm.toStdString(), "x");
        auto form = Open({}, FDir.filePath(QStringLiteral("tandrel")));
        form->HelpEntry()->trigger();
        QCOMPARE(FOpened.back(), QUrl::fromLocalFile(chm));
        QVERIFY(FMessages.size() == 1);

        // Without a program for it (no xdg-open) the user is told, by F1 and by the about
        // box's links alike.
        FOpenerWorks = false;
        Activate(*form);
        QTest::keyClick(form.get(), Qt::Key_F1);
        QCOMPARE(FOpened.back(), QUrl::fromLocalFile(chm));
        QCOMPARE(FMessages.size(), size_t(2));
        QCOMPARE(FMessages[1].Icon, QMessageBox::Information);
        QVERIFY(FMessages[1].Text.contains(chm));
        QVERIFY(FMessages[1].Text.contains(QStringLiteral("xdg")));
        TAboutForm box(form.get(), QUrl::fromLocalFile(chm), [this](const QUrl& url) {
            FOpened.push_back(url);
            return false;
        });
        box.show();
        QTest::mouseClick(box.MailLink(), Qt::LeftButton);
        QCOMPARE(FOpened.back().scheme(), QStringLiteral("mailto"));
        QCOMPARE(FMessages.size(), size_t(3));
        QVERIFY(FMessages[2].Text.contains(QStringLiteral("mailto:")));
        QTest::mouseClick(box.WebLink(), Qt::LeftButton);
        QCOMPARE(FMessages.size(), size_t(4));
        QVERIFY(FMessages[3].Text.contains(chm));
        std::filesystem::remove(chm.toStdString());
    }

    void commandLineWithTwoWorkspacesComparesThem() {
        const std::string demo = TANDREL_DEMO_DIR;
        if (!std::filesystem::exists(demo + "/v1/app.pbw"))
            QSKIP("the demo libraries are not built");
        auto form = Open();
        form->OpenLaunch(ParseCommandLine({demo + "/v1/app.pbw", demo + "/v2/app.pbw"}));
        QVERIFY(FMessages.empty());
        QCOMPARE(form->View(), TViewMode::Libs);
        TStatusBar* bar = form->StatusPanels();
        QCOMPARE(bar->PanelText(1), QStringLiteral("1"));
        QCOMPARE(bar->PanelText(3), QStringLiteral("3"));
        QCOMPARE(bar->PanelText(5), QStringLiteral("1"));
        QCOMPARE(bar->PanelText(6), QStringLiteral("左5行:右5行"));
        QVERIFY(!form->ProgressBar()->isVisible());
        QCOMPARE(bar->PanelText(7), QString());
    }

    void commandLineWithTwoTextFilesOpensTheSourceView() {
        const std::string one = FDir.filePath(QStringLiteral("one.txt")).toStdString();
        const std::string two = FDir.filePath(QStringLiteral("two.txt")).toStdString();
        WriteAll(one, "a\nb\n");
        WriteAll(two, "a\nB\nc\n");
        auto form = Open();
        form->OpenLaunch(ParseCommandLine({one, two}));
        QVERIFY(FMessages.empty());
        QCOMPARE(form->View(), TViewMode::Files);
        QVERIFY(form->Commands().tbFile->isChecked());
        QCOMPARE(form->StatusPanels()->PanelText(6), QStringLiteral("左2行:右3行"));
        // The missing side of an added file, as git difftool names it.
        form->OpenLaunch(ParseCommandLine({"/dev/null", two}));
        QVERIFY(FMessages.empty());
        QCOMPARE(form->StatusPanels()->PanelText(6), QStringLiteral("左0行:右3行"));
    }

    void theSourceViewsNoticeStaysInTheSourceView() {
        const std::string one = FDir.filePath(QStringLiteral("one.bin")).toStdString();
        const std::string two = FDir.filePath(QStringLiteral("two.txt")).toStdString();
        WriteAll(one, std::string("a\0b\n", 4));
        WriteAll(two, "a\n");
        auto form = Open();
        form->OpenLaunch(ParseCommandLine({one, two}));
        QCOMPARE(form->StatusPanels()->PanelText(7), QStringLiteral("1: binary file"));
        form->Commands().tbLibMode->trigger();
        QCOMPARE(form->StatusPanels()->PanelText(7), QString());
        form->Commands().tbFile->trigger();
        QCOMPARE(form->StatusPanels()->PanelText(7), QStringLiteral("1: binary file"));
        QVERIFY(FMessages.empty());
    }

    void commandLineWithMissingTextFilesShowsTheOtherSideAndNamesEveryMissingOne() {
        const std::string here = FDir.filePath(QStringLiteral("here.txt")).toStdString();
        const std::string gone = FDir.filePath(QStringLiteral("gone.txt")).toStdString();
        const std::string also = FDir.filePath(QStringLiteral("also.txt")).toStdString();
        WriteAll(here, "kept\r\nlines\r\n");
        for (bool firstMissing : {false, true}) {
            FMessages.clear();
            auto form = Open();
            const TLaunch launch =
                ParseCommandLine(firstMissing ? std::vector{gone, here} : std::vector{here, gone});
            QCOMPARE(launch.Kind, TLaunchKind::TextFiles);
            form->OpenLaunch(launch);
            QCOMPARE(form->View(), TViewMode::Files);
            QCOMPARE(FMessages.size(), size_t(1));
            QCOMPARE(FMessages[0].Icon, QMessageBox::Critical);
            QCOMPARE(FMessages[0].Text, QString::fromStdString("Cannot open \"" + gone +
                                                               "\": there is no such file."));
            // The side that exists is shown as it was read.
            TFilesFrame& frame = *form->FilesFrame();
            const TCodeEdit& shown = frame.Pane(!firstMissing);
            QCOMPARE(shown.Lines().Count(), 2);
            QCOMPARE(shown.Lines()[1], std::string("lines"));
            QVERIFY(frame.Caption(!firstMissing).text().endsWith(QStringLiteral("here.txt")));
            QCOMPARE(frame.Pane(firstMissing).Lines().Count(), 0);
            QVERIFY(!frame.Compared());
        }
        FMessages.clear();
        auto form = Open();
        form->OpenLaunch(ParseCommandLine({gone, also}));
        QCOMPARE(FMessages.size(), size_t(1));
        QCOMPARE(FMessages[0].Text, QString::fromStdString("Cannot open \"" + gone + "\" or \"" +
                                                           also + "\": there are no such files."));
        // A side that exists but cannot be read is named in the same message.
        FMessages.clear();
        form->OpenLaunch(ParseCommandLine({gone, FDir.path().toStdString()}));
        QCOMPARE(FMessages.size(), size_t(1));
        QVERIFY(FMessages[0].Text.startsWith(
            QString::fromStdString("Cannot open \"" + gone + "\": there is no such file\n")));
        QVERIFY(FMessages[0].Text.contains(FDir.path()));
    }

    void windowsFontsFallBackToInstalledFontsOfTheSameKind() {
        InstallFontSubstitutes();
        const QFontInfo mono(QFont(QStringLiteral("Courier New")));
        QVERIFY2(mono.fixedPitch(), qPrintable(mono.family()));
        const QFontInfo sans(QFont(QStringLiteral("Arial")));
        QVERIFY2(!sans.fixedPitch(), qPrintable(sans.family()));
        // The Chinese face draws the interface's Chinese words.
        QFont song(QStringLiteral("宋体"));
        song.setPixelSize(12);
        QVERIFY(QFontMetrics(song).inFont(QChar(0x589E))); // 增
        QVERIFY(QFontMetrics(song).inFont(QChar(0x5C11))); // 少
    }

    void listColumnsFitASmallSavedWindow() {
        // A window saved smaller than the one the program starts with, lists longer than it
        // shows: every column of both lists, the last ones included, lies inside the list
        // beside its scroll bar.
        const std::string demo = TANDREL_DEMO_DIR;
        if (!std::filesystem::exists(demo + "/v1/app.pbw"))
            QSKIP("the demo libraries are not built");
        for (const char* width : {"520", "900"}) {
            WriteAll(SettingsPath(), std::string("[Options]\nBounds.Left=30\nBounds.Top=31\n"
                                                 "Bounds.Width=") +
                                         width + "\nBounds.Height=200\n");
            auto form = Open();
            Activate(*form);
            form->OpenLaunch(ParseCommandLine({demo + "/v1/app.pbw", demo + "/v2/app.pbw"}));
            TLibFrame& frame = *form->LibFrame();
            frame.lvLibs()->setCurrentIndex(frame.lvLibs()->model()->index(0, 0));
            frame.lvLibsDblClick(frame.lvLibs());
            QCOMPARE(form->View(), TViewMode::Objs);
            QTest::qWait(20);
            for (TMyListView* view : {frame.lvLibs(), frame.lvObjs()}) {
                const int columns = view->header()->count();
                int total = 0;
                for (int c = 0; c < columns; ++c)
                    total += view->header()->sectionSize(c);
                const int client = frame.lvObjs()->viewport()->width();
                QVERIFY(client < std::atoi(width));
                QVERIFY2(total <= client && total >= client - columns - 20,
                         qPrintable(QStringLiteral("%1 of %2").arg(total).arg(client)));
            }
            QVERIFY(frame.lvObjs()->verticalScrollBar()->isVisible());
            QVERIFY(!frame.lvObjs()->horizontalScrollBar()->isVisible());
        }
    }

    void aboutBoxIsCentredOnTheWindowAndClosesOnEnterAndEsc() {
        QCOMPARE(TAboutForm::CentredOn(QRect(-100, 10, 301, 400), QSize(355, 205)),
                 QPoint(-100 + (301 - 355) / 2, 10 + 97));
        auto form = Open();
        form->setGeometry(100, 100, 800, 500);
        form->show();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            TAboutForm box(form.get(), QUrl());
            box.show();
            QCOMPARE(box.windowTitle(), QStringLiteral("Tandrel - About"));
            QCOMPARE(box.size(), QSize(355, 205));
            QCOMPARE(box.VersionLabel()->text(), QStringLiteral("1.02"));
            QVERIFY(!box.WebLink()->isEnabled());
            QCOMPARE(box.frameGeometry().topLeft(),
                     TAboutForm::CentredOn(form->frameGeometry(), box.frameGeometry().size()));
            QTest::keyClick(&box, key);
            QVERIFY(!box.isVisible());
        }
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
