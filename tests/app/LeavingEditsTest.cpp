// The real main window on the offscreen platform, at the moments the user's edits could be
// lost: closing the window (each answer of the question, each way to close, every kind of
// pane), a loaded file changed on disk while its pane holds edits, and a close that arrives
// while a long comparison runs.

#include "AppTestUtil.h"
#include "CommandGuard.h"
#include "FileView.h"
#include "Main.h"
#include "TCodeEdit.h"

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <QAbstractButton>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <utility>

using namespace tandrel;

using test::ReadAll;
using test::WriteAll;

namespace fs = std::filesystem;

class LeavingEditsTest : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    std::vector<TMessage> FMessages;
    // Modal questions are answered, in order, as they come up; each one's text is kept.
    QTimer FPoll;
    std::deque<QMessageBox::StandardButton> FAnswers;
    std::vector<QString> FAsked;
    // What the save dialog is given: a path, or empty for Cancel.
    std::deque<QString> FSaveAs;
    int FSaveDialogs = 0;
    // The application becomes active again while the next question is up.
    bool FReactivateAtQuestion = false;

    std::string PathOf(const char* name) const { return FDir.filePath(name).toStdString(); }

    std::unique_ptr<TMainForm> Open() {
        auto form = std::make_unique<TMainForm>(
            TMainOptions{PathOf("tandrel.ini"), QStringLiteral("/nowhere/tandrel")});
        form->show();
        return form;
    }

    // A window showing two text files compared, with both texts as given.
    std::unique_ptr<TMainForm> OpenPair(const std::string& text1, const std::string& text2) {
        WriteAll(PathOf("one.txt"), text1);
        WriteAll(PathOf("two.txt"), text2);
        auto form = Open();
        form->ShowFilesView();
        form->FilesFrame()->OpenTextFiles(PathOf("one.txt"), PathOf("two.txt"));
        return form;
    }

    static void Type(TCodeEdit& pane, TPoint where, const std::string& text) {
        pane.GotoPoint(where);
        pane.InsertText(text);
    }

    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            FAsked.push_back(box->text());
            if (std::exchange(FReactivateAtQuestion, false))
                Reactivate();
            if (FAnswers.empty()) {
                QTest::keyClick(box, Qt::Key_Escape);
                return;
            }
            const QMessageBox::StandardButton answer = FAnswers.front();
            FAnswers.pop_front();
            box->button(answer)->click();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            ++FSaveDialogs;
            const QString path = FSaveAs.empty() ? QString() : FSaveAs.front();
            if (!FSaveAs.empty())
                FSaveAs.pop_front();
            if (path.isEmpty()) {
                dialog->reject();
                return;
            }
            dialog->selectFile(path);
            QMetaObject::invokeMethod(dialog, "accept");
        }
    }

    // Sets the time stamp well apart from the one loaded, as a later save by another program.
    static void Rewrite(const std::string& path, const std::string& bytes, int secondsLater) {
        const fs::file_time_type before = fs::last_write_time(path);
        WriteAll(path, bytes);
        fs::last_write_time(path, before + std::chrono::seconds(secondsLater));
    }

    static void Reactivate() { emit qApp->applicationStateChanged(Qt::ApplicationActive); }

