// xmltool: the XML library on the command line, for build servers that validate game data.

#include <iostream>
#include <vector>

#include "tools/xmltool/xmltool.h"
#include "xml/utf.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>

// Built with -municode: the arguments arrive as UTF-16. Output is binary so that a line ends
// with a line feed alone, as on Linux.
int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<WideString> arguments(argv + 1, argv + argc);
    return xmltool::run(arguments, std::cout, std::cerr);
}
#else
// The arguments arrive as bytes, taken as UTF-8.
int main(int argc, char** argv) {
    std::vector<WideString> arguments;
    for (int i = 1; i < argc; ++i) {
        try {
            arguments.push_back(xml::fromUtf8(argv[i]));
        } catch (const std::exception&) {
            std::cerr << "xmltool: argument " << i << " is not UTF-8\n";
            return 2;
        }
    }
    return xmltool::run(arguments, std::cout, std::cerr);
}
#endif
