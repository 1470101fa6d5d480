#include "app/size_field.h"

#include "engine/error.h"
#include "engine/piece_names.h"
#include "engine/size_text.h"
#include "words/human_text.h"

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

// "1,5" or "1,5M" (what follows the number, blanks left out): decimals after a comma, as
// many write them.
bool decimalComma(const std::string& rest) {
    const std::size_t unit = rest.find_first_not_of("0123456789", 1);
    return rest.size() > 1 && rest[0] == ',' && unit != 1 &&
           unitBytes(unit == std::string::npos ? "" : rest.substr(unit));
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
    if (!unit && decimalComma(number.rest)) {
        QString dotted = text.trimmed();
        dotted[dotted.indexOf(',')] = '.';
        return {0, "The size " + quoted(text) +
                       " has a comma; write the decimals after a point: " + quoted(dotted)};
    }
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
    std::string tip = "= " + exactSize(size.bytes);
    if (fileLength) {
        tip += ", " + countOf(piecesFor(*fileLength, size.bytes), "piece", "pieces");
    }
    return QString::fromStdString(tip);
}

}  // namespace morsela
