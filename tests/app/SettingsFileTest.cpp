// The settings file's text forms and the command line, without a window.

#include "AppTestUtil.h"
#include "CommandLine.h"
#include "IniFile.h"
#include "Settings.h"

#include <filesystem>
#include <fstream>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace tandrel;

using test::ReadAll;
using test::WriteAll;

class SettingsFileTest : public QObject {
    Q_OBJECT
private slots:
    void integersAreDecimalOrDollarHex() {
        QCOMPARE(ParseIniInteger("255"), std::optional<int32_t>(255));
        QCOMPARE(ParseIniInteger(" -12 "), std::optional<int32_t>(-12));
        QCOMPARE(ParseIniInteger("$000000FF"), std::optional<int32_t>(255));
        QCOMPARE(ParseIniInteger("$ff"), std::optional<int32_t>(255));
        QCOMPARE(ParseIniInteger("$FFFFFFFF"), std::optional<int32_t>(-1));
        QCOMPARE(ParseIniInteger("2147483647"), std::optional<int32_t>(INT32_MAX));
        QCOMPARE(ParseIniInteger("-2147483648"), std::optional<int32_t>(INT32_MIN));
        for (const char* bad : {"", "red", "$", "$1FFFFFFFF", "12x", "2147483648", "1.5", "0x10"})
            QVERIFY2(!ParseIniInteger(bad), bad);
    }

    void colourTextIsDollarAndEightUpperCaseDigits() {
        QCOMPARE(ColorText(0x00F0CCA8), std::string("$00F0CCA8"));
        QCOMPARE(ColorText(0xFF), std::string("$000000FF"));
    }

    void missingFileGivesTheDefaults() {
        QTemporaryDir dir;
        const TIniFile file(dir.filePath("none.ini").toStdString());
        const TSettings s = ReadSettings(file, 1280, 760);
        QCOMPARE(s.Bounds.Left, 25);
        QCOMPARE(s.Bounds.Top, 25);
        QCOMPARE(s.Bounds.Width, 1230);
        QCOMPARE(s.Bounds.Height, 710);
        QCOMPARE(s.AddColor, TColor(0x00F0CCA8));
        QCOMPARE(s.ModColor, TColor(0x006FFB8A));
        QCOMPARE(s.DelColor, TColor(0x00BB77FF));
        QCOMPARE(s.FontName, std::string("Courier New"));
        QCOMPARE(s.FontSize, 10);
        QVERIFY(!s.Horizontal);
        QVERIFY(s.Folder1.empty() && s.Folder2.empty() && s.CodePage.empty());
    }

    void valuesAreReadInEveryForm() {
        QTemporaryDir dir;
        const std::string path = dir.filePath("t.ini").toStdString();
        WriteAll(path, "[options]\r\nADDCOLOR = 255\r\nModColor=$000000FF\r\nDelColor=red\r\n"
                       "Horizontal=7\r\nfont.size=\r\nFolder.1=/home/u/库\r\n");
        const TSettings s = ReadSettings(TIniFile(path), 800, 600);
        QCOMPARE(s.AddColor, TColor(0xFF));
        QCOMPARE(s.ModColor, TColor(0xFF));
        QCOMPARE(s.DelColor, TColor(0x00BB77FF));
        QVERIFY(s.Horizontal);
        QCOMPARE(s.FontSize, 10);
        QCOMPARE(s.Folder1, std::string("/home/u/库"));
    }

    void writingChangesOnlyItsKeysAndKeepsTheRest() {
        QTemporaryDir dir;
        const std::string path = dir.filePath("t.ini").toStdString();
        WriteAll(path, "; kept comment\r\n[Other]\r\nx=1\r\n\r\n[Options]\r\nAddColor=1\r\n"
                       "Unknown=keep me\r\n\r\n[Last]\r\ny=2\r\n");
        TIniFile file(path);
        TSettings s;
        s.Horizontal = true;
        s.CodePage = "GBK";
        WriteSettings(file, s, TBounds{1, 2, 300, 400}, true);
        file.Save();
        const std::string text = ReadAll(path);
        QVERIFY(text.starts_with("; kept comment\r\n[Other]\r\nx=1\r\n\r\n[Options]\r\n"
                                 "AddColor=$00F0CCA8\r\nUnknown=keep me\r\nBounds.Left=1\r\n"));
        QVERIFY(text.ends_with("CodePage=GBK\r\n\r\n[Last]\r\ny=2\r\n"));
        for (const char* line : {"Bounds.Height=400", "Horizontal=1", "Font.Name=Courier New",
                                 "Font.size=10", "Folder.1=\r", "ModColor=$006FFB8A"})
            QVERIFY2(text.find(line) != std::string::npos, line);
    }

