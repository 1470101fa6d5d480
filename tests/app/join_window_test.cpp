// The join window driven offscreen: a join by keyboard with its report and the way to the
// folder, a damaged piece named in a box, Cancel and closing during a join leaving nothing
// behind, pieces on read-only media joined into a folder the user chooses, missing and
// damaged pieces rebuilt from recovery files first, a file in the way, and how a screen
// reader finds every control.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>
#include <QAccessible>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "app/join/join_window.h"
#include "engine/split.h"
#include "tests/app/modal.h"
#include "tests/support/read_only_folder.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

QString q(const std::string& path) {
    return QString::fromStdString(path);
}

template <typename Control>
Control* find(QWidget& window, const char* name) {
    auto* control = window.findChild<Control*>(name);
    if (control == nullptr) {
        throw std::logic_error(std::string("the join window has no control named ") + name);
    }
    return control;
}

// The window's controls, found by their object names.
struct JoinControls {
    explicit JoinControls(JoinWindow& window) : window(window) {}
    JoinWindow& window;
    QLabel* targetName = find<QLabel>(window, "targetName");
    QLabel* piecesText = find<QLabel>(window, "piecesText");
    QLabel* checksumText = find<QLabel>(window, "checksumText");
    QLineEdit* folderField = find<QLineEdit>(window, "folderField");
    QPushButton* chooseFolderButton = find<QPushButton>(window, "chooseFolderButton");
    QLabel* folderNote = find<QLabel>(window, "folderNote");
    QProgressBar* progressBar = find<QProgressBar>(window, "progressBar");
    QLabel* progressText = find<QLabel>(window, "progressText");
    QLabel* resultText = find<QLabel>(window, "resultText");
    QPushButton* openFolderButton = find<QPushButton>(window, "openFolderButton");
    QPushButton* joinButton = find<QPushButton>(window, "joinButton");
    QPushButton* cancelButton = find<QPushButton>(window, "cancelButton");
};

// The desktop's xdg-open, replaced while it lives by a script that notes what it was asked
// to open and ends with `status` (3: no program found for it).
class FakeXdgOpen {
  public:
    explicit FakeXdgOpen(int status) : path_(qgetenv("PATH")) {
        // Written aside and renamed, so that the test never reads it half-written.
        test::writeFile(bin / "xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > " + (bin / "asking") +
                                              " && mv " + (bin / "asking") + " " + (bin / "asked") +
                                              "\nexit " + std::to_string(status) + "\n");
        fs::permissions(bin / "xdg-open", fs::perms::owner_all);
        qputenv("PATH", QByteArray::fromStdString(bin.path().string()) + ":" + path_);
    }
    ~FakeXdgOpen() { qputenv("PATH", path_); }
    // What it was asked to open, once it has been run.
    std::string asked() const {
        if (!QTest::qWaitFor([this] { return fs::exists(bin / "asked"); }, 5000)) {
            return "";
        }
        return test::readFile(bin / "asked");
    }

  private:
    test::TempDir bin;
    QByteArray path_;
};

// Presses Join and gives the question a box asked then, answered with `answer`.
QString joinAnswering(const JoinControls& ui, QMessageBox::StandardButton answer) {
    QString question;
    test::whenModalOpens([&](QWidget* box) {
        question = test::textOf(box);
        test::press(box, answer);
    });
    QTest::mouseClick(ui.joinButton, Qt::LeftButton);
    return question;
}

// holiday.zip cut by the engine into three pieces with their checksum file, in `pieces`.
class JoinWindowTest : public ::testing::Test {
  protected:
    JoinWindowTest() : original(test::patternBytes(300000)) { cut(pieces.path()); }

    void cut(const fs::path& dir) {
        test::writeFile(source / "holiday.zip", original);
        SplitRequest request;
        request.source = source / "holiday.zip";
        request.outputDir = dir.string() + "/";
        request.pieceSize = 100000;
        request.checksum = true;
        Observer quiet;
        split(request, quiet);
    }

    test::TempDir source;
    test::TempDir pieces;
    test::TempDir other;
    const std::string original;
};

