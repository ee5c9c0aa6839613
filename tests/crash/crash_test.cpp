// The crash handler in processes that really fail: the scenario program and game.exe with a
// crashing module run under Wine, and their text reports and minidumps are read back.
#include <windows.h>
#include <dbghelp.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/game_folder.h"
#include "support/child_process.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// The C runtime's exit code after abort(), which the report does not change.
constexpr DWORD kRuntimeAbort = 3;
constexpr DWORD kAccessViolation = 0xC0000005, kStackOverflow = 0xC00000FD, kFatalAppExit = 0x40000015,
                kBreakpoint = 0x80000003;

// The images carry PDBs (the product's build) or DWARF (the build for these tests alone). From a
// PDB, Wine's DbgHelp reads the modules, the first frame's function and line and the globals, but
// no caller frame and no parameter or local: what lies beyond the first frame is checked in the
// DWARF build.
constexpr bool kPdb = GAMEHOST_DEBUG_INFO_PDB;

std::string beyondFirstFrame(const std::string& pattern) { return kPdb ? "" : pattern; }

// Copies an image as a game ships it: in the PDB build with its PDB beside it (unless left out),
// under the name that the image's CodeView record gives. The names of the files copied.
std::set<std::string> copyImage(const fs::path& image, const fs::path& folder, const std::string& name,
                                bool withPdb = true) {
    fs::copy_file(image, folder / name);
    if (!kPdb || !withPdb) return {name};
    const fs::path pdb = fs::path(image).replace_extension(".pdb").filename();
    fs::copy_file(image.parent_path() / pdb, folder / pdb);
    return {name, pdb.string()};
}

std::set<std::string> filesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

// Started in its own folder with its output captured.
ChildProcess start(const fs::path& program, const std::wstring& arguments = L"") {
    return ChildProcess(program.wstring(), L" " + arguments, program.parent_path().wstring(), true);
}

// Every crash ends the process within this: the longest report's time, or the stall limit (8 s)
// after a report stopped making progress, with room for a loaded machine.
constexpr ULONGLONG kEndBoundMs = 30000;

// Waits for the end of a process that crashes, answering its message boxes (their texts kept in
// `boxes`), and checks that it ended within the bound. False when it did not end at all.
bool endsInTime(ChildProcess& process, const char* label, std::vector<std::wstring>* boxes = nullptr) {
    const ULONGLONG started = GetTickCount64();
    const bool ended = process.wait(60000, [&](const ChildBox& box) {
        if (boxes) boxes->push_back(box.text());
        box.answer(IDOK);
    });
    const ULONGLONG elapsed = GetTickCount64() - started;
    std::printf("[  ended   ] %s after %.1f s\n", label, static_cast<double>(elapsed) / 1000);
    EXPECT_LT(elapsed, kEndBoundMs);
    return ended;
}

// The thread ids from the scenario program's "thread <id>" lines.
std::set<DWORD> failingThreads(const std::string& printed) {
    std::set<DWORD> ids;
    const std::regex line("thread (\\d+)");
    for (auto it = std::sregex_iterator(printed.begin(), printed.end(), line); it != std::sregex_iterator(); ++it)
        ids.insert(static_cast<DWORD>(std::stoul((*it)[1])));
    return ids;
}

// What the tests read from a minidump: the header, the stream directory, the exception stream.
struct Dump {
    std::string fault;  // empty when the header and the directory are sound
    bool exception = false, threadList = false, moduleList = false;
    ULONG32 exceptionThread = 0, exceptionCode = 0;
};

template <class T>
bool readAt(const std::string& bytes, ULONG64 offset, T& value) {
    if (offset > bytes.size() || bytes.size() - offset < sizeof value) return false;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return true;
}

