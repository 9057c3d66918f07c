#include <gtest/gtest.h>

#include <iconv.h>

#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "controls/CharacterFilter.h"
#include "controls/CommandLine.h"
#include "core/FileName.h"
#include "inspection/ModuleIndex.h"
#include "rows/RowTip.h"
#include "rows/RowWriter.h"
#include "details/SignatureAnswer.h"
#include "lister/ListerArguments.h"
#include "lister/ListingDiff.h"

using Controls::CharacterAction;
using Core::fileNameOffset;
using Controls::filterCharacter;

namespace {
std::string fileName(const char* path) { return path + fileNameOffset(path); }
} // namespace

TEST(FileNameTest, SplitsAtTheLastBackslashOnly)
{
    EXPECT_EQ(fileNameOffset("C:\\windows\\system32\\ntdll.dll"), 20u);
    EXPECT_EQ(fileName("C:\\windows\\system32\\ntdll.dll"), "ntdll.dll");
    EXPECT_EQ(fileName("\\\\server\\share\\a.dll"), "a.dll");
    // Neither '/' nor ':' separates.
    EXPECT_EQ(fileNameOffset("ntdll.dll"), 0u);
    EXPECT_EQ(fileNameOffset("C:/windows/system32/a.dll"), 0u);
    EXPECT_EQ(fileNameOffset("C:a.dll"), 0u);
    EXPECT_EQ(fileName("C:\\dir/sub:x\\name/part"), "name/part");
}

TEST(FileNameTest, Boundaries)
{
    EXPECT_EQ(fileNameOffset(""), 0u);
    EXPECT_EQ(fileNameOffset("\\"), 1u);
    EXPECT_EQ(fileNameOffset("C:\\windows\\"), 11u);
    EXPECT_EQ(fileName("C:\\windows\\"), "");
    EXPECT_EQ(fileNameOffset("\\kernel32.dll"), 1u);
    EXPECT_EQ(fileNameOffset("a\\b"), 2u);
    EXPECT_EQ(fileNameOffset("x"), 0u);
    // Bytes above 0x7F are not separators, whatever their sign as char.
    EXPECT_EQ(fileName("C:\\\xe9t\xe9\\\xdc.dll"), "\xdc.dll");
}

// The form the file calls take at any length.
TEST(FileNameTest, ExtendedFormOfEachKindOfPath)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\a\\b.dll", L"\\\\?\\C:\\a\\b.dll"},
        {L"\\\\server\\share\\b.dll", L"\\\\?\\UNC\\server\\share\\b.dll"},
        {L"\\??\\C:\\a.dll", L"\\\\?\\C:\\a.dll"},
        {L"\\\\?\\C:\\a.dll", L"\\\\?\\C:\\a.dll"},
        {L"\\\\.\\pipe\\x", L"\\\\.\\pipe\\x"},
        {L"a.dll", L"a.dll"},
        {L"", L""},
    };
    Core::Array<wchar_t> into;
    for (const auto& c : cases) {
        Core::extendedPath(c.first, uint32_t(wcslen(c.first)), into);
        EXPECT_STREQ(into.items, c.second) << std::wstring(c.first).size();
    }
}

// Paths in UTF-8, where every byte of a character beyond ASCII is 0x80 or
// above, so 0x5C is always a backslash: two, three and four-byte characters,
// including 0x5C-like trailing positions of a double-byte code page.
TEST(FileNameTest, Utf8NamesSplitWhole)
{
    const struct {
        const char* path;
        const char* name;
    } cases[] = {
        {u8"C:\\Папка\\модуль.dll", u8"модуль.dll"},
        {u8"C:\\Φάκελος\\μονάδα.dll", u8"μονάδα.dll"},
        {u8"C:\\文件夹\\模块.dll", u8"模块.dll"},
        {u8"C:\\🙂\\🙂.dll", u8"🙂.dll"},
        {u8"C:\\表\\予.dll", u8"予.dll"}, // 0x5C is the second byte of both in Shift-JIS
        {u8"Z:\\Каталог Κατάλογος 目录 🙂 1\\Каталог Κατάλογος 目录 🙂 2\\модуль-μονάδα-模块-🙂.dll",
         u8"модуль-μονάδα-模块-🙂.dll"},
    };
    for (const auto& expected : cases)
        EXPECT_EQ(fileName(expected.path), expected.name) << expected.path;
}