TEST_F(JoinWindowTest, ShowsWhatItWillMakeAndJoinsByKeyboard) {
    JoinWindow window(NativePath(pieces / "holiday.bat"));
    const JoinControls ui(window);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(window.windowTitle(), "Join holiday.zip");
    EXPECT_EQ(ui.targetName->text(), "holiday.zip");
    EXPECT_EQ(ui.piecesText->text(), "3 pieces, 293 KiB in all");
    EXPECT_EQ(ui.checksumText->text(), "Checked against holiday.zip.sha256 beside the pieces");
    EXPECT_EQ(ui.folderField->text(), q(pieces.path().string()));
    EXPECT_TRUE(ui.folderNote->isHidden());

    // The focus starts on Join: Enter joins.
    ASSERT_EQ(QApplication::focusWidget(), ui.joinButton);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(test::readFile(pieces / "holiday.zip"), original);
    EXPECT_EQ(ui.resultText->text(), "Joined " + q(pieces / "holiday.zip") +
                                         " (293 KiB); all 3 pieces matched their checksums.");

    // "Open Folder" has the focus, and tells a screen reader the result; Enter opens the
    // folder on the desktop.
    ASSERT_EQ(QApplication::focusWidget(), ui.openFolderButton);
    EXPECT_TRUE(ui.openFolderButton->accessibleDescription().startsWith(ui.resultText->text()));
    const FakeXdgOpen desktop(0);
    QTest::keyClick(ui.openFolderButton, Qt::Key_Return);
    EXPECT_EQ(desktop.asked(), pieces.path().string());
    QTest::qWait(100);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);  // opened: nothing more to say
    QTest::keyClick(ui.openFolderButton, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(JoinWindowTest, ADamagedPieceIsNamedInTheBoxAndNothingIsWritten) {
    std::string damaged = test::readFile(pieces / "holiday.002");
    damaged[5000] ^= 0x20;
    test::writeFile(pieces / "holiday.002", damaged);
    const auto before = test::namesIn(pieces.path());
    JoinWindow window(NativePath(pieces / "holiday.bat"));
    const JoinControls ui(window);
    window.show();

    QString title;
    QString text;
    QString detail;
    test::whenModalOpens([&](QWidget* box) {
        title = test::titleOf(box);
        text = test::textOf(box);
        detail = test::detailOf(box);
        test::pressOk(box);
    });
    QTest::mouseClick(ui.joinButton, Qt::LeftButton);
    EXPECT_EQ(title, "Join Failed");
    EXPECT_EQ(text, "Could not join holiday.zip");
    EXPECT_EQ(detail,
              q(pieces / "holiday.002") + ": checksum does not match; the piece is damaged");
    EXPECT_EQ(test::namesIn(pieces.path()), before);
    EXPECT_TRUE(ui.joinButton->isEnabled());  // the user may replace the piece and try again
}

TEST_F(JoinWindowTest, AMissingPieceIsNamedInABoxAsTheWindowOpens) {
    fs::remove(pieces / "holiday.003");
    QString detail;
    test::whenModalOpens([&](QWidget* box) {
        detail = test::detailOf(box);
        test::pressOk(box);
    });
    JoinWindow window(NativePath(pieces / "holiday.001"));
    const JoinControls ui(window);
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !detail.isEmpty(); }));
    EXPECT_TRUE(detail.startsWith(q(pieces / "holiday.003") + ": ")) << detail.toStdString();
    EXPECT_EQ(window.windowTitle(), "Join holiday.001");

    // The window shows what is known and what is missing, and Join waits for the piece.
    EXPECT_EQ(ui.targetName->text(), "holiday");
    EXPECT_EQ(ui.piecesText->text(), "holiday.003 is missing");
    EXPECT_EQ(ui.checksumText->text(), "Not checked until every piece can be read");
    EXPECT_EQ(ui.folderField->text(), q(pieces.path().string()));
    EXPECT_GE(ui.folderField->width(),  // the whole path, not cut off
              ui.folderField->fontMetrics().horizontalAdvance(ui.folderField->text()));
    EXPECT_FALSE(ui.joinButton->isEnabled());
    EXPECT_FALSE(ui.joinButton->isDefault());
    EXPECT_TRUE(ui.cancelButton->isDefault());
}