Dump readDump(const std::string& bytes) {
    constexpr ULONG32 kSignature = 0x504D444D;  // "MDMP"
    Dump dump;
    MINIDUMP_HEADER header;
    if (!readAt(bytes, 0, header) || header.Signature != kSignature || LOWORD(header.Version) != MINIDUMP_VERSION)
        dump.fault = "no minidump header";
    for (ULONG32 i = 0; dump.fault.empty() && i < header.NumberOfStreams; ++i) {
        MINIDUMP_DIRECTORY entry;
        MINIDUMP_EXCEPTION_STREAM stream;
        if (!readAt(bytes, header.StreamDirectoryRva + ULONG64{i} * sizeof entry, entry) ||
            entry.Location.Rva > bytes.size() || bytes.size() - entry.Location.Rva < entry.Location.DataSize)
            dump.fault = "stream directory cut short";
        else if (entry.StreamType == ThreadListStream) dump.threadList = true;
        else if (entry.StreamType == ModuleListStream) dump.moduleList = true;
        else if (entry.StreamType == ExceptionStream && readAt(bytes, entry.Location.Rva, stream)) {
            dump.exception = true;
            dump.exceptionThread = stream.ThreadId;
            dump.exceptionCode = stream.ExceptionRecord.ExceptionCode;
        }
    }
    return dump;
}

// The parts every complete report has, in order, ending with the blank line after the globals.
void expectCompleteReport(const std::string& report) {
    static const char* const parts[] = {
        "^//={53}\r\nException time: \\w{3} \\w{3} [ \\d]\\d \\d\\d:\\d\\d:\\d\\d \\d{4}\r\n"
        "Exception code: [0-9A-F]{8} [^\r\n]*\r\nFault address:  [0-9A-F]{8} [0-9A-F]{2}:[0-9A-F]{8} [^\r\n]*\r\n"
        "\r\nModules:\r\n",
        "\r\nRegisters:\r\nEAX:[0-9A-F]{8}\r\nEBX:[0-9A-F]{8}\r\nECX:[0-9A-F]{8}\r\nEDX:[0-9A-F]{8}\r\n"
        "ESI:[0-9A-F]{8}\r\nEDI:[0-9A-F]{8}\r\nCS:EIP:[0-9A-F]{4}:[0-9A-F]{8}\r\n"
        "SS:ESP:[0-9A-F]{4}:[0-9A-F]{8}  EBP:[0-9A-F]{8}\r\n"
        "DS:[0-9A-F]{4}  ES:[0-9A-F]{4}  FS:[0-9A-F]{4}  GS:[0-9A-F]{4}\r\n"
        "Flags:[0-9A-F]{8}\r\n\r\nCall stack:\r\nAddress   Frame     Function            SourceFile\r\n",
        "========================\r\nLocal Variables And Parameters\r\n\r\nCall stack:\r\n",
        "========================\r\nGlobal Variables\r\n",
        "(^|\r\n)\r\n$",
    };
    std::size_t from = 0;
    for (const char* part : parts) {
        std::smatch match;
        const bool found = std::regex_search(report.begin() + from, report.end(), match, std::regex(part));
        ASSERT_TRUE(found) << "missing, after offset " << from << ": " << part;
        from += match.position(0) + match.length(0);
    }
    std::size_t headers = 0;
    for (std::size_t at = report.find("//====="); at != std::string::npos; at = report.find("//=====", at + 1)) ++headers;
    EXPECT_EQ(headers, 1u) << "one report, written once";
    // A PDB's public symbols (every function's and import's linker name) are no globals.
    EXPECT_EQ(report.find("'__imp__"), std::string::npos) << "public symbols listed";
}

using Patterns = std::vector<std::string>;

// A complete report with lines matching every pattern.
void expectReport(const fs::path& folder, const Patterns& patterns) {
    const std::string report = readFile(folder / "exception.txt");
    expectCompleteReport(report);
    for (const std::string& pattern : patterns) {
        if (!pattern.empty()) {
            EXPECT_TRUE(std::regex_search(report, std::regex(pattern))) << "no match for: " << pattern;
        }
    }
}

// A minidump with the exception of the failing thread (one of `failing`, when known).
void expectDump(const fs::path& folder, DWORD code, const std::set<DWORD>& failing) {
    const Dump dump = readDump(readFile(folder / "exception.dmp"));
    ASSERT_EQ(dump.fault, "");
    EXPECT_TRUE(dump.exception && dump.threadList && dump.moduleList) << "streams missing";
    EXPECT_EQ(dump.exceptionCode, code);
    if (!failing.empty()) {
        EXPECT_EQ(failing.count(dump.exceptionThread), 1u) << "exception thread " << dump.exceptionThread;
    }
}