// Code page 932 (Shift-JIS), where the second byte of 表 and 予 is 0x5C: the
// split walks the path a character at a time, as the system's lead-byte test
// tells it to, and finds the name whole.
TEST(FileNameTest, DoubleByteCodePageSplitsAtRealBackslashesOnly)
{
    iconv_t toShiftJis = iconv_open("CP932", "UTF-8");
    ASSERT_NE(toShiftJis, reinterpret_cast<iconv_t>(-1));
    const auto cp932 = [&](std::string utf8) {
        char out[256] = "";
        char* in = &utf8[0];
        char* to = out;
        size_t inLeft = utf8.size(), outLeft = sizeof(out) - 1;
        EXPECT_NE(iconv(toShiftJis, &in, &inLeft, &to, &outLeft), static_cast<size_t>(-1));
        return std::string(out, to);
    };
    const auto isLead = [](unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); };
    const std::string path = cp932(u8"C:\\アプリ\\表示.dll"), name = cp932(u8"表示.dll");
    ASSERT_EQ(name[1], '\\');
    EXPECT_EQ(path.c_str() + fileNameOffset(path.c_str(), isLead), name);
    EXPECT_EQ(fileNameOffset(cp932(u8"C:\\表\\予").c_str(), isLead), 6u);
    // A path that ends on a lead byte ends there.
    EXPECT_EQ(fileNameOffset("a\\\x95", isLead), 2u);
    iconv_close(toShiftJis);
}

TEST(CharacterFilterTest, OnlySelectAllCopyAndTabGetThrough)
{
    EXPECT_EQ(filterCharacter(1), CharacterAction::SelectAll);
    EXPECT_EQ(filterCharacter(3), CharacterAction::PassOn);
    EXPECT_EQ(filterCharacter(9), CharacterAction::PassOn);
    for (uint32_t code : {0u, 8u, 13u, 22u, 24u, 26u, 27u, 97u, 90u, 48u, 32u, 0xE9u, 0x10000u})
        EXPECT_EQ(filterCharacter(code), CharacterAction::Drop) << code;
}

TEST(CharacterFilterTest, KeysThatWouldEditAreDroppedAndTheRestPass)
{
    const uint32_t insert = 0x2D, del = 0x2E, left = 0x25, home = 0x24, end = 0x23, a = 0x41;
    EXPECT_EQ(Controls::filterKeyDown(del, false), CharacterAction::Drop);
    EXPECT_EQ(Controls::filterKeyDown(del, true), CharacterAction::Drop); // cut
    EXPECT_EQ(Controls::filterKeyDown(insert, true), CharacterAction::Drop); // paste
    EXPECT_EQ(Controls::filterKeyDown(insert, false), CharacterAction::PassOn); // Ctrl+Insert copies
    for (uint32_t key : {left, home, end, a})
        for (bool shift : {false, true})
            EXPECT_EQ(Controls::filterKeyDown(key, shift), CharacterAction::PassOn) << key << shift;
}

TEST(CommandLineTest, QuotesTheProgramAndNotTheUrl)
{
    Core::String line = Controls::browserCommandLine(
        "C:\\Program Files\\Browser\\browser.exe", "http://www.tarnwick.example/a b");
    EXPECT_STREQ(line.text(), "\"C:\\Program Files\\Browser\\browser.exe\" http://www.tarnwick.example/a b");
    EXPECT_EQ(line.count, std::string(line.text()).size() + 1);

    EXPECT_STREQ(Controls::browserCommandLine("", "").text(), "\"\" ");
    EXPECT_EQ(Controls::browserCommandLine("", "").count, 4u);
}