TEST_F(JoinWindowTest, AScriptWhosePieceIsMissingSaysWhichAndJoinsOnceItIsBack) {
    const std::string third = test::readFile(pieces / "holiday.003");
    fs::remove(pieces / "holiday.003");
    test::whenModalOpens([](QWidget* box) { test::pressOk(box); });
    JoinWindow window(NativePath(pieces / "holiday.bat"));
    const JoinControls ui(window);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeModalWidget() == nullptr; }));
    EXPECT_EQ(ui.targetName->text(), "as holiday.bat says");
    EXPECT_EQ(ui.piecesText->text(), "holiday.003 is missing");
    EXPECT_FALSE(ui.joinButton->isEnabled());

    // The piece put back while the user was elsewhere: the window looks again on return.
    test::writeFile(pieces / "holiday.003", third);
    QApplication::setActiveWindow(nullptr);
    QTest::qWait(50);
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ui.joinButton->isEnabled(); }, 2000));
    EXPECT_EQ(ui.targetName->text(), "holiday.zip");
    EXPECT_TRUE(ui.joinButton->isDefault());
}

TEST_F(JoinWindowTest, WithoutAFileManagerOpenFolderSaysWhereTheFileIs) {
    JoinWindow window(NativePath(pieces / "holiday.bat"));
    const JoinControls ui(window);
    window.show();
    QTest::mouseClick(ui.joinButton, Qt::LeftButton);
    ASSERT_TRUE(ui.openFolderButton->isVisible());
    const FakeXdgOpen noFileManager(3);
    QString text;
    QString detail;
    test::whenModalOpens([&](QWidget* box) {
        text = test::textOf(box);
        detail = test::detailOf(box);
        test::pressOk(box);
    });
    ui.openFolderButton->click();
    EXPECT_EQ(noFileManager.asked(), pieces.path().string());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !text.isEmpty(); }, 5000));
    EXPECT_EQ(text, "No program here opens the folder");
    EXPECT_TRUE(detail.endsWith("The file is " + q(pieces / "holiday.zip")))
        << detail.toStdString();
}

TEST_F(JoinWindowTest, AMissingPieceTheRecoveryFilesDescribeIsRebuiltAndSaidSo) {
    SplitRequest request{source / "holiday.zip", other.dirText(), 100000, 0, false, false};
    request.recoveryPercent = 40;  // a piece of three
    Observer quiet;
    split(request, quiet);
    fs::remove(other / "holiday.002");
    JoinWindow window(NativePath(other / "holiday.001"));
    const JoinControls ui(window);
    window.show();
    QApplication::processEvents();  // a box, had one been wanted, would be up now
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(
        ui.progressText->text(),
        q(other / "holiday.002") + " is missing; Join rebuilds it from the recovery files first.");
    QTest::mouseClick(ui.joinButton, Qt::LeftButton);
    EXPECT_EQ(test::readFile(other / "holiday.zip"), original);
    EXPECT_TRUE(ui.resultText->text().contains(q(other / "holiday.002") +
                                               ": rebuilt from the recovery files"))
        << ui.resultText->text().toStdString();
}

// The pieces are all there, so the window has a plan: Join still heeds the recovery files,
// rebuilding a damaged piece first, and fails, writing nothing, where it cannot.
TEST_F(JoinWindowTest, ADamagedPieceIsRebuiltFirstOrTheJoinFailsWritingNothing) {
    SplitRequest request{source / "holiday.zip", other.dirText(), 100000, 0, false, false};
    request.recoveryPercent = 40;  // a piece of three
    Observer quiet;
    split(request, quiet);
    const auto damage = [&](const char* piece) {
        std::string bytes = test::readFile(other / piece);
        bytes[10] ^= 0x01;
        test::writeFile(other / piece, bytes);
    };
    damage("holiday.002");
    {
        JoinWindow window(NativePath(other / "holiday.001"));
        const JoinControls ui(window);
        window.show();
        QTest::mouseClick(ui.joinButton, Qt::LeftButton);
        EXPECT_TRUE(test::readFile(other / "holiday.zip") == original) << "the damaged bytes";
        EXPECT_TRUE(ui.resultText->text().contains(q(other / "holiday.002") +
                                                   ": rebuilt from the recovery files"))
            << ui.resultText->text().toStdString();
    }
    fs::remove(other / "holiday.zip");
    damage("holiday.001");
    damage("holiday.003");
    JoinWindow window(NativePath(other / "holiday.001"));
    const JoinControls ui(window);
    window.show();
    QString detail;
    test::whenModalOpens([&](QWidget* box) {
        detail = test::textOf(box) + "\n" + test::detailOf(box);
        test::pressOk(box);
    });
    QTest::mouseClick(ui.joinButton, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !detail.isEmpty(); }, 5000));
    EXPECT_TRUE(detail.contains("more recovery block")) << detail.toStdString();
    EXPECT_FALSE(fs::exists(other / "holiday.zip"));
}

