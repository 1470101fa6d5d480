// The join window carries out the join it showed: the answer to "Replace photo.zip?" covers
// photo.zip and nothing the script says after the question, and the names it shows cannot
// turn their text around or draw lines of their own.

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "app/join/join_window.h"
#include "engine/split.h"
#include "tests/app/modal.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

TEST(JoinWindowPlan, YesReplacesTheFileItAskedAboutAndNoOther) {
    test::TempDir dir;
    const std::string original = test::patternBytes(5000, 9);
    test::writeFile(dir / "photo.zip", original);
    Observer quiet;
    split({dir / "photo.zip", dir.dirText(), 2048}, quiet);
    test::writeFile(dir / "photo.zip", "an older photo.zip");
    test::writeFile(dir / "report.pdf", "the report");

    JoinWindow window(NativePath(dir / "photo.bat"));
    window.show();
    QString question;
    test::whenModalOpens([&](QWidget* box) {
        question = test::textOf(box);
        // While the question is open, the script's owner points it at another file.
        test::writeFile(dir / "photo.bat", "copy /b photo.001+photo.002+photo.003 report.pdf\r\n");
        test::press(box, QMessageBox::Yes);
    });
    QTest::mouseClick(window.findChild<QPushButton*>("joinButton"), Qt::LeftButton);
    EXPECT_EQ(question, "Replace photo.zip?");
    EXPECT_EQ(test::readFile(dir / "report.pdf"), "the report");
    EXPECT_TRUE(test::readFile(dir / "photo.zip") == original) << "photo.zip was not joined";
}

TEST(JoinWindowPlan, NamesThatTurnTheTextAroundOrBreakTheLineAreShownEscaped) {
    for (const std::string name : {"holiday-photos\u202Epiz.sh", "two\nlines.zip"}) {
        test::TempDir dir;
        test::writeFile(dir / (name + ".001"), "some bytes");
        JoinWindow window(NativePath(dir / (name + ".001")));
        const QString title = window.windowTitle();
        const QString shown = window.findChild<QLabel*>("targetName")->text();
        for (const QString& text : {title, shown}) {
            EXPECT_FALSE(text.contains(QChar(0x202E))) << text.toStdString();
            EXPECT_FALSE(text.contains('\n')) << text.toStdString();
        }
        EXPECT_TRUE(title.startsWith("Join ")) << title.toStdString();
    }
}

}  // namespace
}  // namespace morsela
