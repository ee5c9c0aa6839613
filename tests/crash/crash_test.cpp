// The crash handler in processes that really fail: the scenario program and game.exe with a
// crashing module run under Wine, and their text reports and minidumps are read back.
#include <windows.h>
#include <dbghelp.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/game_folder.h"
#include "support/wide.h"

namespace fs = std::filesystem;

namespace {

constexpr DWORD kAccessViolation = 0xC0000005, kStackOverflow = 0xC00000FD, kFatalAppExit = 0x40000015,
                kBreakpoint = 0x80000003;
// The C runtime's exit code after abort(), which the report does not change.
constexpr DWORD kRuntimeAbort = 3;
// Every crash ends the process within this: the longest report's time, or the stall limit (8 s)
// after a report stopped making progress, with room for a loaded machine.
constexpr DWORD kEndBoundMs = 30000;

// What differs between the widths: an address is 8 hexadecimal digits in a 32-bit process, 16 in a
// 64-bit one (section offsets keep 8), and so are the registers, the call stack's columns and a
// pointer's size.
constexpr bool k64 = sizeof(void*) == 8;
const std::string kAddress = k64 ? "[0-9A-F]{16}" : "[0-9A-F]{8}";
const std::string kPointerSize = std::to_string(sizeof(void*));
// The register lines, each address as wide as the process's.
std::string registerLines() {
    const std::vector<std::string> general =
        k64 ? std::vector<std::string>{"RAX", "RBX", "RCX", "RDX", "RSI", "RDI", "R8", "R9", "R10", "R11", "R12", "R13",
                                       "R14", "R15"}
            : std::vector<std::string>{"EAX", "EBX", "ECX", "EDX", "ESI", "EDI"};
    std::string lines;
    for (const std::string& name : general) lines += name + ":" + kAddress + "\r\n";
    const std::string e = k64 ? "R" : "E";
    return lines + "CS:" + e + "IP:[0-9A-F]{4}:" + kAddress + "\r\nSS:" + e + "SP:[0-9A-F]{4}:" + kAddress + "  " + e +
           "BP:" + kAddress + "\r\n";
}
const std::string kStackHeader = k64 ? "Address           Frame             Function            SourceFile\r\n"
                                     : "Address   Frame     Function            SourceFile\r\n";

// The images carry PDBs (the product's build) or DWARF (the build for these tests alone). From a
// PDB, Wine's DbgHelp reads the modules, the first frame's function and line and the globals, but
// no caller frame and no parameter or local: what lies beyond the first frame is checked in the
// DWARF build.
constexpr bool kPdb = GAMEHOST_DEBUG_INFO_PDB;
std::string beyondFirstFrame(const std::string& pattern) { return kPdb ? "" : pattern; }

Files filesIn(const fs::path& folder) {
    Files names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

template <class T>
bool readAt(const std::string& bytes, ULONG64 offset, T& value) {
    if (offset > bytes.size() || bytes.size() - offset < sizeof value) return false;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return true;
}

// A whole minidump (every stream inside the file) with the thread and module lists and the
// exception `code` of the failing thread (one of `failing`, when known).
void expectDump(const fs::path& folder, DWORD code, const std::set<DWORD>& failing) {
    const std::string bytes = readFile(folder / "exception.dmp");
    MINIDUMP_HEADER header;
    ASSERT_TRUE(readAt(bytes, 0, header) && header.Signature == 0x504D444D /* MDMP */ &&
                LOWORD(header.Version) == MINIDUMP_VERSION) << "no minidump header";
    std::set<ULONG32> streams;
    for (ULONG32 i = 0; i < header.NumberOfStreams; ++i) {
        MINIDUMP_DIRECTORY entry;
        ASSERT_TRUE(readAt(bytes, header.StreamDirectoryRva + ULONG64{i} * sizeof entry, entry) &&
                    entry.Location.Rva <= bytes.size() && bytes.size() - entry.Location.Rva >= entry.Location.DataSize)
            << "stream directory cut short";
        streams.insert(entry.StreamType);
        MINIDUMP_EXCEPTION_STREAM stream;
        if (entry.StreamType != ExceptionStream) continue;
        ASSERT_TRUE(readAt(bytes, entry.Location.Rva, stream));
        EXPECT_EQ(stream.ExceptionRecord.ExceptionCode, code);
        EXPECT_TRUE(failing.empty() || failing.count(stream.ThreadId)) << "exception thread " << stream.ThreadId;
    }
    for (ULONG32 type : {ThreadListStream, ModuleListStream, ExceptionStream})
        EXPECT_EQ(streams.count(type), 1u) << "stream " << type;
}

using Patterns = std::vector<std::string>;

// The report in `folder`, with lines matching every pattern. A complete one has every part in
// order, ending with the blank line after the globals, and is written once.
void expectReport(const fs::path& folder, const Patterns& patterns, bool complete = true) {
    const std::string report = readFile(folder / "exception.txt");
    for (const std::string& pattern : patterns)
        EXPECT_TRUE(pattern.empty() || std::regex_search(report, std::regex(pattern))) << "no match for: " << pattern;
    if (!complete) return;
    static const std::string parts[] = {
        "^//={53}\r\nException time: \\w{3} \\w{3} [ \\d]\\d \\d\\d:\\d\\d:\\d\\d \\d{4}\r\n"
        "Exception code: [0-9A-F]{8} [^\r\n]*\r\nFault address:  " + kAddress + " [0-9A-F]{2}:[0-9A-F]{8} [^\r\n]*\r\n"
        "\r\nModules:\r\n",
        "\r\nRegisters:\r\n" + registerLines() +
        "DS:[0-9A-F]{4}  ES:[0-9A-F]{4}  FS:[0-9A-F]{4}  GS:[0-9A-F]{4}\r\n"
        "Flags:[0-9A-F]{8}\r\n\r\nCall stack:\r\n" + kStackHeader,
        "========================\r\nLocal Variables And Parameters\r\n\r\nCall stack:\r\n",
        "========================\r\nGlobal Variables\r\n",
        "(^|\r\n)\r\n$",
    };
    std::size_t from = 0;
    for (const std::string& part : parts) {
        std::smatch match;
        ASSERT_TRUE(std::regex_search(report.begin() + from, report.end(), match, std::regex(part)))
            << "missing, after offset " << from << ": " << part;
        from += match.position(0) + match.length(0);
    }
    std::size_t headers = 0;
    for (std::size_t at = report.find("//====="); at != std::string::npos; at = report.find("//=====", at + 1)) ++headers;
    EXPECT_EQ(headers, 1u) << "one report, written once";
    // A PDB's public symbols (every function's and import's linker name) are no globals.
    EXPECT_EQ(report.find("'__imp__"), std::string::npos) << "public symbols listed";
}

// ---- the scenario program

// Where the files are asked to go: the given paths, a report folder that is missing (the report
// falls back to the program's folder), a dump folder that is missing, the defaults beside the
// program (shipped with or without its PDB), or a missing report folder and a program folder that
// refuses the report (it falls back to the temporary folder). The rows of other paths than the
// given ones crash with "access_violation".
enum class Paths { given, missingReportFolder, missingDumpFolder, defaults, defaultsWithoutPdb, temporaryFolder };
// What a crash leaves: a complete report and dump, a complete report alone, or the report's four
// header lines and the note that the report was cut short (no dump).
enum class Left { reportAndDump, report, header };

struct Scenario {
    const char* name;  // the scenario, for the given paths
    Paths paths;
    DWORD code;  // of the exception, and the exit code but after abort()
    Left left;
    Patterns patterns;
};

const std::string kViolation = "Exception code: C0000005 ACCESS_VIOLATION\r\n";
const std::string kFatalExit = "Exception code: 40000015 ";
const std::string kOwnFault = "Fault address:  " + kAddress + " 01:[0-9A-F]{8} [^\r\n]*crash_scenarios\\.exe\r\n";
const std::string kOwnSymbols = std::string("\r\ncrash_scenarios: ") + (kPdb ? "PDB" : "DIA") + " \\[L\\]\r\n";
const std::string kCutShort = "^//={53}\r\nException time: [^\r\n]+\r\n" + kViolation + kOwnFault +
                              "\r\nReport cut short: no progress for 8 s\r\n$";

std::string frame(const std::string& function) {
    return function + "\\+[0-9A-F]+  [^\r\n]*crash_scenarios\\.cpp line \\d+\r\n";
}

const Patterns kLocals = {
    "\r\n\tParameter 'attempt'@4 = 1\r\n",
    "\r\n\tLocal 'count'@4 = 2A\r\n",
    "\r\n\t'(`anonymous namespace'::)?kAnswer'@4 = 2A\r\n",
    "\r\n\tLocal 'ratio'@4 = 2\\.500000\r\n",
    "\r\n\tLocal 'weight'@8 = 1\\.250000\r\n",
    "\r\n\tLocal 'where'@16 [^\r\n]*Position\r\n\t\t x = 3\r\n\t\t y = 4\r\n\t\t weight = 0\\.500000\r\n",
    "\r\n\tLocal 'text'@" + kPointerSize + " = \"ABCDEFGHIJKLMNOPQRSTUVWXYZ01234\"\r\n",
    "\r\n\tLocal 'unreadable'@" + kPointerSize + " = 10\r\n",
};

Patterns withLocals(const char* scenario = "access_violation") {
    // A PDB names the global with its namespace.
    Patterns patterns{kViolation, kOwnFault, kOwnSymbols, frame("crashWithLocals"),
                      "\r\n\t'(`anonymous namespace'::)?currentScenario'@" + kPointerSize + " = \"" + scenario + "\"\r\n"};
    if (kPdb) return patterns;
    patterns.push_back(frame("main"));
    patterns.insert(patterns.end(), kLocals.begin(), kLocals.end());
    if (k64)  // on through a frame without a frame pointer, whose local lies relative to RSP, to the thread's start
        patterns.insert(patterns.end(), {frame("withoutFramePointer"), "\r\n\tLocal 'padding'@8 = 5200000051\r\n",
                                         "  RtlUserThreadStart\\+[0-9A-F]+  "});
    return patterns;
}

const Patterns kFallback = {kViolation, frame("crashWithLocals")};

const Scenario kScenarios[] = {
    {"access_violation", Paths::given, kAccessViolation, Left::reportAndDump, withLocals()},
    {"outside_module", Paths::given, kAccessViolation, Left::reportAndDump,
     {kViolation, "Fault address:  " + kAddress + " 00:00000000 \r\n"}},
    {"second_thread", Paths::given, kAccessViolation, Left::reportAndDump, {kViolation, kOwnFault, frame("crashOnWorker")}},
    {"two_threads", Paths::given, kAccessViolation, Left::reportAndDump, {kViolation, kOwnFault, frame("crashTogether")}},
    {"stack_overflow", Paths::given, kStackOverflow, Left::reportAndDump,
     {"Exception code: C00000FD STACK_OVERFLOW\r\n", beyondFirstFrame(frame("recurse")),  // the fault is in the runtime's stack probe
      beyondFirstFrame("\r\n\tParameter 'depth'@4 = [0-9A-F]+\r\n")}},
    {"cxx_exception", Paths::given, kFatalAppExit, Left::reportAndDump, {kFatalExit, beyondFirstFrame(frame("throwUncaught"))}},
    {"abort", Paths::given, kFatalAppExit, Left::reportAndDump, {kFatalExit, beyondFirstFrame(frame("abortNow"))}},
    {"pure_virtual", Paths::given, kFatalAppExit, Left::reportAndDump,
     {kFatalExit, beyondFirstFrame(frame("describe")), beyondFirstFrame(frame("callPureVirtual"))}},
    {"debug_break", Paths::given, kBreakpoint, Left::reportAndDump, {"Exception code: 80000003 BREAKPOINT\r\n"}},
    // Locks that the report's own work takes: held by the failing thread, which can take them
    // again, the report is whole; held for good by another thread, the header is what can be
    // written without them, and the process still ends.
    {"loader_lock", Paths::given, kAccessViolation, Left::reportAndDump, withLocals("loader_lock")},
    {"heap_lock", Paths::given, kAccessViolation, Left::reportAndDump, withLocals("heap_lock")},
    {"heap_lock_elsewhere", Paths::given, kAccessViolation, Left::header, {kCutShort}},
    {"report_folder_missing", Paths::missingReportFolder, kAccessViolation, Left::reportAndDump, kFallback},
    {"temporary_folder", Paths::temporaryFolder, kAccessViolation, Left::reportAndDump, kFallback},
    {"dump_folder_missing", Paths::missingDumpFolder, kAccessViolation, Left::report, kFallback},
    {"default_paths", Paths::defaults, kAccessViolation, Left::reportAndDump, kFallback},
    // Shipped without its PDB: the report is whole, the frames are sections and offsets.
    {"pdb_missing", Paths::defaultsWithoutPdb, kAccessViolation, Left::reportAndDump,
     {kViolation, kPdb ? "\r\n" + kAddress + "  " + kAddress + "  0001:[0-9A-F]{8} [^\r\n]*crash_scenarios\\.exe"
                       : frame("crashWithLocals")}},
};

void PrintTo(const Scenario& row, std::ostream* out) { *out << row.name; }

// The thread ids from the scenario program's "thread <id>" lines.
std::set<DWORD> failingThreads(const std::string& printed) {
    std::set<DWORD> ids;
    const std::regex line("thread (\\d+)");
    for (auto it = std::sregex_iterator(printed.begin(), printed.end(), line); it != std::sregex_iterator(); ++it)
        ids.insert(static_cast<DWORD>(std::stoul((*it)[1])));
    return ids;
}

class CrashScenario : public testing::TestWithParam<Scenario> {};

TEST_P(CrashScenario, EndsTheProcessWithItsReportAndDump) {
    const Scenario& row = GetParam();
    const TempFolder temp;
    const fs::path root = temp.root(), missing = root / "missing", temporary = root / "tmp";
    fs::path program = fs::path(win::programFolder()) / "crash_scenarios.exe", landing = root;
    std::wstring arguments = L" " + fs::path(row.paths == Paths::given ? row.name : "access_violation").wstring();
    const bool defaults = row.paths == Paths::defaults || row.paths == Paths::defaultsWithoutPdb;
    if (defaults || row.paths == Paths::missingReportFolder || row.paths == Paths::temporaryFolder) {
        copyImage(program, root / program.filename(), row.paths != Paths::defaultsWithoutPdb);
        program = root / program.filename();
    }
    if (row.paths == Paths::temporaryFolder) {
        fs::create_directory(root / "exception.txt");  // the program's folder cannot take the report
        fs::create_directory(landing = temporary);
    }
    if (!defaults) {
        const bool reportMissing = row.paths == Paths::missingReportFolder || row.paths == Paths::temporaryFolder;
        arguments += L" \"" + ((reportMissing ? missing : root) / "exception.txt").wstring() + L"\" \"" +
                     ((row.paths == Paths::missingDumpFolder ? missing : root) / "exception.dmp").wstring() + L"\"";
    }
    const Files before = filesIn(root);

    // The program's temporary folder, which it inherits; this process keeps its own.
    wchar_t ownTemporary[MAX_PATH + 1];
    const DWORD ownLength = GetEnvironmentVariableW(L"TMP", ownTemporary, MAX_PATH + 1);
    for (const wchar_t* name : {L"TMP", L"TEMP"}) SetEnvironmentVariableW(name, temporary.c_str());
    win::ChildProcess process(program.wstring(), arguments, program.parent_path().wstring(), true);
    for (const wchar_t* name : {L"TMP", L"TEMP"})
        SetEnvironmentVariableW(name, ownLength > 0 && ownLength <= MAX_PATH ? ownTemporary : nullptr);
    ASSERT_TRUE(process.wait(kEndBoundMs, [](const win::ChildBox& box) { box.answer(); })) << "the crash did not end the process";
    EXPECT_EQ(process.exitCode(), row.code == kFatalAppExit ? kRuntimeAbort : row.code);
    const std::string printed = process.output();

    Files expected = landing == root ? before : Files{};
    expected.insert("exception.txt");
    if (row.left == Left::reportAndDump) expected.insert("exception.dmp");
    ASSERT_EQ(filesIn(landing), expected) << printed;
    EXPECT_EQ(filesIn(root), landing == root ? expected : before);
    expectReport(landing, row.patterns, row.left != Left::header);
    if (row.left == Left::reportAndDump) expectDump(landing, row.code, failingThreads(printed));
}

INSTANTIATE_TEST_SUITE_P(crash, CrashScenario, testing::ValuesIn(kScenarios),
                         [](const testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

// ---- game.exe with the test module crashing

// Where game.exe's crash files go: into the user folder (made by the launch on a fresh machine),
// beside game.exe (the launch has not got that far), or nowhere (no crash reaches the handler).
enum class Landing { userFolder, freshUserFolder, besideGame, nowhere };

struct GameCase {
    const char* label;
    const char* step;       // where the module crashes (test_module.cpp)
    bool secondInstance;    // a second game.exe is started while the first waits in run
    bool configTooLarge;    // config.xml cannot be held whole in a 32-bit process (nor in the 3 GB that 64-bit tests get)
    Landing landing;
    DWORD code;
    Patterns patterns;      // of the report, or the text of the box shown instead
};

const std::string kInfoFrame = "crashInApplicationInfo\\+[0-9A-F]+  [^\r\n]*test_module\\.cpp line \\d+\r\n";
const std::string kInfoLocals =
    beyondFirstFrame("\r\n\tParameter 'infoPath'@" + kPointerSize + " = [0-9A-F]+\r\n\tLocal 'step'@\\d+ [^\r\n]*wstring\r\n");
const std::string kRunFrame = "crashInRun\\+[0-9A-F]+  [^\r\n]*test_module\\.cpp line \\d+\r\n";

const GameCase kGameCases[] = {
    {"in_run", "run", true, false, Landing::userFolder, kAccessViolation,
     {kViolation, "Fault address:  " + kAddress + " 01:[0-9A-F]{8} [^\r\n]*GameModule\\.dll\r\n", kRunFrame}},
    {"in_run_fresh_machine", "run", false, false, Landing::freshUserFolder, kAccessViolation, {kViolation, kRunFrame}},
    {"in_application_info", "info", false, false, Landing::besideGame, kAccessViolation, {kViolation, kInfoFrame}},
    {"heap_lock", "heap_lock", false, false, Landing::besideGame, kAccessViolation, {kViolation, kInfoFrame, kInfoLocals}},
    {"loader_lock", "loader_lock", false, false, Landing::besideGame, kAccessViolation,
     {kViolation, kInfoFrame, kInfoLocals}},
    // The loader catches a fault in DllMain and fails the load (Windows does the same): no crash
    // reaches the handler, and the launch says that it found no module.
    {"in_dll_main", "dll_main", false, false, Landing::nowhere, 0, {"Can't create game module factory"}},
    {"out_of_memory", "", false, true, Landing::userFolder, kBreakpoint,
     {"Exception code: 80000003 BREAKPOINT\r\n", beyondFirstFrame("loadDocument\\+[0-9A-F]+  [^\r\n]*win32_launch_system\\.cpp line \\d+\r\n")}},
};

void PrintTo(const GameCase& row, std::ostream* out) { *out << row.label; }

class GameCrash : public GameExe, public testing::WithParamInterface<GameCase> {};

TEST_P(GameCrash, ReportsWhereTheLaunchHasGot) {
    const GameCase& row = GetParam();
    const GameFolder game(std::string("crash=") + row.step + (row.secondInstance ? "\nwait=1" : ""));
    // The user folder as the game's own files would have made it, with a stale report that a crash
    // must replace, or, on a fresh machine, no "My Games" at all.
    const fs::path bin = game.bin(), userFolder = game.userFolder();
    const bool fresh = row.landing == Landing::freshUserFolder;
    fs::remove_all(fresh ? userFolder.parent_path() : userFolder);
    if (!fresh) {
        fs::create_directories(userFolder);
        std::ofstream(userFolder / "exception.txt") << "stale";
    }
    if (row.configTooLarge) {  // a sparse file, which costs no disk
        const win::ScopedFileHandle file(CreateFileW((game.folder.root() / "data/config.xml").c_str(), GENERIC_WRITE, 0,
                                                     nullptr, CREATE_ALWAYS, 0, nullptr));
        SetFilePointerEx(file.get(), LARGE_INTEGER{{0x7FF00000, 0}}, nullptr, FILE_BEGIN);
        SetEndOfFile(file.get());
    }

    GameProcess first(game);
    if (row.secondInstance) {  // it only says that the game runs, and leaves the reports alone
        ASSERT_TRUE(game.waitForRecord("run.script")) << "the game never reached run";
        const GameEnd second = runGame(game);
        EXPECT_EQ(second.exitCode, 0);
        EXPECT_EQ(second.boxes.size(), 1u);
        EXPECT_EQ(crashFilesIn(bin), Files{});
        EXPECT_EQ(readFile(userFolder / "exception.txt"), "stale");
        game.stop();
    }
    const GameEnd end = first.finish();  // within kEndBoundMs
    EXPECT_EQ(end.exitCode, static_cast<long>(row.code));
    EXPECT_EQ(end.boxes, row.landing == Landing::nowhere ? Boxes{box(L"Game", W(row.patterns[0].c_str()))} : Boxes{});

    const Files crashFiles{"exception.txt", "exception.dmp"};
    const bool inUserFolder = row.landing == Landing::userFolder || fresh;
    EXPECT_EQ(crashFilesIn(bin), row.landing == Landing::besideGame ? crashFiles : Files{});
    EXPECT_EQ(filesIn(userFolder), inUserFolder ? crashFiles : Files{"exception.txt"});
    if (!inUserFolder) {
        EXPECT_EQ(readFile(userFolder / "exception.txt"), "stale");
    }
    if (row.landing == Landing::nowhere) return;
    expectReport(inUserFolder ? userFolder : bin, row.patterns);
    expectDump(inUserFolder ? userFolder : bin, row.code, {});
}

INSTANTIATE_TEST_SUITE_P(crash, GameCrash, testing::ValuesIn(kGameCases),
                         [](const testing::TestParamInfo<GameCase>& info) { return std::string(info.param.label); });

}  // namespace