TEST_F(JoinWindowTest, CancelOrClosingDuringAJoinLeavesNothingBehind) {
    const auto before = test::namesIn(pieces.path());
    JoinWindow window(NativePath(pieces / "holiday.001"));
    const JoinControls ui(window);
    window.show();
    // Pressed once the join shows its progress, as a user would.
    QObject::connect(
        ui.progressBar, &QProgressBar::valueChanged, ui.cancelButton,
        [&] { QTest::mouseClick(ui.cancelButton, Qt::LeftButton); }, Qt::SingleShotConnection);
    QTest::mouseClick(ui.joinButton, Qt::LeftButton);
    EXPECT_EQ(ui.progressText->text(), "Stopped; nothing was written.");
    EXPECT_EQ(test::namesIn(pieces.path()), before);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(ui.joinButton->isEnabled());

    QObject::connect(
        ui.progressBar, &QProgressBar::valueChanged, &window, [&] { window.close(); },
        Qt::SingleShotConnection);
    QTest::mouseClick(ui.joinButton, Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());  // closed once the join had stopped
    EXPECT_EQ(test::namesIn(pieces.path()), before);
}

// A folder that nobody may write once sealed: a read-only file system where the test may
// mount one (as root, who may write anywhere else), else a folder without write permission.
class ReadOnlyMedia {
  public:
    explicit ReadOnlyMedia(fs::path dir) : dir_(std::move(dir)) {
        fs::create_directory(dir_);
        mounted_ = ::geteuid() == 0 && ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, "size=2m") == 0;
        reason_ = ::geteuid() == 0 && !mounted_ ? std::strerror(errno) : "";
    }
    ~ReadOnlyMedia() {
        if (mounted_) {
            ::umount(dir_.c_str());
        } else {
            fs::permissions(dir_, fs::perms::owner_write, fs::perm_options::add);
        }
    }
    // Why no read-only folder can be made here, or "".
    const std::string& unusable() const { return reason_; }
    bool seal() {
        if (mounted_) {
            return ::mount(nullptr, dir_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
        }
        fs::permissions(dir_, fs::perms::owner_write, fs::perm_options::remove);
        return true;
    }

  private:
    fs::path dir_;
    bool mounted_ = false;
    std::string reason_;
};

// HOME pointed at another folder for as long as it lives.
class HomeAt {
  public:
    explicit HomeAt(const fs::path& home) : previous_(qgetenv("HOME")) {
        qputenv("HOME", QByteArray::fromStdString(home.string()));
    }
    ~HomeAt() { qputenv("HOME", previous_); }

  private:
    QByteArray previous_;
};