TEST(ModuleIndexTest, FindsTextUnitForUnitAndListsTheUnsearchedLast)
{
    struct Case {
        const wchar_t* within;
        const wchar_t* text;
        bool found;
    } cases[] = {
        {L"C:\\A\\B.DLL", L"B.DLL", true},   {L"C:\\A\\B.DLL", L"C:\\A\\B.DLL", true},
        {L"C:\\A\\B.DLL", L"b.dll", false},  {L"C:\\A\\B.DLL", L"C:\\A\\B.DLLX", false},
        {L"C:\\A\\B.DLL", L"", false},       {L"MODUL\u00C9-\u039C", L"\u00C9-\u039C", true},
        {L"AAB", L"AB", true},                  {L"", L"A", false}, {L"X\\KAB\\AKB", L"AKB", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Inspection::containsOrdinal(c.within, uint32_t(wcslen(c.within)), c.text, uint32_t(wcslen(c.text))),
                  c.found)
            << c.text;

    Inspection::ModuleIndex index;
    const auto add = [&](const wchar_t* text, void (Inspection::ModuleIndex::*to)(const wchar_t*, uint32_t)) {
        (index.*to)(text, uint32_t(wcslen(text)));
    };
    index.addProcess(4, L"System", 6);
    add(L"Access Denied", &Inspection::ModuleIndex::setReason);
    index.addProcess(10, L"a.exe", 5);
    add(L"C:\\A.EXE", &Inspection::ModuleIndex::addModule);
    add(L"C:\\K.DLL", &Inspection::ModuleIndex::addModule);
    index.addProcess(11, L"b.exe", 5);
    add(L"C:\\B.EXE", &Inspection::ModuleIndex::addModule);
    add(L"C:\\K.DLL", &Inspection::ModuleIndex::addModule);
    Core::Array<Inspection::ModuleIndex::Row> rows;
    Inspection::ModuleIndex::Counts counts = index.filter(L"K.DLL", 5, &Inspection::findOrdinal, rows);
    const uint32_t none = Inspection::ModuleIndex::none;
    const std::vector<std::pair<uint32_t, uint32_t>> expected = {{1, 1}, {2, 3}, {0, none}};
    ASSERT_EQ(rows.count, expected.size());
    for (uint32_t i = 0; i < rows.count; ++i)
        EXPECT_EQ(std::make_pair(rows[i].process, rows[i].module), expected[i]) << i;
    EXPECT_EQ(std::vector<uint32_t>({counts.modules, counts.processes, counts.unsearched}),
              std::vector<uint32_t>({2, 2, 1}));
    EXPECT_EQ(std::wstring(index.path(rows[1].module)), L"C:\\K.DLL");
    EXPECT_EQ(std::wstring(index.at(index.processes[0].reason)), L"Access Denied");
    // Nothing typed, nothing listed, not even what could not be searched.
    counts = index.filter(L"", 0, &Inspection::findOrdinal, rows);
    EXPECT_EQ(rows.count + counts.modules + counts.unsearched, 0u);
}

TEST(ListerArgumentsTest, SwitchesBothWaysSelectorsAndMistakes)
{
    using Args = Lister::ListerArguments;
    struct Case {
        std::vector<const wchar_t*> words;
        Args::Mode mode;
        bool csv, strict;
        const wchar_t* text;
        int processId; // -1: none asked by id
        const wchar_t* name;
    } cases[] = {
        {{}, Args::List, false, false, nullptr, -1, nullptr},
        {{L"1234"}, Args::List, false, false, nullptr, 1234, nullptr},
        {{L"notepad", L"--csv"}, Args::List, true, false, nullptr, -1, L"notepad"},
        {{L"-m", L"k.dll", L"/CSV", L"/Strict", L"12a"}, Args::Search, true, true, L"k.dll", -1, L"12a"},
        {{L"/M", L"--csv", L"42"}, Args::Search, false, false, L"--csv", 42, nullptr},
        {{L"/?"}, Args::Help, false, false, nullptr, -1, nullptr},
        {{L"x", L"--help"}, Args::Help, false, false, nullptr, -1, L"x"},
        {{L"-m"}, Args::Bad, false, false, nullptr, -1, nullptr},
        {{L"-m", L""}, Args::Bad, false, false, nullptr, -1, nullptr},
        {{L"--CSV"}, Args::Bad, false, false, nullptr, -1, nullptr},
        {{L"-x"}, Args::Bad, false, false, nullptr, -1, nullptr},
        {{L"1", L"2"}, Args::Bad, false, false, nullptr, 1, nullptr},
        {{L"99999999999"}, Args::List, false, false, nullptr, -1, L"99999999999"},
        {{L"--diff", L"--by-name", L"g.csv", L"m1.CSV", L"m*.csv", L"x", L"-o", L"r.csv", L"--csv"}, Args::Diff, true,
         false, nullptr, -1, L"x"},
        {{L"--by-name"}, Args::Bad, false, false, nullptr, -1, nullptr},
        {{L"--diff", L"g.csv", L"/by-name", L"12"}, Args::Bad, false, false, nullptr, 12, nullptr},
        {{L"-o"}, Args::Bad, false, false, nullptr, -1, nullptr},
        {{L"/VERSION"}, Args::Version, false, false, nullptr, -1, nullptr},
    };
    for (const Case& c : cases) {
        std::vector<const wchar_t*> words = {L"orrimel"};
        words.insert(words.end(), c.words.begin(), c.words.end());
        Args parsed;
        Lister::parseListerArguments(int(words.size()), words.data(), parsed);
        SCOPED_TRACE(&c - cases);
        EXPECT_EQ(parsed.mode, c.mode);
        if (c.mode == Args::Bad) {
            EXPECT_NE(parsed.problem, nullptr);
            continue;
        }
        EXPECT_EQ(parsed.csv, c.csv);
        EXPECT_EQ(parsed.strict, c.strict);
        EXPECT_EQ(std::wstring(parsed.text ? parsed.text : L"-"), std::wstring(c.text ? c.text : L"-"));
        EXPECT_EQ(parsed.byId ? int(parsed.processId) : -1, c.processId);
        EXPECT_EQ(std::wstring(parsed.name ? parsed.name : L"-"), std::wstring(c.name ? c.name : L"-"));
        if (c.mode == Args::Diff) {
            EXPECT_TRUE(parsed.byName);
            EXPECT_STREQ(parsed.before, L"g.csv");
            ASSERT_EQ(parsed.afterCount, 2u);
            EXPECT_STREQ(parsed.after[1], L"m*.csv");
            EXPECT_STREQ(parsed.output, L"r.csv");
        }
    }
    EXPECT_TRUE(Lister::sameExecutable(L"NOTEPAD.EXE", 11, L"NOTEPAD", 7));
    EXPECT_TRUE(Lister::sameExecutable(L"NOTEPAD.EXE", 11, L"NOTEPAD.EXE", 11));
    EXPECT_FALSE(Lister::sameExecutable(L"NOTEPAD2.EXE", 12, L"NOTEPAD", 7));
    EXPECT_FALSE(Lister::sameExecutable(L"NOTEPAD.COM", 11, L"NOTEPAD", 7));
}

TEST(ListerArgumentsTest, UnsignedAsksForTheDetails)
{
    for (const auto& words : {std::vector<const wchar_t*>{L"orrimel", L"--details"},
                              std::vector<const wchar_t*>{L"orrimel", L"/UNSIGNED", L"-m", L"x"}}) {
        Lister::ListerArguments parsed;
        Lister::parseListerArguments(int(words.size()), words.data(), parsed);
        EXPECT_TRUE(parsed.details);
        EXPECT_EQ(parsed.unsignedOnly, words.size() == 4);
    }
}

// WinVerifyTrust's answers as Windows gives them, embedded and by catalog:
// never "signed" but on success.
TEST(SignatureAnswerTest, EachAnswerInItsWords)
{
    using Details::Signature;
    const struct {
        uint32_t code;
        bool catalog;
        Signature signature;
        const wchar_t* word;
        const wchar_t* line;
    } cases[] = {
        {0, false, Signature::Signed, L"signed", L"Signed by Maker"},
        {0, true, Signature::Catalog, L"catalog", L"Signed by Maker (catalog)"},
        {0x800B0100, false, Signature::Unsigned, L"unsigned", L"Not signed"},
        {0x80096010, false, Signature::Invalid, L"invalid", L"Changed after signing"},
        {0x800B0109, false, Signature::Untrusted, L"untrusted", L"Signed by Maker, but its root is not trusted"},
        {0x800B010A, true, Signature::Untrusted, L"untrusted", L"Signed by Maker, but its root is not trusted"},
        {0x800B010D, false, Signature::Untrusted, L"untrusted", L"Signed by Maker, but its root is not trusted"},
        {0x800B0111, false, Signature::Distrusted, L"distrusted",
         L"Signed by Maker, but the certificate is explicitly distrusted"},
        {0x800B0101, false, Signature::Expired, L"expired", L"Could not verify: why"},
        {0x800B010C, true, Signature::Revoked, L"revoked", L"Could not verify: why"},
        {0x80092026, false, Signature::Error, L"error", L"Could not verify: why"},
        {0x80070002, true, Signature::Error, L"error", L"Could not verify: why"},
    };
    Core::Array<wchar_t> line;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        const Signature answer = Details::signatureOf(c.code, c.catalog);
        EXPECT_EQ(answer, c.signature);
        EXPECT_STREQ(Details::signatureWord(answer), c.word);
        EXPECT_EQ(Details::trusted(answer), c.code == 0);
        Details::signatureLine(answer, L"Maker", L"why", line);
        EXPECT_STREQ(line.items, c.line);
    }
    Details::signatureLine(Signature::Pending, nullptr, nullptr, line);
    EXPECT_STREQ(line.items, L"Verifying signature...");
}

