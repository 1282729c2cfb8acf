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

// A rectangle of a layout table, grown as the dialog grew it for its font.
QRect Scaled(const TDialogScale& s, int x, int y, int w, int h) {
    return QRect(s.X(x), s.Y(y), s.X(w), s.Y(h));
}

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
                const TDialogScale& s = form.LayoutScale();
                QCOMPARE(dialog.windowTitle(), QString("Find text"));
                QCOMPARE(dialog.size(), QSize(s.X(304), s.Y(182)));
                QCOMPARE(form.OptionsGroup()->geometry(), Scaled(s, 15, 41, 148, 65));
                QCOMPARE(form.DirectionGroup()->geometry(), Scaled(s, 176, 41, 102, 65));
                QCOMPARE(form.ForwardsRadio()->pos(), QPoint(s.X(12), s.Y(19)));
                QCOMPARE(form.BackwardsRadio()->pos(), QPoint(s.X(12), s.Y(39)));
                QCOMPARE(form.FirstButton()->text(), QString("&OK"));
                QCOMPARE(form.FirstButton()->geometry(), Scaled(s, 63, 119, 75, 25));
                QCOMPARE(form.CancelButton()->geometry(), Scaled(s, 156, 119, 75, 25));
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
                const TDialogScale& s = form.LayoutScale();
                QCOMPARE(dialog.windowTitle(), QString("Replace text"));
                QCOMPARE(dialog.size(), QSize(s.X(304), s.Y(231)));
                QCOMPARE(form.OptionsGroup()->geometry(), Scaled(s, 15, 72, 148, 84));
                QCOMPARE(form.DirectionGroup()->geometry(), Scaled(s, 176, 72, 102, 84));
                QCOMPARE(form.ForwardsRadio()->pos(), QPoint(s.X(12), s.Y(26)));
                QCOMPARE(form.BackwardsRadio()->pos(), QPoint(s.X(12), s.Y(47)));
                QCOMPARE(form.FirstButton()->text(), QString("Replace &One"));
                QCOMPARE(form.FirstButton()->geometry(), Scaled(s, 15, 165, 75, 25));
                QCOMPARE(form.SecondButton()->geometry(), Scaled(s, 111, 165, 75, 25));
                QCOMPARE(form.CancelButton()->geometry(), Scaled(s, 204, 165, 75, 25));
                QVERIFY(form.SecondButton()->isVisible());
                QVERIFY(form.PromptOnReplaceBox()->isVisible());
                QVERIFY(form.ReplaceLabel()->isVisible());
                QVERIFY(form.ReplaceEdit()->isVisible());
                QCOMPARE(form.ReplaceEdit()->geometry(), Scaled(s, 88, 41, 190, 21));
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
        const QSize findSize = FDialogs->FindForm()->size();
        QCOMPARE(shownAt,
                 ownerAt + QPoint((640 - findSize.width()) / 2, (480 - findSize.height()) / 2));
        QCOMPARE(FDialogs->FindForm()->parentWidget(), FOwner.get());
        QCOMPARE(FDialogs->FindForm()->font(), FOwner->font());

        // Over an owner narrower than the dialog the half rounds toward zero.
        FOwner->setGeometry(100, 50, FDialogs->FindForm()->width() - 3, 480);
        ModalDriver narrow([&](QDialog& dialog) {
            shownAt = dialog.pos();
            ownerAt = FOwner->pos();
            dialog.reject();
        });
        FDialogs->ShowReplaceDialog(FOwner.get(), info);
        QCOMPARE(shownAt, ownerAt + QPoint(-1, (480 - FDialogs->FindForm()->height()) / 2));
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
                const TDialogScale& s = form.LayoutScale();
                QCOMPARE(dialog.size(), QSize(s.X(313), s.Y(126)));
                QCOMPARE(form.OkButton()->geometry(), Scaled(s, 15, 68, 64, 22));
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
        // The prompt's frame: its size for the owner's font in the platform's decoration.
        const TReplaceForm probe(FOwner.get());
        const QSize decoration = FOwner->frameGeometry().size() - FOwner->size();
        const int w = probe.width() + decoration.width();
        const int h = probe.height() + decoration.height();
        const Case cases[] = {
            {{100, 200}, {100, 200 - h - 8}},
            {{right - w, 200}, {right - w, 200 - h - 8}},
            {{right - w + 1, 200}, {right - w - 4, 200 - h - 8}},
            {{right - 10, 20}, {right - w - 4, 50}},
            {{50, h + 8}, {50, h + 8 + 30}},
            {{50, h + 9}, {50, 1}},
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

    // The whole frame, title bar included, stays clear of the match it asks about.
    void promptFrameLeavesTheMatchVisible() {
        const QRect area(0, 0, 1280, 1024);
        const QSize frame(321, 126 + 30); // a client of 313 x 126 in a decorated frame
        const QPoint at = PromptPosition(area, QPoint(400, 500), frame);
        QCOMPARE(at, QPoint(400, 500 - 156 - 8));
        QVERIFY(at.y() + frame.height() < 500);
        // No room above: below the match row.
        QCOMPARE(PromptPosition(area, QPoint(400, 100), frame), QPoint(400, 130));
        // Short of the right edge by the frame's width.
        QCOMPARE(PromptPosition(area, QPoint(1200, 500), frame).x(), 1280 - 321 - 4);
    }

    // Captions never run into their edits nor get clipped: the controls grow with the font,
    // and the layout tables' sizes are the least they take.
    void controlsAreSizedFromTheFont() {
        for (int pixels : {8, 13, 17, 24}) {
            QFont font = FOwner->font();
            font.setPixelSize(pixels);
            FOwner->setFont(font);
            FDialogs = std::make_unique<TFindReplace>();
            TFindInfo info = SampleInfo();
            ModalDriver closeReplace([&](QDialog&) {
                TFindForm& form = *FDialogs->FindForm();
                const QFontMetrics fm(form.font());
                QVERIFY(form.LayoutScale().FactorX() >= 1.0 && form.LayoutScale().FactorY() >= 1.0);
                QVERIFY(form.width() >= 304 && form.height() >= 231);
                QVERIFY(form.FindLabel()->geometry().right() < form.FindEdit()->x());
                QVERIFY(form.ReplaceLabel()->geometry().right() < form.ReplaceEdit()->x());
                QVERIFY(fm.horizontalAdvance(form.FindLabel()->text().remove('&')) <=
                        form.FindLabel()->width());
                for (QPushButton* button :
                     {form.FirstButton(), form.SecondButton(), form.CancelButton()}) {
                    QVERIFY(fm.horizontalAdvance(button->text().remove('&')) < button->width() - 4);
                    QVERIFY(fm.height() < button->height());
                    QVERIFY(button->geometry().right() < form.width());
                }
                for (QWidget* box : std::initializer_list<QWidget*>{
                         form.CaseSensitiveBox(), form.WholeWordsBox(), form.PromptOnReplaceBox(),
                         form.ForwardsRadio(), form.BackwardsRadio()})
                    QVERIFY(box->sizeHint().width() <= box->width());
                QVERIFY(form.DirectionGroup()->geometry().right() < form.width());
                QVERIFY(fm.height() < form.FindEdit()->height());
                form.SecondButton()->click();
            });
            QVERIFY(FDialogs->ShowReplaceDialog(FOwner.get(), info));
            bool fits = false;
            ModalDriver prompt([&](QDialog&) {
                TReplaceForm& form = *FDialogs->ReplaceForm();
                const QFontMetrics fm(form.font());
                fits = form.width() >= 313 && form.height() >= 126 &&
                       form.FindLabel()->geometry().right() < form.FindEdit()->x() &&
                       form.ReplaceLabel()->geometry().right() < form.ReplaceEdit()->x() &&
                       form.CancelButton()->geometry().right() < form.width();
                for (QPushButton* button :
                     {form.OkButton(), form.SkipButton(), form.AllButton(), form.CancelButton()})
                    fits = fits &&
                           fm.horizontalAdvance(button->text().remove('&')) < button->width() - 4;
                form.CancelButton()->click();
            });
            FDialogs->AskReplace(FOwner.get(), QPoint(200, 300));
            QVERIFY2(fits, qPrintable(QString("pixel size %1").arg(pixels)));
        }
    }

private:
    std::unique_ptr<QWidget> FOwner;
    std::unique_ptr<TFindReplace> FDialogs;
};

QTEST_MAIN(FindReplaceTest)
#include "FindReplaceTest.moc"