    void boundsStayWhenNotGivenAndTheFileIsCreated() {
        QTemporaryDir dir;
        const std::string path = dir.filePath("sub/new.ini").toStdString();
        TIniFile file(path);
        WriteSettings(file, TSettings{}, std::nullopt, false);
        file.Save();
        const std::string text = ReadAll(path);
        QVERIFY(text.starts_with("[Options]\nAddColor=$00F0CCA8\n"));
        QVERIFY(text.find("Bounds") == std::string::npos);
        QVERIFY(text.find("CodePage") == std::string::npos);
    }

    void anUnwritableFileSaysSo() {
        TIniFile file("/proc/tandrel-no-such/t.ini");
        file.WriteString("Options", "a", "b");
        try {
            file.Save();
            QFAIL("no error");
        } catch (const std::runtime_error& e) {
            QCOMPARE(std::string(e.what()),
                     std::string("Unable to write to /proc/tandrel-no-such/t.ini: No such file or "
                                 "directory"));
        }
    }

    void placementRules() {
        const TBounds screen{0, 0, 800, 600};
        const auto fits = [&](TBounds saved) { return FitPlacement(saved, screen).has_value(); };
        QVERIFY(fits({25, 25, 600, 400}));
        QVERIFY(!fits({25, 25, 0, 400}));
        QVERIFY(!fits({25, 25, 600, -1}));
        QVERIFY(!fits({800, 25, 600, 400}));
        QVERIFY(!fits({25, 600, 600, 400}));
        QVERIFY(!fits({-600, 25, 600, 400}));
        QVERIFY(fits({-599, -399, 600, 400}));
        QCOMPARE(FitPlacement({25, 25, 600, 400}, screen)->Width, 600);
        // Never larger than the screen, whatever the file says.
        const std::optional<TBounds> huge =
            FitPlacement({INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX}, screen);
        QVERIFY(!huge);
        const std::optional<TBounds> large = FitPlacement({25, 30, 100000, 100000}, screen);
        QVERIFY(large);
        QCOMPARE(large->Left, 25);
        QCOMPARE(large->Top, 30);
        QCOMPARE(large->Width, 800);
        QCOMPARE(large->Height, 600);
        QVERIFY2(!FitPlacement({-5000, 0, 100000, 100000}, screen), "off the screen once fitted");
        QVERIFY(!FitPlacement({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, screen));
        // A second screen's area starts elsewhere.
        QVERIFY(!FitPlacement({25, 25, 600, 400}, {1000, 0, 800, 600}));
        QVERIFY(FitPlacement({1025, 25, 600, 400}, {1000, 0, 800, 600}));
    }

    void onlyASmallRegularFileIsRead() {
        QTemporaryDir dir;
        const std::string folder = dir.path().toStdString() + "/";
        ::mkfifo((folder + "fifo.ini").c_str(), 0600);
        std::filesystem::create_symlink("/dev/zero", folder + "zero.ini");
        std::filesystem::create_directories(folder + "folder.ini");
        WriteAll(folder + "big.ini", "[Options]\nAddColor=255\n" + std::string(1 << 20, ';'));
        for (const char* name : {"fifo.ini", "zero.ini", "folder.ini", "big.ini"}) {
            const TIniFile file(folder + name);
            QVERIFY2(file.LoadError().starts_with("Cannot read \"" + folder + name + "\": it is "),
                     name);
            QCOMPARE(ReadSettings(file, 800, 600).AddColor, TColor(0x00F0CCA8));
        }
        QVERIFY(TIniFile(folder + "none.ini").LoadError().empty());
    }

    // Nothing may fix the program's code page before these names are tried.
    void unknownOrUnusableCodePageFallsBackWithAMessage() {
        TSettings s;
        s.CodePage = "NO-SUCH-CODEPAGE";
        const std::string message = ApplyCodePage(s, "/x/tandrel.ini");
        QCOMPARE(message, std::string("Unknown code page \"NO-SUCH-CODEPAGE\" (settings file "
                                      "\"/x/tandrel.ini\", key CodePage); GBK is used instead"));
        // Code pages iconv knows whose texts are not single or double bytes over ASCII.
        std::vector<TSettings> unusable;
        for (const char* name : {"UTF-8", "UTF-16", "EBCDIC-US"}) {
            unusable.emplace_back().CodePage = name;
            QCOMPARE(ApplyCodePage(unusable.back(), "/x/tandrel.ini"),
                     "The code page \"" + std::string(name) +
                         "\" cannot be used: texts must be ASCII with single- or double-byte "
                         "characters, as in GBK, CP950, CP949, CP932, CP1252 or ISO-8859-1 "
                         "(settings file \"/x/tandrel.ini\", key CodePage); GBK is used instead");
        }
        // The user's text stays in the file for them to correct.
        QVERIFY(!CodePageInForce(s));
        for (TSettings& settings : unusable)
            QVERIFY(!CodePageInForce(settings));
        TSettings none;
        QVERIFY(ApplyCodePage(none, "/x").empty());
        QVERIFY(CodePageInForce(none));
        QCOMPARE(none.CodePage, std::string("GBK"));
    }

    void commandLine() {
        using V = std::vector<std::string>;
        QCOMPARE(ParseCommandLine({}).Kind, TLaunchKind::Empty);
        QCOMPARE(ParseCommandLine(V{"--help"}).Kind, TLaunchKind::Help);
        QCOMPARE(ParseCommandLine(V{"a.pbl", "--version"}).Kind, TLaunchKind::Version);

        TLaunch w = ParseCommandLine(V{"old/PFC.PBW", "new/pfc.pbw"});
        QCOMPARE(w.Kind, TLaunchKind::Sides);
        QCOMPARE(w.Side1, V{"old/PFC.PBW"});
        QCOMPARE(w.Side2, V{"new/pfc.pbw"});

        TLaunch many = ParseCommandLine(V{"a.pbl", "b.pbt", "--", "c.pbl"});
        QCOMPARE(many.Kind, TLaunchKind::Sides);
        QCOMPARE(many.Side1, (V{"a.pbl", "b.pbt"}));
        QCOMPARE(many.Side2, V{"c.pbl"});

        TLaunch one = ParseCommandLine(V{"only.pbl"});
        QCOMPARE(one.Kind, TLaunchKind::Sides);
        QVERIFY(one.Side2.empty());

        TLaunch files = ParseCommandLine(V{"/tmp/x/w_main.srw", "README"});
        QCOMPARE(files.Kind, TLaunchKind::TextFiles);
        QCOMPARE(files.Side2, V{"README"});

        TLaunch dashed = ParseCommandLine(V{"--", "-odd.pbl", "b.pbl"});
        QCOMPARE(dashed.Kind, TLaunchKind::Error); // "--" first leaves side 1 empty

        for (const V& bad : {V{"--frob"}, V{"a.txt"}, V{"a.pbl", "b.txt"}, V{"a", "b", "c"},
                             V{"a.pbl", "--"}, V{"a.txt", "--", "b.pbl"}}) {
            const TLaunch launch = ParseCommandLine(bad);
            QCOMPARE(launch.Kind, TLaunchKind::Error);
            QVERIFY(!launch.Error.empty());
        }
        TLaunch relative = ParseCommandLine(V{"old/../v1/app.pbw", "/abs/app.pbw"});
        MakePathsAbsolute(relative);
        QCOMPARE(relative.Side1,
                 V{(std::filesystem::current_path() / "v1/app.pbw").lexically_normal().string()});
        QCOMPARE(relative.Side2, V{"/abs/app.pbw"});

        QVERIFY(!IsLibraryKindPath("dir.pbl/file"));
        QVERIFY(IsLibraryKindPath("/x/y.Pbl"));
        // A folder of exported sources is a library, given with its closing slash or not; a
        // folder without any is not.
        QTemporaryDir folders;
        const std::string sources = folders.path().toStdString() + "/app";
        std::filesystem::create_directories(sources);
        QVERIFY(!IsLibraryKindPath(sources));
        std::ofstream(sources + "/w_main.SRW") << "$PBExportHeader$w_main.srw\r\n";
        QVERIFY(IsLibraryKindPath(sources));
        QVERIFY(IsLibraryKindPath(sources + "/"));
        const TLaunch both = ParseCommandLine(V{sources + "/", "--", "/x/y.pbw"});
        QCOMPARE(both.Kind, TLaunchKind::Sides);
    }
};

QTEST_GUILESS_MAIN(SettingsFileTest)
#include "SettingsFileTest.moc"