TEST(ListerArgumentsTest, CsvFieldsQuotedAsRfc4180Asks)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\a b\\k.dll", L"C:\\a b\\k.dll"}, {L"", L""},          {L"a,b", L"\"a,b\""},
        {L"say \"hi\"", L"\"say \"\"hi\"\"\""},     {L"a\r\nb", L"\"a\r\nb\""}, {L"\u00E9\u03A9", L"\u00E9\u03A9"},
    };
    for (const auto& c : cases) {
        Core::Array<wchar_t> field;
        Rows::appendCsvField(field, c.first, uint32_t(wcslen(c.first)));
        EXPECT_EQ(std::wstring(field.items, field.count), c.second);
    }
}

// One row of each kind in every format the program writes: the lister's
// CSV and text, the find window's copy, and the lists' Copy All.
TEST(RowWriterTest, EveryOutputFromOneRow)
{
    using Rows::Column;
    using Rows::RowFormat;
    Rows::ResultRow module;
    module.process = module.name = L"\u00E9 a,b.exe";
    module.processId = 12;
    module.path = L"C:\\a \"b\"\\k.dll-more";
    module.pathLength = 14; // the path ends before "-more"
    Rows::ResultRow denied;
    denied.process = denied.name = L"System";
    denied.processId = 4;
    denied.status = L"Access Denied";
    Rows::ResultRow detailed = module;
    detailed.version = L"1.2.3.4";
    detailed.signer = L"Maker, Inc.";
    detailed.signature = L"signed";
    const Column named[] = {Column::Name, Column::PID, Column::Path};
    const struct {
        RowFormat format;
        const Column* columns;
        uint32_t count;
        const wchar_t* expected;
    } cases[] = {
        {RowFormat::Csv, Rows::resultColumns, 4,
         L"Process,PID,Path,Status\r\n\"\u00E9 a,b.exe\",12,\"C:\\a \"\"b\"\"\\k.dll\",\r\nSystem,4,,Access Denied\r\n"},
        {RowFormat::Tab, Rows::resultColumns, 4,
         L"Process\tPID\tPath\tStatus\r\n\u00E9 a,b.exe\t12\tC:\\a \"b\"\\k.dll\t\r\nSystem\t4\t\tAccess Denied\r\n"},
        {RowFormat::Tab, named, 3, L"Name\tPID\tPath\r\n\u00E9 a,b.exe\t12\tC:\\a \"b\"\\k.dll\r\nSystem\t4\t\r\n"},
        {RowFormat::Text, Rows::resultColumns, 4,
         L"Process\tPID\tPath\tStatus\r\n\u00E9 a,b.exe (PID 12)  C:\\a \"b\"\\k.dll\r\nSystem (PID 4)  Access Denied\r\n"},
    };
    for (const auto& c : cases) {
        Core::Array<wchar_t> text;
        const Rows::RowWriter writer(c.format, c.columns, c.count);
        writer.header(text);
        writer.row(text, module);
        writer.row(text, denied);
        EXPECT_EQ(std::wstring(text.items, text.count), c.expected);
    }
    // With the details: every column in CSV, those that say something in text.
    Core::Array<wchar_t> text;
    Rows::RowWriter(RowFormat::Csv, Rows::resultColumns, 9).row(text, detailed);
    Rows::RowWriter(RowFormat::Text, Rows::resultColumns, 9).row(text, detailed);
    EXPECT_EQ(std::wstring(text.items, text.count),
              L"\"\u00E9 a,b.exe\",12,\"C:\\a \"\"b\"\"\\k.dll\",,1.2.3.4,,,\"Maker, Inc.\",signed\r\n"
              L"\u00E9 a,b.exe (PID 12)  C:\\a \"b\"\\k.dll  1.2.3.4  Maker, Inc.  signed\r\n");
    const std::pair<Inspection::ModuleIndex::Counts, std::wstring> counts[] = {
        {{1, 1, 0}, L"1 module found in 1 process; 0 processes could not be searched."},
        {{3, 2, 1}, L"3 modules found in 2 processes; 1 process could not be searched."},
    };
    for (const auto& c : counts) {
        Core::Array<wchar_t> text;
        Rows::appendCounts(text, c.first);
        EXPECT_EQ(std::wstring(text.items, text.count), c.second);
    }
}