// ---- the scenario program

// Where the files are asked to go: the given paths, a report folder that is missing (the report
// falls back to the program's folder), a dump folder that is missing, the defaults beside the
// program, or a missing report folder and a program folder that refuses the report (it falls
// back to the temporary folder).
enum class Paths { given, missingReportFolder, missingDumpFolder, defaults, temporaryFolder };
// What a crash leaves: a complete report and dump, a complete report alone, or the report's four
// header lines and the note that the report was cut short (no dump).
enum class Left { reportAndDump, report, header };

struct Scenario {
    const char* label;
    const char* scenario;
    Paths paths;
    DWORD exitCode;
    DWORD code;  // of the exception
    Left left;
    Patterns patterns;
    bool pdbLeftOut = false;  // the program is copied without its PDB
};

const std::string kViolation = "Exception code: C0000005 ACCESS_VIOLATION\r\n";
const std::string kFatalExit = "Exception code: 40000015 ";
const std::string kOwnFault = "Fault address:  [0-9A-F]{8} 01:[0-9A-F]{8} [^\r\n]*crash_scenarios\\.exe\r\n";
const std::string kOwnSymbols = std::string("\r\ncrash_scenarios: ") + (kPdb ? "PDB" : "DIA") + " \\[L\\]\r\n";
const std::string kCutShort = "^//={53}\r\nException time: [^\r\n]+\r\n" + kViolation + kOwnFault +
                              "\r\nReport cut short: no progress for 8 s\r\n$";

std::string frame(const std::string& function) {
    return function + "\\+[0-9A-F]+  [^\r\n]*crash_scenarios\\.cpp line \\d+\r\n";
}

const Patterns kLocals = {
    "\r\n\tParameter 'attempt'@4 = 1\r\n",
    "\r\n\tLocal 'count'@4 = 2A\r\n",
    "\r\n\tLocal 'ratio'@4 = 2\\.500000\r\n",
    "\r\n\tLocal 'weight'@8 = 1\\.250000\r\n",
    "\r\n\tLocal 'where'@16 [^\r\n]*Position\r\n\t\t x = 3\r\n\t\t y = 4\r\n\t\t weight = 0\\.500000\r\n",
    "\r\n\tLocal 'text'@4 = \"ABCDEFGHIJKLMNOPQRSTUVWXYZ01234\"\r\n",
    "\r\n\tLocal 'unreadable'@4 = 10\r\n",
};

Patterns withLocals(const char* scenario = "access_violation") {
    // A PDB names the global with its namespace.
    Patterns patterns{kViolation, kOwnFault, kOwnSymbols, frame("crashWithLocals"),
                      std::string("\r\n\t'(`anonymous namespace'::)?currentScenario'@4 = \"") + scenario + "\"\r\n"};
    if (kPdb) return patterns;
    patterns.push_back(frame("main"));
    patterns.insert(patterns.end(), kLocals.begin(), kLocals.end());
    return patterns;
}