private slots:
    void initTestCase() {
        FPoll.setInterval(5);
        connect(&FPoll, &QTimer::timeout, this, &LeavingEditsTest::Poll);
        FPoll.start();
    }

    void init() {
        QVERIFY(FDir.isValid());
        FMessages.clear();
        FAnswers.clear();
        FAsked.clear();
        FSaveAs.clear();
        FSaveDialogs = 0;
        FReactivateAtQuestion = false;
        SetMessageSink([this](const TMessage& m) { FMessages.push_back(m); });
    }

    void cleanup() { SetMessageSink({}); }

    void closingWithoutEditsAsksNothing() {
        auto form = OpenPair("a\r\nb\r\n", "a\r\nc\r\n");
        // Edited, then saved by the save command: nothing is left to ask about.
        TFilesFrame& frame = *form->FilesFrame();
        Type(frame.Pane(false), {0, 1}, "x");
        frame.WriteSource(false, PathOf("two.txt"));
        // An object pair from the library view is read-only: it cannot hold edits.
        frame.LoadSource("w_main@/libs/a.pbl", {"forward", "end forward"}, true);
        frame.Pane(true).InsertText("typed");
        QVERIFY(form->close());
        QVERIFY(FAsked.empty());
        QVERIFY(!form->isVisible());
        QCOMPARE(ReadAll(PathOf("two.txt")), std::string("a\r\nxc\r\n"));
    }

    void saveWritesEachEditedSideToItsFile() {
        auto form = OpenPair("keep\r\nold\r\n", "keep\r\nnew\r\nmore\r\n");
        TFilesFrame& frame = *form->FilesFrame();
        Type(frame.Pane(true), {0, 0}, "1:");
        Type(frame.Pane(false), {3, 1}, "er");
        FAnswers = {QMessageBox::Save, QMessageBox::Save};
        // The exit entry, as the user chooses it.
        form->Commands().mnuExit->trigger();
        QVERIFY(!form->isVisible());
        QCOMPARE(FAsked.size(), size_t(2));
        QVERIFY(FAsked[0].contains("文件 1") && FAsked[0].contains("one.txt"));
        QVERIFY(FAsked[1].contains("文件 2") && FAsked[1].contains("two.txt"));
        // Side 1's filler row opposite "more" is not part of its text.
        QCOMPARE(ReadAll(PathOf("one.txt")), std::string("1:keep\r\nold\r\n"));
        QCOMPARE(ReadAll(PathOf("two.txt")), std::string("keep\r\nnewer\r\nmore\r\n"));
        QVERIFY(fs::exists(PathOf("tandrel.ini")));
    }

    void discardClosesAndLeavesTheFiles() {
        auto form = OpenPair("a\r\n", "b\r\n");
        Type(form->FilesFrame()->Pane(false), {0, 0}, "edited ");
        FAnswers = {QMessageBox::Discard};
        QVERIFY(form->close());
        QCOMPARE(FAsked.size(), size_t(1));
        QVERIFY(!form->isVisible());
        QCOMPARE(ReadAll(PathOf("two.txt")), std::string("b\r\n"));
    }

    void stayKeepsTheWindowAndTheEdits() {
        fs::remove(PathOf("tandrel.ini"));
        auto form = OpenPair("a\r\n", "b\r\n");
        TFilesFrame& frame = *form->FilesFrame();
        Type(frame.Pane(true), {0, 0}, "one ");
        Type(frame.Pane(false), {0, 0}, "two ");
        // Side 1 saved, then the user stays at side 2's question.
        FAnswers = {QMessageBox::Save, QMessageBox::Cancel};
        QVERIFY(!form->close());
        QVERIFY(form->isVisible());
        QCOMPARE(FAsked.size(), size_t(2));
        QCOMPARE(ReadAll(PathOf("one.txt")), std::string("one a\r\n"));
        QCOMPARE(frame.Pane(false).Lines()[0], std::string("two b"));
        QVERIFY(frame.HasUnsavedEdits(false) && !frame.HasUnsavedEdits(true));
        QVERIFY(!fs::exists(PathOf("tandrel.ini")));
        // Asked again, from the library view this time: only side 2 is left.
        form->ShowLibsView();
        FAnswers = {QMessageBox::Save};
        QVERIFY(form->close());
        QCOMPARE(FAsked.size(), size_t(3));
        QVERIFY(FAsked[2].contains("文件 2"));
        QCOMPARE(ReadAll(PathOf("two.txt")), std::string("two b\r\n"));
    }

    void anObjectSourceIsSavedThroughTheSaveDialog() {
        auto form = Open();
        TFilesFrame& frame = *form->FilesFrame();
        frame.LoadSource("w_main@/libs/a.pbl", {"$PBExportHeader$w_main.srw", "forward"}, true);
        frame.LoadSource("w_main@/libs/b.pbl", {"$PBExportHeader$w_main.srw"}, false);
        frame.Compare();
        // An object pane made editable, as a user's edit would reach it.
        frame.Pane(true).SetReadOnly(false);
        Type(frame.Pane(true), {0, 1}, "global ");
        // The dialog cancelled: the window stays.
        FAnswers = {QMessageBox::Save};
        QVERIFY(!form->close());
        QCOMPARE(FSaveDialogs, 1);
        QVERIFY(form->isVisible());
        const QString saved = FDir.filePath("w_main.srw");
        FAnswers = {QMessageBox::Save};
        FSaveAs = {saved};
        QVERIFY(form->close());
        QCOMPARE(FSaveDialogs, 2);
        QCOMPARE(ReadAll(saved.toStdString()),
                 std::string("$PBExportHeader$w_main.srw\r\nglobal forward\r\n"));
    }

    void aFailedSaveKeepsTheWindowOpen() {
        auto form = OpenPair("a\r\n", "b\r\n");
        TFilesFrame& frame = *form->FilesFrame();
        Type(frame.Pane(true), {0, 0}, "x");
        // A folder has taken the file's place: the save fails and says so.
        fs::remove(PathOf("one.txt"));
        fs::create_directory(PathOf("one.txt"));
        FAnswers = {QMessageBox::Save};
        const bool closed = form->close();
        fs::remove(PathOf("one.txt"));
        QVERIFY(!closed);
        QVERIFY(form->isVisible());
        QCOMPARE(FMessages.size(), size_t(1));
        QCOMPARE(FMessages[0].Icon, QMessageBox::Critical);
        QCOMPARE(frame.Pane(true).Lines()[0], std::string("xa"));
    }

    void reactivationAsksBeforeReloadingOverEdits() {
        auto form = OpenPair("a\r\nb\r\n", "a\r\nb\r\n");
        TFilesFrame& frame = *form->FilesFrame();
        Type(frame.Pane(false), {0, 1}, "mine ");
        Rewrite(PathOf("two.txt"), "theirs\r\n", 3);
        // Kept: the edits stay, and the same change is not asked about again.
        FAnswers = {QMessageBox::No};
        Reactivate();
        QCOMPARE(FAsked.size(), size_t(1));
        QVERIFY(FAsked[0].contains("文件 2") && FAsked[0].contains("two.txt"));
        QCOMPARE(frame.Pane(false).Lines()[1], std::string("mine b"));
        Reactivate();
        QCOMPARE(FAsked.size(), size_t(1));
        // A newer change asks again; reloaded, the pane shows the file and compares.
        Rewrite(PathOf("two.txt"), "a\r\ntheirs\r\n", 6);
        FAnswers = {QMessageBox::Yes};
        Reactivate();
        QCOMPARE(FAsked.size(), size_t(2));
        QVERIFY(frame.Compared());
        QCOMPARE(frame.Model().Text(false).Lines.size(), size_t(2));
        QCOMPARE(frame.Pane(false).Lines()[1], std::string("theirs"));
        QVERIFY(!frame.HasUnsavedEdits(false));
        // Without edits a change reloads at once.
        Rewrite(PathOf("one.txt"), "a\r\ntheirs\r\n", 9);
        Reactivate();
        QCOMPARE(FAsked.size(), size_t(2));
        QCOMPARE(frame.Pane(true).Lines()[1], std::string("theirs"));
        QCOMPARE(frame.Model().Blocks().size(), size_t(0));
    }

    void reactivationAsksBeforeAReloadRebuildsTheOtherEditedPane() {
        auto form = OpenPair("a\r\nb\r\n", "a\r\nx\r\nb\r\n");
        TFilesFrame& frame = *form->FilesFrame();
        Type(frame.Pane(true), {0, 0}, "1");
        Rewrite(PathOf("two.txt"), "z\r\n", 3);
        // Kept: side 2 stays as it was compared, so side 1 still saves without its fillers.
        FAnswers = {QMessageBox::No};
        Reactivate();
        QCOMPARE(FAsked.size(), size_t(1));
        QVERIFY(FAsked[0].contains("文件 2") && FAsked[0].contains("two.txt"));
        QVERIFY(frame.Compared());
        QCOMPARE(frame.Pane(false).Lines()[1], std::string("x"));
        frame.WriteSource(true, PathOf("one.txt"));
        QCOMPARE(ReadAll(PathOf("one.txt")), std::string("1a\r\nb\r\n"));
        // Edited again, and a newer change reloaded: one question, not the compare's as well.
        Type(frame.Pane(true), {0, 1}, "2");
        Rewrite(PathOf("two.txt"), "1a\r\nb\r\n", 6);
        FAnswers = {QMessageBox::Yes};
        Reactivate();
        QCOMPARE(FAsked.size(), size_t(2));
        QVERIFY(frame.Compared());
        QCOMPARE(frame.Model().Blocks().size(), size_t(0));
        QVERIFY(!frame.HasUnsavedEdits(true));
        QVERIFY(form->close());
        QCOMPARE(FAsked.size(), size_t(2));
    }

    void aQuestionIsNotAskedOverAnother() {
        auto form = OpenPair("a\r\n", "b\r\n");
        TFilesFrame& frame = *form->FilesFrame();
        Type(frame.Pane(false), {0, 0}, "mine ");
        Rewrite(PathOf("two.txt"), "theirs\r\n", 3);
        // Switching away from the close question and back: the change waits.
        FReactivateAtQuestion = true;
        FAnswers = {QMessageBox::Cancel};
        QVERIFY(!form->close());
        QCOMPARE(FAsked.size(), size_t(1));
        QVERIFY(FAsked[0].contains(QStringLiteral("关闭前保存吗")));
        QCOMPARE(frame.Pane(false).Lines()[0], std::string("mine b"));
        // The change is not forgotten: the next activation asks about it.
        FReactivateAtQuestion = false;
        FAnswers = {QMessageBox::No};
        Reactivate();
        QCOMPARE(FAsked.size(), size_t(2));
        QCOMPARE(frame.Pane(false).Lines()[0], std::string("mine b"));
    }

