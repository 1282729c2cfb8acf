// Drives a real TCodeEdit on the offscreen platform with keys, text, mouse and wheel, and
// checks its public state and what it paints.
#include "ColorResolver.h"
#include "TCodeEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <random>

using namespace tandrel;

namespace {

std::string Text(const TCodeEdit& edit) {
    std::string out;
    for (std::int32_t i = 0; i < edit.Lines().Count(); ++i)
        out += (i ? "\r\n" : "") + edit.Lines()[i];
    return out;
}

QRgb Rgb(TColor color) {
    return QColor(RedOf(color), GreenOf(color), BlueOf(color)).rgb();
}

} // namespace

class CodeEditWidgetTest : public QObject {
    Q_OBJECT

private:
    QWidget* FWindow = nullptr;
    TCodeEdit* FEdit = nullptr;
    QLineEdit* FOther = nullptr;

    QPoint CellPos(int col, int row) const {
        return QPoint(FEdit->GutterWidth() + FEdit->LeftMargin() + col * FEdit->CharWidth() + 1,
                      FEdit->TopMargin() + row * FEdit->LineHeight() + FEdit->LineHeight() / 2);
    }
    void SendMouse(QEvent::Type type, QPoint pos, Qt::MouseButton button,
                   Qt::MouseButtons buttons) {
        QWidget* target = FEdit->viewport();
        QMouseEvent event(type, pos, target->mapToGlobal(pos), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
    void Load(const std::vector<std::string>& lines) { FEdit->Lines().AssignLines(lines); }

private slots:
    void init() {
        FWindow = new QWidget;
        auto* layout = new QVBoxLayout(FWindow);
        FEdit = new TCodeEdit(FWindow);
        FOther = new QLineEdit(FWindow);
        layout->addWidget(FEdit);
        layout->addWidget(FOther);
        FWindow->resize(500, 400);
        FWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(FWindow));
        FWindow->activateWindow();
        FEdit->setFocus();
        QTRY_VERIFY(FEdit->hasFocus());
    }
    void cleanup() {
        delete FWindow;
        FWindow = nullptr;
    }

    void typingKeysAndShiftArrows() {
        QTest::keyClicks(FEdit, "abc");
        QTest::keyClick(FEdit, Qt::Key_Return);
        QTest::keyClicks(FEdit, "de");
        QTest::keyClick(FEdit, Qt::Key_Backspace);
        QCOMPARE(Text(*FEdit), std::string("abc\r\nd"));
        QTest::keyClick(FEdit, Qt::Key_Up);
        QTest::keyClick(FEdit, Qt::Key_Home);
        QTest::keyClick(FEdit, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(FEdit, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(FEdit->SelectedText(), std::string("ab"));
        QTest::keyClick(FEdit, Qt::Key_Delete);
        QCOMPARE(Text(*FEdit), std::string("c\r\nd"));
        QTest::keyClick(FEdit, Qt::Key_Escape);
        QTest::keyClick(FEdit, Qt::Key_Z, Qt::AltModifier);
        QCOMPARE(Text(*FEdit), std::string("c\r\nd"));
    }

    void ctrlShortcutsUseTheClipboard() {
        Load({"alpha", "beta"});
        QTest::keyClick(FEdit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(FEdit, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("alpha\nbeta"));
        QTest::keyClick(FEdit, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(FEdit->Lines().Count(), 0);
        QGuiApplication::clipboard()->setText(QStringLiteral("中文\nx"));
        QTest::keyClick(FEdit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(Text(*FEdit), std::string("\xD6\xD0\xCE\xC4\r\nx"));
        // Cutting everything and pasting is one replacement: one undo restores the text.
        QVERIFY(FEdit->Undo());
        QCOMPARE(Text(*FEdit), std::string("alpha\r\nbeta"));
    }

    void inputMethodCommitsArriveAsCodePageBytes() {
        Load({"ab"});
        FEdit->GotoPoint({1, 0});
        QInputMethodEvent event;
        event.setCommitString(QStringLiteral("中文"));
        QApplication::sendEvent(FEdit, &event);
        QCOMPARE(Text(*FEdit), std::string("a\xD6\xD0\xCE\xC4"
                                           "b"));
        QCOMPARE(FEdit->CaretPt(), (TPoint{5, 0}));
        QCOMPARE(FEdit->UndoHistory().Count(), 4);
        QVERIFY(FEdit->Undo()); // one character at a time
        QCOMPARE(Text(*FEdit), std::string("a\xD6\xD0"
                                           "b"));

        // Text being composed is not in the text until it is committed.
        QInputMethodEvent composing(QStringLiteral("zhong"), {});
        QApplication::sendEvent(FEdit, &composing);
        QCOMPARE(Text(*FEdit), std::string("a\xD6\xD0"
                                           "b"));
    }

    void ctrlRightAndEndThenDown() {
        Load({"foo  bar", "a much longer line", "x"});
        FEdit->GotoPoint({1, 0});
        QTest::keyClick(FEdit, Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(FEdit->CaretPt(), (TPoint{5, 0}));
        QTest::keyClick(FEdit, Qt::Key_End);
        QTest::keyClick(FEdit, Qt::Key_Down);
        QCOMPARE(FEdit->CaretPt(), (TPoint{18, 1}));
        QTest::keyClick(FEdit, Qt::Key_Down);
        QCOMPARE(FEdit->CaretPt(), (TPoint{1, 2}));
    }

    void doubleClickSelectsAWordAndDragMovesIt() {
        Load({"one two three"});
        QTest::mouseDClick(FEdit->viewport(), Qt::LeftButton, {}, CellPos(5, 0));
        QCOMPARE(FEdit->SelectedText(), std::string("two"));
        SendMouse(QEvent::MouseButtonPress, CellPos(5, 0), Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(int(FEdit->MouseState()), 2);
        QCOMPARE(FEdit->viewport()->cursor().shape(), Qt::DragMoveCursor);
        SendMouse(QEvent::MouseMove, CellPos(13, 0), Qt::NoButton, Qt::LeftButton);
        SendMouse(QEvent::MouseButtonRelease, CellPos(13, 0), Qt::LeftButton, Qt::NoButton);
        QCOMPARE(FEdit->viewport()->cursor().shape(), Qt::IBeamCursor);
        QCOMPARE(Text(*FEdit), std::string("one  threetwo"));
        QCOMPARE(FEdit->SelectedText(), std::string("two"));
        QVERIFY(FEdit->Undo());
        QCOMPARE(Text(*FEdit), std::string("one two three"));
    }

    void selectingAboveTheTopScrollsPerMove() {
        std::vector<std::string> lines(200, "text");
        Load(lines);
        FEdit->SetTopLine(50);
        SendMouse(QEvent::MouseButtonPress, CellPos(2, 2), Qt::LeftButton, Qt::LeftButton);
        SendMouse(QEvent::MouseMove, QPoint(CellPos(2, 0).x(), 2), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(FEdit->TopLine(), 49);
        SendMouse(QEvent::MouseMove, QPoint(CellPos(2, 0).x(), 1), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(FEdit->TopLine(), 48);
        QTest::qWait(50); // no movement, no scrolling
        QCOMPARE(FEdit->TopLine(), 48);
        SendMouse(QEvent::MouseButtonRelease, CellPos(2, 0), Qt::LeftButton, Qt::NoButton);
        QVERIFY(FEdit->SelLength() > 0);
        QCOMPARE(FEdit->verticalScrollBar()->value(), 48);
    }

    void thumbMovesTheTextWhileDragged() {
        std::vector<std::string> lines(300, "row");
        Load(lines);
        QScrollBar* bar = FEdit->verticalScrollBar();
        QTRY_VERIFY(bar->isVisible());
        QCOMPARE(bar->pageStep(), FEdit->viewport()->height() / FEdit->LineHeight());
        bar->setSliderDown(true);
        bar->setSliderPosition(120);
        QCOMPARE(FEdit->TopLine(), 120);
        bar->setSliderPosition(60);
        QCOMPARE(FEdit->TopLine(), 60);
        QCOMPARE(bar->sliderPosition(), 60);
        bar->setSliderPosition(120);
        bar->setSliderDown(false);
        QCOMPARE(FEdit->TopLine(), 120);
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(FEdit->TopLine(), 121);
        QCOMPARE(bar->value(), 121);
    }

    void tabMovesFocusUnlessWanted() {
        Load({"x"});
        QTest::keyClick(FEdit, Qt::Key_Tab);
        QTRY_VERIFY(FOther->hasFocus());
        QCOMPARE(Text(*FEdit), std::string("x"));
        FEdit->setFocus();
        QTRY_VERIFY(FEdit->hasFocus());
        FEdit->SetWantTabs(true);
        QTest::keyClick(FEdit, Qt::Key_Tab);
        QVERIFY(FEdit->hasFocus());
        QCOMPARE(Text(*FEdit), std::string("\tx"));
    }

    void caretExistsWithFocusAndNotWhenReadOnly() {
        Load({"abc"});
        QVERIFY(FEdit->CaretCreated());
        QVERIFY(FEdit->CaretShown());
        FEdit->GotoPoint({2, 0});
        QCOMPARE(FEdit->CaretRect().topLeft(),
                 QPoint(FEdit->GutterWidth() + 4 + 2 * FEdit->CharWidth(), FEdit->TopMargin() + 1));
        FOther->setFocus();
        QTRY_VERIFY(!FEdit->CaretCreated());
        FEdit->SetReadOnly(true);
        FEdit->setFocus();
        QTRY_VERIFY(FEdit->hasFocus());
        QVERIFY(!FEdit->CaretCreated());
    }

    void gutterWidthFollowsLineCount() {
        QCOMPARE(FEdit->GutterWidth(), 2 * FEdit->CharWidth());
        Load(std::vector<std::string>(9, "a"));
        QCOMPARE(FEdit->GutterWidth(), 2 * FEdit->CharWidth());
        Load(std::vector<std::string>(100, "a"));
        QCOMPARE(FEdit->GutterWidth(), 4 * FEdit->CharWidth());
        QFont bigger = FEdit->font();
        bigger.setPointSize(20);
        FEdit->setFont(bigger);
        QCOMPARE(FEdit->GutterWidth(), 4 * FEdit->CharWidth());
    }

    void marginPainterGetsLineNumbersAndTags() {
        Load({"a", "b", "c"});
        FEdit->Lines().GetLineObj(1).Tag = 42;
        FEdit->SetAutoLineNum(false);
        FEdit->SetGutterWidth(30);
        std::vector<std::pair<int, int>> calls;
        QRect firstRect;
        FEdit->OnPaintLeftMargin = [&](TCodeEdit&, QPainter&, const QRect& rect, int lineNo,
                                       int tag) {
            if (calls.empty())
                firstRect = rect;
            calls.emplace_back(lineNo, tag);
        };
        FEdit->viewport()->grab();
        QCOMPARE(calls.size(), size_t(3));
        QCOMPARE(calls[0], std::make_pair(1, 0));
        QCOMPARE(calls[1], std::make_pair(2, 42));
        QCOMPARE(firstRect, QRect(0, FEdit->TopMargin(), 27, FEdit->LineHeight()));

        calls.clear();
        FEdit->SetAutoLineNum(true);
        FEdit->viewport()->grab();
        QVERIFY(calls.empty());
    }

    void emptyEditorPaintsOnlyBackgroundAndGutter() {
        FOther->setFocus();
        QTRY_VERIFY(!FEdit->hasFocus());
        const QImage image = FEdit->viewport()->grab().toImage();
        const int gutter = FEdit->GutterWidth();
        QCOMPARE(gutter, 2 * FEdit->CharWidth());
        const QRgb window = ResolveColor(SysColor::Window, FEdit->palette()).rgb();
        QCOMPARE(image.pixel(gutter - 3, 10), Rgb(TCodeEdit::kGutterColor));
        QCOMPARE(image.pixel(gutter - 2, 10), QColor(0xC0, 0xC0, 0xC0).rgb());
        for (int x = gutter; x < image.width(); x += 7)
            for (int y = 0; y < image.height(); y += 5)
                QCOMPARE(image.pixel(x, y), window);
    }

    void doubleByteCharactersCoverExactlyTwoColumns() {
        Load({"a\xD6\xD0"
              "b"});
        FOther->setFocus();
        QTRY_VERIFY(!FEdit->hasFocus());
        FEdit->SetColor(RgbColor(255, 255, 255));
        FEdit->Lines().GetLineObj(0).Color = RgbColor(255, 255, 255);
        FEdit->GotoPoint({0, 0});
        FEdit->Lines().Add(""); // the caret line is the other one
        FEdit->GotoPoint({0, 1});
        const QImage image = FEdit->viewport()->grab().toImage();
        QVERIFY(Inked(image, 0));
        QVERIFY(Inked(image, 1) || Inked(image, 2));
        QVERIFY(Inked(image, 3));
        QVERIFY(!Inked(image, 4));
    }

    // Owners that connect rather than subscribe get the model's notifications as signals.
    void notificationsArriveAsSignals() {
        QSignalSpy lines(FEdit, &TCodeEdit::linesChanged);
        QSignalSpy scrolled(FEdit, &TCodeEdit::scrolled);
        QSignalSpy caret(FEdit, &TCodeEdit::caretMoved);
        QSignalSpy selection(FEdit, &TCodeEdit::selectionChanged);
        Load(std::vector<std::string>(200, "line"));
        QCOMPARE(lines.count(), 1);
        FEdit->GotoPoint({2, 5});
        FEdit->InsertText("a\r\nb");
        QCOMPARE(lines.count(), 2);
        const QList<QVariant> change = lines.last();
        QCOMPARE(change.at(1).toInt(), 5); // first line
        QCOMPARE(change.at(2).toInt(), 6); // last line
        QCOMPARE(change.at(3).toInt(), 1); // one line more
        QVERIFY(change.at(0).toULongLong() > lines.first().at(0).toULongLong());
        QVERIFY(caret.count() >= 2);
        FEdit->SetTopLine(50);
        QCOMPARE(scrolled.count(), 1);
        FEdit->SetSelectionStart(0);
        FEdit->SetSelectionLength(3);
        QVERIFY(selection.count() >= 1);
    }

    // Whether any pixel of a cell of row 0 is dark: what was drawn there.
    bool Inked(const QImage& image, int col) const {
        const int top = FEdit->TopMargin();
        const int left = FEdit->GutterWidth() + FEdit->LeftMargin() + col * FEdit->CharWidth();
        for (int x = left; x < left + FEdit->CharWidth(); ++x)
            for (int y = top; y < top + FEdit->LineHeight(); ++y)
                if (QColor(image.pixel(x, y)).lightness() < 128)
                    return true;
        return false;
    }
    QImage PaintWithoutCaretLine(const std::string& line) {
        Load({line, ""});
        FOther->setFocus();
        FEdit->SetColor(RgbColor(255, 255, 255));
        FEdit->Lines().GetLineObj(0).Color = RgbColor(255, 255, 255);
        FEdit->GotoPoint({0, 1});
        return FEdit->viewport()->grab().toImage();
    }

    // Lone lead bytes, bytes that are no character and a lead byte before a blank: one
    // mark per byte, each in its own column, and the blank stays blank.
    void invalidBytesDrawOneMarkPerColumn() {
        QImage image = PaintWithoutCaretLine("\xFF \xD6 \xD6");
        QVERIFY(Inked(image, 0));
        QVERIFY(!Inked(image, 1));
        QVERIFY(Inked(image, 2));
        QVERIFY(!Inked(image, 3));
        QVERIFY(Inked(image, 4));
        QVERIFY(!Inked(image, 5));
        image = PaintWithoutCaretLine("ab\xD6\xD6");
        QVERIFY(Inked(image, 2));
        QVERIFY(Inked(image, 3));
        QVERIFY(!Inked(image, 4));
    }

    // A lone lead byte as the last visible byte once hung the painter; any bytes must paint,
    // from any first column, selected or not.
    void randomByteLinesAllPaint() {
        std::mt19937 rng(99);
        std::vector<std::string> lines;
        for (int i = 0; i < 400; ++i) {
            std::string line(rng() % 90, ' ');
            for (char& c : line) {
                do
                    c = char(rng() % 256);
                while (c == '\r' || c == '\n');
            }
            if (rng() % 3 == 0)
                line += "\xD6"; // a lone lead byte at the end
            lines.push_back(line);
        }
        lines.push_back(std::string(5000, '\xD6'));
        Load(lines);
        QPixmap target(FEdit->viewport()->size());
        for (int top = 0; top < FEdit->Lines().Count(); top += 7) {
            FEdit->SetTopLine(top);
            for (int left : {0, 1, 2, 3, 37, 88}) {
                FEdit->SetLeftCol(left);
                if (top % 2)
                    FEdit->SetSelectionStart(FEdit->PosFromPoint({int(rng() % 20), top}));
                FEdit->viewport()->render(&target);
            }
        }
        FEdit->SetTopLine(FEdit->Lines().Count() - 1);
        FEdit->ScrollToCol(5000);
        FEdit->viewport()->render(&target);
        QVERIFY(FEdit->LeftCol() > 4000);
    }

    void paintsGutterRowColoursAndSelection() {
        Load({"  plain", "red", "xx      yy", "sel"});
        FEdit->Lines().GetLineObj(1).Color = RgbColor(255, 0, 0);
        FEdit->Lines().SetLine(2, "xx      yy");
        FEdit->GotoPoint({0, 0});
        FOther->setFocus();
        QTRY_VERIFY(!FEdit->hasFocus());
        const QImage image = FEdit->viewport()->grab().toImage();
        const int right = image.width() - 3;
        auto rowY = [&](int row) { return CellPos(0, row).y(); };
        auto colX = [&](int col) { return CellPos(col, 0).x() + FEdit->CharWidth() / 2; };
        const QRgb window = ResolveColor(SysColor::Window, FEdit->palette()).rgb();
        const QRgb modified = Rgb(TEditorCore::kDefaultModifiedLineColor);
        QCOMPARE(image.pixel(2, rowY(0)), Rgb(TCodeEdit::kGutterColor));
        QCOMPARE(image.pixel(FEdit->GutterWidth() - 1, 5), QColor(0x80, 0x80, 0x80).rgb());
        QCOMPARE(image.pixel(right, rowY(0)),
                 ResolveColor(SysColor::Desktop, FEdit->palette()).rgb()); // caret line
        QCOMPARE(image.pixel(right, rowY(1)), QColor(255, 0, 0).rgb());
        QCOMPARE(image.pixel(right, rowY(2)), modified);
        QCOMPARE(image.pixel(right, rowY(3)), window);

        // From column 2 of row 0 to column 4 of row 2, without the focus: grey.
        FEdit->SetSelectionStart(2);
        FEdit->SetSelectionLength(FEdit->PosFromPoint({4, 2}) - 2);
        const QImage selected = FEdit->viewport()->grab().toImage();
        const QRgb grey = Rgb(TCodeEdit::kUnfocusedSelectionColor);
        QCOMPARE(selected.pixel(colX(0), rowY(0)), window);
        QCOMPARE(selected.pixel(right, rowY(0)), grey);
        QCOMPARE(selected.pixel(colX(0), rowY(1) + 4), grey);
        QCOMPARE(selected.pixel(right, rowY(1)), grey);
        QCOMPARE(selected.pixel(colX(3), rowY(2)), grey);
        QCOMPARE(selected.pixel(colX(5), rowY(2)), modified);
        QCOMPARE(selected.pixel(right, rowY(2)), modified);
    }
};

QTEST_MAIN(CodeEditWidgetTest)
#include "CodeEditWidgetTest.moc"
