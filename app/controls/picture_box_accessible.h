#pragma once

#include <QAccessibleWidget>

namespace morsela {

class PictureBox;

// The picture box as assistive technology sees it. While it shows a bar (nothing printed
// since it was last cleared) it is a progress indicator whose value, 0 to 100, is the share
// the bar stands for; once lines are printed it is static text holding those lines.
class PictureBoxAccessible : public QAccessibleWidget,
                             public QAccessibleValueInterface,
                             public QAccessibleTextInterface {
  public:
    explicit PictureBoxAccessible(PictureBox* box);

    // Makes Qt use this interface for every picture box; called once, by the first box.
    static void install();

    QAccessible::Role role() const override;
    QString text(QAccessible::Text which) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

    // The printed lines, one after the other, read-only and with nothing selected.
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

  private:
    const PictureBox& box() const;
    bool showsText() const;
    QString printed() const;
};

}  // namespace morsela
