#include "app/size_field.h"

#include <QLocale>
#include <array>

#include "split/error.h"
#include "split/piece_names.h"
#include "split/size_text.h"

namespace morsela {
namespace {

const QString kExample = "type the size in kilobytes, such as 10240 for 10 MB";
const QString kHint = "Type the size in kilobytes, such as 10240 for 10 MB";

struct FieldUnit {
    const char* name;  // in capitals: the text after the number is compared in capitals
    double bytes;
};
constexpr FieldUnit kUnits[] = {
    {"", 1024.0},         {"K", 1024.0},         {"KB", 1024.0},     {"KIB", 1024.0},
    {"M", 1048576.0},     {"MB", 1048576.0},     {"MIB", 1048576.0}, {"G", 1073741824.0},
    {"GB", 1073741824.0}, {"GIB", 1073741824.0},
};

std::optional<double> unitBytes(std::string rest) {
    for (char& c : rest) {
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    for (const FieldUnit& unit : kUnits) {
        if (rest == unit.name) {
            return unit.bytes;
        }
    }
    return std::nullopt;
}

// Typed text in quotes, shortened to what is enough to recognise it, control characters
// shown as their pictures so that none is lost or acts on the box.
QString quoted(const QString& text) {
    constexpr qsizetype kShown = 40;
    QString shown = text.left(kShown);
    for (QChar& c : shown) {
        if (c.unicode() < 0x20) {
            c = QChar(0x2400 + c.unicode());
        } else if (c.unicode() == 0x7f) {
            c = QChar(0x2421);
        }
    }
    return "\"" + shown + (text.size() > kShown ? "...\"" : "\"");
}

// What follows the number in the text as typed, blanks kept between its characters:
// `rest` is the same without any blanks.
QString restAsTyped(const QByteArray& typed, const std::string& rest) {
    std::size_t nonBlank = 0;
    for (const char c : typed) {
        nonBlank += (c == ' ' || c == '\t' || c == '\n') ? 0 : 1;
    }
    std::size_t toSkip = nonBlank - rest.size();  // the number's own characters
    qsizetype at = 0;
    for (; at < typed.size() && toSkip > 0; ++at) {
        const char c = typed[at];
        toSkip -= (c == ' ' || c == '\t' || c == '\n') ? 0 : 1;
    }
    return QString::fromUtf8(typed.mid(at)).trimmed();
}

}  // namespace

FieldSize readSizeField(const QString& text) {
    const QByteArray typed = text.toUtf8();
    const LeadingNumber number = leadingNumber(std::string_view(typed.data(), typed.size()));
    if (!number.found) {
        return {0, number.rest.empty()
                       ? "The size is missing; " + kExample
                       : "The size is missing: " + quoted(text) + " holds no number; " + kExample};
    }
    const std::optional<double> unit = unitBytes(number.rest);
    if (!unit) {
        return {0, quoted(restAsTyped(typed, number.rest)) + " in the size " + quoted(text) +
                       " is not understood; " + kExample};
    }
    const PieceSize size = pieceSizeOf(number.value * *unit);
    switch (size.status) {
        case PieceSize::Status::Ok:
            return {size.bytes, ""};
        case PieceSize::Status::TooLarge:
            return {0, "The size " + quoted(text) + " is too large for a piece size"};
        case PieceSize::Status::TooSmall:
        case PieceSize::Status::BadUnit:
            break;
    }
    return {0, "The size " + quoted(text) +
                   " gives pieces of less than one byte; type a size in KB above 0"};
}

std::int64_t pieceSizeFromField(const QString& text) {
    const FieldSize size = readSizeField(text);
    if (!size.problem.isEmpty()) {
        throw Error::refused("", size.problem.toStdString());
    }
    return size.bytes;
}

QString sizeFieldTip(const QString& text, std::optional<std::int64_t> fileLength) {
    if (text.trimmed().isEmpty()) {
        return kHint;
    }
    const FieldSize size = readSizeField(text);
    if (!size.problem.isEmpty()) {
        return size.problem;
    }
    QString tip = "= " + shownSize(size.bytes);
    if (fileLength) {
        const std::int64_t pieces = piecesFor(*fileLength, size.bytes);
        tip += ", " + QLocale(QLocale::English).toString(qint64{pieces}) +
               (pieces == 1 ? " piece" : " pieces");
    }
    return tip;
}

QString shownSize(std::int64_t bytes) {
    constexpr std::array<const char*, 6> kNames = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    const QLocale english(QLocale::English);
    for (int k = static_cast<int>(kNames.size()); k >= 1; --k) {
        const std::int64_t unit = std::int64_t{1} << (10 * k);
        // bytes / unit has at most two decimals when bytes x 100 (= 4 x 25) is a multiple
        // of unit, that is when bytes is a multiple of unit / 4.
        if (bytes >= unit && bytes % (unit / 4) == 0) {
            const double value = static_cast<double>(bytes) / static_cast<double>(unit);
            QString number = english.toString(value, 'f', 2);
            while (number.endsWith('0')) {
                number.chop(1);
            }
            if (number.endsWith('.')) {
                number.chop(1);
            }
            return number + " " + kNames[static_cast<std::size_t>(k - 1)];
        }
    }
    return english.toString(qint64{bytes}) + (bytes == 1 ? " byte" : " bytes");
}

}  // namespace morsela
