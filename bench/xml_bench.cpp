// xml_bench: the XML library's parser, full load, writer and value conversions against pugixml,
// RapidXML, tinyxml2, expat and libxml2, on generated game data, all in one process on the same
// bytes. Prints Markdown tables; exits 1 when the contenders disagree on what they read.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <malloc.h>

#include <expat.h>
#include <libxml/parser.h>
#include <libxml/xmlversion.h>

#include "alloc_count.h"
#include "contenders.h"
#include "corpus.h"
#include "xml/resolver.h"
#include "xml/utf.h"

namespace {

using Clock = std::chrono::steady_clock;

// Results land here, so that no run can be optimised away.
volatile std::uintptr_t pointerSink;
volatile float floatSink;
volatile std::size_t sizeSink;

template <class Owner>
void keep(const Owner& owner) {
    pointerSink = reinterpret_cast<std::uintptr_t>(owner.get());
}

const char kUsage[] =
    "usage: xml_bench [--quick] [--sizes LIST] [--repetitions N] [--sample-seconds S] [--seed N]\n"
    "                 [--tsv FILE] [--write-corpus FOLDER]\n"
    "  --quick           64K only, 3 repetitions, short samples (a smoke run)\n"
    "  --sizes LIST      comma-separated documents, default 64K,1M,20M,text,attr:\n"
    "                    SIZE (K or M suffix) for mixed game data, text[:SIZE] for text-heavy,\n"
    "                    attr[:SIZE] for attribute-heavy (1M when no size is given)\n"
    "  --repetitions N   timed rounds per document, the median is reported (default 9)\n"
    "  --sample-seconds  the least time one sample runs, repeating short operations (default 0.1)\n"
    "  --tsv FILE        also writes every result as tab-separated values\n"
    "  --write-corpus    writes the generated documents to FOLDER and exits\n";

struct Options {
    std::vector<std::string> sizes{"64K", "1M", "20M", "text", "attr"};
    int repetitions = 9;
    double sampleSeconds = 0.1;
    std::uint32_t seed = 1;
    std::string tsv;
    std::string corpusFolder;
};

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::size_t parseSize(const std::string& text) {
    std::size_t used = 0;
    unsigned long long value = 0;
    try {
        value = std::stoull(text, &used);
    } catch (const std::exception&) {
        throw UsageError("not a size: " + text);
    }
    const std::string unit = text.substr(used);
    if (unit == "K" || unit == "k") value <<= 10;
    else if (unit == "M" || unit == "m") value <<= 20;
    else if (!unit.empty()) throw UsageError("not a size: " + text);
    if (value < 1024) throw UsageError("too small a size: " + text);
    return static_cast<std::size_t>(value);
}

std::string sizeLabel(std::size_t bytes) {
    if (bytes % (1u << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
    if (bytes % (1u << 10) == 0) return std::to_string(bytes >> 10) + " KiB";
    return std::to_string(bytes) + " B";
}

struct DocumentPlan {
    std::string label;
    corpus::Shape shape;
    std::size_t bytes;
};

DocumentPlan parseDocumentPlan(const std::string& token) {
    for (const auto& [prefix, shape, suffix] :
         {std::tuple{std::string("text"), corpus::Shape::TextHeavy, " text"},
          std::tuple{std::string("attr"), corpus::Shape::AttributeHeavy, " attributes"}}) {
        if (token.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string rest = token.substr(prefix.size());
        if (!rest.empty() && rest[0] != ':') break;
        const std::size_t bytes = rest.empty() ? std::size_t(1) << 20 : parseSize(rest.substr(1));
        return {sizeLabel(bytes) + suffix, shape, bytes};
    }
    const std::size_t bytes = parseSize(token);
    return {sizeLabel(bytes), corpus::Shape::Mixed, bytes};
}

Options parseOptions(int argc, char** argv) {
    Options options;
    const auto value = [&](int& i) -> std::string {
        if (i + 1 >= argc) throw UsageError(std::string(argv[i]) + " needs a value");
        return argv[++i];
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quick") {
            options.sizes = {"64K"};
            options.repetitions = 3;
            options.sampleSeconds = 0.02;
        } else if (arg == "--sizes") {
            options.sizes.clear();
            std::istringstream list(value(i));
            for (std::string token; std::getline(list, token, ',');)
                if (!token.empty()) options.sizes.push_back(token);
        } else if (arg == "--repetitions") {
            options.repetitions = std::atoi(value(i).c_str());
            if (options.repetitions < 1) throw UsageError("--repetitions must be at least 1");
        } else if (arg == "--sample-seconds") {
            options.sampleSeconds = std::atof(value(i).c_str());
        } else if (arg == "--seed") {
            options.seed = static_cast<std::uint32_t>(std::strtoul(value(i).c_str(), nullptr, 10));
        } else if (arg == "--tsv") {
            options.tsv = value(i);
        } else if (arg == "--write-corpus") {
            options.corpusFolder = value(i);
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            std::exit(0);
        } else {
            throw UsageError("unknown argument: " + arg);
        }
    }
    for (const std::string& token : options.sizes) parseDocumentPlan(token);  // reject early
    return options;
}

// The referenced documents, written where the resolver looks; removed at the end.
class ReferenceFolder {
public:
    ReferenceFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "xml_bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
        folder = pattern;
        for (const corpus::Referenced& document : corpus::referencedDocuments())
            std::ofstream(folder / document.fileName, std::ios::binary) << document.bytes;
    }
    ~ReferenceFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    ReferenceFolder(const ReferenceFolder&) = delete;
    ReferenceFolder& operator=(const ReferenceFolder&) = delete;

    WideString path() const { return xml::fromUtf8(folder.string()); }

private:
    std::filesystem::path folder;
};

// One timed operation of one contender on one document.
struct Task {
    std::string document;
    std::string operation;
    std::string contender;
    std::string baseline;   // pugixml's operation that this one is compared with; empty: none
    double bytes = 0;       // what MB/s counts: the document, or for conversions the values' text
    std::size_t values = 0; // conversions: values per run
    std::function<void()> run;
    int iterations = 1;
    std::vector<double> seconds;  // per run, one entry per repetition
    bool measuredMemory = false;
    alloc_count::Usage memory;
    double inputBytes = 0;
    std::uint64_t elements = 0;
};

// Linear interpolation between the sorted values.
double quantile(std::vector<double> values, double q) {
    std::sort(values.begin(), values.end());
    const double position = q * static_cast<double>(values.size() - 1);
    const auto below = static_cast<std::size_t>(position);
    const std::size_t above = std::min(below + 1, values.size() - 1);
    return values[below] + (values[above] - values[below]) * (position - static_cast<double>(below));
}

double median(const std::vector<double>& values) { return quantile(values, 0.5); }

// The interquartile range relative to the median: unlike the full range, one run disturbed by
// another process on a shared machine barely moves it.
double spread(const std::vector<double>& values) {
    return (quantile(values, 0.75) - quantile(values, 0.25)) / median(values);
}

double timeRuns(const Task& task, int iterations) {
    const auto start = Clock::now();
    for (int i = 0; i < iterations; ++i) task.run();
    return std::chrono::duration<double>(Clock::now() - start).count() / iterations;
}

// Heap bytes held by what `build` returns, measured between its return and its destruction.
template <class Build>
alloc_count::Usage treeMemory(Build build) {
    alloc_count::start();
    alloc_count::Usage held;
    {
        auto tree = build();
        held = alloc_count::now();
        keep(tree);
    }
    alloc_count::stop();
    return held;
}

// Warm-up and calibration first, then rounds in which every task runs once, the starting task
// moving on by one each round so that none always runs first.
void timeTasks(std::vector<Task>& tasks, const Options& options, const std::string& document) {
    for (Task& task : tasks) {
        task.run();
        const double once = timeRuns(task, 1);
        task.iterations = static_cast<int>(std::clamp(std::ceil(options.sampleSeconds / std::max(once, 1e-9)), 1.0, 1e6));
    }
    for (int round = 0; round < options.repetitions; ++round) {
        std::cerr << "  " << document << ": round " << round + 1 << "/" << options.repetitions << "\r" << std::flush;
        for (std::size_t k = 0; k < tasks.size(); ++k) {
            Task& task = tasks[(k + static_cast<std::size_t>(round)) % tasks.size()];
            task.seconds.push_back(timeRuns(task, task.iterations));
        }
    }
    std::cerr << "\n";
}

struct CorpusRow {
    std::string label;
    std::size_t bytes = 0;
    Counts model;
    Counts loaded;
    std::size_t references = 0;
    double nonAscii = 0;
    std::size_t writtenGamehost = 0;
    std::size_t writtenPugixml = 0;
    std::size_t writtenTinyxml = 0;
};

struct Disagreement : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string describe(const Counts& counts) {
    return std::to_string(counts.elements) + " elements, " + std::to_string(counts.attributes) + " attributes";
}

void expectSame(const std::string& document, const char* what, const Counts& expected, const Counts& seen) {
    if (!(expected == seen))
        throw Disagreement(document + ": " + what + " saw " + describe(seen) + ", expected " + describe(expected));
}

// What the references bring in place of themselves, read by pugixml from the referenced files.
Counts afterReferences(const Counts& plain, const std::vector<pugixml::Reference>& references) {
    static std::map<std::string, std::unique_ptr<pugi::xml_document>> documents;
    if (documents.empty())
        for (const corpus::Referenced& document : corpus::referencedDocuments())
            documents[document.fileName] = pugixml::parse(document.bytes);
    Counts counts = plain;
    for (const pugixml::Reference& reference : references) {
        const auto found = documents.find(reference.fileName);
        if (found == documents.end()) throw std::runtime_error("unknown referenced document " + reference.fileName);
        const Counts inserted = pugixml::countBelow(*found->second, reference.path);
        counts.elements += inserted.elements - reference.own.elements;
        counts.attributes += inserted.attributes - reference.own.attributes;
    }
    return counts;
}

// Verifies that every contender read the same document, measures the trees' memory, then times
// every operation. Throws Disagreement when a contender saw something else.
void benchmarkDocument(const DocumentPlan& plan, const std::string& bytes, const Options& options,
                       IXmlResolver& resolver, std::vector<Task>& results, std::vector<CorpusRow>& corpusRows) {
    const std::string& name = plan.label;
    std::cerr << name << ": verifying\n";

    // Trees that the writers and the conversions work on, kept for the whole document.
    const auto model = gamehost::parseModel(bytes);
    const auto loaded = gamehost::load(bytes, resolver);
    const auto pugiDocument = pugixml::parse(bytes);
    const auto tinyDocument = tinyxml::parse(bytes);

    CorpusRow row;
    row.label = name;
    row.bytes = bytes.size();
    row.model = gamehost::count(*model);
    row.nonAscii = corpus::nonAsciiShare(bytes);
    const auto references = pugixml::references(*pugiDocument);
    row.references = references.size();
    expectSame(name, "pugixml", row.model, pugixml::count(*pugiDocument));
    expectSame(name, "RapidXML", row.model, rapidxml_bench::count(*rapidxml_bench::parse(bytes)));
    expectSame(name, "tinyxml2", row.model, tinyxml::count(*tinyDocument));
    expectSame(name, "expat", row.model, expat::count(bytes));
    expectSame(name, "libxml2", row.model, libxml2::count(*libxml2::parse(bytes)));
    row.loaded = gamehost::count(*loaded->getRoot());
    expectSame(name, "the full load (references expanded)", afterReferences(row.model, references), row.loaded);

    // The writer's text must read back as the same tree, with pugixml and with the library itself
    // (which needs the byte-order mark that the writer leaves out).
    const std::string written = gamehost::write(*model);
    row.writtenGamehost = written.size();
    expectSame(name, "pugixml reading the writer's output", row.model, pugixml::count(*pugixml::parse(written)));
    expectSame(name, "gamehost reading the writer's output", row.model,
               gamehost::count(*gamehost::parseModel("\xEF\xBB\xBF" + written)));
    row.writtenPugixml = pugixml::write(*pugiDocument).size();
    row.writtenTinyxml = tinyxml::write(*tinyDocument);

    std::vector<Task> tasks;
    tasks.reserve(32);  // `add` hands out pointers into it
    const double input = static_cast<double>(bytes.size());
    const auto add = [&](const char* operation, const char* contender, const char* baseline, std::function<void()> run) {
        Task task;
        task.document = name;
        task.operation = operation;
        task.contender = contender;
        task.baseline = baseline;
        task.bytes = input;
        task.inputBytes = input;
        task.elements = row.model.elements;
        task.run = std::move(run);
        tasks.push_back(std::move(task));
        return &tasks.back();
    };
    const auto withMemory = [&](Task* task, alloc_count::Usage usage) {
        task->measuredMemory = alloc_count::available();
        task->memory = usage;
    };

    std::cerr << name << ": memory\n";
    withMemory(add("parse", "gamehost", "parse", [&] { keep(gamehost::parseModel(bytes)); }),
               treeMemory([&] { return gamehost::parseModel(bytes); }));
    withMemory(add("full load", "gamehost", "parse", [&] { keep(gamehost::load(bytes, resolver)); }),
               treeMemory([&] { return gamehost::load(bytes, resolver); }));
    withMemory(add("parse", "pugixml", "parse", [&] { keep(pugixml::parse(bytes)); }),
               treeMemory([&] { return pugixml::parse(bytes); }));
    withMemory(add("parse", "RapidXML", "parse", [&] { keep(rapidxml_bench::parse(bytes)); }),
               treeMemory([&] { return rapidxml_bench::parse(bytes); }));
    withMemory(add("parse", "tinyxml2", "parse", [&] { keep(tinyxml::parse(bytes)); }),
               treeMemory([&] { return tinyxml::parse(bytes); }));
    add("parse", "expat", "parse", [&] { expat::parse(bytes); });
    withMemory(add("parse", "libxml2", "parse", [&] { keep(libxml2::parse(bytes)); }),
               treeMemory([&] { return libxml2::parse(bytes); }));

    add("write", "gamehost", "write", [&] { sizeSink = gamehost::write(*model).size(); });
    add("write", "pugixml", "write", [&] { sizeSink = pugixml::write(*pugiDocument).size(); });
    add("write", "tinyxml2", "write", [&] { sizeSink = tinyxml::write(*tinyDocument); });

    // Conversions of every attribute of one name; pugixml has no vectors or colours.
    const auto conversionTask = [&](const char* operation, const char* contender, const char* baseline,
                                    std::size_t values, std::size_t textBytes, std::function<void()> run) {
        Task* task = add(operation, contender, baseline, std::move(run));
        task->values = values;
        task->bytes = static_cast<double>(textBytes);
    };

    const gamehost::Attributes floats = gamehost::collect(*loaded->getRoot(), "x");
    const std::vector<pugi::xml_attribute> pugiFloats = pugixml::collect(*pugiDocument, "x");
    const gamehost::Attributes longs = gamehost::collect(*loaded->getRoot(), "count");
    const std::vector<pugi::xml_attribute> pugiLongs = pugixml::collect(*pugiDocument, "count");
    const gamehost::Attributes vectors = gamehost::collect(*loaded->getRoot(), "pos");
    const gamehost::Attributes colours = gamehost::collect(*loaded->getRoot(), "color");

    // Both libraries round the same decimal numbers, so every value must come out identical.
    if (floats.items.size() != pugiFloats.size() || longs.items.size() != pugiLongs.size())
        throw Disagreement(name + ": gamehost and pugixml found different numbers of attributes to convert");
    for (std::size_t i = 0; i < floats.items.size(); ++i) {
        float value = 0;
        if (!floats.items[i].first->getAttributeFloat(floats.items[i].second, &value) || value != pugiFloats[i].as_float())
            throw Disagreement(name + ": float \"" + pugiFloats[i].value() + "\" converted differently");
    }
    for (std::size_t i = 0; i < longs.items.size(); ++i) {
        std::int32_t value = 0;
        if (!longs.items[i].first->getAttributeLong(longs.items[i].second, &value) || value != pugiLongs[i].as_int())
            throw Disagreement(name + ": integer \"" + pugiLongs[i].value() + "\" converted differently");
    }
    for (const auto& [node, index] : vectors.items) {
        Vector3 value;
        if (!node->getAttributeVector3(index, &value)) throw Disagreement(name + ": a vector did not convert");
    }
    for (const auto& [node, index] : colours.items) {
        Color value;
        if (!node->getAttributeColor(index, &value)) throw Disagreement(name + ": a colour did not convert");
    }

    if (!floats.items.empty()) {
        conversionTask("float (x)", "gamehost", "float (x)", floats.items.size(), floats.textBytes, [&] {
            float sum = 0;
            for (const auto& [node, index] : floats.items) {
                float value = 0;
                node->getAttributeFloat(index, &value);
                sum += value;
            }
            floatSink = sum;
        });
        conversionTask("float (x)", "pugixml", "float (x)", pugiFloats.size(), floats.textBytes, [&] {
            float sum = 0;
            for (const pugi::xml_attribute& attribute : pugiFloats) sum += attribute.as_float();
            floatSink = sum;
        });
    }
    if (!longs.items.empty()) {
        conversionTask("long (count)", "gamehost", "long (count)", longs.items.size(), longs.textBytes, [&] {
            std::int32_t sum = 0;
            for (const auto& [node, index] : longs.items) {
                std::int32_t value = 0;
                node->getAttributeLong(index, &value);
                sum += value;
            }
            floatSink = static_cast<float>(sum);
        });
        conversionTask("long (count)", "pugixml", "long (count)", pugiLongs.size(), longs.textBytes, [&] {
            std::int32_t sum = 0;
            for (const pugi::xml_attribute& attribute : pugiLongs) sum += attribute.as_int();
            floatSink = static_cast<float>(sum);
        });
    }
    if (!vectors.items.empty())
        conversionTask("vector3 (pos)", "gamehost", "", vectors.items.size(), vectors.textBytes, [&] {
            float sum = 0;
            for (const auto& [node, index] : vectors.items) {
                Vector3 value{};
                node->getAttributeVector3(index, &value);
                sum += value.x;
            }
            floatSink = sum;
        });
    if (!colours.items.empty())
        conversionTask("colour (color)", "gamehost", "", colours.items.size(), colours.textBytes, [&] {
            float sum = 0;
            for (const auto& [node, index] : colours.items) {
                Color value{};
                node->getAttributeColor(index, &value);
                sum += value.red;
            }
            floatSink = sum;
        });

    std::cerr << name << ": timing\n";
    timeTasks(tasks, options, name);
    for (Task& task : tasks) {
        task.run = nullptr;  // it refers to this function's trees
        results.push_back(std::move(task));
    }
    corpusRows.push_back(row);
}

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// Three significant digits at most, without exponents.
std::string rounded(double value) {
    if (value >= 100) return fixed(value, 0);
    if (value >= 10) return fixed(value, 1);
    if (value >= 1) return fixed(value, 2);
    return fixed(value, 3);
}

std::string withSeparators(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<std::size_t>(i), ",");
    return digits;
}

const Task* baselineOf(const Task& task, const std::vector<Task>& results) {
    if (task.baseline.empty()) return nullptr;
    for (const Task& other : results)
        if (other.document == task.document && other.contender == "pugixml" && other.operation == task.baseline)
            return &other;
    return nullptr;
}

double megabytesPerSecond(const Task& task) { return task.bytes / median(task.seconds) / 1e6; }

std::string ratioText(const Task& task, const std::vector<Task>& results) {
    const Task* baseline = baselineOf(task, results);
    return baseline ? rounded(median(task.seconds) / median(baseline->seconds)) : "–";
}

void printTables(std::ostream& out, const std::vector<Task>& results, const std::vector<CorpusRow>& corpusRows,
                 const Options& options) {
    out << "Contenders: gamehost's XML library; pugixml " << PUGIXML_VERSION / 1000 << "." << PUGIXML_VERSION % 1000 / 10
        << "; RapidXML; tinyxml2 " << TINYXML2_MAJOR_VERSION << "." << TINYXML2_MINOR_VERSION << "."
        << TINYXML2_PATCH_VERSION << "; expat " << XML_MAJOR_VERSION << "." << XML_MINOR_VERSION << "."
        << XML_MICRO_VERSION << "; libxml2 " << LIBXML_DOTTED_VERSION << ".\n"
        << "Medians of " << options.repetitions << " rounds (samples of at least " << options.sampleSeconds
        << " s); MB = 10^6 bytes; spread = interquartile range / median.\n\n";

    out << "### Documents\n\n"
        << "| document | bytes | elements | attributes | refer elements | elements after references | non-ASCII characters | written by gamehost / pugixml / tinyxml2 (bytes) |\n"
        << "|---|--:|--:|--:|--:|--:|--:|--:|\n";
    for (const CorpusRow& row : corpusRows)
        out << "| " << row.label << " | " << withSeparators(row.bytes) << " | " << withSeparators(row.model.elements)
            << " | " << withSeparators(row.model.attributes) << " | " << row.references << " | "
            << withSeparators(row.loaded.elements) << " | " << fixed(row.nonAscii * 100, 2) << " % | "
            << withSeparators(row.writtenGamehost) << " / " << withSeparators(row.writtenPugixml) << " / "
            << withSeparators(row.writtenTinyxml) << " |\n";

    out << "\n### Parsing, loading and writing\n\n"
        << "| document | operation | contender | median ms | MB/s | spread | time ÷ pugixml | tree ÷ input | peak ÷ input | allocations per element |\n"
        << "|---|---|---|--:|--:|--:|--:|--:|--:|--:|\n";
    for (const Task& task : results) {
        if (task.values) continue;
        const double ms = median(task.seconds) * 1e3;
        out << "| " << task.document << " | " << task.operation << " | " << task.contender << " | " << rounded(ms)
            << " | " << rounded(megabytesPerSecond(task)) << " | " << fixed(spread(task.seconds) * 100, 0) << " % | "
            << ratioText(task, results) << " | ";
        if (task.measuredMemory)
            out << rounded(static_cast<double>(task.memory.live) / task.inputBytes) << " | "
                << rounded(static_cast<double>(task.memory.peak) / task.inputBytes) << " | "
                << rounded(static_cast<double>(task.memory.allocations) / static_cast<double>(task.elements)) << " |\n";
        else
            out << "– | – | – |\n";
    }

    out << "\n### Value conversions (every attribute of one name in the loaded tree)\n\n"
        << "| document | conversion | contender | values | ns per value | MB/s of value text | spread | time ÷ pugixml |\n"
        << "|---|---|---|--:|--:|--:|--:|--:|\n";
    for (const Task& task : results) {
        if (!task.values) continue;
        out << "| " << task.document << " | " << task.operation << " | " << task.contender << " | "
            << withSeparators(task.values) << " | " << rounded(median(task.seconds) * 1e9 / static_cast<double>(task.values))
            << " | " << rounded(megabytesPerSecond(task)) << " | " << fixed(spread(task.seconds) * 100, 0) << " % | "
            << ratioText(task, results) << " |\n";
    }
    if (!alloc_count::available()) out << "\n(Memory is not counted in this build: a sanitizer owns the allocator.)\n";
}

void writeTsv(const std::string& file, const std::vector<Task>& results) {
    std::ofstream out(file);
    out << "document\toperation\tcontender\tmedian_seconds\tmb_per_s\ttime_vs_pugixml\ttree_per_input\n";
    for (const Task& task : results) {
        const Task* baseline = baselineOf(task, results);
        out << task.document << '\t' << task.operation << '\t' << task.contender << '\t' << median(task.seconds) << '\t'
            << megabytesPerSecond(task) << '\t' << (baseline ? median(task.seconds) / median(baseline->seconds) : 0)
            << '\t' << (task.measuredMemory ? static_cast<double>(task.memory.live) / task.inputBytes : 0) << '\n';
    }
    if (!out) throw std::runtime_error("cannot write " + file);
}

int run(const Options& options) {
    std::vector<std::pair<DocumentPlan, std::string>> documents;
    for (const std::string& token : options.sizes) {
        const DocumentPlan plan = parseDocumentPlan(token);
        std::cerr << plan.label << ": generating\n";
        documents.emplace_back(plan, corpus::generate(plan.shape, plan.bytes, options.seed));
    }

    if (!options.corpusFolder.empty()) {
        const std::filesystem::path folder(options.corpusFolder);
        std::filesystem::create_directories(folder);
        for (const auto& [plan, bytes] : documents) {
            std::string fileName = plan.label + ".xml";
            std::replace(fileName.begin(), fileName.end(), ' ', '-');
            std::ofstream(folder / fileName, std::ios::binary) << bytes;
        }
        for (const corpus::Referenced& document : corpus::referencedDocuments())
            std::ofstream(folder / document.fileName, std::ios::binary) << document.bytes;
        std::cerr << "corpus written to " << folder.string() << "\n";
        return 0;
    }

    const ReferenceFolder references;
    CStdXmlResolver2 resolver(references.path().c_str(), nullptr);
    std::vector<Task> results;
    std::vector<CorpusRow> corpusRows;
    for (const auto& [plan, bytes] : documents) benchmarkDocument(plan, bytes, options, resolver, results, corpusRows);

    printTables(std::cout, results, corpusRows, options);
    if (!options.tsv.empty()) writeTsv(options.tsv, results);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The same heap for every contender and every order of documents: glibc otherwise raises
    // its thresholds for mapping and trimming as large blocks come and go, so that an operation
    // pays page faults early in a run that it no longer pays later.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    xmlInitParser();
    int status = 0;
    try {
        status = run(parseOptions(argc, argv));
    } catch (const UsageError& error) {
        std::cerr << "xml_bench: " << error.what() << "\n" << kUsage;
        status = 2;
    } catch (const Disagreement& error) {
        std::cerr << "xml_bench: the contenders disagree: " << error.what() << "\n";
        status = 1;
    } catch (const std::exception& error) {
        std::cerr << "xml_bench: " << error.what() << "\n";
        status = 1;
    }
    xmlCleanupParser();
    return status;
}
