#include "app/controls/native_path.h"

#include <QFile>

namespace morsela {

NativePath NativePath::fromShown(const QString& text) {
    return NativePath(QFile::encodeName(text));
}

QString NativePath::shown() const {
    return QFile::decodeName(bytes_);
}

NativePath NativePath::asDirectory() const {
    return bytes_.endsWith('/') || bytes_.isEmpty() ? *this : NativePath(bytes_ + '/');
}

QString shownText(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

}  // namespace morsela