private:
    // Two texts of distinct random lines: a search of many seconds.
    void WriteBigPair() {
        std::srand(11);
        std::string text1, text2;
        // Few distinct lines, each on both sides many times: no search can skip them, so the
        // comparison runs for seconds, long past the close.
        for (int i = 0; i < 300000; ++i) {
            text1 += std::to_string(std::rand() % 16) + "\n";
            text2 += std::to_string(std::rand() % 16) + "\n";
        }
        WriteAll(PathOf("big1.txt"), text1);
        WriteAll(PathOf("big2.txt"), text2);
    }

    // Runs `compare` and closes the window 300 ms into it: the engine must stop at once.
    static void CloseWhileComparing(TMainForm& form, const std::function<void()>& compare) {
        TFilesFrame& frame = *form.FilesFrame();
        bool running = false;
        QTimer::singleShot(300, &form, [&] {
            running = frame.Model().Running();
            form.close();
        });
        QElapsedTimer clock;
        clock.start();
        compare();
        QVERIFY(running);
        // Minutes when the engine runs on; a loaded machine must not make it flaky.
        QVERIFY2(clock.elapsed() < 20000, "the engine stops when the window closes");
        QVERIFY(!frame.Compared());
        QVERIFY(frame.Model().Blocks().empty());
    }

