#include "FindReplace.h"

#include <functional>
#include <memory>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

using namespace tandrel;

namespace {

// Runs an action on the next modal dialog as soon as it shows. Should the action leave the
// dialog open (a failed check returns early), the dialog is rejected so the test goes on.
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(QDialog&)> action) : FAction(std::move(action)) {
        FTimer.setInterval(5);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || !dialog->isVisible()) {
                return;
            }
            FTimer.stop();
            FRan = true;
            FAction(*dialog);
            if (dialog->isVisible()) {
                dialog->reject();
            }
        });
        FTimer.start();
    }
    bool Ran() const { return FRan; }

private:
    std::function<void(QDialog&)> FAction;
    QTimer FTimer;
    bool FRan = false;
};

TFindInfo SampleInfo() {
    TFindInfo info;
    info.FindText = "needle";
    info.ReplaceText = "thread";
    info.Forward = false;
    info.IgnoreCase = false;
    info.WholeWords = true;
    info.PromptOnReplace = true;
    info.ReplaceAll = true;
    return info;
}

} // namespace

class FindReplaceTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        FOwner = std::make_unique<QWidget>();
        FOwner->setGeometry(100, 50, 640, 480);
        QFont font = FOwner->font();
        font.setPointSize(13);
        FOwner->setFont(font);
        FOwner->show();
        FDialogs = std::make_unique<TFindReplace>();
    }
    void cleanup() {
        FDialogs.reset();
        FOwner.reset();
    }

    void askReplaceBeforeAnyDialogShowsNothing() {
        ModalDriver driver([](QDialog&) {});
        QCOMPARE(FDialogs->AskReplace(FOwner.get(), QPoint(10, 10)), int(raCancel));
        QVERIFY(!driver.Ran());
        QVERIFY(FDialogs->FindForm() == nullptr);
        QVERIFY(FDialogs->ReplaceForm() == nullptr);
    }

    void buttonsEnabledOnlyWithText() {
        TFindInfo info;
        bool emptyDisabled = false, typedEnabled = false, clearedDisabled = false;
        ModalDriver driver([&](QDialog&) {
            TFindForm& form = *FDialogs->FindForm();
            emptyDisabled = !form.FirstButton()->isEnabled() && !form.SecondButton()->isEnabled();
            QTest::keyClicks(form.FindEdit(), "x");
            typedEnabled = form.FirstButton()->isEnabled() && form.SecondButton()->isEnabled();
            form.FindEdit()->clear();
            clearedDisabled = !form.FirstButton()->isEnabled();
            // Enter on the disabled default button confirms nothing.
            QTest::keyClick(form.FindEdit(), Qt::Key_Return);
            QVERIFY(form.isVisible());
            form.reject();
        });
        QVERIFY(!FDialogs->ShowReplaceDialog(FOwner.get(), info));
        QVERIFY(driver.Ran());
        QVERIFY(emptyDisabled);
        QVERIFY(typedEnabled);
        QVERIFY(clearedDisabled);

        // A find text from the caller fills the edit and enables both buttons.
        info.FindText = "abc";
        bool filledEnabled = false;
        ModalDriver second([&](QDialog& dialog) {
            TFindForm& form = *FDialogs->FindForm();
            filledEnabled = form.FirstButton()->isEnabled() && form.SecondButton()->isEnabled() &&
                            form.FindEdit()->text() == "abc" && form.FindEdit()->hasSelectedText();
            dialog.reject();
        });
        QVERIFY(!FDialogs->ShowReplaceDialog(FOwner.get(), info));
        QVERIFY(filledEnabled);
    }

    void cancellingLeavesFindInfoAsItWas() {
        const TFindInfo before = SampleInfo();
        // The cancel button, Esc and closing the window, in the find and the replace layout.
        const std::function<void(QDialog&)> ways[] = {
            [&](QDialog&) { FDialogs->FindForm()->CancelButton()->click(); },
            [](QDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); },
            [](QDialog& dialog) { dialog.close(); },
        };
        for (const auto& way : ways) {
            for (bool replacing : {false, true}) {
                TFindInfo info = before;
                ModalDriver driver([&](QDialog& dialog) {
                    TFindForm& form = *FDialogs->FindForm();
                    form.FindEdit()->setText("changed");
                    form.ReplaceEdit()->setText("changed");
                    form.CaseSensitiveBox()->toggle();
                    form.BackwardsRadio()->setChecked(!form.BackwardsRadio()->isChecked());
                    way(dialog);
                });
                const bool confirmed = replacing ? FDialogs->ShowReplaceDialog(FOwner.get(), info)
                                                 : FDialogs->ShowFindDialog(FOwner.get(), info);
                QVERIFY(driver.Ran());
                QVERIFY(!confirmed);
                QVERIFY(info == before);
            }
        }
    }

    void findDialogSetsOnlyFindChoices() {
        TFindInfo info = SampleInfo();
        ModalDriver driver([&](QDialog&) {
            TFindForm& form = *FDialogs->FindForm();
            form.FindEdit()->setText("other");
            form.CaseSensitiveBox()->setChecked(true);
            form.WholeWordsBox()->setChecked(false);
            form.ForwardsRadio()->setChecked(true);
            form.PromptOnReplaceBox()->setChecked(false);
            form.ReplaceEdit()->setText("ignored");
            form.FirstButton()->click();
        });
        QVERIFY(FDialogs->ShowFindDialog(FOwner.get(), info));
        QCOMPARE(info.FindText, std::string("other"));
        QVERIFY(!info.IgnoreCase);
        QVERIFY(!info.WholeWords);
        QVERIFY(info.Forward);
        QCOMPARE(info.ReplaceText, std::string("thread"));
        QVERIFY(info.PromptOnReplace);
        QVERIFY(info.ReplaceAll);
    }

    void enterConfirmsWithTheDefaultButton() {
        TFindInfo info;
        ModalDriver driver([&](QDialog&) {
            QLineEdit* edit = FDialogs->FindForm()->FindEdit();
            QTest::keyClicks(edit, "typed");
            QTest::keyClick(edit, Qt::Key_Return);
        });
        QVERIFY(FDialogs->ShowFindDialog(FOwner.get(), info));
        QCOMPARE(info.FindText, std::string("typed"));

        ModalDriver replace(
            [&](QDialog&) { QTest::keyClick(FDialogs->FindForm()->FindEdit(), Qt::Key_Return); });
        QVERIFY(FDialogs->ShowReplaceDialog(FOwner.get(), info));
        QVERIFY(!info.ReplaceAll);
    }

    void replaceDialogSetsAllFields() {
        for (bool all : {false, true}) {
            TFindInfo info = SampleInfo();
            ModalDriver driver([&](QDialog&) {
                TFindForm& form = *FDialogs->FindForm();
                form.ReplaceEdit()->setText(all ? "many" : "one");
                form.CaseSensitiveBox()->setChecked(false);
                form.WholeWordsBox()->setChecked(true);
                form.PromptOnReplaceBox()->setChecked(all);
                form.BackwardsRadio()->setChecked(true);
                (all ? form.SecondButton() : form.FirstButton())->click();
            });
            QVERIFY(FDialogs->ShowReplaceDialog(FOwner.get(), info));
            QCOMPARE(info.FindText, std::string("needle"));
            QCOMPARE(info.ReplaceText, std::string(all ? "many" : "one"));
            QVERIFY(info.IgnoreCase);
            QVERIFY(info.WholeWords);
            QVERIFY(!info.Forward);
            QCOMPARE(info.PromptOnReplace, all);
            QCOMPARE(info.ReplaceAll, all);
            QCOMPARE(FDialogs->FindForm()->ReplaceAllChosen(), all);
        }
    }

    void textsAreCodePageBytes() {
        TFindInfo info;
        info.FindText = "\xD6\xD0\xCE\xC4"; // two Chinese characters in GBK
        QString shown;
        ModalDriver driver([&](QDialog&) {
            TFindForm& form = *FDialogs->FindForm();
            shown = form.FindEdit()->text();
            form.ReplaceEdit()->setText(QString::fromUtf8("\xE6\x96\x87")); // U+6587
            form.FirstButton()->click();
        });
        QVERIFY(FDialogs->ShowReplaceDialog(FOwner.get(), info));
        QCOMPARE(shown, QString::fromUtf8("\xE4\xB8\xAD\xE6\x96\x87"));
        QCOMPARE(info.FindText, std::string("\xD6\xD0\xCE\xC4"));
        QCOMPARE(info.ReplaceText, std::string("\xCE\xC4"));
    }

    // Both layouts are applied afresh before each showing, whatever came before.
    void layoutsSwitchBothWays() {
        TFindInfo info = SampleInfo();
        for (int round = 0; round < 2; ++round) {
            ModalDriver findDriver([&](QDialog& dialog) {
                TFindForm& form = *FDialogs->FindForm();
                QCOMPARE(dialog.windowTitle(), QString("Find text"));
                QCOMPARE(dialog.size(), QSize(304, 182));
                QCOMPARE(form.OptionsGroup()->geometry(), QRect(15, 41, 148, 65));
                QCOMPARE(form.DirectionGroup()->geometry(), QRect(176, 41, 102, 65));
                QCOMPARE(form.ForwardsRadio()->pos(), QPoint(12, 19));
                QCOMPARE(form.BackwardsRadio()->pos(), QPoint(12, 39));
                QCOMPARE(form.FirstButton()->text(), QString("&OK"));
                QCOMPARE(form.FirstButton()->geometry(), QRect(63, 119, 75, 25));
                QCOMPARE(form.CancelButton()->geometry(), QRect(156, 119, 75, 25));
                QVERIFY(!form.SecondButton()->isVisible());
                QVERIFY(!form.PromptOnReplaceBox()->isVisible());
                QVERIFY(!form.ReplaceLabel()->isVisible());
                QVERIFY(!form.ReplaceEdit()->isVisible());
                QVERIFY(form.FindEdit()->hasFocus());
                dialog.reject();
            });
            FDialogs->ShowFindDialog(FOwner.get(), info);
            QVERIFY(findDriver.Ran());

            ModalDriver replaceDriver([&](QDialog& dialog) {
                TFindForm& form = *FDialogs->FindForm();
                QCOMPARE(dialog.windowTitle(), QString("Replace text"));
                QCOMPARE(dialog.size(), QSize(304, 231));
                QCOMPARE(form.OptionsGroup()->geometry(), QRect(15, 72, 148, 84));
                QCOMPARE(form.DirectionGroup()->geometry(), QRect(176, 72, 102, 84));
                QCOMPARE(form.ForwardsRadio()->pos(), QPoint(12, 26));
                QCOMPARE(form.BackwardsRadio()->pos(), QPoint(12, 47));
                QCOMPARE(form.FirstButton()->text(), QString("Replace &One"));
                QCOMPARE(form.FirstButton()->geometry(), QRect(15, 165, 75, 25));
                QCOMPARE(form.SecondButton()->geometry(), QRect(111, 165, 75, 25));
                QCOMPARE(form.CancelButton()->geometry(), QRect(204, 165, 75, 25));
                QVERIFY(form.SecondButton()->isVisible());
                QVERIFY(form.PromptOnReplaceBox()->isVisible());
                QVERIFY(form.ReplaceLabel()->isVisible());
                QVERIFY(form.ReplaceEdit()->isVisible());
                QCOMPARE(form.ReplaceEdit()->geometry(), QRect(88, 41, 190, 21));
                dialog.reject();
            });
            FDialogs->ShowReplaceDialog(FOwner.get(), info);
            QVERIFY(replaceDriver.Ran());
        }
    }

    void dialogIsCentredAndOwnedByTheOwner() {
        // Positions are those of the frames (pos()), sizes those of the client areas.
        TFindInfo info = SampleInfo();
        QPoint shownAt, ownerAt;
        ModalDriver driver([&](QDialog& dialog) {
            shownAt = dialog.pos();
            ownerAt = FOwner->pos();
            dialog.reject();
        });
        FDialogs->ShowFindDialog(FOwner.get(), info);
        QCOMPARE(shownAt, ownerAt + QPoint((640 - 304) / 2, (480 - 182) / 2));
        QCOMPARE(FDialogs->FindForm()->parentWidget(), FOwner.get());
        QCOMPARE(FDialogs->FindForm()->font(), FOwner->font());

        // Over an owner narrower than the dialog the half rounds toward zero.
        FOwner->setGeometry(100, 50, 301, 480);
        ModalDriver narrow([&](QDialog& dialog) {
            shownAt = dialog.pos();
            ownerAt = FOwner->pos();
            dialog.reject();
        });
        FDialogs->ShowReplaceDialog(FOwner.get(), info);
        QCOMPARE(shownAt, ownerAt + QPoint(-1, (480 - 231) / 2));
    }

    void optionsAndTextsPersistBetweenUses() {
        TFindInfo info;
        info.FindText = "first";
        ModalDriver driver([&](QDialog&) {
            TFindForm& form = *FDialogs->FindForm();
            form.ReplaceEdit()->setText("kept");
            form.WholeWordsBox()->setChecked(true);
            form.BackwardsRadio()->setChecked(true);
            form.reject();
        });
        FDialogs->ShowReplaceDialog(FOwner.get(), info);

        // An empty find text keeps the edit's previous one.
        TFindInfo empty;
        ModalDriver again([&](QDialog&) { FDialogs->FindForm()->SecondButton()->click(); });
        QVERIFY(FDialogs->ShowReplaceDialog(FOwner.get(), empty));
        QCOMPARE(empty.FindText, std::string("first"));
        QCOMPARE(empty.ReplaceText, std::string("kept"));
        QVERIFY(empty.WholeWords);
        QVERIFY(!empty.Forward);
    }

    void promptButtonsFollowTheReplaceChoice() {
        for (bool all : {false, true}) {
            TFindInfo info = SampleInfo();
            ModalDriver closeReplace([&](QDialog&) {
                TFindForm& form = *FDialogs->FindForm();
                form.ReplaceEdit()->setText("thread");
                form.PromptOnReplaceBox()->setChecked(true);
                (all ? form.SecondButton() : form.FirstButton())->click();
            });
            QVERIFY(FDialogs->ShowReplaceDialog(FOwner.get(), info));

            bool checked = false;
            ModalDriver prompt([&](QDialog& dialog) {
                TReplaceForm& form = *FDialogs->ReplaceForm();
                QCOMPARE(dialog.windowTitle(), QString("Replace ..."));
                QCOMPARE(dialog.size(), QSize(313, 126));
                QCOMPARE(form.FindEdit()->text(), QString("needle"));
                QVERIFY(form.FindEdit()->hasSelectedText());
                QCOMPARE(form.ReplaceEdit()->text(), QString("thread"));
                QVERIFY(form.FindEdit()->isReadOnly() && form.ReplaceEdit()->isReadOnly());
                QVERIFY(form.OkButton()->isEnabled() && form.CancelButton()->isEnabled());
                QCOMPARE(form.SkipButton()->isEnabled(), all);
                QCOMPARE(form.AllButton()->isEnabled(), all);
                QVERIFY(form.OkButton()->hasFocus());
                checked = true;
                form.OkButton()->click();
            });
            QCOMPARE(FDialogs->AskReplace(FOwner.get(), QPoint(200, 300)), int(raReplace));
            QVERIFY(checked);
            QCOMPARE(FDialogs->ReplaceForm()->parentWidget(), FOwner.get());
        }
    }

    void promptAnswers() {
        TFindInfo info = SampleInfo();
        ModalDriver closeReplace([&](QDialog&) { FDialogs->FindForm()->SecondButton()->click(); });
        QVERIFY(FDialogs->ShowReplaceDialog(FOwner.get(), info));

        const std::pair<std::function<void(TReplaceForm&)>, int> cases[] = {
            {[](TReplaceForm& f) { f.OkButton()->click(); }, raReplace},
            {[](TReplaceForm& f) { f.SkipButton()->click(); }, raSkip},
            {[](TReplaceForm& f) { f.AllButton()->click(); }, raReplaceAll},
            {[](TReplaceForm& f) { f.CancelButton()->click(); }, raCancel},
            {[](TReplaceForm& f) { QTest::keyClick(&f, Qt::Key_Escape); }, raCancel},
            {[](TReplaceForm& f) { f.close(); }, raCancel},
            {[](TReplaceForm& f) { QTest::keyClick(f.OkButton(), Qt::Key_Return); }, raReplace},
        };
        for (const auto& [action, answer] : cases) {
            ModalDriver driver([&](QDialog&) { action(*FDialogs->ReplaceForm()); });
            QCOMPARE(FDialogs->AskReplace(FOwner.get(), QPoint(200, 300)), answer);
        }
        QCOMPARE(FDialogs->AskReplace(nullptr, QPoint(200, 300)), int(raCancel));
    }

    // Above the match by default; short of the right edge and below the match when the
    // screen ends there.
    void promptPlacement() {
        TFindInfo info = SampleInfo();
        ModalDriver closeFind([&](QDialog&) { FDialogs->FindForm()->FirstButton()->click(); });
        QVERIFY(FDialogs->ShowFindDialog(FOwner.get(), info));

        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QVERIFY(screen.width() > 400 && screen.height() > 300);
        FOwner->setGeometry(screen.left(), screen.top(), 300, 200);
        const int right = screen.right() + 1;
        struct Case {
            QPoint Match;
            QPoint Expected;
        };
        const Case cases[] = {
            {{100, 200}, {100, 200 - 126 - 8}},
            {{right - 313, 200}, {right - 313, 66}},
            {{right - 312, 200}, {right - 313 - 4, 66}},
            {{right - 10, 20}, {right - 313 - 4, 50}},
            {{50, 134}, {50, 164}},
            {{50, 135}, {50, 1}},
        };
        for (const Case& c : cases) {
            QPoint shownAt;
            ModalDriver driver([&](QDialog& dialog) {
                shownAt = dialog.pos();
                dialog.reject();
            });
            const QPoint match = c.Match - FOwner->mapToGlobal(QPoint(0, 0)) + screen.topLeft();
            QCOMPARE(FDialogs->AskReplace(FOwner.get(), match), int(raCancel));
            QCOMPARE(shownAt, c.Expected + screen.topLeft());
        }
    }

private:
    std::unique_ptr<QWidget> FOwner;
    std::unique_ptr<TFindReplace> FDialogs;
};

QTEST_MAIN(FindReplaceTest)
#include "FindReplaceTest.moc"