const Scenario kScenarios[] = {
    {"access_violation", "access_violation", Paths::given, kAccessViolation, kAccessViolation, Left::reportAndDump, withLocals()},
    {"outside_module", "outside_module", Paths::given, kAccessViolation, kAccessViolation, Left::reportAndDump,
     {kViolation, "Fault address:  [0-9A-F]{8} 00:00000000 \r\n"}},
    {"second_thread", "second_thread", Paths::given, kAccessViolation, kAccessViolation, Left::reportAndDump,
     {kViolation, kOwnFault, frame("crashOnWorker")}},
    {"two_threads", "two_threads", Paths::given, kAccessViolation, kAccessViolation, Left::reportAndDump,
     {kViolation, kOwnFault, frame("crashTogether")}},
    {"stack_overflow", "stack_overflow", Paths::given, kStackOverflow, kStackOverflow, Left::reportAndDump,
     {"Exception code: C00000FD STACK_OVERFLOW\r\n", beyondFirstFrame(frame("recurse")),  // the fault is in the runtime's stack probe
      beyondFirstFrame("\r\n\tParameter 'depth'@4 = [0-9A-F]+\r\n")}},
    {"cxx_exception", "cxx_exception", Paths::given, kRuntimeAbort, kFatalAppExit, Left::reportAndDump,
     {kFatalExit, beyondFirstFrame(frame("throwUncaught"))}},
    {"abort", "abort", Paths::given, kRuntimeAbort, kFatalAppExit, Left::reportAndDump, {kFatalExit, beyondFirstFrame(frame("abortNow"))}},
    {"pure_virtual", "pure_virtual", Paths::given, kRuntimeAbort, kFatalAppExit, Left::reportAndDump,
     {kFatalExit, beyondFirstFrame(frame("describe")), beyondFirstFrame(frame("callPureVirtual"))}},
    {"debug_break", "debug_break", Paths::given, kBreakpoint, kBreakpoint, Left::reportAndDump,
     {"Exception code: 80000003 BREAKPOINT\r\n"}},
    // Locks that the report's own work takes: held by the failing thread, which can take them
    // again, the report is whole; held for good by another thread, the header is what can be
    // written without them, and the process still ends.
    {"loader_lock", "loader_lock", Paths::given, kAccessViolation, kAccessViolation, Left::reportAndDump,
     withLocals("loader_lock")},
    {"heap_lock", "heap_lock", Paths::given, kAccessViolation, kAccessViolation, Left::reportAndDump, withLocals("heap_lock")},
    {"heap_lock_elsewhere", "heap_lock_elsewhere", Paths::given, kAccessViolation, kAccessViolation, Left::header, {kCutShort}},
    {"report_folder_missing", "access_violation", Paths::missingReportFolder, kAccessViolation, kAccessViolation,
     Left::reportAndDump, {kViolation, frame("crashWithLocals")}},
    {"temporary_folder", "access_violation", Paths::temporaryFolder, kAccessViolation, kAccessViolation,
     Left::reportAndDump, {kViolation, frame("crashWithLocals")}},
    {"dump_folder_missing", "access_violation", Paths::missingDumpFolder, kAccessViolation, kAccessViolation, Left::report,
     {kViolation, frame("crashWithLocals")}},
    {"default_paths", "access_violation", Paths::defaults, kAccessViolation, kAccessViolation, Left::reportAndDump,
     {kViolation, frame("crashWithLocals")}},
    // Shipped without its PDB: the report is whole, the frames are sections and offsets.
    {"pdb_missing", "access_violation", Paths::defaults, kAccessViolation, kAccessViolation, Left::reportAndDump,
     {kViolation, kPdb ? "\r\n[0-9A-F]{8}  [0-9A-F]{8}  0001:[0-9A-F]{8} [^\r\n]*crash_scenarios\\.exe"
                       : frame("crashWithLocals")},
     true},
};

void PrintTo(const Scenario& row, std::ostream* out) { *out << row.label; }

class CrashScenario : public testing::TestWithParam<Scenario> {};

