// The join window's controls: where they stand, and how they present themselves to assistive
// technology. Part of JoinWindow, kept apart from its handlers.

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "app/join/join_window.h"

namespace morsela {
namespace {

// Wide enough for a long name or path on one line.
constexpr int kWidthInCharacters = 80;
// The bar counts in thousandths, so that it moves on a large file.
constexpr int kBarSteps = 1000;

QLabel* caption(const char* text) {
    auto* label = new QLabel(text);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

}  // namespace

void JoinWindow::placeControls() {
    for (QLabel* value :
         {targetName, piecesText, checksumText, folderNote, progressText, resultText}) {
        value->setTextFormat(Qt::PlainText);  // names may look like markup
    }
    // Paths and failures may be long; the window grows with them, never clips them.
    for (QLabel* text : {folderNote, progressText, resultText}) {
        text->setWordWrap(true);
    }
    QFont bold = targetName->font();
    bold.setBold(true);
    targetName->setFont(bold);
    folderField->setReadOnly(true);
    folderLabel->setBuddy(folderField);
    progressBar->setRange(0, kBarSteps);
    progressBar->setValue(0);
    progressText->setMinimumHeight(fontMetrics().height());
    resultText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    joinButton->setDefault(true);

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    form->addRow(caption("File:"), targetName);
    form->addRow(caption("Pieces:"), piecesText);
    form->addRow(caption("Checksums:"), checksumText);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(folderField, 1);
    folderRow->addWidget(chooseFolderButton);
    form->addRow(folderLabel, folderRow);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(openFolderButton);
    buttons->addStretch(1);
    buttons->addWidget(joinButton);
    buttons->addWidget(cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // grows with the result, and back
    layout->addLayout(form);
    layout->addWidget(folderNote);  // out of the form, where a wrapped text gets its height
    layout->addSpacing(fontMetrics().height() / 2);
    layout->addWidget(progressBar);
    layout->addWidget(progressText);
    layout->addWidget(resultText);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setMinimumWidth(fontMetrics().averageCharWidth() * kWidthInCharacters);

    setTabOrder(folderField, chooseFolderButton);
    setTabOrder(chooseFolderButton, resultText);
    setTabOrder(resultText, openFolderButton);
    setTabOrder(openFolderButton, joinButton);
    setTabOrder(joinButton, cancelButton);
}

// A label that holds a value is read with its caption: "Pieces: 12 pieces, 1.1 GiB in all".
void JoinWindow::showValue(QLabel* label, const QString& caption, const QString& value) {
    label->setText(value);
    label->setAccessibleName(caption + ": " + value);
}

void JoinWindow::fitFolderField() {
    const QFontMetrics metrics = folderField->fontMetrics();
    const int whole =
        metrics.horizontalAdvance(folderField->text()) + 4 * metrics.averageCharWidth();
    const int most = screen() != nullptr ? screen()->availableGeometry().width() * 2 / 3 : whole;
    folderField->setMinimumWidth(std::min(whole, most));
}

void JoinWindow::describeControls() {
    setAccessibleDescription("Joins numbered pieces into the file they were cut from");
    folderField->setAccessibleName("Folder to save in");
    folderField->setAccessibleDescription(
        "The joined file is written into this folder; Change Folder picks another");
    chooseFolderButton->setAccessibleDescription(
        "Picks the folder to write the joined file into, for pieces on read-only media");
    progressBar->setAccessibleName("Join progress");
    progressBar->setAccessibleDescription("How much of the file is joined");
    joinButton->setAccessibleDescription("Joins the pieces into the file, in the folder shown");
    cancelButton->setAccessibleDescription(
        "Stops a join under way, leaving nothing behind; else closes the window");
    openFolderButton->setAccessibleDescription("Opens the folder that holds the joined file");
}

}  // namespace morsela
