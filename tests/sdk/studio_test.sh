#!/usr/bin/env bash
# What a studio engineer does with the SDK alone: install it (both widths and the Linux xmltool)
# into a folder of its own, write a module from scratch, build it and both samples with the SDK's
# toolchain files, run each in the SDK's runtime under Wine (run-module) and check the exit code
# and the module's log. After the install nothing here reads the source tree or the build folders.
#
#   tests/sdk/studio_test.sh WIDTH...     x86, x64 (the builds of win32, win64 and native must exist);
#                                         a width in STUDIO_BUILD_ONLY is built but not run
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$root/build/studio
rm -rf "$work"
mkdir -p "$work"
for preset in win32 win64 native; do cmake --install "$root/build/$preset" --prefix "$work" >/dev/null; done
sdk=$work/sdk
cd "$work"

# A module of the studio's own: fixed names, one log line, exit code 7 without a message loop.
# (A failed start ends with exit code 0, as a clean end of most games does: 7 tells them apart.)
mkdir -p studio
cat >studio/module.cpp <<'CPP'
#include <string>

#include <windows.h>

#include "boundary/game_module.h"

namespace {
template <class Interface>
struct Owned : Interface {
    void* queryInterface(uint32_t) override { return nullptr; }
    void* destroy(unsigned int flags) override { return destroyObject(this, flags); }
    void release() override { this->destroy(kDestroyFree); }
};
// The names of the sample data's info.xml: the sample configuration utility marks the game
// configured under them, and the host checks under the names the module gives.
struct Info final : Owned<IApplicationInfo> {
    bool getCompanyName(ISafeStringW* out) override { return out->assignString(L"Gamehost Samples"), true; }
    bool getTitle(ISafeStringW* out) override { return out->assignString(L"Studio Test"), true; }
    bool getProductName(ISafeStringW* out) override { return out->assignString(L"Orbit"), true; }
};
struct Log final : IGameLog {
    HANDLE file = INVALID_HANDLE_VALUE;
    void* queryInterface(uint32_t) override { return nullptr; }
    void* destroy(unsigned int) override { return this; }
    void release() override {}
    void logMessage(const char* text, int) override {
        DWORD written = 0;
        WriteFile(file, text, lstrlenA(text), &written, nullptr);
        WriteFile(file, "\r\n", 2, &written, nullptr);
    }
};
struct Result final : Owned<IGameRun> {
    int getExitCode() override { return 7; }
};
struct Module final : Owned<IGameModule> {
    Log log;
    explicit Module(const WideChar* folder) {
        log.file = CreateFileW((std::wstring(folder) + L"\\studio.log").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                               nullptr, OPEN_ALWAYS, 0, nullptr);
    }
    ~Module() { CloseHandle(log.file); }
    IGameLog* getLog() override { return &log; }
    IGameRun* run(const WideChar*, IXmlReaderNode* game, ISafeStringW*) override {
        log.logMessage(game ? "run with game.xml" : "run without game.xml", 1);
        return new Result;
    }
};
struct Factory final : Owned<IGameModuleFactory> {
    IApplicationInfo* createApplicationInfo(const WideChar*, int) override { return new Info; }
    IGameModule* createGameModule(IXmlReader*, const WideChar* folder, int, WindowHandle, bool, IApplicationInfo*,
                                  ISafeStringW*) override {
        return new Module(folder);
    }
};
}  // namespace

extern "C" IGameModuleFactory* __stdcall createFactory() { return new Factory; }
CPP
cat >studio/CMakeLists.txt <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(studio CXX)
include($sdk/cmake/GameModule.cmake)
gamehost_add_module(studio SOURCES module.cpp)
CMAKE

# "FILE: what it should hold" for each run's check.
expect_in() { grep -q "$2" "$1" || { echo "studio_test: $1 lacks '$2'"; cat "$1"; exit 1; }; }
for width in "$@"; do
  bits=32
  [ "$width" = x86 ] || bits=64
  for project in studio "$sdk/samples/game" "$sdk/samples/config"; do
    name=$(basename "$project")
    cmake -S "$project" -B "build-$width/$name" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_TOOLCHAIN_FILE="$sdk/cmake/mingw$bits.cmake" >"build-$width-$name.log" 2>&1 &&
      cmake --build "build-$width/$name" >>"build-$width-$name.log" 2>&1 ||
      { echo "studio_test: $name did not build for $width"; tail -n 20 "build-$width-$name.log"; exit 1; }
  done
  if [[ " ${STUDIO_BUILD_ONLY:-} " = *" $width "* ]]; then
    echo "studio_test: $width: a new module, the sample game and the sample utility built from the SDK; NOT RUN"
    continue
  fi
  # The studio's module: its exit code and its log line.
  status=0
  "$sdk/bin/run-module" --arch "$width" --seconds 60 --folder "run-$width-studio" \
    "build-$width/studio/GameModule.dll" >"run-$width-studio.out" 2>&1 || status=$?
  [ "$status" -eq 7 ] || { echo "studio_test: the studio module ($width) ended with $status, not 7"; cat "run-$width-studio.out"; exit 1; }
  expect_in "run-$width-studio/bin/$width/studio.log" "run with game.xml"
  # The sample game with the sample utility built here: the first run configures, the demo ends.
  cp "build-$width/config/config.exe" "$sdk/bin/$width/config.exe"
  cp -r "$sdk/samples/data" "data-$width"
  sed -i 's|</Config>|<Demo seconds="2" /></Config>|' "data-$width/config.xml"
  status=0
  "$sdk/bin/run-module" --arch "$width" --seconds 60 --data "data-$width" --folder "run-$width-game" \
    "build-$width/game/GameModule.dll" >"run-$width-game.out" 2>&1 || status=$?
  [ "$status" -eq 0 ] || { echo "studio_test: the sample game ($width) ended with $status"; cat "run-$width-game.out"; exit 1; }
  expect_in "run-$width-game/winehome/My Games/Orbit/game.log" "game ended"
  echo "studio_test: $width: a new module, the sample game and the sample utility built from the SDK and ran"
done
# Build servers: the Linux xmltool checks the sample data.
"$sdk/bin/linux/xmltool" check "$sdk/samples/data"