private slots:
    void closingDuringALongComparisonCancelsItAndCloses() {
        WriteBigPair();
        auto form = Open();
        form->ShowFilesView();
        TFilesFrame& frame = *form->FilesFrame();
        CloseWhileComparing(*form,
                            [&] { frame.OpenTextFiles(PathOf("big1.txt"), PathOf("big2.txt")); });
        QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), 1000);
        QVERIFY(FAsked.empty());
    }

    void editsStillAskAfterTheComparisonIsCancelledByTheClose() {
        WriteBigPair();
        auto form = Open();
        form->ShowFilesView();
        TFilesFrame& frame = *form->FilesFrame();
        QTimer::singleShot(100, form.get(), [&] { frame.CancelCompare(); });
        frame.OpenTextFiles(PathOf("big1.txt"), PathOf("big2.txt"));
        Type(frame.Pane(true), {0, 0}, "typed ");
        // Yes to the compare's own question, then the close: the cancelled run leaves the
        // edited rows in place, and they are asked about before the window goes.
        FAnswers = {QMessageBox::Yes, QMessageBox::Cancel};
        CloseWhileComparing(*form, [&] { form->Commands().mnuCompare->trigger(); });
        QTRY_COMPARE(FAsked.size(), size_t(2));
        QVERIFY(FAsked[1].contains(QStringLiteral("文件 1")));
        QVERIFY(form->isVisible());
        QVERIFY(frame.Pane(true).Lines()[0].starts_with("typed "));
        FAnswers = {QMessageBox::Discard};
        QVERIFY(form->close());
    }
};

QTEST_MAIN(LeavingEditsTest)
#include "LeavingEditsTest.moc"
