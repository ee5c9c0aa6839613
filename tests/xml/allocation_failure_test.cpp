// Every allocation made while a document is read can fail. As expat's tests do, the n-th
// allocation is made to throw std::bad_alloc for n = 1, 2, ... until the work succeeds; each
// failure must leave as bad_alloc (inside a referenced document: as the reference's failure,
// whose reason is the bad_alloc; for a malformed document, as its own error once enough memory
// is left to report it) with every block given back: no object, no leak.
//
// This program replaces the global operator new and delete, so it is a test executable of its
// own.

#include <cstdio>
#include <cstdlib>
#include <new>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "support/wide.h"
#include "xml/errors.h"
#include "xml/model.h"
#include "xml/parser.h"
#include "xml/resolver.h"

namespace {

long long allocationsUntilFailure = -1;  // negative: none fails
long long liveBlocks = 0;

}  // namespace

void* operator new(std::size_t size) {
    if (allocationsUntilFailure >= 0 && allocationsUntilFailure-- == 0) throw std::bad_alloc();
    void* block = std::malloc(size ? size : 1);
    if (!block) throw std::bad_alloc();
    ++liveBlocks;
    return block;
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* block) noexcept {
    if (!block) return;
    --liveBlocks;
    std::free(block);
}
void operator delete[](void* block) noexcept { operator delete(block); }
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }
void operator delete[](void* block, std::size_t) noexcept { operator delete(block); }

namespace {

enum class Outcome { Success, OutOfMemory, OwnError, OtherError };

// Runs `work` with the n-th allocation failing and tells how it ended; `leaked` is the number of
// blocks it left behind.
template <class Work>
Outcome runFailingAt(long long n, Work work, long long& leaked) {
    const long long before = liveBlocks;
    Outcome outcome;
    allocationsUntilFailure = n;
    try {
        work();
        outcome = Outcome::Success;
    } catch (const std::bad_alloc&) {
        outcome = Outcome::OutOfMemory;
    } catch (const gen_exception& error) {
        allocationsUntilFailure = -1;  // the checks below allocate
        // A referenced document is opened through the resolver, which reports every failure,
        // an allocation failure too, as text: the reference then fails with that reason.
        const std::string what = error.what();
        const std::string reported = "reason:\nstd::bad_alloc";
        const bool reportedOutOfMemory =
            what.size() >= reported.size() && what.compare(what.size() - reported.size(), reported.size(), reported) == 0;
        outcome = reportedOutOfMemory ? Outcome::OutOfMemory : Outcome::OwnError;
    } catch (...) {
        outcome = Outcome::OtherError;
    }
    allocationsUntilFailure = -1;
    leaked = liveBlocks - before;
    return outcome;
}

// Fails every allocation in turn until `work` ends as `expected`; returns how many were tried.
template <class Work>
long long failEachAllocation(Work work, Outcome expected) {
    long long leaked = 0;
    runFailingAt(-1, work, leaked);  // a first run settles whatever is allocated once per process
    for (long long n = 0;; ++n) {
        const Outcome outcome = runFailingAt(n, work, leaked);
        EXPECT_EQ(leaked, 0) << "allocation " << n;
        if (outcome == expected) {
            std::printf("%lld allocations failed in turn\n", n);
            return n;
        }
        if (outcome != Outcome::OutOfMemory) {
            ADD_FAILURE() << "allocation " << n << " failed with outcome " << static_cast<int>(outcome);
            return n;
        }
    }
}

const char kDocument[] =
    "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<game title=\"Orbit &amp; more\" sun=\"#FFD700\">\n"
    "\t<!-- planets -->\n"
    "\t<planet name=\"Mercury with a long name\" pos=\"1.5,2.25,-3\" radius=\"2\">small &#233;</planet>\n"
    "\t<planet\n\t\tname=\"Venus\"/>\n"
    "\t<refer filename=\"palette.xml\" path=\"colours\"/>\n"
    "\t<refer filename=\"moons.xml\"/>\n"
    "\ttext after\n"
    "</game>\n";

TEST(AllocationFailure, LoadWithReferences) {
    TempFolder folder;
    folder.write("palette.xml", "<palette><colours><sky value='midnightblue'/><sea value='1,2,3'/></colours></palette>");
    folder.write("moons.xml", "<moons>moon text<moon name='Luna'><refer filename='palette.xml'/></moon></moons>");
    const WideString name = W("game.xml");
    const auto load = [&] {
        CStdXmlResolver2 resolver(folder.path().c_str(), nullptr);
        CXmlParser parser(kDocument, &resolver, name.c_str());
    };
    EXPECT_GT(failEachAllocation(load, Outcome::Success), 40);
}

TEST(AllocationFailure, ModelAndWriter) {
    const auto parseAndWrite = [] {
        xml::CXmlDocument document;
        document.parse(kDocument, kDocument + sizeof kDocument - 1);
        std::unique_ptr<xml::CXmlNodeElement> copy(document.root->clone());
        std::ostringstream out;
        copy->writeXml(out, document, 0);
    };
    EXPECT_GT(failEachAllocation(parseAndWrite, Outcome::Success), 20);
}

TEST(AllocationFailure, MalformedDocumentsAndBrokenReferences) {
    TempFolder folder;
    folder.write("self.xml", "<a><refer filename='self.xml'/></a>");
    const char* const documents[] = {
        "<game><planet name='x'>text</planet><planet></game>",  // wrong end tag
        "<game><refer filename='missing.xml'/></game>",
        "<game><refer filename='self.xml'/></game>",
        "<game><refer/></game>",
    };
    for (const char* document : documents) {
        const auto load = [&] {
            CStdXmlResolver2 resolver(folder.path().c_str(), nullptr);
            CXmlParser parser(document, &resolver, nullptr);
        };
        EXPECT_GT(failEachAllocation(load, Outcome::OwnError), 5) << document;
    }
}

}  // namespace
