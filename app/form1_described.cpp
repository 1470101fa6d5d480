// How the window presents itself to assistive technology (a screen reader, a magnifier), and
// what keeps it readable: part of Form1, kept apart from its handlers.

#include <QAccessibleWidget>

#include "app/controls/legibility.h"
#include "app/form1.h"

namespace morsela {
namespace {

// WCAG's least contrast for text: the output path stays disabled, but must still be read.
constexpr double kReadableContrast = 4.5;

// The window is a frame named by its title, which screen readers announce when it comes to
// the front; Qt would present a plain widget as a filler, even as a window.
QAccessibleInterface* windowFactory(const QString& className, QObject* object) {
    auto* form = qobject_cast<Form1*>(object);
    if (form != nullptr && className == Form1::staticMetaObject.className()) {
        return new QAccessibleWidget(form, QAccessible::Window);
    }
    return nullptr;
}

}  // namespace

void Form1::describeControls() {
    static const bool installed = [] {
        QAccessible::installFactory(windowFactory);
        return true;
    }();
    (void)installed;
    txtFile->setAccessibleName("File to split");
    txtFile->setAccessibleDescription(
        "The path of the file to cut into pieces; type it, drop the file on the window, or "
        "pick it with Open File");
    lblSize->setBuddy(txtSize);
    txtSize->setAccessibleName(lblSize->text());
    lblSave->setBuddy(Dir1);
    Drive1->setAccessibleName("Output drive");
    Dir1->setAccessibleName("Output directory");
    txtSavepath->setAccessibleName("Output directory path");
    txtSavepath->setFocusPolicy(Qt::NoFocus);  // disabled, it takes none; nor does it claim to
    pic1->setAccessibleName("Split progress");
    pic1->setAccessibleDescription("How far the split has come; after it, how long it took");
    cmdLoadfile->setAccessibleDescription("Picks the file to split");
    cmdRun->setAccessibleDescription(
        "Cuts the file into pieces of the size given, in the output directory");
    cmdEnd->setAccessibleDescription("Ends the program; during a split, asks whether to stop it");

    QPalette palette = txtSavepath->palette();
    palette.setColor(
        QPalette::Disabled, QPalette::Text,
        readableOn(palette.color(QPalette::Disabled, QPalette::Text),
                   palette.color(QPalette::Disabled, QPalette::Base), kReadableContrast));
    txtSavepath->setPalette(palette);
}

}  // namespace morsela