TEST_P(CrashScenario, EndsTheProcessWithItsReportAndDump) {
    const Scenario& row = GetParam();
    const TempFolder temp;
    fs::path program = fs::path(programFolder()) / "crash_scenarios.exe";
    std::wstring arguments = fs::path(row.scenario).wstring();
    const fs::path missing = temp.root() / "missing", temporary = temp.root() / "tmp";
    fs::path landing = temp.root();
    std::set<std::string> others;  // files beside the crash files
    if (row.paths != Paths::given && row.paths != Paths::missingDumpFolder) {
        others = copyImage(program, temp.root(), program.filename().string(), !row.pdbLeftOut);
        program = temp.root() / program.filename();
    }
    if (row.paths == Paths::temporaryFolder) {
        fs::create_directory(temp.root() / "exception.txt");  // the program's folder cannot take the report
        fs::create_directory(temporary);
        landing = temporary;
        others.insert({"exception.txt", "tmp"});
    }
    if (row.paths != Paths::defaults) {
        const bool reportMissing = row.paths == Paths::missingReportFolder || row.paths == Paths::temporaryFolder;
        const fs::path report = (reportMissing ? missing : temp.root()) / "exception.txt";
        const fs::path dump = (row.paths == Paths::missingDumpFolder ? missing : temp.root()) / "exception.dmp";
        arguments += L" \"" + report.wstring() + L"\" \"" + dump.wstring() + L"\"";
    }

    // The program's temporary folder, which it inherits; this process keeps its own.
    wchar_t ownTemporary[MAX_PATH + 1];
    const DWORD ownLength = GetEnvironmentVariableW(L"TMP", ownTemporary, MAX_PATH + 1);
    for (const wchar_t* name : {L"TMP", L"TEMP"}) SetEnvironmentVariableW(name, temporary.c_str());
    ChildProcess process = start(program, arguments);
    for (const wchar_t* name : {L"TMP", L"TEMP"})
        SetEnvironmentVariableW(name, ownLength > 0 && ownLength <= MAX_PATH ? ownTemporary : nullptr);
    ASSERT_TRUE(endsInTime(process, row.label)) << "the crash did not end the process";
    EXPECT_EQ(process.exitCode(), row.exitCode);
    const std::string printed = process.output();

    std::set<std::string> expected{"exception.txt", "exception.dmp"};
    if (row.left != Left::reportAndDump) expected.erase("exception.dmp");
    if (landing == temp.root()) expected.insert(others.begin(), others.end());
    ASSERT_EQ(filesIn(landing), expected) << printed;
    if (landing != temp.root()) {
        EXPECT_EQ(filesIn(temp.root()), others);
    }
    if (row.left == Left::header) {
        EXPECT_TRUE(std::regex_search(readFile(landing / "exception.txt"), std::regex(row.patterns.at(0))))
            << readFile(landing / "exception.txt");
    } else {
        expectReport(landing, row.patterns);
    }
    if (row.left == Left::reportAndDump) expectDump(landing, row.code, failingThreads(printed));
}

INSTANTIATE_TEST_SUITE_P(crash, CrashScenario, testing::ValuesIn(kScenarios),
                         [](const testing::TestParamInfo<Scenario>& info) { return std::string(info.param.label); });

// ---- game.exe with the test module crashing

// Where game.exe's crash files go: into the user folder (made by the launch on a fresh machine),
// beside game.exe (the launch has not got that far), or nowhere (no crash reaches the handler).
enum class Landing { userFolder, freshUserFolder, besideGame, nowhere };

struct GameCase {
    const char* label;
    const char* step;       // where the module crashes (crash_steps.h)
    bool secondInstance;    // a second game.exe is started while the first waits in run
    bool configTooLarge;    // config.xml cannot be held whole in a 32-bit process
    Landing landing;
    DWORD code;
    Patterns patterns;      // of the report, or the text of the box shown instead
};

const std::string kInfoFrame = "crashInApplicationInfo\\+[0-9A-F]+  [^\r\n]*crash_steps\\.cpp line \\d+\r\n";
const std::string kInfoLocals =
    beyondFirstFrame("\r\n\tParameter 'infoPath'@4 = [0-9A-F]+\r\n\tLocal 'step'@\\d+ [^\r\n]*wstring\r\n");
const std::string kRunFrame = "crashInRun\\+[0-9A-F]+  [^\r\n]*crash_steps\\.cpp line \\d+\r\n";

const GameCase kGameCases[] = {
    {"in_run", "run", true, false, Landing::userFolder, kAccessViolation,
     {kViolation, "Fault address:  [0-9A-F]{8} 01:[0-9A-F]{8} [^\r\n]*GameModule\\.dll\r\n", kRunFrame}},
    {"in_run_fresh_machine", "run", false, false, Landing::freshUserFolder, kAccessViolation, {kViolation, kRunFrame}},
    {"in_application_info", "info", false, false, Landing::besideGame, kAccessViolation, {kViolation, kInfoFrame}},
    {"heap_lock", "heap_lock", false, false, Landing::besideGame, kAccessViolation,
     {kViolation, kInfoFrame, kInfoLocals}},
    {"loader_lock", "loader_lock", false, false, Landing::besideGame, kAccessViolation,
     {kViolation, kInfoFrame, kInfoLocals}},
    // The loader catches a fault in DllMain and fails the load (Windows does the same): no crash
    // reaches the handler, and the launch says that it found no module.
    {"in_dll_main", "dll_main", false, false, Landing::nowhere, 0, {"Can't create game module factory"}},
    {"out_of_memory", "", false, true, Landing::userFolder, kBreakpoint,
     {"Exception code: 80000003 BREAKPOINT\r\n", beyondFirstFrame("loadDocument\\+[0-9A-F]+  [^\r\n]*win32_launch_system\\.cpp line \\d+\r\n")}},
};

