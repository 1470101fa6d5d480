// The size field as people type into it: a leading number of kilobytes, read as the window
// has always read it; everything else is refused with the window's own words.

#include <gtest/gtest.h>

#include <optional>

#include "app/size_field.h"
#include "split/error.h"
#include "tests/support/tally.h"

namespace morsela {
namespace {

TEST(SizeField, TextsGiveTheirSizeInKilobytesOrARefusal) {
    struct Case {
        std::string text;
        std::optional<std::int64_t> bytes;  // empty: refused
    };
    const Case cases[] = {
        {"", {}},
        {"   ", {}},
        {"-1", {}},
        {"0", {}},
        {"0.0004", {}},
        {"0.0005", 1},
        {"1e3", 1024000},
        {"1E+3", 1024000},
        {"1.5.5", 1536},
        {".5", 512},
        {"5.", 5120},
        {"+5", 5120},
        {"4 0", 40960},
        {"\t4\n0\t", 40960},
        {"1e400", {}},
        {"9e15", 9216000000000000000},
        {"1e16", {}},
        {std::string(10000, '7'), {}},
        {"0." + std::string(9998, '0') + "1", {}},
        {"\xd9\xa5", {}},      // an Arabic-Indic digit five
        {"\xef\xbc\x95", {}},  // a full-width digit five
        {std::string("5\0"
                     "00",
                     4),
         5120},
        {std::string("\0"
                     "5",
                     2),
         {}},
        {"0x10", {}},
        {"1,5", 1024},
        {"12abc", 12288},
        {"- 3", {}},
        {"1e-3", 1},
        {"3e", 3072},
    };
    for (const Case& c : cases) {
        test::CaseTally tally("bad size texts");
        SCOPED_TRACE("size text \"" + c.text.substr(0, 40) + "\"");
        const QString text =
            QString::fromUtf8(c.text.data(), static_cast<qsizetype>(c.text.size()));
        if (c.bytes) {
            EXPECT_EQ(pieceSizeFromField(text), *c.bytes);
        } else {
            try {
                pieceSizeFromField(text);
                ADD_FAILURE() << "accepted";
            } catch (const Error& error) {
                EXPECT_EQ(error.kind(), Error::Kind::Refused);
                EXPECT_EQ(error.path(), "");
                EXPECT_EQ(error.reason().rfind("The size \"", 0), 0u) << error.reason();
            }
        }
    }
}

}  // namespace
}  // namespace morsela
