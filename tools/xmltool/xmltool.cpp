#include "tools/xmltool/xmltool.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "boundary/value_types.h"
#include "tools/xmltool/check.h"
#include "tools/xmltool/format_value.h"
#include "tools/xmltool/json.h"
#include "tools/xmltool/load.h"
#include "tools/xmltool/usage_error.h"
#include "xml/files.h"
#include "xml/model.h"
#include "xml/parser.h"
#include "xml/utf.h"
#include "xml/values.h"

namespace xmltool {
namespace {

const char* const kUsage =
    "usage: xmltool dump FILE [--primary DIR] [--secondary DIR] [--name NAME] [--no-resolver]\n"
    "       xmltool check [--secondary DIR] [-j N] PATH...\n"
    "       xmltool format FILE\n"
    "       xmltool model FILE\n"
    "       xmltool convert TYPE TEXT\n"
    "TYPE: bool long ulong uint64 float vector2 vector3 unitvector4 color stringa\n";

LoadOptions parseDumpOptions(const std::vector<WideString>& arguments) {
    LoadOptions options;
    bool hasFile = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const WideString& argument = arguments[i];
        const auto value = [&]() -> const WideString& {
            if (i + 1 >= arguments.size()) throw UsageError(xml::toUtf8(argument) + " needs a value");
            return arguments[++i];
        };
        if (argument == widen("--primary")) options.primary = value();
        else if (argument == widen("--secondary")) options.secondary = value();
        else if (argument == widen("--name")) options.name = value();
        else if (argument == widen("--no-resolver")) options.useResolver = false;
        else if (argument.rfind(widen("--"), 0) == 0) throw UsageError("unknown option " + xml::toUtf8(argument));
        else if (hasFile) throw UsageError("more than one FILE");
        else {
            options.file = argument;
            hasFile = true;
        }
    }
    if (!hasFile) throw UsageError("FILE is missing");
    return options;
}

std::string dump(const std::vector<WideString>& arguments) {
    return nodeJson(*loadDocument(parseDumpOptions(arguments))->getRoot());
}

// The document model of FILE's bytes, as the document parser builds it before its nodes.
std::unique_ptr<xml::CXmlDocument> parseModel(const std::vector<WideString>& arguments) {
    if (arguments.size() != 2) throw UsageError(xml::toUtf8(arguments[0]) + " takes one FILE");
    const FileToMemory file(arguments[1].c_str());
    auto document = std::make_unique<xml::CXmlDocument>();
    document->parse(file.getData(), file.getData() + file.getSize());
    if (!document->root) throw CXmlParser::InitError(widen("malformed Xml document"));
    return document;
}

// Writes as it goes: on an encoding failure what came before stays on `out`.
int format(const std::vector<WideString>& arguments, std::ostream& out) {
    const auto document = parseModel(arguments);
    document->root->writeXml(out, *document, 0);
    return 0;
}

template <class T>
std::string converted(bool ok, const T& value) {
    if (!ok) return "fail";
    if constexpr (std::is_same_v<T, bool>) return value ? "ok true" : "ok false";
    else if constexpr (std::is_integral_v<T>) return "ok " + std::to_string(value);
    else if constexpr (std::is_same_v<T, float>) return "ok " + formatFloat(value);
    else if constexpr (std::is_same_v<T, std::string>) return "ok " + value;
    else return "ok " + formatValue(value);
}

template <class T>
std::string convertWith(bool (*convert)(WideStringView, T&), const WideString& text) {
    T value{};
    const bool ok = convert(text, value);
    return converted(ok, value);
}

std::string convert(const std::vector<WideString>& arguments) {
    if (arguments.size() != 3) throw UsageError("convert takes TYPE and TEXT");
    const std::string type = xml::toUtf8(arguments[1]);
    const WideString& text = arguments[2];
    if (type == "bool") return convertWith(xml::textToBool, text);
    if (type == "long") return convertWith(xml::textToLong, text);
    if (type == "ulong") return convertWith(xml::textToULong, text);
    if (type == "uint64") return convertWith(xml::textToUInt64, text);
    if (type == "float") return convertWith(xml::textToFloat, text);
    if (type == "vector2") return convertWith(xml::textToVector2, text);
    if (type == "vector3") return convertWith(xml::textToVector3, text);
    if (type == "unitvector4") return convertWith(xml::textToUnitVector4, text);
    if (type == "color") return convertWith(xml::textToColor, text);
    if (type == "stringa") return convertWith(xml::textTo7Bit, text);
    throw UsageError("unknown TYPE " + type);
}

}  // namespace

int run(const std::vector<WideString>& arguments, std::ostream& out, std::ostream& err) {
    try {
        const std::string command = arguments.empty() ? "" : xml::toUtf8(arguments[0]);
        std::string result;
        if (command == "check") return check(arguments, out, err);
        if (command == "dump") result = dump(arguments);
        else if (command == "format") return format(arguments, out);
        else if (command == "model") result = modelJson(*parseModel(arguments));
        else if (command == "convert") result = convert(arguments);
        else throw UsageError(command.empty() ? "no command" : "unknown command " + command);
        out << result << '\n';  // nothing reaches the output unless the whole command succeeded
        return 0;
    } catch (const UsageError& error) {
        err << "xmltool: " << error.what() << '\n' << kUsage;
        return 2;
    } catch (const std::exception& error) {
        err << error.what() << '\n';
        return 1;
    }
}

}  // namespace xmltool
