// The profile file must read and rewrite files the way the platform's profile
// functions do, since users and older versions of the program wrote them.
#include "util/inifile.h"
#include "util/lumiskerror.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

using namespace lumisk;
using lumisk::test::TTempDir;
using namespace std::string_literals;

namespace {

std::string NameOf(const char* name) {
    return name;
}

} // namespace

// --- Reading texts ----------------------------------------------------------

struct ReadCase {
    const char* name;
    std::string file;
    const char* section;
    const char* key;
    std::string def;
    std::string expected;
};

class IniRead : public testing::TestWithParam<ReadCase> {};

TEST_P(IniRead, FindsTheValueThePlatformWould) {
    const auto& c = GetParam();
    TTempDir dir;
    dir.Write("a.ini", c.file);
    TIniFile ini(dir.File("a.ini"));
    EXPECT_EQ(ini.ReadString(c.section, c.key, c.def), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniRead,
    testing::Values(
        ReadCase{"names_ignore_case", "[PROXY]\r\nserver=host\r\n", "Proxy", "Server", "d", "host"},
        ReadCase{"blanks_around_name_and_value", "[S]\r\n  Key  =  a b  \r\n", "S", "Key", "d",
                 "a b"},
        ReadCase{"blanks_inside_section_brackets", "[ S ]\r\nK=1\r\n", "S", "K", "d", "1"},
        ReadCase{"double_quotes_removed", "[S]\r\nK=\" a \"\r\n", "S", "K", "d", " a "},
        ReadCase{"single_quotes_removed", "[S]\r\nK='a'\r\n", "S", "K", "d", "a"},
        ReadCase{"mixed_quotes_kept", "[S]\r\nK=\"a'\r\n", "S", "K", "d", "\"a'"},
        ReadCase{"lone_quote_kept", "[S]\r\nK=\"\r\n", "S", "K", "d", "\""},
        ReadCase{"empty_value_is_not_the_default", "[S]\r\nK=\r\n", "S", "K", "d", ""},
        ReadCase{"first_duplicate_key_wins", "[S]\r\nK=1\r\nK=2\r\n", "S", "K", "d", "1"},
        ReadCase{"only_first_duplicate_section_searched", "[S]\r\nA=1\r\n[s]\r\nK=2\r\n", "S", "K",
                 "d", "d"},
        ReadCase{"key_of_other_section_unseen", "[T]\r\nK=1\r\n[S]\r\n", "S", "K", "d", "d"},
        ReadCase{"key_before_any_section_unseen", "K=1\r\n[S]\r\n", "S", "K", "d", "d"},
        ReadCase{"comment_is_not_a_key", "[S]\r\n;K=1\r\n", "S", "K", "d", "d"},
        ReadCase{"key_without_equals_gives_default", "[S]\r\nK\r\n", "S", "K", "d", "d"},
        ReadCase{"lf_lines", "[S]\nA=1\nK=2\n", "S", "K", "d", "2"},
        ReadCase{"lone_cr_lines", "[S]\rA=1\rK=2", "S", "K", "d", "2"},
        ReadCase{"mixed_line_ends", "[T]\r\nK=0\n[S]\rK=3\r\n", "S", "K", "d", "3"},
        ReadCase{"default_loses_trailing_blanks", "", "S", "K", "d  ", "d"},
        ReadCase{"long_value_cut", "[S]\r\nK=" + std::string(3000, 'v') + "\r\n", "S", "K", "d",
                 std::string(2047, 'v')},
        ReadCase{"value_of_2047_whole", "[S]\r\nK=" + std::string(2047, 'v') + "\r\n", "S", "K",
                 "d", std::string(2047, 'v')}),
    [](const auto& info) { return NameOf(info.param.name); });

// --- Reading numbers and booleans -------------------------------------------

struct NumberReadCase {
    const char* name;
    std::optional<std::string> value; // none: the key is missing
    std::int32_t expected;            // with default 7
};

class IniReadInteger : public testing::TestWithParam<NumberReadCase> {};

TEST_P(IniReadInteger, ConvertsOrFallsBack) {
    const auto& c = GetParam();
    TTempDir dir;
    dir.Write("a.ini", c.value ? "[S]\r\nN=" + *c.value + "\r\n" : "[S]\r\n");
    TIniFile ini(dir.File("a.ini"));
    EXPECT_EQ(ini.ReadInteger("S", "N", 7), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, IniReadInteger,
                         testing::Values(NumberReadCase{"decimal", "42", 42},
                                         NumberReadCase{"negative", "-1", -1},
                                         NumberReadCase{"hex_0x", "0x10", 16},
                                         NumberReadCase{"hex_0X", "0X1f", 31},
                                         NumberReadCase{"hex_dollar", "$10", 16},
                                         NumberReadCase{"blanks_trimmed", "  12  ", 12},
                                         NumberReadCase{"quoted", "\"12\"", 12},
                                         NumberReadCase{"word_gives_default", "yes", 7},
                                         NumberReadCase{"fraction_gives_default", "1.5", 7},
                                         NumberReadCase{"empty_gives_default", "", 7},
                                         NumberReadCase{"overflow_gives_default", "2147483648", 7},
                                         NumberReadCase{"missing_gives_default", std::nullopt, 7}),
                         [](const auto& info) { return NameOf(info.param.name); });

struct BoolReadCase {
    const char* name;
    std::string value;
    bool def;
    bool expected;
};

class IniReadBool : public testing::TestWithParam<BoolReadCase> {};

TEST_P(IniReadBool, AnyNonZeroNumberIsTrue) {
    const auto& c = GetParam();
    TTempDir dir;
    dir.Write("a.ini", "[S]\r\nB=" + c.value + "\r\n");
    TIniFile ini(dir.File("a.ini"));
    EXPECT_EQ(ini.ReadBool("S", "B", c.def), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, IniReadBool,
                         testing::Values(BoolReadCase{"one", "1", false, true},
                                         BoolReadCase{"two", "2", false, true},
                                         BoolReadCase{"minus_one", "-1", false, true},
                                         BoolReadCase{"zero", "0", true, false},
                                         BoolReadCase{"word_keeps_false", "yes", false, false},
                                         BoolReadCase{"word_keeps_true", "no", true, true}),
                         [](const auto& info) { return NameOf(info.param.name); });

// --- Writing ----------------------------------------------------------------

struct WriteCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

class IniWrite : public testing::TestWithParam<WriteCase> {};

TEST_P(IniWrite, PutsTheLineWhereThePlatformWould) {
    const auto& c = GetParam();
    TTempDir dir;
    dir.Write("a.ini", c.before);
    TIniFile ini(dir.File("a.ini"));
    ini.WriteString(c.section, c.key, c.value);
    EXPECT_EQ(ini.Text(), c.after);
    ini.UpdateFile();
    EXPECT_EQ(dir.Read("a.ini"), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniWrite,
    testing::Values(
        WriteCase{"replace_keeps_position", "[S]\r\nA=1\r\nB=2\r\nC=3\r\n", "s", "b", "9",
                  "[S]\r\nA=1\r\nB=9\r\nC=3\r\n"},
        WriteCase{"replace_drops_blanks_around_equals", "[S]\r\n  B = 2 \r\n", "S", "B", "9",
                  "[S]\r\nB=9\r\n"},
        WriteCase{"replace_first_duplicate_only", "[S]\r\nK=1\r\nK=2\r\n", "S", "K", "9",
                  "[S]\r\nK=9\r\nK=2\r\n"},
        WriteCase{"replace_key_without_equals", "[S]\r\nK\r\nA=1\r\n", "S", "K", "9",
                  "[S]\r\nK=9\r\nA=1\r\n"},
        WriteCase{"new_key_before_blank_lines", "[S]\r\nA=1\r\n\r\n\r\n[T]\r\nX=1\r\n", "S", "B",
                  "2", "[S]\r\nA=1\r\nB=2\r\n\r\n\r\n[T]\r\nX=1\r\n"},
        WriteCase{"new_key_in_empty_section", "[S]\r\n\r\n[T]\r\n", "S", "B", "2",
                  "[S]\r\nB=2\r\n\r\n[T]\r\n"},
        WriteCase{"new_key_in_last_section", "[S]\r\nA=1\r\n[T]\r\nX=1\r\n", "T", "Y", "2",
                  "[S]\r\nA=1\r\n[T]\r\nX=1\r\nY=2\r\n"},
        WriteCase{"new_key_after_trailing_comment", "[S]\r\nA=1\r\n; end\r\n\r\n", "S", "B", "2",
                  "[S]\r\nA=1\r\n; end\r\nB=2\r\n\r\n"},
        WriteCase{"new_key_in_first_of_duplicate_sections", "[S]\r\nA=1\r\n[S]\r\nB=1\r\n", "S",
                  "C", "2", "[S]\r\nA=1\r\nC=2\r\n[S]\r\nB=1\r\n"},
        WriteCase{"new_section_at_end", "[S]\r\nA=1\r\n", "T", "K", "v",
                  "[S]\r\nA=1\r\n[T]\r\nK=v\r\n"},
        WriteCase{"new_section_in_empty_file", "", "T", "K", "v", "[T]\r\nK=v\r\n"},
        WriteCase{"comments_and_strays_kept", "; top\r\nstray\r\n[S]\r\n;c=1\r\nA=1\r\n", "S", "A",
                  "2", "; top\r\nstray\r\n[S]\r\n;c=1\r\nA=2\r\n"},
        WriteCase{"lf_and_cr_lines_become_crlf", "[S]\nA=1\rB=2", "S", "A", "3",
                  "[S]\r\nA=3\r\nB=2\r\n"},
        WriteCase{"value_kept_as_given", "", "S", "K", "a \"b\"", "[S]\r\nK=a \"b\"\r\n"}),
    [](const auto& info) { return NameOf(info.param.name); });

// --- Damaged and "Unicode" files --------------------------------------------

// The bytes of a UTF-16 text (its byte-order mark included).
std::string Utf16(const std::u16string& text, bool bigEndian) {
    std::string out;
    for (char16_t unit : text)
        out += {static_cast<char>(bigEndian ? unit >> 8 : unit),
                static_cast<char>(bigEndian ? unit : unit >> 8)};
    return out;
}

struct KeptCase {
    const char* name;
    std::string before;
    std::string value; // of S/K
    std::string after; // once N is written as the bytes "caf\xE9"
};

class IniKeepsEverything : public testing::TestWithParam<KeptCase> {};

TEST_P(IniKeepsEverything, ReadsTheValueAndLosesNothingOnWrite) {
    const auto& c = GetParam();
    TTempDir dir;
    dir.Write("a.ini", c.before);
    TIniFile ini(dir.File("a.ini"));
    EXPECT_EQ(ini.ReadString("S", "K", "default"), c.value);
    ini.WriteString("S", "N", "caf\xE9");
    ini.UpdateFile();
    EXPECT_EQ(dir.Read("a.ini"), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniKeepsEverything,
    testing::Values(
        KeptCase{"nul_byte_ends_a_value_and_keeps_the_lines_after_it",
                 "[S]\r\nA=x\0y\r\nK=v \0w\r\n"s, "v",
                 "[S]\r\nA=x\0y\r\nK=v \0w\r\nN=caf\xE9\r\n"s},
        KeptCase{"utf16_little_endian", Utf16(u"\uFEFF[S]\r\nK=pr\u00F8xy \U0001F600\r\n", false),
                 "pr\xC3\xB8xy \xF0\x9F\x98\x80",
                 Utf16(u"\uFEFF[S]\r\nK=pr\u00F8xy \U0001F600\r\nN=caf\u00E9\r\n", false)},
        KeptCase{"utf16_big_endian_with_a_lone_surrogate", Utf16(u"\uFEFF[S]\nK=\xD800x\n", true),
                 "\xED\xA0\x80x", Utf16(u"\uFEFF[S]\r\nK=\xD800x\r\nN=caf\u00E9\r\n", true)}),
    [](const auto& info) { return NameOf(info.param.name); });

TEST(IniWriteTyped, NumbersInDecimalAndBooleansAsDigits) {
    TTempDir dir;
    TIniFile ini(dir.File("a.ini"));
    ini.WriteInteger("S", "N", -1);
    ini.WriteInteger("S", "Max", 2147483647);
    ini.WriteBool("S", "T", true);
    ini.WriteBool("S", "F", false);
    EXPECT_EQ(ini.Text(), "[S]\r\nN=-1\r\nMax=2147483647\r\nT=1\r\nF=0\r\n");
    EXPECT_EQ(ini.ReadInteger("S", "N", 0), -1);
    EXPECT_TRUE(ini.ReadBool("S", "T", false));
    EXPECT_FALSE(ini.ReadBool("S", "F", true));
}

// --- The file on disk -------------------------------------------------------

TEST(IniFileOnDisk, MissingFileIsEmptyUntilTheFirstWrite) {
    TTempDir dir;
    TIniFile ini(dir.File("new.ini"));
    EXPECT_EQ(ini.ReadString("S", "K", "d"), "d");
    ini.UpdateFile();
    EXPECT_FALSE(dir.Exists("new.ini"));
    ini.WriteString("S", "K", "v");
    ini.UpdateFile();
    EXPECT_EQ(dir.Read("new.ini"), "[S]\r\nK=v\r\n");
}

TEST(IniFileOnDisk, UnchangedValueLeavesTheFileAlone) {
    // Writing back what is there must not rewrite a hand-edited file.
    TTempDir dir;
    const std::string text = "[S]\nK = v\n";
    dir.Write("a.ini", text);
    TIniFile ini(dir.File("a.ini"));
    ini.WriteString("s", "k", "v");
    ini.UpdateFile();
    EXPECT_EQ(dir.Read("a.ini"), text);
}

TEST(IniFileOnDisk, UnreadableFileReadsDefaultsAndIsNotOverwritten) {
    TTempDir dir;
    std::filesystem::create_directory(dir.File("a.ini"));
    TIniFile ini(dir.File("a.ini"));
    EXPECT_EQ(ini.ReadString("s", "k", "default"), "default");
    EXPECT_EQ(ini.ReadInteger("s", "n", 7), 7);
    ini.WriteString("s", "k", "v");
    try {
        ini.UpdateFile();
        FAIL() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + dir.File("a.ini"));
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("a.ini")));
}

TEST(IniFileOnDisk, MissingDirectoryThrowsCreateError) {
    TTempDir dir;
    const std::string path = dir.File("gone/a.ini");
    TIniFile ini(path);
    ini.WriteString("S", "K", "v");
    try {
        ini.UpdateFile();
        FAIL() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + path);
    }
}

TEST(IniFileOnDisk, FailedWriteKeepsTheOldFile) {
    // A name at the length limit leaves no room for the temporary file beside
    // it, so the rewrite fails although the file itself is there (and root
    // ignores permissions).
    TTempDir dir;
    const std::string name = std::string(250, 'n');
    dir.Write(name, "[S]\r\nK=old\r\n");
    TIniFile ini(dir.File(name));
    ini.WriteString("S", "K", "new");
    EXPECT_THROW(ini.UpdateFile(), EFCreateError);
    EXPECT_EQ(dir.Read(name), "[S]\r\nK=old\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1);
}