// The pieces on a medium nobody can write: the window proposes the home folder, and joins
// into the folder the user picks.
TEST_F(JoinWindowTest, PiecesOnReadOnlyMediaJoinIntoAFolderTheUserChooses) {
    const fs::path media = pieces.path() / "dvd";
    ReadOnlyMedia dvd(media);
    if (!dvd.unusable().empty()) {
        GTEST_SKIP() << "cannot mount a file system here: " << dvd.unusable();
    }
    cut(media);
    const auto onMedia = test::namesIn(media);
    ASSERT_TRUE(dvd.seal());
    const test::TempDir home;
    const HomeAt homeForTheTest(home.path());

    JoinWindow window(NativePath((media / "holiday.001").string()));
    const JoinControls ui(window);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(ui.folderField->text(), q(home.path().string()));
    EXPECT_TRUE(ui.folderNote->text().startsWith(q(media.string()) + " cannot be written ("))
        << ui.folderNote->text().toStdString();

    test::whenModalOpens([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
        dialog->setDirectory(q(other.path().string()));
        dialog->selectFile(q(other.path().string()));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    QTest::keyClick(&window, Qt::Key_C, Qt::AltModifier);  // "&Change Folder..."
    // The button's mnemonic clicks it a moment later, once it has shown itself pressed.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return ui.folderField->text() == q(other.path().string()); }));
    EXPECT_TRUE(ui.folderNote->isHidden());
    QTest::mouseClick(ui.joinButton, Qt::LeftButton);
    EXPECT_EQ(test::readFile(other / "holiday.zip"), original);
    EXPECT_FALSE(fs::exists(home.path() / "holiday.zip"));
    EXPECT_EQ(test::namesIn(media), onMedia);
}

// holiday.zip in `other`, without a checksum file, with recovery files worth one piece.
void cutWithRecovery(const test::TempDir& source, const std::string& dir) {
    SplitRequest request{source / "holiday.zip", dir, 100000, 0, false, 40};
    Observer quiet;
    split(request, quiet);
}

void flipByte(const std::string& path, std::size_t at) {
    std::string bytes = test::readFile(path);
    bytes[at] ^= 0x08;
    test::writeFile(path, bytes);
}

// Without a checksum file only the recovery files tell a damaged piece: Join rebuilds it
// first, as `morsela join` does, rather than join its bytes.
TEST_F(JoinWindowTest, ADamagedPieceTheRecoveryFilesDescribeIsRebuiltAndSaidSo) {
    cutWithRecovery(source, other.dirText());
    flipByte(other / "holiday.002", 4321);
    JoinWindow window(NativePath(other / "holiday.bat"));
    const JoinControls ui(window);
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(ui.progressText->text(),
              "Recovery files are beside the pieces: Join checks the pieces against them and "
              "rebuilds a missing or damaged one first.");
    QTest::mouseClick(ui.joinButton, Qt::LeftButton);
    EXPECT_EQ(test::readFile(other / "holiday.zip"), original);
    EXPECT_TRUE(ui.resultText->text().contains(
        q(other / "holiday.002") +
        ": rebuilt from the recovery files; the damaged one is kept as holiday.002.1"))
        << ui.resultText->text().toStdString();
}

TEST_F(JoinWindowTest, APieceCutShortIsNamedAsDamagedAndJoinRebuildsIt) {
    cutWithRecovery(source, other.dirText());
    test::writeFile(other / "holiday.002", test::readFile(other / "holiday.002").substr(0, 60000));
    JoinWindow window(NativePath(other / "holiday.001"));
    const JoinControls ui(window);
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(
        ui.progressText->text(),
        q(other / "holiday.002") + " is damaged; Join rebuilds it from the recovery files first.");
    ASSERT_TRUE(ui.joinButton->isEnabled());
    QTest::mouseClick(ui.joinButton, Qt::LeftButton);
    EXPECT_EQ(test::readFile(other / "holiday.zip"), original);
    EXPECT_EQ(ui.targetName->text(), "holiday.zip");
}

// On media nobody can write, the piece is rebuilt for the join alone, and the window says so.
TEST_F(JoinWindowTest, APieceLostOnReadOnlyMediaIsRebuiltForTheJoinAlone) {
    test::ReadOnlyFolder disc(pieces.path() / "disc");
    if (!disc.unusable().empty()) {
        GTEST_SKIP() << disc.unusable();
    }
    cutWithRecovery(source, disc.path().string() + "/");
    fs::remove(disc / "holiday.003");
    const auto before = test::contentsOf(disc.path());
    ASSERT_TRUE(disc.seal());
    const test::TempDir home;
    const HomeAt homeForTheTest(home.path());
    JoinWindow window(NativePath(disc / "holiday.bat"));
    const JoinControls ui(window);
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(ui.folderField->text(), q(home.path().string()));
    QTest::mouseClick(ui.joinButton, Qt::LeftButton);
    EXPECT_EQ(test::readFile(home / "holiday.zip"), original);
    EXPECT_TRUE(ui.resultText->text().contains(
        q(disc / "holiday.003") +
        ": rebuilt from the recovery files for this join; its folder cannot be written"))
        << ui.resultText->text().toStdString();
    EXPECT_EQ(test::contentsOf(disc.path()), before);
}

TEST_F(JoinWindowTest, AFileInTheWayIsReplacedOnlyWhenTheUserSaysYes) {
    test::writeFile(pieces / "holiday.zip", "an older holiday");
    JoinWindow window(NativePath(pieces / "holiday.bat"));
    const JoinControls ui(window);
    window.show();
    EXPECT_EQ(ui.folderNote->text(),
              "A file named holiday.zip is already in this folder; Join asks before replacing it.");

    EXPECT_EQ(joinAnswering(ui, QMessageBox::No), "Replace holiday.zip?");
    EXPECT_EQ(test::readFile(pieces / "holiday.zip"), "an older holiday");
    EXPECT_TRUE(ui.joinButton->isVisible());

    joinAnswering(ui, QMessageBox::Yes);
    EXPECT_EQ(test::readFile(pieces / "holiday.zip"), original);
    EXPECT_TRUE(ui.folderNote->isHidden());  // no longer true: the file was replaced
}

// A file in the way that only the plan over the rebuilt pieces finds (the plan failed on
// the lost piece before) is asked about before it is replaced, as any other.
TEST_F(JoinWindowTest, AFileInTheWayFoundOnlyOnceAPieceIsRebuiltIsAskedAbout) {
    test::ReadOnlyFolder disc(pieces.path() / "disc");
    if (!disc.unusable().empty()) {
        GTEST_SKIP() << disc.unusable();
    }
    cutWithRecovery(source, disc.path().string() + "/");
    fs::remove(disc / "holiday.002");
    ASSERT_TRUE(disc.seal());
    const test::TempDir home;
    const HomeAt homeForTheTest(home.path());
    test::writeFile(home / "holiday.zip", "an older holiday");
    JoinWindow window(NativePath(disc / "holiday.bat"));
    const JoinControls ui(window);
    window.show();
    QApplication::processEvents();

    EXPECT_EQ(joinAnswering(ui, QMessageBox::No), "Replace holiday.zip?");
    EXPECT_EQ(test::readFile(home / "holiday.zip"), "an older holiday");
    EXPECT_TRUE(ui.joinButton->isEnabled());

    joinAnswering(ui, QMessageBox::Yes);
    EXPECT_EQ(test::readFile(home / "holiday.zip"), original);
}

QAccessibleInterface* accessible(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    if (face == nullptr) {
        throw std::logic_error("no accessible interface");
    }
    return face;
}

TEST_F(JoinWindowTest, AScreenReaderHearsEveryControlByNameAndReachesItByTab) {
    JoinWindow window(NativePath(pieces / "holiday.bat"));
    const JoinControls ui(window);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    struct Expected {
        QWidget* control;
        QAccessible::Role role;
        QString name;
    };
    const Expected expected[] = {
        {&window, QAccessible::Dialog, "Join holiday.zip"},
        {ui.targetName, QAccessible::StaticText, "File: holiday.zip"},
        {ui.piecesText, QAccessible::StaticText, "Pieces: 3 pieces, 293 KiB in all"},
        {ui.checksumText, QAccessible::StaticText,
         "Checksums: Checked against holiday.zip.sha256 beside the pieces"},
        {ui.folderField, QAccessible::EditableText, "Folder to save in"},
        {ui.chooseFolderButton, QAccessible::Button, "Change Folder..."},
        {ui.progressBar, QAccessible::ProgressBar, "Join progress"},
        {ui.joinButton, QAccessible::Button, "Join"},
        {ui.cancelButton, QAccessible::Button, "Cancel"},
        {ui.openFolderButton, QAccessible::Button, "Open Folder"},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.control->objectName().toStdString());
        EXPECT_EQ(accessible(e.control)->role(), e.role);
        EXPECT_EQ(accessible(e.control)->text(QAccessible::Name), e.name);
    }
    for (QWidget* control :
         std::initializer_list<QWidget*>{ui.folderField, ui.chooseFolderButton, ui.joinButton,
                                         ui.cancelButton, ui.openFolderButton}) {
        EXPECT_FALSE(accessible(control)->text(QAccessible::Description).isEmpty());
    }
    // The folder field reads its path and takes the focus, though no typing.
    EXPECT_EQ(accessible(ui.folderField)->text(QAccessible::Value), q(pieces.path().string()));
    EXPECT_TRUE(accessible(ui.folderField)->state().readOnly);

    // Tab goes round every control that takes input, from Join on; Alt+I is the folder's.
    QList<QWidget*> reached;
    for (int i = 0; i < 4; ++i) {
        reached << QApplication::focusWidget();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(reached, (QList<QWidget*>{ui.joinButton, ui.cancelButton, ui.folderField,
                                        ui.chooseFolderButton}));
    QTest::keyClick(&window, Qt::Key_I, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), ui.folderField);
}

}  // namespace
}  // namespace morsela