void PrintTo(const GameCase& row, std::ostream* out) { *out << row.label; }

// The crash files among the files of `folder`.
std::set<std::string> crashFilesIn(const fs::path& folder) {
    std::set<std::string> files;
    for (const char* name : {"exception.txt", "exception.dmp"})
        if (fs::exists(folder / name)) files.insert(name);
    return files;
}

class GameCrash : public GameExe, public testing::WithParamInterface<GameCase> {};

TEST_P(GameCrash, ReportsWhereTheLaunchHasGot) {
    const GameCase& row = GetParam();
    const GameFolder game(std::string("crash=") + row.step + (row.secondInstance ? "\nwait=1" : ""));
    // The user folder as the game's own files would have made it, with a stale report that a crash
    // must replace, or, on a fresh machine, no "My Games" at all.
    const fs::path bin = game.bin(), userFolder = game.userFolder();
    fs::remove_all(row.landing == Landing::freshUserFolder ? userFolder.parent_path() : userFolder);
    if (row.landing != Landing::freshUserFolder) {
        fs::create_directories(userFolder);
        std::ofstream(userFolder / "exception.txt") << "stale";
    }
    if (row.configTooLarge) {  // a sparse file, which costs no disk
        const win::ScopedFileHandle file(CreateFileW((game.folder.root() / "data/config.xml").c_str(), GENERIC_WRITE, 0,
                                                     nullptr, CREATE_ALWAYS, 0, nullptr));
        SetFilePointerEx(file.get(), LARGE_INTEGER{{0x7FF00000, 0}}, nullptr, FILE_BEGIN);
        SetEndOfFile(file.get());
    }

    ChildProcess first = start(bin / "game.exe");
    if (row.secondInstance) {
        ASSERT_TRUE(game.waitForRecord("run.script")) << "the game never reached run";
        ChildProcess second = start(bin / "game.exe");
        std::size_t answered = 0;
        ASSERT_TRUE(second.wait(30000, [&](const ChildBox& box) { box.answer(IDOK); ++answered; }))
            << "the second instance did not end";
        EXPECT_EQ(second.exitCode(), 0u);
        EXPECT_EQ(answered, 1u) << "the second instance should only have said that the game runs";
        EXPECT_TRUE(crashFilesIn(bin).empty());
        EXPECT_EQ(readFile(userFolder / "exception.txt"), "stale");
        game.stop();
    }
    std::vector<std::wstring> boxes;
    ASSERT_TRUE(endsInTime(first, row.label, &boxes)) << "game.exe did not end";
    EXPECT_EQ(first.exitCode(), row.code);

    const std::set<std::string> crashFiles{"exception.txt", "exception.dmp"}, stale{"exception.txt"};
    const bool inUserFolder = row.landing == Landing::userFolder || row.landing == Landing::freshUserFolder;
    EXPECT_EQ(crashFilesIn(bin), row.landing == Landing::besideGame ? crashFiles : std::set<std::string>{});
    EXPECT_EQ(filesIn(userFolder), inUserFolder ? crashFiles : stale);
    if (row.landing == Landing::nowhere) {
        EXPECT_EQ(boxes, std::vector<std::wstring>{fs::path(row.patterns.at(0)).wstring()});
        return;
    }
    EXPECT_TRUE(boxes.empty());
    if (!inUserFolder) {
        EXPECT_EQ(readFile(userFolder / "exception.txt"), "stale");
    }
    const fs::path reportFolder = inUserFolder ? userFolder : bin;
    expectReport(reportFolder, row.patterns);
    expectDump(reportFolder, row.code, {});
}

INSTANTIATE_TEST_SUITE_P(crash, GameCrash, testing::ValuesIn(kGameCases),
                         [](const testing::TestParamInfo<GameCase>& info) { return std::string(info.param.label); });

}  // namespace
