#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <string>

namespace morsela {

// A path as the system stores it: bytes, whatever their encoding. The window keeps every
// path this way and decodes it only to show it, so that a directory or mount point whose
// name is not UTF-8 is still found again.
class NativePath {
  public:
    NativePath() = default;
    explicit NativePath(QByteArray bytes) : bytes_(std::move(bytes)) {}
    explicit NativePath(const std::string& bytes) : bytes_(QByteArray::fromStdString(bytes)) {}
    // What a person typed, dropped or picked, encoded as the system encodes file names.
    static NativePath fromShown(const QString& text);

    const QByteArray& bytes() const { return bytes_; }
    std::string toStdString() const { return bytes_.toStdString(); }
    bool isEmpty() const { return bytes_.isEmpty(); }
    // The path as a person reads it.
    QString shown() const;
    // The path followed by "/" so that names can follow it; the root stays "/".
    NativePath asDirectory() const;

    bool operator==(const NativePath& other) const { return bytes_ == other.bytes_; }
    bool operator<(const NativePath& other) const { return bytes_ < other.bytes_; }

  private:
    QByteArray bytes_;
};

// Text from the engine (a path, or a message that names one) as the window shows it.
QString shownText(const std::string& bytes);

}  // namespace morsela
