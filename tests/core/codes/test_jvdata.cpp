#include "core/codes/jvdata.h"

#include <gtest/gtest.h>
#include <string>

namespace velmora {
namespace {

TEST(JVData, SetFieldWritesWhereFieldReadsAndNeverOverTheLineEnd)
{
    std::string record = "RA" + std::string(8, ' ') + "\r\n";
    SetField(record, common::DataKind, "7");
    SetField(record, {4, 3}, "12345"); // cut to the field
    SetField(record, {7, 3}, "9");     // padded with blanks
    EXPECT_EQ(record, "RA71239   \r\n");
    EXPECT_EQ(Field(record, {4, 3}), "123");

    // A field running past the record's end stops before its CR LF; one beyond it changes nothing.
    SetField(record, {9, 5}, "ABCDE");
    SetField(record, {11, 2}, "XY");
    SetField(record, {0, 2}, "XY");
    EXPECT_EQ(record, "RA71239 AB\r\n");

    // A record without a line end is written up to its last byte.
    std::string cut = "SE12";
    SetField(cut, {3, 4}, "3456");
    EXPECT_EQ(cut, "SE34");
}

} // namespace
} // namespace velmora