TEST(RowTipTest, LinesFromWhatWasReadAndSayWhatWasNot)
{
    Core::Array<wchar_t> tip;
    const std::pair<Rows::ProcessReadings, std::wstring> processes[] = {
        {{L"svchost.exe", 172, 4, 64, false, L"C:\\W\\svchost.exe", L"RpcSs, DcomLaunch"},
         L"svchost.exe\r\nPID 172, parent PID 4, 64-bit\r\nC:\\W\\svchost.exe\r\nServices: RpcSs, DcomLaunch"},
        {{L"a.exe", 0, 4294967295u, 0, true, nullptr, nullptr}, L"a.exe\r\nPID 0, parent PID 4294967295\r\nThe process has ended."},
        {{L"b.exe", 9, 8, 32, false, nullptr, L""}, L"b.exe\r\nPID 9, parent PID 8, 32-bit\r\nIts image path cannot be read."},
    };
    for (const auto& c : processes) {
        Rows::processTip(c.first, tip);
        EXPECT_EQ(std::wstring(tip.items), c.second);
    }
    const std::pair<Rows::ModuleReadings, std::wstring> modules[] = {
        {{L"C:\\k.dll", true, L"10.0.1.2", L"Maker", nullptr, L"Signed by Maker", true, false, 0x7FF812340000ull, 4096, false},
         L"C:\\k.dll\r\nVersion 10.0.1.2\r\nCompany: Maker\r\nDescription: (none)\r\nSigned by Maker\r\nBase 0x00007FF812340000, size 4096 bytes"},
        {{L"C:\\m.dll", false, nullptr, nullptr, nullptr, L"Not signed", false, true, 0, 0, false},
         L"C:\\m.dll\r\nNo version resource.\r\nNot signed\r\nThe process has ended."},
        {{L"C:\\p.dll", false, nullptr, nullptr, nullptr, L"Verifying signature...", true, false, 0x10000, 8, true},
         L"C:\\p.dll\r\nReading the version resource...\r\nVerifying signature...\r\nBase 0x00010000, size 8 bytes"},
        {{L"C:\\n.dll", true, L"1.0", L"", L"D", nullptr, true, false, 0x10000000, 0, false},
         L"C:\\n.dll\r\nVersion 1.0\r\nCompany: (none)\r\nDescription: D\r\nBase 0x10000000, size 0 bytes"},
    };
    for (const auto& c : modules) {
        Rows::moduleTip(c.first, tip);
        EXPECT_EQ(std::wstring(tip.items), c.second);
    }
    EXPECT_NE(Rows::reasonTip(L"Access Denied"), nullptr);
    EXPECT_NE(Rows::reasonTip(L"Process Unavailable"), nullptr);
    EXPECT_EQ(Rows::reasonTip(L"Access"), nullptr);
}

namespace {
void upper(const wchar_t* text, uint32_t length, Core::Array<wchar_t>& into)
{
    into.dropBack(into.count);
    for (uint32_t i = 0; i < length; ++i)
        into.appendRepeated(1, text[i] >= L'a' && text[i] <= L'z' ? wchar_t(text[i] - 32) : text[i]);
    into.appendRepeated(1, L'\0');
}
} // namespace

// Two listings compared: started, ended, loaded, unloaded, a version changed,
// a reused PID under another name, a process unreadable on one side, paths
// equal but for case, a quoted field, a byte-order mark and LF lines, the
// scope, and a file that is not a listing.
TEST(ListingDiffTest, ChangesBetweenTwoListings)
{
    const std::string before = "Process,PID,Path,Status\r\na.exe,1,C:\\A\\a.exe,\r\na.exe,1,C:\\W\\k.dll,\r\n"
                                "b.exe,2,C:\\B\\b.exe,\r\nc.exe,3,,Access Denied\r\nd.exe,4,C:\\D\\d.exe,\r\n";
    const std::string after = "\xEF\xBB\xBFProcess,PID,Path,Status\na.exe,1,C:\\a\\A.EXE,\na.exe,1,\"C:\\W\\n,\xC3\xA9.dll\",\n"
                              "c.exe,3,C:\\C\\c.exe,\nx.exe,2,C:\\X\\x.exe,\nd.exe,4,C:\\D\\d.exe,\n";
    const std::string detailed = "Process,PID,Path,Status,Version,Company,Description,Signer,Signature\r\n"
                                 "a.exe,1,C:\\W\\k.dll,,1.2.3.4,M,D,S,signed\r\n";
    std::string newer = detailed;
    newer.replace(newer.find("1.2.3.4"), 7, "1.2.3.5");
    Lister::DiffScope scoped;
    scoped.name = L"A";
    scoped.text = L"K.DLL";
    // Across reboots and machines: every PID new, a second instance with one
    // more DLL, one more instance, an executable started, one unreadable
    // before, the same program under another user's profile.
    const std::string golden = "Process,PID,Path,Status\r\na.exe,1,C:\\A\\a.exe,\r\na.exe,1,C:\\W\\k.dll,\r\n"
                               "c.exe,3,,Access Denied\r\nu.exe,4,C:\\Users\\ann\\U\\u.exe,\r\n";
    const std::string machine = "Process,PID,Path,Status\r\na.exe,7,C:\\A\\a.exe,\r\na.exe,7,C:\\W\\k.dll,\r\n"
                                "a.exe,8,C:\\a\\A.exe,\r\na.exe,8,C:\\W\\x.dll,\r\nc.exe,9,C:\\C\\c.exe,\r\n"
                                "b.exe,5,C:\\B\\b.exe,\r\nu.exe,6,C:\\Users\\bob\\U\\u.exe,\r\n";
    const Lister::DiffOutput text, csv{true, nullptr, false}, byName{false, nullptr, true}, m1{true, L"m1", true};
    const struct {
        std::string was, is;
        Lister::DiffScope scope;
        Lister::DiffOutput output;
        uint32_t changes;
        std::wstring expected;
    } cases[] = {
        {golden, machine, {}, byName, 4,
         L"  C:\\A\\a.exe  1 -> 2 processes\r\n  C:\\A\\a.exe  + C:\\W\\x.dll\r\n+ C:\\B\\b.exe\r\n"
         L"? c.exe  could not be read before: Access Denied\r\n"},
        {golden, machine, {}, m1, 4,
         L"Listing,Change,Process,PID,Path,Before,After\r\nm1,count,C:\\A\\a.exe,,,1,2\r\nm1,loaded,C:\\A\\a.exe,,C:\\W\\x.dll,,\r\nm1,started,C:\\B\\b.exe,,,,\r\n"
         L"m1,unreadable,c.exe,,,Access Denied,\r\n"},
        {machine, machine, {}, byName, 0, L""},
        {before, after, {}, text, 5,
         L"  a.exe (PID 1)  + C:\\W\\n,\u00E9.dll\r\n  a.exe (PID 1)  - C:\\W\\k.dll\r\n"
         L"? c.exe (PID 3)  could not be read before: Access Denied\r\n+ x.exe (PID 2)\r\n- b.exe (PID 2)\r\n"},
        {before, after, scoped, text, 1, L"  a.exe (PID 1)  - C:\\W\\k.dll\r\n"},
        {before, before, {}, text, 0, L""},
        {detailed, newer, {}, csv, 1,
         L"Change,Process,PID,Path,Before,After\r\nchanged,a.exe,1,C:\\W\\k.dll,1.2.3.4,1.2.3.5\r\n"},
        {before, after, {}, csv, 5,
         L"Change,Process,PID,Path,Before,After\r\nloaded,a.exe,1,\"C:\\W\\n,\u00E9.dll\",,\r\n"
         L"unloaded,a.exe,1,C:\\W\\k.dll,,\r\nunreadable,c.exe,3,,Access Denied,\r\nstarted,x.exe,2,,,\r\n"
         L"ended,b.exe,2,,,\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        Lister::SavedListing read[2], grouped[2];
        Core::Array<wchar_t> problem, text;
        ASSERT_TRUE(read[0].read(c.was.data(), uint32_t(c.was.size()), problem));
        ASSERT_TRUE(read[1].read(c.is.data(), uint32_t(c.is.size()), problem));
        for (int side = 0; side < 2 && c.output.byName; ++side)
            Lister::groupByExecutable(read[side], &upper, grouped[side]);
        const Lister::SavedListing* sides = c.output.byName ? grouped : read;
        if (c.output.csv)
            Lister::changeHeader(c.output, text);
        EXPECT_EQ(Lister::compareListings(sides[0], sides[1], &upper, c.scope, c.output, text), c.changes);
        EXPECT_EQ(std::wstring(text.items, text.count), c.expected);
        // Every row has as many fields as the header.
        std::vector<size_t> fields;
        bool quoted = false;
        for (uint32_t i = 0; c.output.csv && i < text.count; ++i) {
            if (fields.empty() || text[i - 1] == L'\n')
                fields.push_back(1);
            quoted = text[i] == L'"' ? !quoted : quoted;
            fields.back() += !quoted && text[i] == L',';
        }
        for (size_t row = 1; row < fields.size(); ++row)
            EXPECT_EQ(fields[row], fields[0]) << "row " << row;
    }
    const std::string broken = before + "e.exe,5,C:\\E\\e.exe,,extra\r\n";
    Lister::SavedListing listing;
    Core::Array<wchar_t> problem;
    EXPECT_FALSE(listing.read(broken.data(), uint32_t(broken.size()), problem));
    EXPECT_EQ(std::wstring(problem.items, problem.count), L"line 7: 5 fields, expected 4");
    // What shells write: UTF-16 either way round after its mark reads to
    // the same rows as UTF-8; bytes of another code page are refused.
    std::string little = "\xFF\xFE", big = "\xFE\xFF";
    for (const wchar_t c : std::wstring(L"Process,PID,Path,Status\r\na.exe,1,C:\\a\\A.EXE,\r\n\u00E9.exe,2,,x\r\n")) {
        little += {char(c & 0xFF), char(c >> 8)};
        big += {char(c >> 8), char(c & 0xFF)};
    }
    const std::string utf8 = "Process,PID,Path,Status\na.exe,1,C:\\a\\A.EXE,\n\xC3\xA9.exe,2,,x\n";
    Lister::SavedListing forms[3];
    Core::Array<wchar_t> out;
    for (int f = 0; f < 3; ++f) {
        const std::string& bytes = f == 0 ? utf8 : f == 1 ? little : big;
        ASSERT_TRUE(forms[f].read(bytes.data(), uint32_t(bytes.size()), problem)) << f;
        EXPECT_EQ(Lister::compareListings(forms[0], forms[f], &upper, {}, {}, out), 0u) << f;
        EXPECT_EQ(forms[f].processes.count, 2u);
    }
    const std::string latin1 = "Process,PID,Path,Status\r\na.exe,1,C:\\a.exe,\r\n\xE9.exe,2,,x\r\n";
    EXPECT_FALSE(listing.read(latin1.data(), uint32_t(latin1.size()), problem));
    EXPECT_EQ(std::wstring(problem.items, problem.count).substr(0, 20), L"line 3: not UTF-8 no");
}
